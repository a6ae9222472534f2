// Byte-level writers for test tables and memo files, independent of the engine's code.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::testing {

struct FieldSpec {
  std::string name;  // written NUL-padded into 11 bytes
  char type = 'C';
  int width = 0;
  int decimals = 0;
};

// A dBASE table image. Defaults give a well-formed file; each override damages it on purpose.
struct TableBytes {
  std::uint8_t version = 0x03;
  std::uint8_t year = 124;  // 2024
  std::uint8_t month = 3;
  std::uint8_t day = 7;
  std::uint8_t language_driver = 0;            // byte 29: the code page mark of other programs
  std::vector<FieldSpec> fields;
  std::vector<std::string> records;            // whole records: flag byte + field texts
  std::optional<std::uint32_t> record_count;   // default: records.size()
  std::optional<std::uint16_t> header_length;  // default: 32 + 32 * fields + 1
  std::optional<std::uint16_t> record_length;  // default: 1 + sum of the widths
  bool end_mark = true;                        // 0x1A after the last record

  std::string Bytes() const;
};

// A small article table shared by the command-line tests: every field type (N, C, N with
// decimals, D, L, M), three records, record 2 marked deleted, OEM 0x81 in the first title.
TableBytes ArticleTableBytes();

// A record: the flag byte followed by the texts.
std::string Rec(std::initializer_list<std::string_view> texts, char flag = ' ');

// A text padded with blanks on the right (left when right_align) to width.
std::string Pad(std::string_view text, int width, bool right_align = false);

// A memo file image: header bytes at offset 0, then each block's bytes at block * block_size
// (the gaps filled with zeros).
std::string MemoBytes(std::uint32_t block_size, std::string header,
                      const std::map<std::uint32_t, std::string>& blocks);

// A dBASE IV memo file header (24 bytes, next free block and block size at offset 20).
std::string DBase4MemoHeader(std::uint32_t next_free, std::uint16_t block_size);
// A FoxPro memo file header (512 bytes, next free block big-endian at 0, block size at 6).
std::string FoxProMemoHeader(std::uint32_t next_free, std::uint16_t block_size);

// Little- and big-endian integers as bytes.
std::string Le16(std::uint16_t value);
std::string Le32(std::uint32_t value);
std::string Be32(std::uint32_t value);

}  // namespace vantorel::testing
