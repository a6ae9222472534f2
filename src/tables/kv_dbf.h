// KvDbf: the dataset over one dBASE table with its open indexes, through which the catalogue
// search reaches its tables.
//
// A KvDbf is configured by properties (set before the table is opened, read when it is
// opened), opened with SetActive(true), and then walked with a cursor: First, Skip, Eof and
// field access by name, key seeks (Find, FindExact), raw text scans (Search), filters
// (SetFilterTo) and Locate. Each open KvDbf owns one of the process's engine work areas
// (work_areas.h), the first free one when it opens, and selects it before every operation.
//
// The cursor. The dataset holds one record buffer: the record the fields show. Movements go
// through the cursor operations of the dataset runtime (set to begin, get next, get prior,
// set to end) and keep two flags besides the engine's EOF and BOF: before-first (set by set
// to begin until the first record has been delivered) and after-last (set when a forward move
// ran off the end). After an engine-level move (Search, SetIndexTo, Find, Skip(0), a filter
// the current record passes) the dataset re-synchronises at the engine's current record.
// Visible record: one that the hide-deleted rule and the filter let through.
//
// Failures.
//   - An operation on a KvDbf whose table is not open is engine error 1103
//     "Database is not open [" + component name + "." + operation + "]", after which the
//     application is told to terminate (SetApplicationTerminate).
//   - An engine error (EKvError) goes to ErrorReport (kv_error.h): with reporting on the
//     "Program halted." box and the end of the process; when ErrorReport returns, the
//     operation returns its "nothing" value (false, 0, empty). With SetRaiseEngineErrors(true)
//     the EKvError travels to the caller instead (the command-line tool uses this).
//   - Errors of the dataset runtime itself are EDatabaseError exceptions: "ADataset error " + n
//     for a cursor result that is not success, beginning or end (an engine error inside a
//     cursor operation gives its code as n), "ADataset error 4" when opening without a file
//     name, "Field '<name>' not found", "Cannot access field '<name>' as type Integer",
//     name + ".DbfFields undefined. Set Active to TRUE".
//   - Creating a missing table shows message windows through the Ui port while ShowMessages
//     is true (the default).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tables/dbf_field.h"
#include "tables/field_variable_area.h"
#include "tables/kv_error.h"
#include "tables/ndx_builder.h"
#include "tables/work_area.h"

namespace vantorel::tables {

class TableScan;

// The dataset runtime's error: a message, shown by the GUI loop's standard error box.
class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What IndexList does with each of its entries when the table is opened.
enum class CreateIndexType {
  ciNotFound,      // open it; build it first when opening fails with 2, 222 or 223
  ciAlways,        // build it, then open it
  ciVerifyHeader,  // rebuild it when its header's record count differs from the table's
  ciNever          // open it only
};

// Locate's options.
struct LocateOptions {
  bool case_insensitive = false;  // both texts upper-cased before comparing
  bool partial_key = false;       // the value need only begin the field
};

// The contents of the TKvProgress100 window shown while an IndexList index is built: the
// caption "Indexing " + name + "..." and a row of 100 "|"; each step takes one "|" away and
// an empty row starts again at 100.
class KvProgress100 {
 public:
  static constexpr std::size_t kSteps = 100;

  explicit KvProgress100(std::string_view index_name);

  const std::string& Caption() const { return caption_; }
  const std::string& Text() const { return text_; }
  void Step();

 private:
  std::string caption_;  // "Indexing " + name + "..."
  std::string text_;     // the row of "|"
};

// Shows a KvProgress100: a stay-on-top window centred over the active form. A window layer
// implements it; the engine only drives it.
class KvProgressWindow {
 public:
  virtual ~KvProgressWindow() = default;
  virtual void Open(const KvProgress100& progress) = 0;
  // After each step.
  virtual void Update(const KvProgress100& progress) = 0;
  virtual void Close() = 0;
};

// What "the application is told to terminate" does after a "Database is not open" report:
// nothing by default; the program installs its own. Returns the previous one.
using ApplicationTerminate = std::function<void()>;
ApplicationTerminate SetApplicationTerminate(ApplicationTerminate terminate);

class KvDbf {
 public:
  // OnBeforeMakeIndex(name, can_make): can_make false skips the build.
  using BeforeMakeIndexEvent = std::function<void(const std::string& name, bool& can_make)>;
  // OnAfterMakeIndex(name): after every build, also a failed one.
  using AfterMakeIndexEvent = std::function<void(const std::string& name)>;

