// A work area: one open dBASE table with its current record, the cursor flags, the
// hide-deleted flag, the filter and the memo file.
//
// Movement rules (record numbers run from 1 to RecCount):
//   - A record is visible when the hide-deleted flag does not hide it (byte 0 is "*") and,
//     when a filter is set, the filter accepts it. Movements skip invisible records; GO and
//     GetDbfRecord do not test visibility.
//   - At end of file the record number is RecCount + 1 and the current record is the blank
//     record (Record() holds blanks, Values() the blank values).
//   - A table with 0 records sits at BOF and EOF with record number 0.
// Every failure throws EKvError with the engine's code and detail text.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tables/dbf_field.h"
#include "tables/dbf_file.h"
#include "tables/field_variable_area.h"
#include "tables/memo_file.h"

namespace vantorel::tables {

class IndexOrders;  // ndx_orders.h

// The code page of a table's character data (the component's TableLanguage).
enum class KvTableLanguage {
  tlOem,  // OEM 437 in the file, converted to ANSI 1252 whenever a record is read
  tlAnsi  // ANSI 1252 in the file, no conversion
};

// How a table is opened, as the dataset layer decides it.
struct OpenOptions {
  bool read_only = false;               // the component's ReadOnly: the file is never written
  KvTableLanguage language = KvTableLanguage::tlOem;
  bool auto_fix_rec_count = false;      // take the record count from the file size
  bool hide_deleted = false;            // records marked "*" are invisible
  std::string semaphore_dir = {};       // folder of the SemaphoreFile; empty: beside the table
};

// The open command ("USE") taken apart.
struct UseCommand {
  std::string file_name;  // full path as given (letter case kept), with extension
  std::string alias;      // upper case; defaults to the file name without directory and extension
  bool exclusive = false; // " EXCLUSIVE" was given
};

// Takes an open command text apart: the text is trimmed; the words " EXCLUSIVE" and
// " ALIAS " + alias (in any letter case) are taken out where they follow the file name, at the
// end of the text in either order; the rest is the file name, blanks and such words inside a
// folder name included. A relative
// name is expanded against the current directory; ".DBF" is appended when the last path
// component has no extension. The file name keeps the letter case it was given in (the
// file-system facade matches names without regard to case); the work area's messages show it as
// the disk spells it.
UseCommand ParseUseCommand(std::string_view command_text);

// An index controlling the order of movement (filled by the index files). Each call moves
// the index's own position and names the record of the key it arrives at.
class RecordOrder {
 public:
  virtual ~RecordOrder() = default;
  // The record number of the first (last) key; 0 when the index holds no key.
  virtual std::int64_t First() = 0;
  virtual std::int64_t Last() = 0;
  // The record number of the key after (before) the current one; 0 past the end.
  virtual std::int64_t Next() = 0;
  virtual std::int64_t Prior() = 0;
};

class WorkArea {
 public:
  // Opens the table (and its memo file when the version byte says it has one) and moves
  // to the first visible record. Errors: the operating-system code with
  // "Failure to open " + path + " [USE/OpenDbf]"; 210, 211, 222, 100 for a damaged header;
  // 1300 for dBASE II and 48-byte-descriptor tables; 213 when record 1 is missing.
  static std::unique_ptr<WorkArea> Open(const UseCommand& command, const OpenOptions& options);

  WorkArea(const WorkArea&) = delete;
  WorkArea& operator=(const WorkArea&) = delete;
  ~WorkArea();

  // --- Header values --------------------------------------------------------------------
  // The full path as the disk spells it (platform::ShownPath), for messages.
  const std::string& FileName() const { return file_name_; }
  const std::string& Alias() const { return alias_; }
  std::uint8_t Version() const { return file_.Header().version; }
  const std::string& UpdateDate() const { return file_.Header().update_date; }  // YYYYMMDD
  std::int64_t RecCount() const { return file_.RecCount(); }
  int HeaderLength() const { return file_.Header().header_length; }
  int RecordLength() const { return file_.Header().record_length; }
  bool HasMemo() const { return file_.Header().has_memo; }
  // Byte 29 of the header: the code page the writing program marked (language_driver.h).
  std::uint8_t LanguageDriver() const { return file_.Header().language_driver; }
  bool Oem() const { return oem_; }
  bool Exclusive() const { return exclusive_; }
  bool ReadOnly() const { return read_only_; }
  // The table's path as it was given (letter case kept), for the file system.
  const std::string& OpenPath() const { return open_path_; }
  // The path text of the table's SemaphoreFile (semaphore_file.h).
  const std::string& SemaphorePath() const { return semaphore_path_; }

  // --- Fields ---------------------------------------------------------------------------
  const std::vector<DbfField>& Fields() const { return file_.Header().fields; }
  int FieldCount() const { return static_cast<int>(Fields().size()); }
  // Field info by field number (1-based). A number outside 1..FieldCount is error 220 with
  // "Invalid field number. [FieldType(" + n + ")]" (each with its own name).
  char FieldType(int n) const;
  int FieldLen(int n) const;
  int FieldDec(int n) const;
  const std::string& FieldName(int n) const;
  const char* FieldAddress(int n) const;  // the decoded value inside Values()
  // The number of the field with this name (compared upper-cased), 0 when there is none.
  int FieldNo(std::string_view name) const;

