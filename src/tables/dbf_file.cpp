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
                      bool oem, std::size_t cache_bytes) {
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
  return DbfFile(std::move(*file), path, std::move(header), oem, cache_bytes);
}

DbfFile::DbfFile(platform::File file, std::string path, DbfHeader header, bool oem,
                 std::size_t cache_bytes)
    : file_(std::move(file)),
      path_(std::move(path)),
      header_(std::move(header)),
      record_count_(header_.record_count),
      oem_(oem),
      cache_bytes_(cache_bytes) {
  ResetCache();
}

void DbfFile::FixRecCount() {
  const long long size = file_.Size();
  record_count_ = size < header_.header_length ? 0 : (size - header_.header_length) /
                                                         header_.record_length;
  ResetCache();
}

void DbfFile::ResetCache() {
  const auto length = static_cast<std::int64_t>(header_.record_length);
  page_records_ = std::max<std::int64_t>(1, static_cast<std::int64_t>(kDbfPageBytes) / length);
  const auto page_bytes = static_cast<std::size_t>(page_records_ * length);
  const std::int64_t pages = (record_count_ + page_records_ - 1) / page_records_;
  slots_ = static_cast<std::size_t>(std::min<std::int64_t>(
      pages, static_cast<std::int64_t>(std::max(kDbfMaxRunPages, cache_bytes_ / page_bytes))));
  pages_.reset();
  whole_ = static_cast<std::int64_t>(slots_) == pages;
  // The tables below grow as pages are read: a table read in a few places needs little of them.
  held_pages_ = 0;
  page_whole_records_.clear();
  slot_of_page_.clear();
  page_in_slot_.clear();
  slot_records_.clear();
  next_slot_ = 0;
  run_end_ = -1;
  run_pages_ = 1;
}

const char* DbfFile::Record(std::int64_t k, bool from_disk) {
  if (k < 1 || k > record_count_)
    throw EKvError(212, "Invalid record number = " + std::to_string(k) + " (" + path_ +
                            ")  [GetDbfRecord]");
  const std::int64_t p = (k - 1) / page_records_;
  const std::size_t slot = PageSlot(p, from_disk);
  const std::int64_t i = k - 1 - p * page_records_;
  if (i >= (whole_ ? page_whole_records_[slot] : slot_records_[slot])) throw EKvError(213, "File:  " + path_ + "  [GetDbfRecord]");
  const auto length = static_cast<std::size_t>(header_.record_length);
  return pages_.get() + (slot * static_cast<std::size_t>(page_records_) +
                         static_cast<std::size_t>(i)) * length;
}

void DbfFile::Prefetch(std::int64_t k) const {
  if (k < 1 || k > record_count_) return;
  const auto length = static_cast<std::size_t>(header_.record_length);
  const std::int64_t p = (k - 1) / page_records_;
  if (whole_) {
    if (static_cast<std::size_t>(p) >= page_whole_records_.size() ||
        page_whole_records_[static_cast<std::size_t>(p)] == kPageNotRead)
      return;
    const char* bytes = pages_.get() + static_cast<std::size_t>(k - 1) * length;
    __builtin_prefetch(bytes);
    __builtin_prefetch(bytes + length - 1);
    return;
  }
  if (static_cast<std::size_t>(p) >= slot_of_page_.size()) return;
  const std::int32_t slot = slot_of_page_[static_cast<std::size_t>(p)];
  if (slot < 0) return;
  const char* bytes = pages_.get() + (static_cast<std::size_t>(slot) * static_cast<std::size_t>(page_records_) +
                                      static_cast<std::size_t>(k - 1 - p * page_records_)) * length;
  __builtin_prefetch(bytes);
  __builtin_prefetch(bytes + length - 1);
}

std::size_t DbfFile::PageSlot(std::int64_t p, bool from_disk) {
  const auto length = static_cast<std::size_t>(header_.record_length);
  if (p >= held_pages_) {
    // The pages the file holds now (a header may count more records than the file has).
    const long long size = file_.Size();
    const std::int64_t held =
        size <= header_.header_length
            ? 0
            : std::min(record_count_, static_cast<std::int64_t>(
                                          (static_cast<std::size_t>(size - header_.header_length) +
                                           length - 1) / length));
    held_pages_ = (held + page_records_ - 1) / page_records_;
    if (p >= held_pages_) throw EKvError(213, "File:  " + path_ + "  [GetDbfRecord]");
  }
  if (whole_) return WholeTableSlot(p, from_disk);
  const std::int32_t cached =
      static_cast<std::size_t>(p) < slot_of_page_.size() ? slot_of_page_[static_cast<std::size_t>(p)] : -1;
  if (cached >= 0 && !from_disk) return static_cast<std::size_t>(cached);
  if (cached >= 0) {
    // Read again in the same slot.
    const auto slot = static_cast<std::size_t>(cached);
    slot_of_page_[static_cast<std::size_t>(p)] = -1;
    page_in_slot_[slot] = -1;
    ReadPages(p, 1, slot);
    return slot;
  }
  // Pages asked for in order come in runs twice as long as the last one; any other page alone.
  run_pages_ = !from_disk && p == run_end_ ? std::min(run_pages_ * 2, kDbfMaxRunPages) : 1;
  std::size_t run = static_cast<std::size_t>(std::min<std::int64_t>(
      static_cast<std::int64_t>(run_pages_), held_pages_ - p));
  run = std::min(run, slots_);
  // A run takes slots side by side: the slots it needs from the next one on, else from the first.
  if (next_slot_ + run > slots_) next_slot_ = 0;
  const std::size_t slot = next_slot_;
  next_slot_ = (next_slot_ + run) % slots_;
  if (page_in_slot_.size() < slot + run) {
    page_in_slot_.resize(slot + run, -1);
    slot_records_.resize(slot + run, 0);
  }
  if (slot_of_page_.size() < static_cast<std::size_t>(p) + run)
    slot_of_page_.resize(static_cast<std::size_t>(p) + run, -1);
  for (std::size_t s = slot; s < slot + run; ++s) {
    if (page_in_slot_[s] >= 0) slot_of_page_[static_cast<std::size_t>(page_in_slot_[s])] = -1;
    page_in_slot_[s] = -1;
  }
  // A page of the run cached already is read again into the run's slot.
  for (std::size_t i = 1; i < run; ++i) {
    std::int32_t& other = slot_of_page_[static_cast<std::size_t>(p) + i];
    if (other >= 0) {
      page_in_slot_[static_cast<std::size_t>(other)] = -1;
      other = -1;
    }
  }
  ReadPages(p, run, slot);
  run_end_ = p + static_cast<std::int64_t>(run);
  return slot;
}