  // name is the component's name: the table's ALIAS and the name in messages.
  explicit KvDbf(std::string name);
  // Closes the table.
  ~KvDbf();
  KvDbf(const KvDbf&) = delete;
  KvDbf& operator=(const KvDbf&) = delete;

  const std::string& Name() const { return name_; }

  // --- Properties ---------------------------------------------------------------------
  // DbfFileName (default empty). Assigning trims blanks at both ends; a result that is not
  // empty and does not end with "." gets the extension "dbf" when its last path component
  // has none. An open table is closed before the change and opened again afterwards.
  const std::string& DbfFileName() const { return dbf_file_name_; }
  void SetDbfFileName(std::string_view file_name);

  // Active: true opens the table and stands on the first visible record (First); false
  // closes it with every index opened on it. Opening, in this order:
  //   - without DbfFileName: EDatabaseError "ADataset error 4";
  //   - the first free work area is taken (error 220 "No free workarea available
  //     [Select(0)]" when all 33 are in use);
  //   - with CreateIfNotFound and no file of that name, the table is created from DbfFields
  //     (create_dbf.h); message windows "FieldList.Count is <= 0 trying to create a
  //     database" for an empty list and "Could not create \"<file>\"" when it fails;
  //   - the table is opened ("USE" with the file name, " EXCLUSIVE" when Exclusive, and
  //     " ALIAS " + the component's name), read-only when ReadOnly, in TableLanguage, with
  //     AutoFixRecCount and HideDeletedRecs; an engine error here leaves the KvDbf closed;
  //   - a stale SemaphoreFile beside the table is removed when nobody uses it;
  //   - the IndexList is opened (see IndexList); its first error is reported once the
  //     table stands on its first record.
  // The work area selected before comes back afterwards.
  bool Active() const { return active_; }
  void SetActive(bool active);

  // DbfFields (default empty): "name, type, width, decimals" per field, used to create the
  // table when the file is missing and CreateIfNotFound is true.
  const std::vector<std::string>& DbfFields() const { return dbf_fields_; }
  void SetDbfFields(std::vector<std::string> fields) { dbf_fields_ = std::move(fields); }

  // HideDeletedRecs (default false): records marked "*" are skipped by every movement.
  bool HideDeletedRecs() const { return hide_deleted_recs_; }
  void SetHideDeletedRecs(bool hide) { hide_deleted_recs_ = hide; }

  // TableLanguage (default tlOem): tlOem converts character data to ANSI when read.
  KvTableLanguage TableLanguage() const { return table_language_; }
  void SetTableLanguage(KvTableLanguage language) { table_language_ = language; }

  // ReadOnly (default false): the table file is opened read-only (deny-none, or
  // compatibility sharing together with Exclusive).
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }

  // SemaphoreDir (default empty): the folder, ending in a separator, that holds the table's
  // SemaphoreFile when the table is shared; empty: beside the table. Takes effect at the next
  // opening.
  const std::string& SemaphoreDir() const { return semaphore_dir_; }
  void SetSemaphoreDir(std::string folder) { semaphore_dir_ = std::move(folder); }

