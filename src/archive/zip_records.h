// The records of a ZIP archive as the reader keeps them: one ZipHeaderInfo per entry and the
// EndCentral record, with the rules that turn stored bytes into them (names, date-times).
//
// Format notes (PKWARE's APPNOTE): all integers are little-endian. The classic records hold
// 32-bit sizes and offsets and 16-bit counts; an archive that needs more (ZIP64) stores
// 0xFFFFFFFF or 0xFFFF there and the true 64-bit values in a ZIP64 end record (found through
// its locator, just before the end record) and in each entry's ZIP64 extra field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel::archive {

inline constexpr std::uint32_t kEndCentralSignature = 0x06054B50;   // bytes 50 4B 05 06
inline constexpr std::uint32_t kCentralRecordSignature = 0x02014B50;
inline constexpr std::uint32_t kZip64EndCentralSignature = 0x06064B50;  // bytes 50 4B 06 06
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;     // bytes 50 4B 06 07
inline constexpr std::size_t kEndCentralSize = 22;      // fixed part of the end record
inline constexpr std::size_t kCentralRecordSize = 46;   // fixed part of a central record
inline constexpr std::size_t kLocalHeaderSize = 30;     // fixed part of a local header
inline constexpr std::size_t kZip64EndCentralSize = 56; // fixed part of the ZIP64 end record
inline constexpr std::size_t kZip64LocatorSize = 20;
inline constexpr std::size_t kLocalNameLengthOffset = 26;
inline constexpr std::size_t kLocalExtraLengthOffset = 28;
// The end record plus the longest comment it can announce: how far from the end of the
// archive the end record can start.
inline constexpr std::size_t kEndCentralSearchSpan = kEndCentralSize + 65535;

// General-purpose flag bits.
inline constexpr std::uint16_t kFlagEncrypted = 0x0001;
inline constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr std::uint16_t kFlagUtf8Name = 0x0800;  // the stored name is UTF-8

// The MS-DOS attribute bit for a read-only file, in the low byte of the external attributes.
inline constexpr std::uint32_t kDosReadOnly = 0x01;

// One entry of the archive. Defaults are those of a fresh record.
struct ZipHeaderInfo {
  std::uint16_t version_made_by = 20;
  std::uint16_t version_needed = 20;
  std::uint16_t flags = 0;                 // general-purpose flags
  std::uint16_t method = 8;                // compression method
  std::uint32_t date_time = 0;             // MS-DOS date (high word) and time, sanitised
  std::uint32_t crc = 0xFFFFFFFF;          // stored CRC-32
  std::uint64_t compressed_size = 0;       // ZIP64 extra field value where the record says so
  std::uint64_t uncompressed_size = 0;
  std::uint32_t name_length = 0;           // length of path plus file name (UTF-8 bytes)
  std::uint16_t extra_length = 0;          // central extra field length
  std::uint16_t local_extra_length = 0;    // set only for a record built from a local header
  std::uint16_t comment_length = 0;
  std::uint32_t disk_number_start = 0;
  std::uint16_t internal_attributes = 1;
  std::uint32_t external_attributes = 32;  // the MS-DOS archive bit
  std::uint64_t local_header_offset = 0;   // in the archive file, leading data included
  std::uint64_t central_record_offset = 0; // where this entry's central record began
  std::optional<std::int64_t> modified_utc;  // extended timestamp: seconds since 1970, UTC
  std::string file_name;                   // UTF-8; after the last "\" or ":"; empty for a directory
  std::string path;                        // UTF-8; before it, ending in "\"; or empty
  bool extract = false;                    // set by the selection pass of Extract
  bool user_selected = false;              // an entry-by-entry selection

  bool Encrypted() const { return (flags & kFlagEncrypted) != 0; }
  bool IsDirectory() const { return file_name.empty(); }
};

// The end-of-central-directory record, with the ZIP64 end record's values where the archive
// has one. Defaults are those of a fresh or reset record.
struct EndCentral {
  std::uint32_t signature = kEndCentralSignature;
  std::uint32_t this_disk = 0;             // non-zero marks a multi-volume archive
  std::uint32_t central_disk = 0;          // disk on which the central directory starts
  std::uint64_t entries_this_disk = 0;
  std::uint64_t total_entries = 0;         // central records to read
  std::uint64_t central_size = 0;
  std::uint64_t central_offset = 0;        // where the central directory starts, as stored
  std::uint16_t comment_length = 0;
  std::uint64_t comment_offset = 0;        // archive size minus the comment length
  std::uint64_t record_offset = 0;         // where the end record (or the ZIP64 one) starts
  bool zip64 = false;                      // the values come from a ZIP64 end record
  // Bytes before the archive proper (a self-extracting stub, padding): the stored offsets
  // plus this are the positions in the file.
  std::uint64_t leading_bytes = 0;
};

// The fields of an end record from its 22 bytes. REQUIRES: record holds kEndCentralSize bytes.
EndCentral ParseEndCentral(std::string_view record);

// The ZIP64 end record's fields over end's: counts, directory size and offset, disks.
// REQUIRES: record holds kZip64EndCentralSize bytes and starts with the signature.
void ParseZip64EndCentral(std::string_view record, EndCentral& end);

// The fixed fields of a central record from its 46 bytes (name left empty, date-time
// sanitised). REQUIRES: record holds kCentralRecordSize bytes.
ZipHeaderInfo ParseCentralRecord(std::string_view record);

// Takes a central record's extra field: the ZIP64 sizes, offset and disk where the record
// holds 0xFFFFFFFF (0xFFFF for the disk), the extended timestamp's modification time, and the
// Unicode path when its CRC-32 matches stored_name. Throws EBadZipFile when a ZIP64 field the
// record points to is missing. Returns the Unicode path (UTF-8), or nullopt.
std::optional<std::string> ApplyCentralExtra(ZipHeaderInfo& entry, std::string_view extra,
                                             std::string_view stored_name);

// The entry's name as UTF-8: unicode_path when given, else the stored name as it is when it is
// well-formed UTF-8 and flag bit 11 is set or the entry was made on Unix or macOS (whose names
// are the system's bytes), else the stored name decoded from OEM 437. Then "/" becomes "\" and
// the name is split into entry.path and entry.file_name; sets name_length.
void SetStoredName(ZipHeaderInfo& entry, std::string_view stored_name,
                   const std::optional<std::string>& unicode_path = std::nullopt);

// The MS-DOS date-time with every part clamped into range: hour <= 23, minute <= 59,
// seconds <= 58 (stored as 29), year 1980 to 2099, month 1 to 12, day 1 to 31. A value with all
// parts in range comes back bit for bit.
std::uint32_t SanitizedDosDateTime(std::uint32_t dos_date_time);

}  // namespace vantorel::archive
