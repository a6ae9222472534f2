// The dBASE table file (".dbf"): its header, its field descriptors and its records.
//
// Format notes (all integers little-endian):
//   0   1   version byte: 0x03, 0x83, 0x8B, 0xF5 (bit 7: the table has a memo file)
//   1   3   date of last update: year - 1900, month, day
//   4   4   record count
//   8   2   header length: bytes from the file start to the first record
//   10  2   record length, the deletion flag byte included
//   12  20  reserved
//   32  32n field descriptors, n = (header length - 32) / 32; a descriptor whose first byte is
//           0x0D ends the list early; the list is followed by the terminator 0x0D
//   Descriptor: 0 name (11 bytes, NUL-padded), 11 type letter, 16 width, 17 decimals.
//   Record k (from 1) starts at header length + (k - 1) * record length; byte 0 is the
//   deletion flag ("*" deleted, blank otherwise), then the fields in descriptor order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/large_buffer.h"
#include "tables/dbf_field.h"

namespace vantorel::tables {

inline constexpr std::size_t kDbfPrologSize = 32;      // the fixed part of the header
inline constexpr std::size_t kDbfDescriptorSize = 32;  // one field descriptor
inline constexpr int kDbfMaxFields = 255;
inline constexpr char kDbfHeaderTerminator = 0x0D;
inline constexpr char kDbfDeletedFlag = '*';

// The header values and the field descriptors of a table.
struct DbfHeader {
  std::uint8_t version = 0;        // the version byte
  std::string update_date;         // YYYYMMDD
  std::uint32_t record_count = 0;  // as stored
  int header_length = 0;           // bytes before the first record
  int record_length = 0;           // bytes per record, deletion flag included
  bool has_memo = false;           // bit 7 of the version byte
  std::uint8_t language_driver = 0;  // byte 29: the code page other programs marked (0: none)
  std::vector<DbfField> fields;    // descriptor order, offsets computed
};

// Decodes and validates a table header. bytes is the start of the file: everything up to the
// header length, or the whole file when it is shorter. path is the table's name for messages.
// Errors (EKvError): 210 for a prolog under 32 bytes, an invalid version byte or a field
// count outside 1..255; 1300 for the dBASE II and 48-byte-descriptor versions (0x02, 0x04,
// 0x8C); 100 when the file ends inside the descriptors; 222 when the first descriptor is the
// terminator; 211 for an invalid field type; 210 when the fields do not fit in the record.
DbfHeader DecodeDbfHeader(std::string_view bytes, const std::string& path);

// How the table file is opened.
enum class DbfAccess {
  ReadOnlyShared,      // read-only, others may read and write (deny-none)
  ReadOnlyCompatible,  // read-only, compatibility sharing: others may read
  ReadWriteShared,     // read/write, deny-none
  ReadWriteExclusive   // read/write, nobody else may open the file
};

// An open table file: its header and its records, read through a page cache. A page is a run
// of whole records (about kDbfPageBytes of them, at least one); a record asked for brings its
// page in, and pages asked for one after another are read ahead in runs that double in size
// (up to kDbfMaxRunPages pages), so a record looked up costs a read of about a page and a table
// read in order costs about its bytes. Pages take the cache's memory in the order they are
// read, up to kDbfCacheBytes (never more than the table has); then the oldest are replaced.
// A table the cache holds whole reads each page once: a record looked up there brings in the
// aligned group of kDbfGroupPages pages around its page when none of them is cached yet.
// Cached records are the bytes read when they were first visited: another process may append
// records, which the record count leaves out, but the engine never rewrites a record of an
// open table, and from_disk reads a record again.
inline constexpr std::size_t kDbfPageBytes = 1024;
inline constexpr std::size_t kDbfMaxRunPages = 128;
inline constexpr std::int64_t kDbfGroupPages = 8;  // see WholeTableSlot
inline constexpr std::size_t kDbfCacheBytes = 64 * 1024 * 1024;

class DbfFile {
 public:
  // Opens the file open_path names (through the file-system facade) and reads its header.
  // path is the name used in messages. A failure to open (or a sharing conflict) is the
  // operating-system code with "Failure to open " + path + " [USE/OpenDbf]".
  // cache_bytes bounds the page cache (at least kDbfMaxRunPages pages are kept).
  static DbfFile Open(std::string_view open_path, const std::string& path, DbfAccess access,
                      bool oem, std::size_t cache_bytes = kDbfCacheBytes);