  // Exclusive (default false): the table is opened EXCLUSIVE. Changing it on an open table
  // closes and reopens the table.
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool exclusive);

  // CreateIfNotFound (default true): a missing table is created empty from DbfFields.
  bool CreateIfNotFound() const { return create_if_not_found_; }
  void SetCreateIfNotFound(bool create) { create_if_not_found_ = create; }

  // CreateIndex (default ciNotFound): the policy for the IndexList entries.
  CreateIndexType CreateIndex() const { return create_index_; }
  void SetCreateIndex(CreateIndexType policy) { create_index_ = policy; }

  // IndexList (default empty): indexes opened with the table, one entry each:
  // order number, ",", file name, ",", key expression (at most 100 characters). The first
  // entry's order controls. Errors while the list is worked through are collected with
  // reporting off; the first one stops the list and is reported once reporting is back on.
  const std::vector<std::string>& IndexList() const { return index_list_; }
  void SetIndexList(std::vector<std::string> entries) { index_list_ = std::move(entries); }

  // ShowProgress (default true): show the progress window while an IndexList index is
  // built. MakeIndex called directly shows none.
  bool ShowProgress() const { return show_progress_; }
  void SetShowProgress(bool show) { show_progress_ = show; }
  // The window that shows the progress; none (null) by default. Not owned.
  void SetProgressWindow(KvProgressWindow* window) { progress_window_ = window; }

  // AutoFixRecCount (default false): the record count is taken from the file size.
  bool AutoFixRecCount() const { return auto_fix_rec_count_; }
  void SetAutoFixRecCount(bool fix) { auto_fix_rec_count_ = fix; }

  // The dataset layer's message mode (default true): show its message windows.
  bool ShowMessages() const { return show_messages_; }
  void SetShowMessages(bool show) { show_messages_ = show; }

  // Engine errors travel to the caller as EKvError instead of going to ErrorReport.
  bool RaiseEngineErrors() const { return raise_engine_errors_; }
  void SetRaiseEngineErrors(bool raise) { raise_engine_errors_ = raise; }

  BeforeMakeIndexEvent OnBeforeMakeIndex;  // none by default
  AfterMakeIndexEvent OnAfterMakeIndex;    // none by default

  // --- Cursor -------------------------------------------------------------------------
  // First: the first visible record in the controlling order. Without one, Eof is true.
  // Bof is true afterwards.
  void First();
  // True after a movement passed the last visible record, after First found no visible
  // record, and after an unsuccessful Find/FindExact. True while the table is closed.
  bool Eof() const { return eof_; }
  // True after First, and after a backward movement passed the first visible record.
  bool Bof() const { return bof_; }
  // Skip(n), n != 0: moves n visible records forward (backward for n < 0) in the controlling
  // order; running off the end sets Eof and leaves the last record showing (Bof and the
  // first record likewise). Nothing moves forward at Eof or backward at Bof.
  // Skip(0): the current record is read again from the file and the dataset re-synchronises.
  void Skip(std::int64_t n);
  // The record number of the record showing; 0 when none.
  std::int64_t RecNo() const { return buffer_rec_no_; }
  // RecordCount: the records in the table file, deleted and filtered-out ones included.
  std::int64_t RecordCount();

  // --- Fields -------------------------------------------------------------------------
  // The table's fields. EDatabaseError name + ".DbfFields undefined. Set Active to TRUE"
  // while the table is closed.
  const std::vector<DbfField>& Fields() const;
  // FieldAsString(name): the field of the record showing, looked up by the first 10
  // characters of name without regard to case, as text (field_text.h, the Shown form): C
  // padded with blanks to the field width; N/F right-aligned in the field width (integers in
  // decimal, others with up to 15 significant digits); L "T" or "F"; D "MM/DD/YYYY",
  // "  /  /    " when empty; M the memo lines as GetMField gives them, joined by CR LF.
  // EDatabaseError "Field '<name>' not found".
  std::string FieldAsString(std::string_view field_name);
  // FieldBytes(name): the stored bytes of a field of the record showing, as the engine holds
  // them (converted to ANSI for an OEM table): the text Locate compares, before any trimming.
  // Valid until the record showing changes. EDatabaseError as FieldAsString.
  std::string_view FieldBytes(std::string_view field_name);
  // FieldAsInteger(name): an N/F field as a signed 32-bit integer (a blank field is 0;
  // decimals are rounded to the nearest, halves to even); a C field's text read as an
  // integer. EDatabaseError "Field '<name>' not found"; "Cannot access field '<name>' as type
  // Integer" for D, L and M fields; "'<text>' is not a valid integer value" for other text.
  std::int32_t FieldAsInteger(std::string_view field_name);
  // GetMField(name, lines): the lines of the memo field of the record showing (only the
  // first 10 characters of name count); lines is cleared first and stays empty when the
  // record has no memo; converted to ANSI for an OEM table. Engine errors 220 for a missing
  // field and for a field that is not a memo (memo_field.h).
  void GetMField(std::string_view field_name, std::vector<std::string>& lines);

  // --- Searching ----------------------------------------------------------------------
  // Search(text, field number, from top): text_search.h. field_number is in and out: 0 or a
  // field number on entry; the number of the field holding the hit, or 0, on return. True
  // when found: the record found shows. False: the record showing is the one before the
  // call (a text empty after removing its trailing blanks leaves field_number as it was).
  bool Search(std::string_view text, std::uint8_t& field_number, bool from_top);
  // SetFilterTo(expression): installs the filter (empty removes it). When the record
  // showing passes it the dataset re-synchronises there; otherwise it moves to the last
  // visible record with Eof true. Compile errors are engine errors (no filter afterwards).
  void SetFilterTo(std::string_view expression);
  const std::string& Filter() const { return filter_; }
  bool Filtered() const { return !filter_.empty(); }
  // Locate(field name, value, options). With an index controlling: FindExact(value)
  // (Find(value) with partial_key) on it. Otherwise the records from 1 to the record count
  // are scanned for the first visible one whose field equals the value: the field text
  // (trailing blanks of the field do not count) against the value, both upper-cased with
  // case_insensitive; with partial_key only the value's length (its trailing blanks
  // removed) is compared; the field's text is field_text.h's Compared form: N/F fields as
  // numbers fixed with the field's decimals (the value too, when it reads as a number), L as
  // "T"/"F", D as "MM/DD/YYYY". True: the record found shows. False: the
  // record showing is the one before the call. Engine error 220
  // "Unrecognized field name [Locate/Count/Sum(" + name + ")]" for an unknown field.
  bool Locate(std::string_view field_name, std::string_view value, LocateOptions options = {});

  // --- Indexes ------------------------------------------------------------------------
  // MakeIndex(expression, index specification): builds the index file (ndx_builder.h)
  // without moving the cursor and without opening it. OnBeforeMakeIndex may cancel it;
  // OnAfterMakeIndex follows, also when the build failed. No progress window; progress_step,
  // when given, is called 100 times over the build (IndexProgressStep).
  void MakeIndex(std::string_view expression, std::string_view index_spec,
                 const IndexProgressStep& progress_step = {});
  // True when the index file (a name as SetIndexTo takes it) can be opened over the table
  // and its header fits the file (ndx_index.h: IndexFileOpens); nothing is reported, the
  // cursor and the open indexes stay as they are.
  bool IndexFileOpens(std::string_view index_file);
  // SetIndexTo(names): closes every index, opens the blank-separated list (up to 16) with
  // the first one controlling, and re-synchronises on the first visible record in that
  // order; an empty text returns to natural order (ndx_orders.h).
  void SetIndexTo(std::string_view names);
  // SetIndexTo with the names passed apart, each one whole index file specification: a path
  // with blanks in it (ndx_orders.h SetIndexToFiles).
  void SetIndexToFiles(const std::vector<std::string>& names);
  // Find(key) / FindExact(key) on the controlling index, the key cut to 100 characters.
  // True: the first visible record with a matching key shows. False: the last visible
  // record shows with Eof true (an empty key moves nothing).
  bool Find(std::string_view key);
  bool FindExact(std::string_view key);

 private:
  // Results of the cursor operations.
  enum CursorResult { kOk = 0, kAtBeginning = 2, kAtEnd = 3 };

  void Open();
  void Close();
  // Creates the missing table from DbfFields (CreateIfNotFound).
  void CreateTable(const std::string& file_name);
  // Opens the IndexList with reporting off; the first error, to be reported once the
  // opening is done.
  std::optional<EKvError> OpenIndexList(WorkArea& area);
  // One IndexList entry.
  struct IndexListEntry {
    int order = 0;           // 0 unless the text before the first comma is a whole number
    std::string file;        // the index specification, blanks around it removed
    std::string expression;  // the key expression, blanks around it removed, cut to 100
  };
  // "order,file name,expression"; a missing part is empty.
  static IndexListEntry ParseIndexListEntry(std::string_view text);
  // Opens the entry's index under the CreateIndex policy, building it first where the
  // policy asks for it.
  void OpenListedIndex(WorkArea& area, const IndexListEntry& entry);
  // Builds the entry's index unless OnBeforeMakeIndex cancels it, with the progress window
  // when ShowProgress; OnAfterMakeIndex follows, also when the build failed.
  void BuildListedIndex(WorkArea& area, const IndexListEntry& entry);

  // 1103 "Database is not open" when closed; otherwise selects the work area. True when open.
  bool CheckActive(const char* operation);
  WorkArea& Area(const char* operation);
  // Runs an operation on the work area after CheckActive; an engine error goes to Report.
  template <typename Operation>
  void Run(const char* operation, Operation&& run);
  // Hands an engine error to ErrorReport, or throws it on with RaiseEngineErrors.
  void Report(const EKvError& error) const;

  // The cursor operations of the dataset runtime.
  CursorResult SetToBegin(WorkArea& area);
  CursorResult SetToEnd(WorkArea& area);
  CursorResult GetNextRecord(WorkArea& area);
  CursorResult GetPriorRecord(WorkArea& area);
  // Runs a cursor operation; an engine error becomes its code, reported first.
  CursorResult Cursor(CursorResult (KvDbf::*operation)(WorkArea&), WorkArea& area);
  // "ADataset error " + n for a result that is not 0, 2 or 3.
  static void CheckResult(int result);

  // The record buffer.
  void FillBuffer(const WorkArea& area);
  void ClearBuffer();
  // After an engine-level move: refills the buffer around the engine's current record.
  void Resync(WorkArea& area);
  // Last: the last visible record showing, Eof true.
  void MoveLast(WorkArea& area);

  // The field named (first 10 characters, any case), or EDatabaseError "Field '...' not found".
  // The names asked for while the table is open are kept with their answers.
  std::size_t FieldIndex(std::string_view field_name) const;
  bool FindKey(const char* operation, std::string_view key, bool exact);
  bool LocateByScan(WorkArea& area, std::string_view field_name, std::string_view value,
                    LocateOptions options);

  std::string name_;                          // component name: alias and messages
  // Properties.
  std::string dbf_file_name_;
  std::vector<std::string> dbf_fields_;
  bool hide_deleted_recs_ = false;
  KvTableLanguage table_language_ = KvTableLanguage::tlOem;
  bool read_only_ = false;
  std::string semaphore_dir_;
  bool exclusive_ = false;
  bool create_if_not_found_ = true;
  CreateIndexType create_index_ = CreateIndexType::ciNotFound;
  std::vector<std::string> index_list_;
  bool show_progress_ = true;
  KvProgressWindow* progress_window_ = nullptr;
  bool auto_fix_rec_count_ = false;
  bool show_messages_ = true;
  bool raise_engine_errors_ = false;

  // State while open.
  bool active_ = false;
  int area_number_ = 0;                       // the engine work area owned, 1..33
  std::string filter_;                        // the filter text, empty when none
  std::unique_ptr<TableScan> scan_;           // Search's file, made at the first Search
  // The cursor.
  bool eof_ = true;                           // the dataset's Eof
  bool bof_ = true;                           // the dataset's Bof
  bool before_first_ = false;                 // set to begin, first record not yet delivered
  bool after_last_ = false;                   // a forward move ran off the end
  // FieldIndex's answers for the names asked for since the table opened, as given.
  mutable std::vector<std::pair<std::string, std::size_t>> field_indexes_;
  std::vector<char> buffer_;                  // the record showing (bytes as the engine gives them)
  std::int64_t buffer_rec_no_ = 0;            // its record number; 0 when none
  std::unique_ptr<FieldVariableArea> values_; // the record showing, decoded
};

}  // namespace vantorel::tables
