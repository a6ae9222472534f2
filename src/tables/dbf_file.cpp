#include "tables/dbf_file.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "tables/byte_reader.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

// Offsets inside the prolog and inside one field descriptor.
constexpr std::size_t kVersionAt = 0;
constexpr std::size_t kYearAt = 1;
constexpr std::size_t kMonthAt = 2;
constexpr std::size_t kDayAt = 3;
constexpr std::size_t kRecordCountAt = 4;
constexpr std::size_t kHeaderLengthAt = 8;
constexpr std::size_t kRecordLengthAt = 10;
constexpr std::size_t kLanguageDriverAt = 29;
constexpr std::size_t kNameAt = 0;
constexpr std::size_t kNameSize = 11;
constexpr std::size_t kTypeAt = 11;
constexpr std::size_t kWidthAt = 16;
constexpr std::size_t kDecimalsAt = 17;

// Records are read in blocks of about this many bytes when they are visited in order.
constexpr std::int64_t kBlockBytes = 256 * 1024;
// Records visited one at a time are kept in sets of this many, in about this many bytes.
constexpr std::size_t kCacheWays = 4;
constexpr std::size_t kRecordCacheBytes = 1 << 20;

std::string UpdateDateText(unsigned year, unsigned month, unsigned day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04u%02u%02u", 1900 + year, month, day);
  return text;
}

// The type letter the engine keeps, or 0 when the descriptor's letter is not a field type.
char FieldTypeOf(char letter) {
  switch (letter) {
    case 'C': case 'D': case 'F': case 'L': case 'M': case 'N':
      return letter;
    case 'B': case 'b': case 'G': case 'g': case 'P': case 'p':
      return 'M';  // binary, OLE and picture fields hold memo block numbers
    default:
      return 0;
  }
}

// OEM to ANSI in place, one table lookup per byte that needs it: the conversion keeps bytes
// below 0x80, so runs of eight such bytes are passed over at once.
void ConvertOemToAnsi(char* bytes, std::size_t size) {
  static const std::array<unsigned char, 256> kTable = [] {
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = core::OemToAnsi(static_cast<unsigned char>(c));
    return table;
  }();
  constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
  std::size_t i = 0;
  for (; i + sizeof(std::uint64_t) <= size; i += sizeof(std::uint64_t)) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, sizeof word);
    if ((word & kHighBits) == 0) continue;
    for (std::size_t j = i; j < i + sizeof word; ++j)
      bytes[j] = static_cast<char>(kTable[static_cast<unsigned char>(bytes[j])]);
  }
  for (; i < size; ++i) bytes[i] = static_cast<char>(kTable[static_cast<unsigned char>(bytes[i])]);
}

}  // namespace

DbfHeader DecodeDbfHeader(std::string_view bytes, const std::string& path) {
  const std::string not_dbase = path + " is not a dBASE database.";
  if (bytes.size() < kDbfPrologSize)
    throw EKvError(210, not_dbase + " (Prolog is less than 32 bytes) [USE/OpenDBF]");
  const ByteReader in(bytes, "the table header");

  DbfHeader header;
  header.version = in.U8(kVersionAt);
  switch (header.version) {
    case 0x03: case 0x83: case 0x8B: case 0xF5:
      break;
    case 0x02: case 0x04: case 0x8C:  // dBASE II and 48-byte descriptors: other layouts
      throw EKvError(1300, path + " [USE/OpenDBF]");
    default:
      throw EKvError(210, not_dbase + "(Invalid version byte)+ [USE/OpenDBF]");
  }
  header.has_memo = (header.version & 0x80) != 0;
  header.update_date = UpdateDateText(in.U8(kYearAt), in.U8(kMonthAt), in.U8(kDayAt));
  header.record_count = in.U32LE(kRecordCountAt);
  header.header_length = in.U16LE(kHeaderLengthAt);
  header.record_length = in.U16LE(kRecordLengthAt);
  header.language_driver = in.U8(kLanguageDriverAt);

  const int field_count = (header.header_length - static_cast<int>(kDbfPrologSize)) /
                          static_cast<int>(kDbfDescriptorSize);
  if (field_count <= 0 || field_count > kDbfMaxFields)
    throw EKvError(210, core::FileNameOf(path) +
                            " is not a dBASE database. (Number of fields is out of range) "
                            "[Use/OpenDbf]");
  if (!in.Has(kDbfPrologSize, static_cast<std::size_t>(header.header_length) - kDbfPrologSize))
    throw EKvError(100, "Error reading " + path + " [Use/OpenDbf]");

  int offset = 1;  // byte 0 of a record is the deletion flag
  for (int i = 0; i < field_count; ++i) {
    const std::size_t at = kDbfPrologSize + static_cast<std::size_t>(i) * kDbfDescriptorSize;
    if (in.U8(at) == static_cast<unsigned char>(kDbfHeaderTerminator)) {
      if (i == 0) throw EKvError(222, "Error reading " + path + " [Use/OpenDbf]");
      break;
    }
    DbfField field;
    const std::string_view name = in.Bytes(at + kNameAt, kNameSize);
    field.name = core::UpperCaseAscii(name.substr(0, name.find('\0')));
    const char letter = static_cast<char>(in.U8(at + kTypeAt));
    field.type = FieldTypeOf(letter);
    if (field.type == 0)
      throw EKvError(211, "Field: " + field.name + " [" + std::string(1, letter) + "] in " + path +
                              " is not a valid field type");
    field.width = in.U8(at + kWidthAt);
    field.decimals = in.U8(at + kDecimalsAt);
    field.offset = offset;
    offset += field.width;
    header.fields.push_back(std::move(field));
  }
  // A record shorter than its fields would make every field read run past the record.
  if (offset > header.record_length)
    throw EKvError(210, not_dbase + " (Record length is shorter than its fields) [USE/OpenDBF]");
  return header;
}

