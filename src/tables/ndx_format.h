// The NDX index file: a dBASE ".ndx" B-tree with a few engine-specific header bytes.
//
// Format notes (all integers little-endian). The file is a sequence of 512-byte pages; page
// n starts at byte n * 512. Page 0 is the header, pages 1 and up are tree nodes.
//
// Header (page 0):
//   0   4  root page
//   4   4  next free page: pages in use including page 0 (root + 1 after a build)
//   8   1  0
//   9   1  key type letter "C", "D", "F" or "N"            (engine-specific; others write 0)
//   10  2  0
//   12  2  key length, 1..100
//   14  2  keys per node: 504 / entry size
//   16  2  numeric key flag: 0 for C keys, 1 for D, F and N
//   18  2  entry size: key length rounded up to a multiple of 4, plus 8
//   20  3  0
//   23  1  unique flag: 1 when built with UNIQUE
//   24  .. key expression, NUL-terminated (at most 464 bytes with the NUL)
//   488 4  check value: bitwise NOT of the record count      (engine-specific)
//   492 4  record count of the table at build time          (engine-specific)
//   496 16 table file name and extension, NUL-terminated     (engine-specific)
//
// Node page: a 4-byte key count k (only the low 16 bits count), then k entries, then in an
// interior node the page of the rightmost child (keys above the last entry's key).
// Entry: child page (0 in a leaf), record number (0 in an interior node), key (key length
// bytes, zero-padded to a multiple of 4). A node is a leaf when its first entry's child page
// is 0. An interior entry's child holds the keys <= the entry's key.
// Keys: C keys are key length bytes compared unsigned byte by byte; N, F and D keys are
// 8-byte IEEE doubles compared as numbers (D: the Julian Day Number, 0 for no date).
// Equal keys stand in ascending record-number order.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel::tables {

inline constexpr std::size_t kNdxPageSize = 512;
inline constexpr int kNdxMaxKeyLength = 100;
inline constexpr std::size_t kNdxEntryHeaderSize = 8;      // child page and record number
inline constexpr std::size_t kNdxNodeUsableBytes = 504;    // 512 less the count and the rightmost pointer
inline constexpr std::size_t kNdxExpressionAt = 24;
inline constexpr std::size_t kNdxExpressionRoom = 464;     // 24..487, NUL included
inline constexpr std::size_t kNdxTableNameAt = 496;
inline constexpr std::size_t kNdxTableNameMax = 12;        // characters before the NUL
inline constexpr std::size_t kNdxNumericKeyLength = 8;

using NdxPage = std::array<char, kNdxPageSize>;

// The header values of an index file.
struct NdxHeader {
  std::uint32_t root = 0;             // page of the root node
  std::uint32_t next_free = 0;        // pages in use, header included
  char key_type = 'C';                // 'C', 'D', 'F', 'N' (0 in files of other programs)
  int key_length = 0;                 // 1..100
  int keys_per_node = 0;              // 504 / entry size
  bool numeric = false;               // D, F and N keys
  int entry_size = 0;                 // 8 + key length rounded up to a multiple of 4
  bool unique = false;                // built with UNIQUE
  std::string expression;             // as stored (OEM for an OEM table)
  std::uint32_t check_value = 0;      // ~record_count
  std::uint32_t record_count = 0;     // the table's record count at build time
  std::string table_name;             // as stored (OEM for an OEM table)
};

// Entry size and keys per node of a key length.
constexpr int NdxEntrySize(int key_length) { return (key_length + 3) / 4 * 4 + 8; }
constexpr int NdxKeysPerNode(int entry_size) {
  return static_cast<int>(kNdxNodeUsableBytes) / entry_size;
}

// The header page of a header. The expression is cut to 463 bytes and the table name to 12.
NdxPage EncodeNdxHeader(const NdxHeader& header);

// The header values of a header page, as stored (nothing is checked).
NdxHeader DecodeNdxHeader(const NdxPage& page);

// Little-endian 32-bit value at offset of a page. REQUIRES: offset + 4 <= 512.
inline std::uint32_t NdxU32(const char* page, std::size_t offset) {
  const auto* b = reinterpret_cast<const unsigned char*>(page + offset);
  return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
         static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}
void PutNdxU32(char* page, std::size_t offset, std::uint32_t value);

}  // namespace vantorel::tables