  // --- Current record -------------------------------------------------------------------
  std::int64_t RecNo() const { return rec_no_; }
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  // The current record's bytes (RecordLength of them; byte 0 the deletion flag, the rest
  // converted to ANSI for an OEM table). Valid until the next movement.
  const char* Record() const { return record_.data(); }
  // A record of blanks (flag and fields), RecordLength bytes.
  const char* BlankRecord() const { return blank_record_.data(); }
  // The decoded values of the current record.
  const FieldVariableArea& Values() const { return values_; }
  // A hint that record k is read soon: its cached bytes, if any, start coming into the
  // processor's cache. Nothing moves and nothing is read from the file.
  void PrefetchRecord(std::int64_t k) const { file_.Prefetch(k); }
  // The memory the table's record cache takes once full.
  std::size_t RecordCacheBytes() const { return file_.CacheBytes(); }

  // --- Visibility -----------------------------------------------------------------------
  bool HideDeleted() const { return hide_deleted_; }
  void SetHideDeleted(bool hide) { hide_deleted_ = hide; }
  // Installs the filter the visibility test asks; an empty function removes it. The
  // function receives a record's bytes as Record() gives them and while it runs the record
  // is the work area's current one (RecNo, Record). It may throw EKvError.
  void SetFilter(std::function<bool(const char* record)> accepts) { filter_ = std::move(accepts); }
  bool HasFilter() const { return static_cast<bool>(filter_); }
  // The visibility test on the current record.
  bool IsVisible() const;

  // The index that controls movement, or null for natural (record-number) order. The work
  // area does not own it.
  void SetOrder(RecordOrder* order) { order_ = order; }
  RecordOrder* Order() const { return order_; }
  // The work area's open indexes and semaphore login (ndx_orders.h), null before the first
  // index is opened. The work area owns them; closing the table closes them first.
  IndexOrders* Indexes() const { return indexes_.get(); }
  void SetIndexes(std::unique_ptr<IndexOrders> indexes);

  // --- Movement -------------------------------------------------------------------------
  // First visible record; with none, EOF (record number RecCount + 1, blank record).
  // Nothing happens on a table with 0 records.
  void GoTop();
  // Last visible record; with none, BOF and EOF and the blank record.
  void GoBottom();
  // "SKIP" n: moves n visible records (backward for n < 0). 0 re-reads the current record
  // from the file (or blanks the values at EOF or on an empty table). Forward past the end:
  // EOF. Backward past the beginning: the first visible record with BOF set.
  // Errors 212: n > 0 at EOF ("... is past EOF. [SKIP]"), n != 0 on an empty table.
  void Skip(std::int64_t n);
  // "GO" k: reads record k without the visibility test. Error 212 on an empty table and
  // for k outside 1..RecCount (which leaves EOF set).
  void Go(std::int64_t k);
  // The form of GO used inside index operations: k <= 0 is error 212 ("[Dbf4RawGo]"),
  // k > RecCount is end of file without an error.
  void RawGo(std::int64_t k);
  // Reads record k into the record buffer and decodes it; k becomes the record number.
  // Errors: 212 for k outside 1..RecCount, 213 when the file ends before the record.
  void GetDbfRecord(std::int64_t k);

  // --- Memo -----------------------------------------------------------------------------
  // The lines of the memo starting at block (as the file holds them, not converted).
  // Block 0 gives no lines. Error 1003 for a block past the end of the memo file;
  // error 1019 when the table has no memo file.
  std::vector<std::string> GetMemo(std::uint32_t block) const;
  const MemoFile* Memo() const { return memo_ ? &*memo_ : nullptr; }

 private:
  WorkArea(DbfFile file, const UseCommand& command, const OpenOptions& options);

  // Reads record k into the record buffer and makes it current, without decoding.
  void ReadRecord(std::int64_t k, bool from_disk = false);
  // The record after (before) the current one in the controlling order; 0 past the end.
  std::int64_t FirstInOrder();
  std::int64_t LastInOrder();
  std::int64_t NextInOrder();
  std::int64_t PriorInOrder();
  // End of file: record number RecCount + 1, the blank record.
  void SetEndOfFile();
  void SetBlankRecord();
  // Reads the current record again from the file and decodes it.
  void GetDbfRecordFromDisk();
  void CheckFieldNumber(int n, const char* operation) const;

  DbfFile file_;                       // the table file, its header and its read cache
  std::optional<MemoFile> memo_;       // the memo file when the table has one
  std::string file_name_;              // full path as the disk spells it
  std::string alias_;                  // unique among the open work areas
  bool oem_ = true;                    // character data is converted from OEM
  bool exclusive_ = false;             // opened EXCLUSIVE
  bool read_only_ = false;             // opened read-only (the component's ReadOnly)
  std::string open_path_;              // the path as given, letter case kept
  std::string semaphore_path_;         // the SemaphoreFile, beside the table or in semaphore_dir
  bool hide_deleted_ = false;          // records marked "*" are invisible
  std::function<bool(const char*)> filter_;  // the filter, or empty
  RecordOrder* order_ = nullptr;       // controlling index, or null for natural order
  std::vector<char> record_;           // the current record's bytes
  std::vector<char> blank_record_;     // a record of blanks
  FieldVariableArea values_;           // the current record decoded
  std::int64_t rec_no_ = 0;            // 1..RecCount, RecCount + 1 at EOF, 0 when empty
  bool bof_ = false;                   // a movement ran off the beginning
  bool eof_ = false;                   // a movement ran off the end
  std::unique_ptr<IndexOrders> indexes_;  // last: destroyed before everything it uses
};

}  // namespace vantorel::tables
