#include "catalogue/bonus_word_index.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>

#include "core/code_pages.h"
#include "core/texts.h"
#include "platform/file_system.h"
#include "platform/replacing_file.h"
#include "tables/field_text.h"
#include "tables/text_search.h"

namespace vantorel::catalogue {

namespace {

constexpr char kMagic[8] = {'V', 'W', 'D', 'X', '\r', '\n', '\x1A', '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderSize = 136;
constexpr std::size_t kTableHeadSize = 32;
constexpr std::size_t kFieldSize = 20;
constexpr std::size_t kValueSize = 16;
constexpr std::size_t kPostingSize = 8;
constexpr std::size_t kCrcFrom = 16;
// Records are read for the build in blocks of about this many bytes.
constexpr std::size_t kReadBlock = 1 << 20;

std::uint32_t Crc(const char* bytes, std::size_t size) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (size > 0) {
    const auto piece = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes), piece);
    bytes += piece;
    size -= piece;
  }
  return static_cast<std::uint32_t>(crc);
}

void PutU32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
void PutU64(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
std::uint32_t GetU32(const char* at) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
  return value;
}
std::uint64_t GetU64(const char* at) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(at[i]);
  return value;
}

// What the index must agree with: the table file and its layout as the engine reads it.
struct TableFacts {
  std::uint64_t size = 0;
  std::uint64_t mtime_seconds = 0;
  std::uint32_t mtime_nanoseconds = 0;
  std::uint64_t device = 0, inode = 0;
  std::string head;  // the first kTableHeadSize bytes
  std::uint32_t record_count = 0, header_length = 0, record_length = 0;
  bool oem = false;
  tables::DbfField key_field;
  std::vector<BonusWordIndex::Field> fields;  // offset, width and number only
};

// True when a and b describe the same table file with the same layout.
bool SameTable(const TableFacts& a, const TableFacts& b) {
  if (a.fields.size() != b.fields.size()) return false;
  for (std::size_t f = 0; f < a.fields.size(); ++f)
    if (a.fields[f].offset != b.fields[f].offset || a.fields[f].width != b.fields[f].width ||
        a.fields[f].number != b.fields[f].number)
      return false;
  return a.size == b.size && a.mtime_seconds == b.mtime_seconds &&
         a.mtime_nanoseconds == b.mtime_nanoseconds && a.device == b.device &&
         a.inode == b.inode && a.head == b.head && a.record_count == b.record_count &&
         a.header_length == b.header_length && a.record_length == b.record_length &&
         a.oem == b.oem && a.key_field.offset == b.key_field.offset &&
         a.key_field.width == b.key_field.width;
}

