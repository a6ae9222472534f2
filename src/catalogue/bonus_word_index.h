// The bonus search's own index of words.dbf, words.wdx in the archive's write folder: for every
// distinct value of every searchable field, the documents (FILE_ID) whose records hold it, each
// with the first record that does. It answers what scanning the table with KvDbf::Search would
// find for a word -- the documents of the hits, in the order of their first hit -- without
// reading the table.
//
// What a scan finds, and so what the index reproduces: a word matches a record in a field when
// it occurs wholly inside that field's bytes, compared as the scan compares them
// (tables::UpperTextMatcher). The first hit is the first record that the word matches in any
// field, in the field where it occurs first (the one nearest the record's start); every further
// hit is a later record matched in that same field. A search of the whole table thus visits
// exactly the records the word matches in that field.
//
// File format (numbers little-endian, u32 4 bytes, u64 8 bytes):
//   header, 136 bytes:
//      0  8  magic "VWDX\r\n\x1A\n"
//      8  u32 format version, 1
//     12  u32 CRC-32 of the bytes from 16 up to the postings (the rest of the header and
//             every table before the postings)
//     16  u64 size of the table file       24  u64 its modification time, seconds
//     32  u32 nanoseconds of that time     36  u64 device, 44 u64 inode of the table file
//     52  32  the table file's first 32 bytes
//     84  u32 records indexed (the engine's record count)
//     88  u32 header length  92 u32 record length  96 u32 1 when the table is read as OEM
//    100  u32 key field (FILE_ID): offset in the record, 104 u32 its width, 108 u32 0
//    112  u32 searchable fields F   116 u32 distinct raw keys K   120 u32 values V
//    124  u32 postings P            128 u64 offset of the postings
//   F fields, 20 bytes each: offset, width, number (1-based), first value, value count (u32)
//   K keys: the raw key bytes, key width each, numbered from 0 in record order of first use
//   V values, 16 bytes each: first posting, posting count, first record, CRC-32 of its postings
//   the values' raw bytes: field by field, each value its field's width
//   P postings, 8 bytes each: record number (1-based), key number; a value's postings are in
//   record order, one per key, each with the first record of the value with that key.
// The file is used only when every count and offset fits, the CRCs agree and the table is the
// one described (size, time, identity, first bytes, layout); otherwise it is written anew.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "tables/kv_dbf.h"

namespace vantorel::catalogue {

class BonusWordIndex {
 public:
  // The index of table (open; the file table_path) at index_path: read when it describes the
  // table as it is now, else built from the table and written there. nullopt when there can be
  // none: the table has no FILE_ID field, hides deleted records or is filtered, or the index
  // can be neither read nor written (the caller then scans the table).
  static std::optional<BonusWordIndex> Open(tables::KvDbf& table, const std::string& table_path,
                                            const std::string& index_path);

  // The FILE_ID texts (as FieldAsString gives them) of the records a search for word from the
  // top visits, each key (the text trimmed) once, in the order of its first such record.
  // nullopt when the postings turn out to be damaged, for this word or an earlier one: the index
  // file is then removed, so the next Open builds it again, and the caller scans for the word.
  std::optional<std::vector<std::string>> DocumentsOf(std::string_view word) const;

  struct Field {
    std::uint32_t offset = 0, width = 0, number = 0, first_value = 0, value_count = 0;
  };
  struct Value {
    std::uint32_t first_posting = 0, posting_count = 0, first_record = 0, crc = 0;
  };

 private:
  BonusWordIndex() = default;

  std::string index_path_;
  std::optional<platform::File> file_;  // the index file read, for the postings
  mutable bool damaged_ = false;        // postings found damaged: the file is gone, not read again
  bool oem_ = false;
  std::uint32_t record_count_ = 0;
  tables::DbfField key_field_;       // FILE_ID as the table declares it
  std::vector<Field> fields_;        // in record order
  std::string keys_;                 // the raw keys, key_field_.width bytes each
  std::vector<Value> values_;
  std::string value_bytes_;          // the values' raw bytes, field by field
  std::vector<std::size_t> value_bytes_at_;  // where each field's values begin in value_bytes_
  std::uint64_t postings_offset_ = 0;
  std::uint32_t posting_count_ = 0;
};

}  // namespace vantorel::catalogue