std::size_t DbfFile::WholeTableSlot(std::int64_t p, bool from_disk) {
  const auto page = static_cast<std::size_t>(p);
  const bool cached = page < page_whole_records_.size() && page_whole_records_[page] != kPageNotRead;
  if (cached && !from_disk) return page;
  if (cached) {
    ReadPages(p, 1, page);  // read again in place
    return page;
  }
  // Pages asked for in order come in runs twice as long as the last one. Any other page
  // brings in its aligned group of kDbfGroupPages when none of the group is cached yet (each
  // page is still read once), else it comes alone. A page of a run cached already is read
  // again.
  run_pages_ = !from_disk && p == run_end_ ? std::min(run_pages_ * 2, kDbfMaxRunPages) : 1;
  std::int64_t first = p;
  auto run = static_cast<std::size_t>(
      std::min<std::int64_t>(static_cast<std::int64_t>(run_pages_), held_pages_ - p));
  if (run_pages_ == 1 && !from_disk) {
    const std::int64_t group = p / kDbfGroupPages * kDbfGroupPages;
    const std::int64_t group_end = std::min(group + kDbfGroupPages, held_pages_);
    bool none_cached = true;
    for (std::int64_t q = group; q < group_end && none_cached; ++q)
      none_cached = static_cast<std::size_t>(q) >= page_whole_records_.size() ||
                    page_whole_records_[static_cast<std::size_t>(q)] == kPageNotRead;
    if (none_cached) {
      first = group;
      run = static_cast<std::size_t>(group_end - group);
    }
  }
  const auto end = static_cast<std::size_t>(first) + run;
  if (page_whole_records_.size() < end) page_whole_records_.resize(end, kPageNotRead);
  ReadPages(first, run, static_cast<std::size_t>(first));
  run_end_ = static_cast<std::int64_t>(end);
  return page;
}

void DbfFile::ReadPages(std::int64_t p, std::size_t run, std::size_t slot) {
  const auto length = static_cast<std::size_t>(header_.record_length);
  const std::size_t page_bytes = static_cast<std::size_t>(page_records_) * length;
  if (!pages_) pages_ = platform::MakeLargeBuffer(slots_ * page_bytes);
  const std::int64_t first = p * page_records_;  // records before the run
  const std::int64_t count =
      std::min(static_cast<std::int64_t>(run) * page_records_, record_count_ - first);
  char* bytes = pages_.get() + slot * page_bytes;
  const std::uint64_t offset = static_cast<std::uint64_t>(header_.header_length) +
                               static_cast<std::uint64_t>(first) * length;
  const long long got = file_.ReadAt(offset, bytes, static_cast<std::size_t>(count) * length);
  if (got < 0) throw EKvError(100, "File:  " + path_ + "  [GetDbfRecord]");
  std::int64_t whole = static_cast<std::int64_t>(static_cast<std::size_t>(got) / length);
  // Character data to ANSI; the deletion flag byte stays as stored.
  if (oem_)
    for (std::int64_t r = 0; r < whole; ++r)
      ConvertOemToAnsi(bytes + static_cast<std::size_t>(r) * length + 1, length - 1);
  for (std::size_t i = 0; i < run; ++i) {
    const std::int64_t page_whole = std::clamp<std::int64_t>(whole, 0, page_records_);
    whole -= page_records_;
    if (whole_) {
      page_whole_records_[slot + i] = static_cast<std::uint16_t>(page_whole);
      continue;
    }
    slot_records_[slot + i] = page_whole;
    page_in_slot_[slot + i] = p + static_cast<std::int64_t>(i);
    slot_of_page_[static_cast<std::size_t>(p) + i] = static_cast<std::int32_t>(slot + i);
  }
}

}  // namespace vantorel::tables