// The facts of table from its open file; nullopt when the index cannot serve it.
std::optional<TableFacts> FactsOf(tables::KvDbf& table, const platform::File& file) {
  TableFacts facts;
  const long long size = file.Size();
  const std::optional<std::timespec> time = file.ModifiedTime();
  const std::optional<platform::FileIdentity> identity = file.Identity();
  if (size < 0 || !time || !identity) return std::nullopt;
  facts.size = static_cast<std::uint64_t>(size);
  facts.mtime_seconds = static_cast<std::uint64_t>(time->tv_sec);
  facts.mtime_nanoseconds = static_cast<std::uint32_t>(time->tv_nsec);
  facts.device = identity->device;
  facts.inode = identity->inode;
  facts.head.resize(kTableHeadSize);
  if (file.ReadAt(0, facts.head.data(), kTableHeadSize) != static_cast<long long>(kTableHeadSize))
    return std::nullopt;
  facts.header_length = static_cast<unsigned char>(facts.head[8]) |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(facts.head[9])) << 8;
  facts.record_length = static_cast<unsigned char>(facts.head[10]) |
                        static_cast<std::uint32_t>(static_cast<unsigned char>(facts.head[11])) << 8;
  const std::int64_t count = table.RecordCount();
  if (count < 0 || count > std::numeric_limits<std::uint32_t>::max() - 1 ||
      facts.record_length == 0)
    return std::nullopt;
  facts.record_count = static_cast<std::uint32_t>(count);
  facts.oem = table.TableLanguage() == tables::KvTableLanguage::tlOem;
  const std::vector<tables::DbfField>& fields = table.Fields();
  const int key = tables::FieldNumberByName(fields, "FILE_ID");
  if (key == 0 || fields[static_cast<std::size_t>(key - 1)].type == 'M' ||
      fields[static_cast<std::size_t>(key - 1)].width <= 0)
    return std::nullopt;
  facts.key_field = fields[static_cast<std::size_t>(key - 1)];
  std::uint32_t end = 1;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const tables::DbfField& field = fields[i];
    if (field.type == 'M' || field.width <= 0) continue;
    const auto offset = static_cast<std::uint32_t>(field.offset);
    const auto width = static_cast<std::uint32_t>(field.width);
    // The fields follow one another inside the record, as the engine lays them out.
    if (offset < end || offset + width > facts.record_length) return std::nullopt;
    end = offset + width;
    facts.fields.push_back({offset, width, static_cast<std::uint32_t>(i + 1), 0, 0});
  }
  if (static_cast<std::uint32_t>(facts.key_field.offset + facts.key_field.width) >
      facts.record_length)
    return std::nullopt;
  // Only a table file that holds every record it counts (a scan of a shorter one stops early).
  if (facts.size < facts.header_length +
                       static_cast<std::uint64_t>(facts.record_count) * facts.record_length)
    return std::nullopt;
  return facts;
}

// A set of 64-bit numbers, open addressing; 0 is never stored (callers add 1).
class NumberSet {
 public:
  // True when value was new.
  bool Insert(std::uint64_t value) {
    if ((count_ + 1) * 2 > slots_.size()) Grow();
    std::size_t at = Slot(value);
    while (slots_[at] != 0) {
      if (slots_[at] == value) return false;
      at = (at + 1) & (slots_.size() - 1);
    }
    slots_[at] = value;
    ++count_;
    return true;
  }

 private:
  std::size_t Slot(std::uint64_t value) const {
    return static_cast<std::size_t>((value * 0x9E3779B97F4A7C15ull) >> 20) & (slots_.size() - 1);
  }
  void Grow() {
    std::vector<std::uint64_t> old = std::move(slots_);
    slots_.assign(std::max<std::size_t>(1024, old.size() * 2), 0);
    for (const std::uint64_t value : old) {
      if (value == 0) continue;
      std::size_t at = Slot(value);
      while (slots_[at] != 0) at = (at + 1) & (slots_.size() - 1);
      slots_[at] = value;
    }
  }
  std::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
};