DbfFile DbfFile::Open(std::string_view open_path, const std::string& path, DbfAccess access,
                      bool oem) {
  const bool read_only =
      access == DbfAccess::ReadOnlyShared || access == DbfAccess::ReadOnlyCompatible;
  auto file = platform::File::Open(
      open_path, read_only ? platform::File::Mode::Read : platform::File::Mode::ReadWrite);
  const std::string failure = "Failure to open " + path + " [USE/OpenDbf]";
  if (!file) throw EKvError(DosErrorCode(errno), failure);
  // Sharing: an exclusive open keeps every other open out, any other open keeps an
  // exclusive one out.
  const platform::File::WholeLock lock = access == DbfAccess::ReadWriteExclusive
                                             ? platform::File::WholeLock::Exclusive
                                             : platform::File::WholeLock::Shared;
  if (!file->TryLock(lock)) throw EKvError(DosErrorCode(errno), failure);

  const std::string read_failure = "Error reading " + path + " [Use/OpenDbf]";
  std::string bytes(kDbfPrologSize, '\0');
  long long got = file->ReadAt(0, bytes.data(), bytes.size());
  if (got < 0) throw EKvError(100, read_failure);
  bytes.resize(static_cast<std::size_t>(got));
  if (bytes.size() == kDbfPrologSize) {
    const std::size_t header_length = ByteReader(bytes, "the table header").U16LE(kHeaderLengthAt);
    if (header_length > kDbfPrologSize) {
      bytes.resize(header_length);
      got = file->ReadAt(0, bytes.data(), bytes.size());
      if (got < 0) throw EKvError(100, read_failure);
      bytes.resize(static_cast<std::size_t>(got));
    }
  }
  DbfHeader header = DecodeDbfHeader(bytes, path);
  return DbfFile(std::move(*file), path, std::move(header), oem);
}

DbfFile::DbfFile(platform::File file, std::string path, DbfHeader header, bool oem)
    : file_(std::move(file)),
      path_(std::move(path)),
      header_(std::move(header)),
      record_count_(header_.record_count),
      oem_(oem) {}

void DbfFile::FixRecCount() {
  const long long size = file_.Size();
  record_count_ = size < header_.header_length ? 0 : (size - header_.header_length) /
                                                         header_.record_length;
  block_count_ = 0;
  ForgetCachedRecords();
}

