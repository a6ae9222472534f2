#include "archive/zip_records.h"

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

void SetStoredName(ZipHeaderInfo& entry, std::string_view stored_name) {
  // Entry names become file names, so UTF-8 (the path rule of platform/file_system.h).
  std::string name = core::Cp1252ToUtf8(core::OemToAnsi(stored_name));
  std::replace(name.begin(), name.end(), '/', '\\');
  entry.path = core::FolderOf(name, core::FolderEnd::SeparatorOrDrive);
  entry.file_name = core::FileNameOf(name, core::FolderEnd::SeparatorOrDrive);
  entry.name_length = static_cast<std::uint16_t>(entry.path.size() + entry.file_name.size());
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