// The index file's bytes for the table in file; nullopt when the table cannot be read whole
// or is too large for the format.
std::optional<std::string> BuildIndex(const platform::File& file, const TableFacts& facts) {
  const std::size_t record_length = facts.record_length;
  const std::size_t key_offset = static_cast<std::size_t>(facts.key_field.offset);
  const std::size_t key_width = static_cast<std::size_t>(facts.key_field.width);
  std::unordered_map<std::string, std::uint32_t> key_numbers;
  std::string keys;
  std::vector<std::unordered_map<std::string, std::uint32_t>> value_numbers(facts.fields.size());
  std::vector<std::string> field_values(facts.fields.size());  // raw values, by field
  std::vector<std::vector<std::pair<std::uint32_t, std::uint32_t>>> postings;  // by value
  std::vector<std::uint32_t> value_field;  // the field of each value
  NumberSet seen;  // (value + 1) << 32 | key of the postings so far

  const std::size_t per_block = std::max<std::size_t>(1, kReadBlock / record_length);
  std::vector<char> block(per_block * record_length);
  std::string raw;
  std::uint32_t record = 0;
  while (record < facts.record_count) {
    const std::size_t wanted = std::min<std::size_t>(per_block, facts.record_count - record);
    const long long got =
        file.ReadAt(facts.header_length + static_cast<std::uint64_t>(record) * record_length,
                    block.data(), wanted * record_length);
    if (got < 0) return std::nullopt;
    const std::size_t whole = static_cast<std::size_t>(got) / record_length;
    for (std::size_t r = 0; r < whole; ++r) {
      ++record;
      const char* bytes = block.data() + r * record_length;
      raw.assign(bytes + key_offset, key_width);
      const auto [key, new_key] =
          key_numbers.try_emplace(raw, static_cast<std::uint32_t>(key_numbers.size()));
      if (new_key) keys += raw;
      for (std::size_t f = 0; f < facts.fields.size(); ++f) {
        const BonusWordIndex::Field& field = facts.fields[f];
        raw.assign(bytes + field.offset, field.width);
        const auto [value, new_value] =
            value_numbers[f].try_emplace(raw, static_cast<std::uint32_t>(postings.size()));
        if (new_value) {
          field_values[f] += raw;
          postings.emplace_back();
          value_field.push_back(static_cast<std::uint32_t>(f));
        }
        if (seen.Insert((static_cast<std::uint64_t>(value->second) + 1) << 32 | key->second))
          postings[value->second].emplace_back(record, key->second);
      }
    }
    if (whole < wanted) return std::nullopt;  // the file was cut while it was read
  }

  // Values are numbered field by field in the file; the build numbered them in order of use.
  std::vector<BonusWordIndex::Field> fields = facts.fields;
  std::vector<std::uint32_t> file_number(postings.size());
  std::uint32_t next = 0;
  for (std::size_t f = 0; f < fields.size(); ++f) {
    fields[f].first_value = next;
    fields[f].value_count = static_cast<std::uint32_t>(value_numbers[f].size());
    next += fields[f].value_count;
  }
  {
    std::vector<std::uint32_t> used(fields.size(), 0);
    for (std::size_t v = 0; v < postings.size(); ++v) {
      const std::uint32_t f = value_field[v];
      file_number[v] = fields[f].first_value + used[f]++;
    }
  }
  std::vector<std::uint32_t> by_file_number(postings.size());
  for (std::size_t v = 0; v < postings.size(); ++v) by_file_number[file_number[v]] = static_cast<std::uint32_t>(v);

  std::uint64_t posting_total = 0;
  for (const auto& list : postings) posting_total += list.size();
  if (posting_total > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;

  std::string out;
  out.append(kMagic, sizeof kMagic);
  PutU32(out, kVersion);
  PutU32(out, 0);  // the CRC, below
  PutU64(out, facts.size);
  PutU64(out, facts.mtime_seconds);
  PutU32(out, facts.mtime_nanoseconds);
  PutU64(out, facts.device);
  PutU64(out, facts.inode);
  out += facts.head;
  PutU32(out, facts.record_count);
  PutU32(out, facts.header_length);
  PutU32(out, facts.record_length);
  PutU32(out, facts.oem ? 1 : 0);
  PutU32(out, static_cast<std::uint32_t>(facts.key_field.offset));
  PutU32(out, static_cast<std::uint32_t>(facts.key_field.width));
  PutU32(out, 0);  // reserved
  PutU32(out, static_cast<std::uint32_t>(facts.fields.size()));
  PutU32(out, static_cast<std::uint32_t>(key_numbers.size()));
  PutU32(out, static_cast<std::uint32_t>(postings.size()));
  PutU32(out, static_cast<std::uint32_t>(posting_total));
  const std::size_t postings_offset_at = out.size();
  PutU64(out, 0);  // the postings' offset, below
  out.resize(kHeaderSize, '\0');
  for (const BonusWordIndex::Field& field : fields) {
    PutU32(out, field.offset);
    PutU32(out, field.width);
    PutU32(out, field.number);
    PutU32(out, field.first_value);
    PutU32(out, field.value_count);
  }
  out += keys;
  std::string posting_bytes;
  posting_bytes.reserve(static_cast<std::size_t>(posting_total) * kPostingSize);
  for (const std::uint32_t v : by_file_number) {
    const auto& list = postings[v];
    const std::size_t first = posting_bytes.size() / kPostingSize;
    for (const auto& [record_number, key] : list) {
      PutU32(posting_bytes, record_number);
      PutU32(posting_bytes, key);
    }
    PutU32(out, static_cast<std::uint32_t>(first));
    PutU32(out, static_cast<std::uint32_t>(list.size()));
    PutU32(out, list.empty() ? 0 : list.front().first);
    PutU32(out, Crc(posting_bytes.data() + first * kPostingSize, list.size() * kPostingSize));
  }
  for (const std::string& values : field_values) out += values;
  const std::uint64_t postings_offset = out.size();
  for (int i = 0; i < 8; ++i)
    out[postings_offset_at + static_cast<std::size_t>(i)] =
        static_cast<char>((postings_offset >> (8 * i)) & 0xFF);
  const std::uint32_t crc = Crc(out.data() + kCrcFrom, out.size() - kCrcFrom);
  for (int i = 0; i < 4; ++i) out[12 + static_cast<std::size_t>(i)] = static_cast<char>((crc >> (8 * i)) & 0xFF);
  out += posting_bytes;
  return out;
}

}  // namespace

