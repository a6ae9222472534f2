// A byte-level ZIP writer for the tests: local headers, data, central directory and end record
// written field by field, each field open to a lie (wrong sizes, offsets, signatures).
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::archive::testzip {

// 2021-03-04 10:20:30 as an MS-DOS date-time.
inline constexpr std::uint32_t kSomeDosTime = (41u << 9 | 3u << 5 | 4u) << 16 | (10u << 11 | 20u << 5 | 15u);

std::uint32_t Crc32(std::string_view bytes);
// The raw deflate stream (no zlib header) of bytes.
std::string RawDeflate(std::string_view bytes);
std::string Le16(std::uint32_t value);
std::string Le32(std::uint32_t value);

struct Entry {
  std::string name;                  // stored name bytes
  std::string data;                  // the bytes stored after the local header
  std::uint16_t version_made_by = 20;  // high byte: the host (0 MS-DOS, 3 Unix)
  std::uint16_t method = 0;
  std::uint16_t flags = 0;
  std::uint32_t crc = 0;
  std::uint32_t compressed_size = 0;
  std::uint32_t uncompressed_size = 0;
  std::uint32_t date_time = kSomeDosTime;
  std::uint32_t external_attributes = 0x20;
  std::string extra;                 // central extra field
  std::string comment;               // central file comment
  std::string local_name;            // name in the local header (defaults to name)
  std::string local_extra;           // local extra field
  std::optional<std::uint32_t> local_offset;  // lie about the local header offset
};

class ZipBuilder {
 public:
  // A stored entry of content, sizes and CRC filled in.
  Entry& Stored(std::string name, std::string content);
  // A deflated entry of content.
  Entry& Deflated(std::string name, std::string content);
  // A directory entry (name ending in "/").
  Entry& Directory(std::string name);
  // An entry with raw data and everything else set by the caller.
  Entry& Raw(std::string name);

  // The central records are written in this order of entry indexes (default: as added).
  std::vector<std::size_t> central_order;
  std::string archive_comment;
  std::string prefix;  // bytes before the first local header

  // The whole archive.
  std::string Build() const;

  std::deque<Entry> entries;
};

// Central records and an end record only, for n entries named F00000.TXT ... with distinct
// local offsets and no data: enough to list, not to extract.
std::string DirectoryOnlyArchive(std::size_t n);

}  // namespace vantorel::archive::testzip
