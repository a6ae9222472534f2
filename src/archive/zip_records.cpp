#include "archive/zip_records.h"

#include <zlib.h>

#include <algorithm>

#include "archive/zip_bytes.h"
#include "core/code_pages.h"
#include "core/path_texts.h"

namespace vantorel::archive {

EndCentral ParseEndCentral(std::string_view record) {
  const ZipBytes bytes(record);
  EndCentral end;
  end.signature = bytes.U32(0);
  end.this_disk = bytes.U16(4);
  end.central_disk = bytes.U16(6);
  end.entries_this_disk = bytes.U16(8);
  end.total_entries = bytes.U16(10);
  end.central_size = bytes.U32(12);
  end.central_offset = bytes.U32(16);
  end.comment_length = bytes.U16(20);
  return end;
}

void ParseZip64EndCentral(std::string_view record, EndCentral& end) {
  // 0 signature, 4 size of the rest (8), 12 version made by, 14 version needed, 16 this disk
  // (4), 20 central-directory disk (4), 24 entries on this disk (8), 32 total entries (8),
  // 40 directory size (8), 48 directory offset (8), then extensible data.
  const ZipBytes bytes(record);
  end.this_disk = bytes.U32(16);
  end.central_disk = bytes.U32(20);
  end.entries_this_disk = bytes.U64(24);
  end.total_entries = bytes.U64(32);
  end.central_size = bytes.U64(40);
  end.central_offset = bytes.U64(48);
  end.zip64 = true;
}

ZipHeaderInfo ParseCentralRecord(std::string_view record) {
  const ZipBytes bytes(record);
  ZipHeaderInfo entry;
  entry.version_made_by = bytes.U16(4);
  entry.version_needed = bytes.U16(6);
  entry.flags = bytes.U16(8);
  entry.method = bytes.U16(10);
  entry.date_time = SanitizedDosDateTime(bytes.U32(12));
  entry.crc = bytes.U32(16);
  entry.compressed_size = bytes.U32(20);
  entry.uncompressed_size = bytes.U32(24);
  entry.name_length = bytes.U16(28);
  entry.extra_length = bytes.U16(30);
  entry.comment_length = bytes.U16(32);
  entry.disk_number_start = bytes.U16(34);
  entry.internal_attributes = bytes.U16(36);
  entry.external_attributes = bytes.U32(38);
  entry.local_header_offset = bytes.U32(42);
  return entry;
}

namespace {

// Extra field blocks (APPNOTE 4.5): a 2-byte tag, a 2-byte data size, the data.
constexpr std::uint16_t kZip64ExtraTag = 0x0001;
constexpr std::uint16_t kExtendedTimestampTag = 0x5455;  // "UT"
constexpr std::uint16_t kUnicodePathTag = 0x7075;        // "up"
constexpr std::uint32_t kNoValue32 = 0xFFFFFFFF;         // the true value is in the ZIP64 block
constexpr std::uint16_t kNoValue16 = 0xFFFF;

// Calls take(tag, data) for each block. A block whose size runs past the end of the field ends
// the walk: writers pad with bytes that are no block.
template <typename Take>
void ForEachExtraBlock(std::string_view extra, Take take) {
  const ZipBytes bytes(extra);
  std::size_t at = 0;
  while (bytes.Has(at, 4)) {
    const std::uint16_t tag = bytes.U16(at);
    const std::size_t size = bytes.U16(at + 2);
    if (!bytes.Has(at + 4, size)) return;
    take(tag, extra.substr(at + 4, size));
    at += 4 + size;
  }
}

// ZIP64 block of a central record: the 64-bit values of exactly those fields whose classic
// value is all ones, in this order: uncompressed size, compressed size, local header offset,
// disk number start (4 bytes).
void TakeZip64Values(ZipHeaderInfo& entry, std::string_view data) {
  const ZipBytes bytes(data);
  std::size_t at = 0;
  const auto next64 = [&](std::uint64_t& field) {
    if (field != kNoValue32) return;
    field = bytes.U64(at);  // throws EBadZipFile when the block is short
    at += 8;
  };
  next64(entry.uncompressed_size);
  next64(entry.compressed_size);
  next64(entry.local_header_offset);
  if (entry.disk_number_start == kNoValue16) entry.disk_number_start = bytes.U32(at);
}

// Extended timestamp block: a flags byte, then for each of its bits 0 (modification),
// 1 (access), 2 (creation) a signed 32-bit Unix time; a central record carries only the first.
std::optional<std::int64_t> ModificationTime(std::string_view data) {
  const ZipBytes bytes(data);
  if (!bytes.Has(0, 5) || (static_cast<unsigned char>(data[0]) & 0x01) == 0) return std::nullopt;
  return static_cast<std::int32_t>(bytes.U32(1));
}

// Unicode path block: version 1, the CRC-32 of the name in the record, the name in UTF-8. It
// counts only while the record's name is the one it was made for.
std::optional<std::string> UnicodePath(std::string_view data, std::string_view stored_name) {
  const ZipBytes bytes(data);
  if (!bytes.Has(0, 5) || data[0] != 1) return std::nullopt;
  const auto name_crc = static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(stored_name.data()), static_cast<uInt>(stored_name.size())));
  std::string_view path = data.substr(5);
  if (bytes.U32(1) != name_crc || path.empty() || !core::IsValidUtf8(path)) return std::nullopt;
  return std::string(path);
}

}  // namespace