std::optional<BonusWordIndex> BonusWordIndex::Open(tables::KvDbf& table,
                                                   const std::string& table_path,
                                                   const std::string& index_path) {
  if (table.HideDeletedRecs() || table.Filtered()) return std::nullopt;
  const std::optional<platform::File> file = platform::File::Open(table_path, platform::File::Mode::Read);
  if (!file) return std::nullopt;
  std::optional<TableFacts> facts = FactsOf(table, *file);
  if (!facts) return std::nullopt;

  BonusWordIndex index;
  index.index_path_ = index_path;
  index.oem_ = facts->oem;
  index.key_field_ = facts->key_field;

  // The file at index_path, when it holds the index of this table as it is.
  const auto load = [&]() -> bool {
    std::optional<platform::File> in = platform::File::Open(index_path, platform::File::Mode::Read);
    if (!in) return false;
    const long long size = in->Size();
    if (size < static_cast<long long>(kHeaderSize)) return false;
    std::array<char, kHeaderSize> header;
    if (in->ReadAt(0, header.data(), kHeaderSize) != static_cast<long long>(kHeaderSize))
      return false;
    if (std::memcmp(header.data(), kMagic, sizeof kMagic) != 0 ||
        GetU32(header.data() + 8) != kVersion)
      return false;
    const std::uint64_t postings_offset = GetU64(header.data() + 128);
    const std::uint32_t posting_count = GetU32(header.data() + 124);
    if (postings_offset < kHeaderSize || postings_offset > static_cast<std::uint64_t>(size) ||
        static_cast<std::uint64_t>(size) - postings_offset !=
            static_cast<std::uint64_t>(posting_count) * kPostingSize)
      return false;
    std::string meta(static_cast<std::size_t>(postings_offset), '\0');
    if (in->ReadAt(0, meta.data(), meta.size()) != static_cast<long long>(meta.size()))
      return false;
    if (Crc(meta.data() + kCrcFrom, meta.size() - kCrcFrom) != GetU32(meta.data() + 12))
      return false;
    const char* h = meta.data();
    TableFacts described;
    described.size = GetU64(h + 16);
    described.mtime_seconds = GetU64(h + 24);
    described.mtime_nanoseconds = GetU32(h + 32);
    described.device = GetU64(h + 36);
    described.inode = GetU64(h + 44);
    described.head.assign(h + 52, kTableHeadSize);
    described.record_count = GetU32(h + 84);
    described.header_length = GetU32(h + 88);
    described.record_length = GetU32(h + 92);
    described.oem = GetU32(h + 96) != 0;
    described.key_field = facts->key_field;
    if (GetU32(h + 100) != static_cast<std::uint32_t>(facts->key_field.offset) ||
        GetU32(h + 104) != static_cast<std::uint32_t>(facts->key_field.width))
      return false;
    const std::uint32_t field_count = GetU32(h + 112);
    const std::uint32_t key_count = GetU32(h + 116);
    const std::uint32_t value_count = GetU32(h + 120);
    // The tables must fill the space before the postings exactly.
    std::uint64_t at = kHeaderSize;
    const std::uint64_t key_width = static_cast<std::uint64_t>(facts->key_field.width);
    if (field_count != facts->fields.size()) return false;
    const std::uint64_t fields_at = at;
    at += static_cast<std::uint64_t>(field_count) * kFieldSize;
    const std::uint64_t keys_at = at;
    at += key_width * key_count;
    const std::uint64_t values_at = at;
    at += static_cast<std::uint64_t>(value_count) * kValueSize;
    const std::uint64_t value_bytes_at = at;
    if (at > postings_offset) return false;
    std::uint64_t value_bytes = 0;
    std::uint32_t next_value = 0;
    for (std::uint32_t f = 0; f < field_count; ++f) {
      const char* e = h + fields_at + f * kFieldSize;
      Field field{GetU32(e), GetU32(e + 4), GetU32(e + 8), GetU32(e + 12), GetU32(e + 16)};
      if (field.first_value != next_value || field.value_count > value_count - next_value)
        return false;
      next_value += field.value_count;
      value_bytes += static_cast<std::uint64_t>(field.width) * field.value_count;
      described.fields.push_back(field);
    }
    if (next_value != value_count || value_bytes_at + value_bytes != postings_offset) return false;
    if (!SameTable(described, *facts)) return false;
    std::vector<Field> fields = std::move(described.fields);
    std::vector<Value> values(value_count);
    for (std::uint32_t v = 0; v < value_count; ++v) {
      const char* e = h + values_at + static_cast<std::uint64_t>(v) * kValueSize;
      values[v] = {GetU32(e), GetU32(e + 4), GetU32(e + 8), GetU32(e + 12)};
      if (values[v].first_posting > posting_count ||
          values[v].posting_count > posting_count - values[v].first_posting ||
          values[v].posting_count == 0 || values[v].first_record == 0 ||
          values[v].first_record > described.record_count)
        return false;
    }
    index.record_count_ = described.record_count;
    index.fields_ = std::move(fields);
    index.keys_.assign(h + keys_at, static_cast<std::size_t>(key_width * key_count));
    index.values_ = std::move(values);
    index.value_bytes_.assign(h + value_bytes_at, static_cast<std::size_t>(value_bytes));
    index.postings_offset_ = postings_offset;
    index.posting_count_ = posting_count;
    index.value_bytes_at_.clear();
    std::size_t bytes_at = 0;
    for (const Field& field : index.fields_) {
      index.value_bytes_at_.push_back(bytes_at);
      bytes_at += static_cast<std::size_t>(field.width) * field.value_count;
    }
    index.file_ = std::move(in);
    return true;
  };

  if (load()) return index;
  // Built anew, written, and read back as any later search reads it.
  std::optional<platform::ReplacingFile> out =
      platform::ReplacingFile::Create(platform::ResolvePath(index_path));
  if (!out) return std::nullopt;
  const std::optional<std::string> bytes = BuildIndex(*file, *facts);
  if (!bytes) return std::nullopt;
  // A table that changed while it was read is indexed by a later search.
  const std::optional<TableFacts> after = FactsOf(table, *file);
  if (!after || !SameTable(*after, *facts)) return std::nullopt;
  if (!out->Part().WriteAt(0, bytes->data(), bytes->size()) || !out->Commit()) return std::nullopt;
  if (load()) return index;
  return std::nullopt;
}