const char* DbfFile::Record(std::int64_t k, bool from_disk) {
  if (k < 1 || k > record_count_)
    throw EKvError(212, "Invalid record number = " + std::to_string(k) + " (" + path_ +
                            ")  [GetDbfRecord]");
  const std::int64_t length = header_.record_length;
  if (!from_disk && k >= block_first_ && k < block_first_ + block_count_) {
    last_read_ = k;
    return block_.data() + (k - block_first_) * length;
  }
  // In order forward: a block starting at k; backward: a block ending at k; else k alone,
  // through the record cache.
  const std::int64_t per_block = std::max<std::int64_t>(1, kBlockBytes / length);
  std::int64_t first = k;
  std::int64_t count = 1;
  if (!from_disk && k == last_read_ + 1) {
    count = std::min(per_block, record_count_ - k + 1);
  } else if (!from_disk && k == last_read_ - 1) {
    first = std::max<std::int64_t>(1, k - per_block + 1);
    count = k - first + 1;
  } else if (!from_disk) {
    last_read_ = k;
    return CachedRecord(k);
  }
  last_read_ = k;
  if (from_disk) ForgetCachedRecord(k);
  Load(first, count);
  if (k >= block_first_ + block_count_)
    throw EKvError(213, "File:  " + path_ + "  [GetDbfRecord]");
  return block_.data() + (k - block_first_) * length;
}

const char* DbfFile::CachedRecord(std::int64_t k) {
  const std::size_t length = static_cast<std::size_t>(header_.record_length);
  if (cache_sets_ == 0) {
    cache_sets_ = 1;
    while (cache_sets_ * 2 * kCacheWays * length <= kRecordCacheBytes) cache_sets_ *= 2;
    cached_.resize(cache_sets_ * kCacheWays * length);
    cached_tags_.assign(cache_sets_ * kCacheWays, 0);
    cache_next_.assign(cache_sets_, 0);
  }
  const std::size_t set = CacheSet(k);
  const std::size_t base = set * kCacheWays;
  for (std::size_t way = 0; way < kCacheWays; ++way)
    if (cached_tags_[base + way] == k) return cached_.data() + (base + way) * length;

  const std::size_t slot = base + cache_next_[set];
  cache_next_[set] = static_cast<std::uint8_t>((cache_next_[set] + 1) % kCacheWays);
  cached_tags_[slot] = 0;
  char* record = cached_.data() + slot * length;
  const std::uint64_t offset = static_cast<std::uint64_t>(header_.header_length) +
                               static_cast<std::uint64_t>(k - 1) * length;
  const long long got = file_.ReadAt(offset, record, length);
  if (got < 0) throw EKvError(100, "File:  " + path_ + "  [GetDbfRecord]");
  if (static_cast<std::size_t>(got) < length)
    throw EKvError(213, "File:  " + path_ + "  [GetDbfRecord]");
  if (oem_) ConvertOemToAnsi(record + 1, length - 1);
  cached_tags_[slot] = k;
  return record;
}

std::size_t DbfFile::CacheSet(std::int64_t k) const {
  // Fibonacci hashing spreads records that lie a fixed distance apart over the sets.
  return static_cast<std::size_t>((static_cast<std::uint64_t>(k) * 0x9E3779B97F4A7C15ULL) >> 32) &
         (cache_sets_ - 1);
}

void DbfFile::ForgetCachedRecord(std::int64_t k) {
  if (cache_sets_ == 0) return;
  const std::size_t base = CacheSet(k) * kCacheWays;
  for (std::size_t way = 0; way < kCacheWays; ++way)
    if (cached_tags_[base + way] == k) cached_tags_[base + way] = 0;
}

void DbfFile::ForgetCachedRecords() { std::fill(cached_tags_.begin(), cached_tags_.end(), 0); }

void DbfFile::Load(std::int64_t first, std::int64_t count) {
  const std::size_t length = static_cast<std::size_t>(header_.record_length);
  block_count_ = 0;
  block_first_ = first;
  block_.resize(static_cast<std::size_t>(count) * length);
  const std::uint64_t offset = static_cast<std::uint64_t>(header_.header_length) +
                               static_cast<std::uint64_t>(first - 1) * length;
  const long long got = file_.ReadAt(offset, block_.data(), block_.size());
  if (got < 0) throw EKvError(100, "File:  " + path_ + "  [GetDbfRecord]");
  block_count_ = static_cast<std::int64_t>(static_cast<std::size_t>(got) / length);
  if (oem_) {
    // Character data to ANSI; the deletion flag byte stays as stored.
    for (std::int64_t i = 0; i < block_count_; ++i)
      ConvertOemToAnsi(block_.data() + static_cast<std::size_t>(i) * length + 1, length - 1);
  }
}

}  // namespace vantorel::tables
