#include "legacy_helpers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace vantorel::archive::legacy {

std::size_t MemoryInput::Read(std::uint8_t* buffer, std::size_t size) {
  ++reads_;
  const std::size_t count = std::min({size, chunk_, bytes_.size() - offset_});
  std::memcpy(buffer, bytes_.data() + offset_, count);
  offset_ += count;
  return count;
}

void StringOutput::Write(const std::uint8_t* data, std::size_t size) {
  ++writes;
  bytes.append(reinterpret_cast<const char*>(data), size);
}

BitWriter& BitWriter::Put(std::uint32_t value, int bits) {
  for (int i = 0; i < bits; ++i) {
    pending_ |= ((value >> i) & 1u) << pending_count_;
    if (++pending_count_ == 8) {
      bytes_.push_back(static_cast<char>(pending_));
      pending_ = 0;
      pending_count_ = 0;
    }
  }
  return *this;
}

BitWriter& BitWriter::PutCode(std::string_view binary) {
  for (char bit : binary) Put(bit == '1' ? 1 : 0, 1);
  return *this;
}

std::string BitWriter::Bytes() const {
  std::string out = bytes_;
  if (pending_count_ > 0) out.push_back(static_cast<char>(pending_));
  return out;
}

// SHA-256 as FIPS 180-4 defines it.
std::string Sha256Hex(std::string_view bytes) {
  static constexpr std::array<std::uint32_t, 64> k = {
      0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
      0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
      0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
      0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
      0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
      0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
      0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
      0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};
  std::array<std::uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  auto rotr = [](std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };

  std::string message(bytes);
  const std::uint64_t bit_length = std::uint64_t{bytes.size()} * 8;
  message.push_back(static_cast<char>(0x80));
  while (message.size() % 64 != 56) message.push_back('\0');
  for (int i = 7; i >= 0; --i) message.push_back(static_cast<char>(bit_length >> (8 * i)));

  for (std::size_t block = 0; block < message.size(); block += 64) {
    std::array<std::uint32_t, 64> w{};
    for (int t = 0; t < 16; ++t) {
      for (int b = 0; b < 4; ++b) {
        w[t] = (w[t] << 8) | static_cast<std::uint8_t>(message[block + 4 * t + b]);
      }
    }
    for (int t = 16; t < 64; ++t) {
      const std::uint32_t s0 = rotr(w[t - 15], 7) ^ rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
      const std::uint32_t s1 = rotr(w[t - 2], 17) ^ rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    std::array<std::uint32_t, 8> v = h;
    for (int t = 0; t < 64; ++t) {
      const std::uint32_t s1 = rotr(v[4], 6) ^ rotr(v[4], 11) ^ rotr(v[4], 25);
      const std::uint32_t ch = (v[4] & v[5]) ^ (~v[4] & v[6]);
      const std::uint32_t t1 = v[7] + s1 + ch + k[t] + w[t];
      const std::uint32_t s0 = rotr(v[0], 2) ^ rotr(v[0], 13) ^ rotr(v[0], 22);
      const std::uint32_t maj = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
      const std::uint32_t t2 = s0 + maj;
      v = {t1 + t2, v[0], v[1], v[2], v[3] + t1, v[4], v[5], v[6]};
    }
    for (int i = 0; i < 8; ++i) h[i] += v[i];
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (std::uint32_t word : h) {
    for (int shift = 28; shift >= 0; shift -= 4) hex.push_back(kHex[(word >> shift) & 0xF]);
  }
  return hex;
}

ShrunkStream Shrink(std::string_view data) {
  constexpr std::uint32_t kCodes = 8192;
  constexpr std::uint16_t kFree = 0xFFFF;
  ShrunkStream result;
  BitWriter writer;
  std::vector<std::uint16_t> prefix(kCodes, kFree);
  std::vector<std::uint8_t> suffix(kCodes, 0);
  std::map<std::uint32_t, std::uint32_t> child;  // prefix << 8 | byte -> code
  std::uint32_t next_free = 257;
  std::uint32_t previous = kCodes;  // none
  int width = 9;

  // A code's first byte, from its current prefix chain (a freed and reused prefix changes it).
  auto first = [&](std::uint32_t code) {
    while (code >= 256) code = prefix[code];
    return static_cast<std::uint8_t>(code);
  };
  auto find_next_free = [&](std::uint32_t from) {
    next_free = from;
    while (next_free < kCodes && prefix[next_free] != kFree) ++next_free;
  };
  auto send = [&](std::uint32_t code) {
    while (code >= (1u << width)) {
      writer.Put(256, width).Put(1, width);
      ++width;
      ++result.widenings;
    }
    writer.Put(code, width);
    // The decoder's update: the previous code plus this string's first byte.
    if (previous != kCodes && next_free < kCodes) {
      prefix[next_free] = static_cast<std::uint16_t>(previous);
      suffix[next_free] = first(code);
      child[previous << 8 | suffix[next_free]] = next_free;
      find_next_free(next_free + 1);
      if (next_free == kCodes) {
        writer.Put(256, width).Put(2, width);
        ++result.partial_clears;
        std::vector<bool> is_prefix(kCodes, false);
        for (std::uint32_t c = 257; c < kCodes; ++c) {
          if (prefix[c] != kFree) is_prefix[prefix[c]] = true;
        }
        for (std::uint32_t c = 257; c < kCodes; ++c) {
          if (!is_prefix[c]) {
            const auto key = child.find(std::uint32_t{prefix[c]} << 8 | suffix[c]);
            if (key != child.end() && key->second == c) child.erase(key);
            prefix[c] = kFree;
          }
        }
        find_next_free(257);
      }
    }
    previous = code;
  };

  if (!data.empty()) {
    std::uint32_t current = static_cast<std::uint8_t>(data[0]);
    for (std::size_t i = 1; i < data.size(); ++i) {
      const auto byte = static_cast<std::uint8_t>(data[i]);
      const auto found = child.find(current << 8 | byte);
      if (found != child.end() && prefix[found->second] == current && suffix[found->second] == byte) {
        current = found->second;
      } else {
        send(current);
        current = byte;
      }
    }
    send(current);
  }
  result.bytes = writer.Bytes();
  return result;
}

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::uint32_t Le(const std::string& bytes, std::size_t offset, int size) {
  if (offset + size > bytes.size()) throw std::runtime_error("ZIP record past the end");
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
  return value;
}

}  // namespace

std::vector<ZipEntryBytes> ReadZipEntries(const std::filesystem::path& path) {
  const std::string zip = ReadFile(path);
  // End of central directory: signature 0x06054B50, entry count at 10, directory offset at 16.
  std::size_t end = zip.size() < 22 ? std::string::npos : zip.size() - 22;
  while (end != std::string::npos && Le(zip, end, 4) != 0x06054B50) end = end == 0 ? std::string::npos : end - 1;
  if (end == std::string::npos) throw std::runtime_error("no end record in " + path.string());
  const std::uint32_t count = Le(zip, end + 10, 2);
  std::size_t at = Le(zip, end + 16, 4);
  std::vector<ZipEntryBytes> entries;
  for (std::uint32_t i = 0; i < count; ++i) {
    // Central header: signature 0x02014B50, flags 8, method 10, CRC 16, sizes 20 and 24,
    // name, extra and comment lengths 28, 30, 32, local header offset 42, name at 46.
    if (Le(zip, at, 4) != 0x02014B50) throw std::runtime_error("bad central header");
    ZipEntryBytes entry;
    entry.flags = static_cast<std::uint16_t>(Le(zip, at + 8, 2));
    entry.method = static_cast<std::uint16_t>(Le(zip, at + 10, 2));
    entry.crc = Le(zip, at + 16, 4);
    const std::uint32_t compressed_size = Le(zip, at + 20, 4);
    entry.uncompressed_size = Le(zip, at + 24, 4);
    const std::uint32_t name_length = Le(zip, at + 28, 2);
    entry.name = zip.substr(at + 46, name_length);
    const std::size_t local = Le(zip, at + 42, 4);
    at += 46 + name_length + Le(zip, at + 30, 2) + Le(zip, at + 32, 2);
    // Local header: name and extra lengths at 26 and 28, data after 30 bytes and both.
    const std::size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
    if (data + compressed_size > zip.size()) throw std::runtime_error("entry data past the end");
    entry.compressed = zip.substr(data, compressed_size);
    entries.push_back(std::move(entry));
  }
  return entries;
}

namespace {

// Just enough JSON for the manifests: objects, arrays, strings without escapes, numbers,
// true, false and null.
struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;

  const Json& operator[](std::string_view key) const {
    for (const auto& [name, value] : members) {
      if (name == key) return value;
    }
    throw std::runtime_error("manifest entry without " + std::string(key));
  }
};

class JsonParser {
 public:
  explicit JsonParser(std::string_view text) : text_(text) {}

  Json Value() {
    Space();
    Json value;
    const char c = Peek();
    if (c == '{') {
      value.kind = Json::Kind::Object;
      ++at_;
      while (Space(), Peek() != '}') {
        std::string key = String();
        Space();
        Expect(':');
        value.members.emplace_back(std::move(key), Value());
        Space();
        if (Peek() == ',') ++at_;
      }
      ++at_;
    } else if (c == '[') {
      value.kind = Json::Kind::Array;
      ++at_;
      while (Space(), Peek() != ']') {
        value.items.push_back(Value());
        Space();
        if (Peek() == ',') ++at_;
      }
      ++at_;
    } else if (c == '"') {
      value.kind = Json::Kind::String;
      value.text = String();
    } else if (text_.substr(at_, 4) == "true" || text_.substr(at_, 5) == "false") {
      value.kind = Json::Kind::Bool;
      value.boolean = c == 't';
      at_ += value.boolean ? 4 : 5;
    } else if (text_.substr(at_, 4) == "null") {
      at_ += 4;
    } else {
      value.kind = Json::Kind::Number;
      std::size_t used = 0;
      value.number = std::stod(std::string(text_.substr(at_, 32)), &used);
      at_ += used;
    }
    return value;
  }

 private:
  char Peek() const {
    if (at_ >= text_.size()) throw std::runtime_error("manifest ends early");
    return text_[at_];
  }
  void Space() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }
  void Expect(char c) {
    if (Peek() != c) throw std::runtime_error(std::string("manifest: expected ") + c);
    ++at_;
  }
  std::string String() {
    Expect('"');
    const std::size_t close = text_.find('"', at_);
    if (close == std::string_view::npos) throw std::runtime_error("manifest: open string");
    std::string value(text_.substr(at_, close - at_));
    at_ = close + 1;
    return value;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

// The corpus manifest names methods ("shrink", "reduce3", "implode10"); the PKZIP one numbers them.
int MethodNumber(const Json& method) {
  if (method.kind == Json::Kind::Number) return static_cast<int>(method.number);
  const std::string& name = method.text;
  if (name == "store") return 0;
  if (name == "shrink") return 1;
  if (name.rfind("reduce", 0) == 0 && name.size() == 7) return 1 + (name[6] - '0');
  if (name.rfind("implode", 0) == 0) return 6;
  if (name == "deflate") return 8;
  throw std::runtime_error("manifest: unknown method " + name);
}

}  // namespace

std::map<std::string, std::vector<ManifestEntry>> ReadManifest(const std::filesystem::path& path) {
  const std::string text = ReadFile(path);
  const Json root = JsonParser(text).Value();
  std::map<std::string, std::vector<ManifestEntry>> manifest;
  for (const auto& [archive, entries] : root.members) {
    auto& list = manifest[archive];
    for (const Json& item : entries.items) {
      ManifestEntry entry;
      entry.name = item["name"].text;
      entry.dir = item["dir"].boolean;
      entry.method = MethodNumber(item["method"]);
      entry.size = static_cast<std::uint64_t>(item["size"].number);
      entry.crc = item["crc"].text;
      entry.sha256 = item["sha256"].text;
      list.push_back(std::move(entry));
    }
  }
  return manifest;
}

}  // namespace vantorel::archive::legacy