std::optional<std::vector<std::string>> BonusWordIndex::DocumentsOf(std::string_view word) const {
  std::vector<std::string> documents;
  if (core::RightTrim(word).empty()) return documents;
  if (damaged_) return std::nullopt;
  const tables::UpperTextMatcher matcher(word, oem_);
  const std::size_t m = matcher.Size();

  // The values each field holds the word in, and the first record of each field's hits.
  std::vector<std::vector<std::uint32_t>> matching(fields_.size());
  std::uint32_t first_record = std::numeric_limits<std::uint32_t>::max();
  std::size_t first_field = fields_.size();
  for (std::size_t f = 0; f < fields_.size(); ++f) {
    const Field& field = fields_[f];
    if (m > field.width) continue;
    const char* bytes = value_bytes_.data() + value_bytes_at_[f];
    const std::size_t size = static_cast<std::size_t>(field.width) * field.value_count;
    std::uint32_t field_first = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t at = matcher.Find(bytes, size, 0); at != std::string::npos;) {
      const std::size_t v = at / field.width;
      if (at % field.width + m > field.width) {  // across two values
        at = matcher.Find(bytes, size, at + 1);
        continue;
      }
      const std::uint32_t value = field.first_value + static_cast<std::uint32_t>(v);
      matching[f].push_back(value);
      field_first = std::min(field_first, values_[value].first_record);
      at = matcher.Find(bytes, size, (v + 1) * field.width);
    }
    // Fields are in record order: on the same record the earlier field holds the first hit.
    if (field_first < first_record) {
      first_record = field_first;
      first_field = f;
    }
  }
  if (first_field == fields_.size()) return documents;

  // Every key's first record among the hits, that is among the postings of the values.
  const std::optional<platform::File>& in = file_;
  const std::size_t key_width = static_cast<std::size_t>(key_field_.width);
  const std::size_t key_count = key_width == 0 ? 0 : keys_.size() / key_width;
  std::unordered_map<std::uint32_t, std::uint32_t> first_of_key;
  std::string list;
  bool damaged = !in;
  for (const std::uint32_t value : matching[first_field]) {
    if (damaged) break;
    const Value& entry = values_[value];
    list.resize(static_cast<std::size_t>(entry.posting_count) * kPostingSize);
    if (in->ReadAt(postings_offset_ + static_cast<std::uint64_t>(entry.first_posting) * kPostingSize,
                   list.data(), list.size()) != static_cast<long long>(list.size()) ||
        Crc(list.data(), list.size()) != entry.crc) {
      damaged = true;
      break;
    }
    std::uint32_t previous = 0;
    for (std::size_t p = 0; p < entry.posting_count; ++p) {
      const std::uint32_t record = GetU32(list.data() + p * kPostingSize);
      const std::uint32_t key = GetU32(list.data() + p * kPostingSize + 4);
      if (record <= previous || record > record_count_ || key >= key_count) {
        damaged = true;
        break;
      }
      previous = record;
      const auto [found, added] = first_of_key.try_emplace(key, record);
      if (!added) found->second = std::min(found->second, record);
    }
  }
  if (damaged) {
    damaged_ = true;
    platform::RemoveFile(index_path_);
    return std::nullopt;
  }

  std::vector<std::pair<std::uint32_t, std::uint32_t>> hits(first_of_key.begin(), first_of_key.end());
  for (auto& hit : hits) std::swap(hit.first, hit.second);  // (record, key)
  std::sort(hits.begin(), hits.end());
  std::unordered_set<std::string> seen;
  std::string raw;
  for (const auto& [record, key] : hits) {
    raw.assign(keys_, static_cast<std::size_t>(key) * key_width, key_width);
    if (oem_) core::OemToAnsiBuffer(raw.data(), raw.size());
    std::string text = tables::FieldText(key_field_, raw, tables::FieldTextForm::Shown);
    if (seen.insert(core::AllTrim(text)).second) documents.push_back(std::move(text));
  }
  return documents;
}

}  // namespace vantorel::catalogue