  DbfFile(DbfFile&&) noexcept = default;
  DbfFile& operator=(DbfFile&&) noexcept = default;

  const DbfHeader& Header() const { return header_; }
  // The record count the work area uses: the header's, or the one AutoFixRecCount computed.
  std::int64_t RecCount() const { return record_count_; }
  // AutoFixRecCount: the record count becomes (file size - header length) / record length.
  void FixRecCount();
  // The file's size in bytes.
  long long Size() const { return file_.Size(); }

  // The bytes of record k (record length of them), converted from OEM to ANSI after the
  // deletion flag when the table is OEM. Valid until the next call. from_disk reads the
  // record's page again.
  // Errors: 212 for k outside 1..RecCount, 213 when the file ends before the record's end.
  const char* Record(std::int64_t k, bool from_disk = false);
  // The memory the page cache takes once full (the whole table, up to the cache's bound).
  std::size_t CacheBytes() const {
    return slots_ * static_cast<std::size_t>(page_records_) * static_cast<std::size_t>(header_.record_length);
  }
  // When record k is cached, asks the processor to fetch its bytes; otherwise does nothing.
  void Prefetch(std::int64_t k) const;

 private:
  DbfFile(platform::File file, std::string path, DbfHeader header, bool oem,
          std::size_t cache_bytes);
  // The slot holding page p, read in now when it is not cached (or when from_disk), with the
  // pages after it when the pages before it were read just before.
  std::size_t PageSlot(std::int64_t p, bool from_disk);
  // Reads pages [p, p + run) into the slots from slot on. REQUIRES: the slots are free.
  void ReadPages(std::int64_t p, std::size_t run, std::size_t slot);
  // PageSlot when the cache holds the whole table: page p is in slot p.
  std::size_t WholeTableSlot(std::int64_t p, bool from_disk);
  // Empties the cache and sizes it for the current record count.
  void ResetCache();

  platform::File file_;           // the open table file
  std::string path_;              // name for messages
  DbfHeader header_;              // as decoded at open
  std::int64_t record_count_ = 0; // records the work area may read
  bool oem_ = true;               // convert character data from OEM
  std::size_t cache_bytes_;       // the page cache's bound
  std::int64_t page_records_ = 1;          // records per page
  std::size_t slots_ = 0;                  // pages the cache holds at most
  platform::LargeBuffer pages_;          // slots_ pages of records, converted; made at first use
  std::int64_t held_pages_ = 0;            // pages the file held when last looked at
  // A table the cache holds whole keeps page p in slot p, so record k lies at (k - 1) record
  // lengths from the start and finding it costs one look at page_whole_records_, the only
  // table of that case; the three tables below serve a larger table.
  bool whole_ = false;
  static constexpr std::uint16_t kPageNotRead = 0xFFFF;  // more than a page's records
  std::vector<std::uint16_t> page_whole_records_;  // per page read so far: whole records read
  std::vector<std::int32_t> slot_of_page_; // per page read so far: its slot, -1 when not cached
  std::vector<std::int64_t> page_in_slot_; // per slot: the page it holds, -1 when empty
  std::vector<std::int64_t> slot_records_; // per slot: whole records read into it
  std::size_t next_slot_ = 0;              // the slot the next page read takes
  std::int64_t run_end_ = -1;              // the page after the last run read
  std::size_t run_pages_ = 1;              // pages in the last run read
};

}  // namespace vantorel::tables