std::optional<std::string> ApplyCentralExtra(ZipHeaderInfo& entry, std::string_view extra,
                                             std::string_view stored_name) {
  std::optional<std::string> unicode_path;
  ForEachExtraBlock(extra, [&](std::uint16_t tag, std::string_view data) {
    switch (tag) {
      case kZip64ExtraTag: TakeZip64Values(entry, data); break;
      case kExtendedTimestampTag: entry.modified_utc = ModificationTime(data); break;
      case kUnicodePathTag: unicode_path = UnicodePath(data, stored_name); break;
      default: break;
    }
  });
  return unicode_path;
}

// Hosts of the "version made by" field (its high byte) whose names are the system's bytes,
// UTF-8 in practice, rather than OEM text: Unix and macOS. Info-ZIP unzip leaves such names
// as they are.
bool NamesInSystemBytes(std::uint16_t version_made_by) {
  constexpr unsigned kUnix = 3;
  constexpr unsigned kMacOs = 19;
  const unsigned host = version_made_by >> 8;
  return host == kUnix || host == kMacOs;
}

void SetStoredName(ZipHeaderInfo& entry, std::string_view stored_name,
                   const std::optional<std::string>& unicode_path) {
  const bool utf8 = (entry.flags & kFlagUtf8Name) != 0 || NamesInSystemBytes(entry.version_made_by);
  std::string name;
  if (unicode_path)
    name = *unicode_path;
  else if (utf8 && core::IsValidUtf8(stored_name))
    name = stored_name;
  else
    name = core::Cp437ToUtf8(stored_name);
  std::replace(name.begin(), name.end(), '/', '\\');
  entry.path = core::FolderOf(name, core::FolderEnd::SeparatorOrDrive);
  entry.file_name = core::FileNameOf(name, core::FolderEnd::SeparatorOrDrive);
  entry.name_length = static_cast<std::uint32_t>(entry.path.size() + entry.file_name.size());
}

std::uint32_t SanitizedDosDateTime(std::uint32_t dos_date_time) {
  // Time in the low word: hours 11-15, minutes 5-10, seconds/2 0-4.
  // Date in the high word: years since 1980 9-15, month 5-8, day 0-4.
  const std::uint32_t time = dos_date_time & 0xFFFF;
  const std::uint32_t date = dos_date_time >> 16;
  const std::uint32_t hour = time >> 11, minute = (time >> 5) & 0x3F, half_seconds = time & 0x1F;
  const std::uint32_t year = date >> 9, month = (date >> 5) & 0x0F, day = date & 0x1F;
  constexpr std::uint32_t kLastYear = 2099 - 1980;
  if (hour <= 23 && minute <= 59 && half_seconds <= 29 && year <= kLastYear && month >= 1 &&
      month <= 12 && day >= 1)
    return dos_date_time;
  const std::uint32_t new_time = std::min(hour, 23u) << 11 | std::min(minute, 59u) << 5 |
                                 std::min(half_seconds, 29u);
  const std::uint32_t new_date = std::min(year, kLastYear) << 9 |
                                 std::clamp(month, 1u, 12u) << 5 | std::max(day, 1u);
  return new_date << 16 | new_time;
}

}  // namespace vantorel::archive
