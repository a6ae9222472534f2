// A byte-level writer for NDX index files, independent of the engine: pages laid out from a
// description, so that tests can write well-formed files of other programs (other node
// fill, no engine-specific header bytes) and damaged ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vantorel::testing {

struct NdxEntryBytes {
  std::uint32_t child = 0;   // 0 in a leaf
  std::uint32_t record = 0;  // 0 in an interior node
  std::string key;           // written into key length bytes, zero-padded to the entry
};

struct NdxNodeBytes {
  std::vector<NdxEntryBytes> entries;
  std::optional<std::uint32_t> rightmost;   // interior nodes: the child after the entries
  std::optional<std::uint32_t> key_count;   // default: entries.size()
};

struct NdxFileBytes {
  std::uint32_t root = 1;
  std::optional<std::uint32_t> next_free;   // default: number of nodes + 1
  char key_type = 'C';                      // byte 9; 0 as other programs write it
  std::uint16_t key_length = 0;
  std::optional<std::uint16_t> keys_per_node;  // default: 504 / entry size
  std::optional<std::uint16_t> entry_size;     // default: key length rounded up to 4, plus 8
  bool numeric = false;
  bool unique = false;
  std::string expression;
  bool engine_bytes = true;                 // check value, record count, table name
  std::uint32_t record_count = 0;
  std::string table_name;
  std::vector<NdxNodeBytes> nodes;          // pages 1, 2, ...

  std::uint16_t EntrySize() const {
    return entry_size.value_or(static_cast<std::uint16_t>((key_length + 3) / 4 * 4 + 8));
  }
  std::string Bytes() const;
};

// The header page of an index built by the engine, from the header rules: root, next free
// page root + 1, the key type letter, key length, keys per node 504 / entry size, the numeric
// flag, entry size (key length rounded up to 4, plus 8), the unique flag, the expression,
// the check value, the record count and the table name.
std::string NdxHeaderPage(std::uint32_t root, char type, std::uint16_t key_length, bool unique,
                          const std::string& expression, std::uint32_t records,
                          const std::string& table);

// The 8 bytes of a numeric key: the little-endian IEEE double.
std::string NumericKeyBytes(double value);

}  // namespace vantorel::testing
