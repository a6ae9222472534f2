#include "archive/inflate64.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "archive/kept_blocks.h"

namespace vantorel::archive {

namespace {

// --- Format limits and tables ---------------------------------------------------------------

constexpr int kMaxCodeBits = 15;            // the longest Huffman code
constexpr int kLiteralLengthCodes = 288;    // 0-255 literals, 256 end of block, 257-287 lengths
constexpr int kMaxDeclaredLiteralLengths = 286;  // HLIT + 257 at most (286, 287 never occur)
constexpr int kDistanceCodes = 32;          // all 32 are used by Deflate64
constexpr int kCodeLengthCodes = 19;
constexpr int kEndOfBlock = 256;
constexpr int kFirstLengthCode = 257;
constexpr std::size_t kWindowSize = 65536;  // the farthest a distance reaches
constexpr std::size_t kMaxMatch = 65538;    // length code 285: 3 + 65535

constexpr std::array<std::uint16_t, 29> kLengthBase = {
    3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27, 31, 35, 43, 51, 59, 67, 83, 99, 115, 131,
    163, 195, 227, 3};
constexpr std::array<std::uint8_t, 29> kLengthExtra = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr std::array<std::uint32_t, kDistanceCodes> kDistanceBase = {
    1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129, 193, 257, 385, 513, 769, 1025, 1537,
    2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<std::uint8_t, kDistanceCodes> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13,
    13, 14, 14};
// The order in which a dynamic block lists the lengths of the code-length code.
constexpr std::array<std::uint8_t, kCodeLengthCodes> kCodeLengthOrder = {
    16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

// --- Huffman decoding tables --------------------------------------------------------------
//
// Format note: deflate sends a Huffman code's bits starting with its most significant bit, but
// packs them into bytes from the least significant bit up, so the tables are indexed by the
// code's bits reversed. A primary table indexed by the next kPrimaryBits bits resolves every
// short code at once; a longer code's primary entry links to a subtable indexed by the bits
// after those.
//
// An entry: bits 0-4 the code length to consume, 0x40 a link (bits 8-11 the subtable's index
// bits, bits 16-31 its start), 0x20 no code; bits 16-31 the symbol.
constexpr std::uint32_t kLink = 0x40;
constexpr std::uint32_t kNoCode = 0x20;

class HuffmanTable {
 public:
  // primary_bits index the primary table; symbols is the alphabet's size.
  HuffmanTable(int primary_bits, int symbols)
      : primary_bits_(primary_bits),
        entries_((std::size_t{1} << primary_bits) +
                 (static_cast<std::size_t>(symbols) << (kMaxCodeBits - primary_bits))) {}

  // Builds the canonical code of lengths[0..count). False for an over-subscribed code, and for
  // an incomplete one unless allow_single holds and at most one symbol has a code (deflate lets
  // a block use one distance code, or none).
  bool Build(const std::uint8_t* lengths, int count, bool allow_single);

  int PrimaryBits() const { return primary_bits_; }
  const std::uint32_t* Entries() const { return entries_.data(); }

 private:
  int primary_bits_;
  std::vector<std::uint32_t> entries_;  // the primary table, then the subtables
};

std::uint32_t Reversed(std::uint32_t code, int length) {
  std::uint32_t result = 0;
  for (int i = 0; i < length; ++i, code >>= 1) result = result << 1 | (code & 1);
  return result;
}

bool HuffmanTable::Build(const std::uint8_t* lengths, int count, bool allow_single) {
  std::array<int, kMaxCodeBits + 1> per_length{};
  int max_length = 0;
  int used = 0;
  for (int s = 0; s < count; ++s) {
    ++per_length[lengths[s]];
    if (lengths[s] > 0) {
      ++used;
      if (lengths[s] > max_length) max_length = lengths[s];
    }
  }
  int left = 1;  // codes of the current length not yet taken, Kraft's inequality
  for (int length = 1; length <= kMaxCodeBits; ++length) {
    left = (left << 1) - per_length[length];
    if (left < 0) return false;
  }
  if (left > 0 && !(allow_single && used <= 1)) return false;

  std::array<std::uint32_t, kMaxCodeBits + 1> next_code{};
  std::uint32_t code = 0;
  per_length[0] = 0;
  for (int length = 1; length <= kMaxCodeBits; ++length) {
    code = (code + static_cast<std::uint32_t>(per_length[length - 1])) << 1;
    next_code[length] = code;
  }

  const std::uint32_t primary_size = 1u << primary_bits_;
  const int sub_bits = max_length > primary_bits_ ? max_length - primary_bits_ : 0;
  std::fill_n(entries_.begin(), primary_size, kNoCode);
  std::uint32_t next_free = primary_size;  // where the next subtable starts
  for (int s = 0; s < count; ++s) {
    const int length = lengths[s];
    if (length == 0) continue;
    const std::uint32_t reversed = Reversed(next_code[length]++, length);
    const std::uint32_t entry = static_cast<std::uint32_t>(s) << 16 | static_cast<std::uint32_t>(length);
    if (length <= primary_bits_) {
      for (std::uint32_t i = reversed; i < primary_size; i += 1u << length) entries_[i] = entry;
      continue;
    }
    std::uint32_t& link = entries_[reversed & (primary_size - 1)];
    if ((link & kLink) == 0) {
      link = next_free << 16 | static_cast<std::uint32_t>(sub_bits) << 8 | kLink;
      std::fill_n(entries_.begin() + next_free, 1u << sub_bits, kNoCode);
      next_free += 1u << sub_bits;
    }
    const std::uint32_t start = link >> 16;
    for (std::uint32_t i = reversed >> primary_bits_; i < (1u << sub_bits);
         i += 1u << (length - primary_bits_))
      entries_[start + i] = entry;
  }
  return true;
}

// --- The decoder ----------------------------------------------------------------------------

constexpr std::size_t kInputBlock = 16000;
// Decoded bytes are handed over each time this many follow the window's history.
constexpr std::size_t kChunk = 262144;
// A match starts below kWindowSize + kChunk and may run kMaxMatch bytes further; copies move
// 8 bytes at a time and may write up to 7 bytes past the match.
constexpr std::size_t kBufferSize = kWindowSize + kChunk + kMaxMatch + 8;

std::uint64_t LoadLittleEndian64(const std::uint8_t* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

struct FreeKept {
  void operator()(std::uint8_t* block) const { KeptBlocks::Free(block); }
};

std::uint8_t* NewBuffer() {
  void* block = KeptBlocks::Allocate(kBufferSize);
  if (block == nullptr) throw std::bad_alloc();
  return static_cast<std::uint8_t*>(block);
}

class Inflater64 {
 public:
  Inflater64(CompressedInput& input, DecodedOutput& output) : input_(input), output_(output) {}

  DecodeResult Run();

 private:
  // Bits of input: at least 57 valid bits in bits_ afterwards; past the end of the entry's
  // compressed bytes zeros come in and padding_ counts them.
  void Refill() {
    if (end_ - next_ >= 8) {
      // Format note: whole bytes go in; the bits above count_ already hold the next byte's low
      // bits, which the next refill ORs in again unchanged.
      bits_ |= LoadLittleEndian64(next_) << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
      return;
    }
    while (count_ <= 56) {
      if (next_ == end_ && !LoadBlock()) {
        padding_ += 8;
      } else {
        bits_ |= std::uint64_t{*next_++} << count_;
      }
      count_ += 8;
    }
  }
  std::uint32_t Take(int n) {  // REQUIRES: n <= count_
    const auto value = static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
    bits_ >>= n;
    count_ -= n;
    return value;
  }
  // True once bits past the end of the compressed bytes were consumed.
  bool Overrun() const { return count_ < padding_; }
  bool LoadBlock() {
    if (input_ended_) return false;
    const std::size_t n = input_.Read(block_.get(), kInputBlock);
    input_ended_ = n == 0;
    next_ = block_.get();
    end_ = next_ + n;
    return n > 0;
  }
  // The next symbol of table; -1 for a bit sequence that is no code. REQUIRES: count_ >= 15.
  int Decode(const HuffmanTable& table) {
    const std::uint32_t* entries = table.Entries();
    const int primary = table.PrimaryBits();
    std::uint32_t entry = entries[bits_ & ((1u << primary) - 1)];
    if (entry & kLink)
      entry = entries[(entry >> 16) +
                      ((bits_ >> primary) & ((1u << ((entry >> 8) & 0xF)) - 1))];
    if (entry & kNoCode) return -1;
    Take(static_cast<int>(entry & 0x1F));
    return static_cast<int>(entry >> 16);
  }

  // Hands the decoded bytes to output and keeps the last kWindowSize of them as history.
  void Slide() {
    output_.Write(buffer_.get() + handed_, position_ - handed_);
    std::memmove(buffer_.get(), buffer_.get() + position_ - kWindowSize, kWindowSize);
    position_ = kWindowSize;
    handed_ = kWindowSize;
  }
  void Flush() {
    output_.Write(buffer_.get() + handed_, position_ - handed_);
    handed_ = position_;
  }

  bool StoredBlock();
  bool FixedCodes();
  bool DynamicCodes();
  bool HuffmanBlock();

  CompressedInput& input_;
  DecodedOutput& output_;
  std::unique_ptr<std::uint8_t[]> block_ = std::make_unique_for_overwrite<std::uint8_t[]>(kInputBlock);
  const std::uint8_t* next_ = nullptr;  // the next input byte not yet in bits_
  const std::uint8_t* end_ = nullptr;   // the end of the input block
  bool input_ended_ = false;            // the input had no more bytes
  std::uint64_t bits_ = 0;              // input bits, the next one lowest
  int count_ = 0;                       // valid bits in bits_
  int padding_ = 0;                     // of those, zeros past the end of the input

  // The window with the bytes decoded after it, kept for the next entry.
  std::unique_ptr<std::uint8_t[], FreeKept> buffer_{NewBuffer()};
  std::size_t position_ = 0;            // the next decoded byte goes to buffer_[position_]
  std::size_t handed_ = 0;              // buffer_[0..handed_) reached output
  std::uint64_t total_ = 0;             // bytes decoded in the entry

  HuffmanTable literal_lengths_{10, kLiteralLengthCodes};
  HuffmanTable distances_{8, kDistanceCodes};
  HuffmanTable code_lengths_{7, kCodeLengthCodes};
};

bool Inflater64::StoredBlock() {
  // Format note: a stored block starts at the next byte boundary with LEN and its ones'
  // complement NLEN, 16 bits each, then LEN bytes as they are.
  Take(count_ & 7);
  Refill();
  const std::uint32_t length = Take(16);
  const std::uint32_t complement = Take(16);
  if (Overrun() || (length ^ 0xFFFF) != complement) return false;
  std::uint32_t left = length;
  while (left > 0 && count_ >= 8) {
    if (position_ >= kWindowSize + kChunk) Slide();
    buffer_[position_++] = static_cast<std::uint8_t>(Take(8));
    --left;
  }
  if (Overrun()) return false;
  total_ += length;
  if (left == 0) return true;
  bits_ = 0;  // count_ is 0 here; the bits above it belong to the bytes copied below
  while (left > 0) {
    if (next_ == end_ && !LoadBlock()) return false;
    if (position_ >= kWindowSize + kChunk) Slide();
    const std::size_t n = std::min<std::size_t>(
        {left, static_cast<std::size_t>(end_ - next_), kWindowSize + kChunk + kMaxMatch - position_});
    std::memcpy(buffer_.get() + position_, next_, n);
    next_ += n;
    position_ += n;
    left -= static_cast<std::uint32_t>(n);
  }
  return true;
}

bool Inflater64::FixedCodes() {
  std::array<std::uint8_t, kLiteralLengthCodes> lengths{};
  std::fill(lengths.begin(), lengths.begin() + 144, 8);
  std::fill(lengths.begin() + 144, lengths.begin() + 256, 9);
  std::fill(lengths.begin() + 256, lengths.begin() + 280, 7);
  std::fill(lengths.begin() + 280, lengths.end(), 8);
  std::array<std::uint8_t, kDistanceCodes> distance_lengths;
  distance_lengths.fill(5);
  return literal_lengths_.Build(lengths.data(), kLiteralLengthCodes, false) &&
         distances_.Build(distance_lengths.data(), kDistanceCodes, false);
}

bool Inflater64::DynamicCodes() {
  // Format note: HLIT (5 bits) + 257 literal/length codes, HDIST (5 bits) + 1 distance codes,
  // HCLEN (4 bits) + 4 code-length codes of 3 bits each in kCodeLengthOrder; then the lengths
  // of both codes as one sequence in the code-length code, where 16 repeats the previous length
  // 3-6 times (2 extra bits), 17 gives 3-10 zeros (3 bits), 18 gives 11-138 zeros (7 bits).
  Refill();
  const int literal_count = static_cast<int>(Take(5)) + 257;
  const int distance_count = static_cast<int>(Take(5)) + 1;
  const int code_length_count = static_cast<int>(Take(4)) + 4;
  if (literal_count > kMaxDeclaredLiteralLengths) return false;
  std::array<std::uint8_t, kCodeLengthCodes> code_length_lengths{};
  for (int i = 0; i < code_length_count; ++i) {
    Refill();
    code_length_lengths[kCodeLengthOrder[static_cast<std::size_t>(i)]] =
        static_cast<std::uint8_t>(Take(3));
  }
  if (!code_lengths_.Build(code_length_lengths.data(), kCodeLengthCodes, false)) return false;

  std::array<std::uint8_t, kMaxDeclaredLiteralLengths + kDistanceCodes> lengths{};
  const int total = literal_count + distance_count;
  int i = 0;
  while (i < total) {
    Refill();
    const int symbol = Decode(code_lengths_);
    if (symbol < 0 || Overrun()) return false;
    if (symbol < 16) {
      lengths[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(symbol);
      continue;
    }
    std::uint8_t repeated = 0;
    int times = 0;
    if (symbol == 16) {
      if (i == 0) return false;
      repeated = lengths[static_cast<std::size_t>(i - 1)];
      times = 3 + static_cast<int>(Take(2));
    } else if (symbol == 17) {
      times = 3 + static_cast<int>(Take(3));
    } else {
      times = 11 + static_cast<int>(Take(7));
    }
    if (i + times > total) return false;
    std::fill_n(lengths.begin() + i, times, repeated);
    i += times;
  }
  if (Overrun() || lengths[kEndOfBlock] == 0) return false;
  return literal_lengths_.Build(lengths.data(), literal_count, true) &&
         distances_.Build(lengths.data() + literal_count, distance_count, true);
}

bool Inflater64::HuffmanBlock() {
  std::uint8_t* const buffer = buffer_.get();
  for (;;) {
    if (position_ >= kWindowSize + kChunk) Slide();
    Refill();
    const int symbol = Decode(literal_lengths_);
    if (symbol < 0) return false;
    if (symbol < kEndOfBlock) {
      if (Overrun()) return false;
      buffer[position_++] = static_cast<std::uint8_t>(symbol);
      ++total_;
      continue;
    }
    if (symbol == kEndOfBlock) return !Overrun();
    const auto length_code = static_cast<std::size_t>(symbol - kFirstLengthCode);
    if (length_code >= kLengthBase.size()) return false;
    const std::size_t length = kLengthBase[length_code] + Take(kLengthExtra[length_code]);
    if (count_ < 32) Refill();
    const int distance_code = Decode(distances_);
    if (distance_code < 0) return false;
    const auto d = static_cast<std::size_t>(distance_code);
    const std::size_t distance = kDistanceBase[d] + Take(kDistanceExtra[d]);
    if (Overrun() || distance > total_) return false;

    std::uint8_t* to = buffer + position_;
    const std::uint8_t* from = to - distance;
    if (distance >= 8) {
      for (std::size_t i = 0; i < length; i += 8) std::memcpy(to + i, from + i, 8);
    } else if (distance == 1) {
      std::memset(to, *from, length);
    } else {
      for (std::size_t i = 0; i < length; ++i) to[i] = from[i];
    }
    position_ += length;
    total_ += length;
  }
}

DecodeResult Inflater64::Run() {
  for (;;) {
    Refill();
    const bool final_block = Take(1) == 1;
    const std::uint32_t type = Take(2);
    bool ok = false;
    switch (type) {
      case 0: ok = StoredBlock(); break;
      case 1: ok = FixedCodes() && HuffmanBlock(); break;
      case 2: ok = DynamicCodes() && HuffmanBlock(); break;
      default: break;  // type 3 is reserved
    }
    if (!ok || Overrun()) {
      Flush();
      return DecodeResult::InvalidData;
    }
    if (final_block) {
      Flush();
      return DecodeResult::Complete;
    }
  }
}

}  // namespace

DecodeResult Inflate64(CompressedInput& input, DecodedOutput& output, const DecodeParams&) {
  Inflater64 inflater(input, output);
  return inflater.Run();
}

}  // namespace vantorel::archive
