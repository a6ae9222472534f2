#include "tables/kv_dbf.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>

#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"
#include "tables/create_dbf.h"
#include "tables/field_text.h"
#include "tables/filter.h"
#include "tables/memo_field.h"
#include "tables/ndx_builder.h"
#include "tables/ndx_format.h"
#include "tables/ndx_index.h"
#include "tables/ndx_names.h"
#include "tables/ndx_orders.h"
#include "tables/semaphore_file.h"
#include "tables/text_search.h"
#include "tables/work_areas.h"

namespace vantorel::tables {

namespace {

// How many field names FieldIndex keeps with their answers.
constexpr std::size_t kKeptFieldNames = 16;

constexpr std::size_t kMaxFindKeyLength = 100;       // Find and FindExact cut their key here
constexpr std::size_t kMaxIndexExpressionLength = 100;

ApplicationTerminate& TerminateHook() {
  static ApplicationTerminate terminate;
  return terminate;
}

// A whole decimal integer of 32 bits, blanks around it allowed.
std::optional<std::int32_t> ParseInteger(std::string_view text) {
  const std::string trimmed = core::AllTrim(text);
  if (trimmed.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(trimmed.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<double> ParseNumber(std::string_view text) {
  const std::string trimmed = core::AllTrim(text);
  if (trimmed.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(trimmed.c_str(), &end);
  if (*end != '\0' || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Moves the work area back to record k (1..RecCount) without touching its flags, or to end
// of file when k is outside, as a scan that ended empty-handed leaves it.
void ReturnTo(WorkArea& area, std::int64_t k) {
  if (k >= 1 && k <= area.RecCount())
    area.GetDbfRecord(k);
  else if (area.RecCount() > 0)
    area.RawGo(area.RecCount() + 1);
}

// The open errors after which ciNotFound builds the index: the file is missing (2), corrupted
// (222) or of another index version (223).
bool IsMissingIndexError(const EKvError& error) {
  return error.Code() == 2 || error.Code() == 222 || error.Code() == 223;
}

// ciVerifyHeader: the index file is current when its header counts as many records as the
// table; a missing or short file is not.
bool IndexHeaderIsCurrent(const WorkArea& area, const std::string& file) {
  const IndexFileSpec spec = ParseIndexFileSpec(file, area.OpenPath());
  const std::optional<platform::File> index_file =
      platform::File::Open(spec.path, platform::File::Mode::Read);
  if (!index_file) return false;
  NdxPage page{};
  return index_file->ReadAt(0, page.data(), page.size()) == static_cast<long long>(page.size()) &&
         DecodeNdxHeader(page).record_count == area.RecCount();
}

}  // namespace

ApplicationTerminate SetApplicationTerminate(ApplicationTerminate terminate) {
  ApplicationTerminate previous = std::move(TerminateHook());
  TerminateHook() = std::move(terminate);
  return previous;
}

// --- KvProgress100 ------------------------------------------------------------------------

KvProgress100::KvProgress100(std::string_view index_name)
    : caption_("Indexing " + std::string(index_name) + "..."), text_(kSteps, '|') {}

void KvProgress100::Step() {
  text_.pop_back();
  if (text_.empty()) text_.assign(kSteps, '|');
}

// --- Life cycle and properties ------------------------------------------------------------

KvDbf::KvDbf(std::string name) : name_(std::move(name)) {}

KvDbf::~KvDbf() { Close(); }

void KvDbf::SetDbfFileName(std::string_view file_name) {
  std::string name = core::AllTrim(file_name);
  if (!name.empty() && name.back() != '.' &&
      !core::HasExtension(name, core::FolderEnd::SeparatorOrDrive))
    name += ".dbf";
  const bool was_active = active_;
  if (was_active) Close();
  dbf_file_name_ = std::move(name);
  if (was_active) Open();
}

void KvDbf::SetActive(bool active) {
  if (active == active_) return;
  if (active)
    Open();
  else
    Close();
}

void KvDbf::SetExclusive(bool exclusive) {
  if (exclusive == exclusive_) return;
  const bool was_active = active_;
  if (was_active) Close();
  exclusive_ = exclusive;
  if (was_active) Open();
}

void KvDbf::Report(const EKvError& error) const {
  if (raise_engine_errors_) throw error;
  ErrorReport(error);
}

// --- Opening and closing ------------------------------------------------------------------

void KvDbf::Open() {
  if (dbf_file_name_.empty()) throw EDatabaseError("ADataset error 4");
  field_indexes_.clear();
  WorkAreas& areas = ProcessWorkAreas();
  struct SelectionKept {
    WorkAreas& areas;
    int number;
    ~SelectionKept() { areas.Select(number); }
  } const kept{areas, areas.Selected()};

  WorkArea* area = nullptr;
  try {
    area_number_ = areas.Select(0);
    const std::string table_path = ParseUseCommand(dbf_file_name_).file_name;
    if (create_if_not_found_ && !platform::FileExists(table_path)) CreateTable(table_path);

    std::string command = dbf_file_name_;
    if (exclusive_) command += " EXCLUSIVE";
    const std::string alias = core::AllTrim(name_);
    if (!alias.empty()) command += " ALIAS " + alias;
    OpenOptions options;
    options.read_only = read_only_;
    options.language = table_language_;
    options.auto_fix_rec_count = auto_fix_rec_count_;
    options.hide_deleted = hide_deleted_recs_;
    options.semaphore_dir = semaphore_dir_;
    area = &areas.Use(command, options);
  } catch (const EKvError& error) {
    area_number_ = 0;
    Report(error);
    return;
  }
  active_ = true;
  RemoveStaleSemaphoreFile(area->OpenPath(), area->SemaphorePath());
  buffer_.assign(static_cast<std::size_t>(area->RecordLength()), ' ');
  values_ = std::make_unique<FieldVariableArea>(area->Fields());
  ClearBuffer();
  const std::optional<EKvError> index_list_error = OpenIndexList(*area);
  area->SetHideDeleted(hide_deleted_recs_);

  // The runtime fetches the first record: First.
  CheckResult(Cursor(&KvDbf::SetToBegin, *area));
  const CursorResult result = Cursor(&KvDbf::GetNextRecord, *area);
  CheckResult(result);
  eof_ = result != kOk;
  bof_ = true;
  if (index_list_error) Report(*index_list_error);
}

void KvDbf::CreateTable(const std::string& file_name) {
  if (dbf_fields_.empty()) {
    if (show_messages_) core::ShowInformation("FieldList.Count is <= 0 trying to create a database");
  } else {
    try {
      if (CreateDBF(file_name, dbf_fields_, name_, show_messages_)) return;
    } catch (const EKvError& error) {
      Report(error);
    }
  }
  if (show_messages_)
    core::ShowInformation("Could not create \"" + platform::ShownPath(file_name) + "\"");
}

void KvDbf::Close() {
  field_indexes_.clear();
  if (!active_ && area_number_ == 0) return;
  WorkAreas& areas = ProcessWorkAreas();
  const int previous = areas.Selected();
  scan_.reset();
  if (area_number_ != 0) {
    areas.Select(area_number_);
    areas.Close();
  }
  if (previous != area_number_) areas.Select(previous);
  active_ = false;
  area_number_ = 0;
  filter_.clear();
  buffer_.clear();
  buffer_rec_no_ = 0;
  values_.reset();
  eof_ = bof_ = true;
  before_first_ = after_last_ = false;
}

// IndexList: each entry "order,file name,expression". Reporting is off while the list is
// worked through; the first error ends it.
std::optional<EKvError> KvDbf::OpenIndexList(WorkArea& area) {
  if (index_list_.empty()) return std::nullopt;
  const ErrorReportingOff quiet;
  try {
    int first_order = 0;
    for (const std::string& text : index_list_) {
      const IndexListEntry entry = ParseIndexListEntry(text);
      OpenListedIndex(area, entry);
      if (first_order == 0) first_order = entry.order;
    }
    if (first_order != 0) SetControllingOrder(area, first_order);
  } catch (const EKvError& error) {
    ErrorReport(error);  // kept as the last error
    return error;
  }
  return std::nullopt;
}

KvDbf::IndexListEntry KvDbf::ParseIndexListEntry(std::string_view text) {
  const std::size_t comma = text.find(',');
  const std::size_t second = comma == std::string_view::npos ? comma : text.find(',', comma + 1);
  IndexListEntry entry;
  entry.order = ParseInteger(text.substr(0, comma)).value_or(0);
  if (comma != std::string_view::npos)
    entry.file = core::AllTrim(text.substr(comma + 1, second - comma - 1));
  if (second != std::string_view::npos)
    entry.expression = core::AllTrim(text.substr(second + 1)).substr(0, kMaxIndexExpressionLength);
  return entry;
}

void KvDbf::OpenListedIndex(WorkArea& area, const IndexListEntry& entry) {
  switch (create_index_) {
    case CreateIndexType::ciNotFound:
      try {
        OpenIndex(&area, entry.file, entry.order);
      } catch (const EKvError& error) {
        if (!IsMissingIndexError(error)) throw;
        BuildListedIndex(area, entry);
        OpenIndex(&area, entry.file, entry.order);
      }
      break;
    case CreateIndexType::ciAlways:
      BuildListedIndex(area, entry);
      OpenIndex(&area, entry.file, entry.order);
      break;
    case CreateIndexType::ciVerifyHeader:
      if (!IndexHeaderIsCurrent(area, entry.file)) BuildListedIndex(area, entry);
      OpenIndex(&area, entry.file, entry.order);
      break;
    case CreateIndexType::ciNever:
      OpenIndex(&area, entry.file, entry.order);
      break;
  }
}

void KvDbf::BuildListedIndex(WorkArea& area, const IndexListEntry& entry) {
  bool can_make = true;
  if (OnBeforeMakeIndex) OnBeforeMakeIndex(entry.file, can_make);
  if (!can_make) return;
  KvProgress100 progress(entry.file);
  KvProgressWindow* window = show_progress_ ? progress_window_ : nullptr;
  MakeIndexOptions options;
  if (window) {
    window->Open(progress);
    options.progress_step = [&] {
      progress.Step();
      window->Update(progress);
    };
  }
  const auto finish = [&] {
    if (window) window->Close();
    if (OnAfterMakeIndex) OnAfterMakeIndex(entry.file);
  };
  try {
    tables::MakeIndex(&area, entry.expression, entry.file, options);
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// --- Checks and the work area -------------------------------------------------------------

bool KvDbf::CheckActive(const char* operation) {
  if (active_) {
    ProcessWorkAreas().Select(area_number_);
    return true;
  }
  Report(EKvError(1103, "Database is not open [" + name_ + "." + operation + "]"));
  if (TerminateHook()) TerminateHook()();
  return false;
}

WorkArea& KvDbf::Area(const char* operation) { return ProcessWorkAreas().Current(operation); }

template <typename Operation>
void KvDbf::Run(const char* operation, Operation&& run) {
  if (!CheckActive(operation)) return;
  try {
    run(Area(operation));
  } catch (const EKvError& error) {
    Report(error);
  }
}

// --- Cursor operations --------------------------------------------------------------------

KvDbf::CursorResult KvDbf::Cursor(CursorResult (KvDbf::*operation)(WorkArea&), WorkArea& area) {
  try {
    return (this->*operation)(area);
  } catch (const EKvError& error) {
    Report(error);
    return static_cast<CursorResult>(error.Code());
  }
}

void KvDbf::CheckResult(int result) {
  if (result != kOk && result != kAtBeginning && result != kAtEnd)
    throw EDatabaseError("ADataset error " + std::to_string(result));
}

KvDbf::CursorResult KvDbf::SetToBegin(WorkArea& area) {
  if (area.RecCount() > 0) area.GoTop();
  before_first_ = true;
  after_last_ = false;
  return kOk;
}

KvDbf::CursorResult KvDbf::SetToEnd(WorkArea& area) {
  area.GoBottom();
  after_last_ = true;
  before_first_ = false;
  return kOk;
}

KvDbf::CursorResult KvDbf::GetNextRecord(WorkArea& area) {
  if (after_last_) return kAtEnd;
  if (before_first_) {
    area.Skip(0);
    before_first_ = false;
  } else if (!area.Eof()) {
    area.Skip(1);
  }
  if (!area.Eof()) {
    FillBuffer(area);
    return kOk;
  }
  if (!area.Bof()) area.Skip(-1);
  after_last_ = true;
  return kAtEnd;
}

// The mirror image of GetNextRecord. A backward SKIP that runs off the beginning already
// stands on the first visible record, so nothing moves forward again.
KvDbf::CursorResult KvDbf::GetPriorRecord(WorkArea& area) {
  if (before_first_) return kAtBeginning;
  if (after_last_) {
    area.Skip(0);
    after_last_ = false;
  } else if (!area.Bof()) {
    area.Skip(-1);
  }
  if (!area.Bof() && !area.Eof()) {
    FillBuffer(area);
    return kOk;
  }
  before_first_ = true;
  return kAtBeginning;
}

void KvDbf::FillBuffer(const WorkArea& area) {
  buffer_.assign(area.Record(), area.Record() + area.RecordLength());
  buffer_rec_no_ = area.RecNo();
  // The work area holds the same record decoded (its values follow its record).
  values_->CopyFrom(area.Values());
}

void KvDbf::ClearBuffer() {
  std::fill(buffer_.begin(), buffer_.end(), ' ');
  buffer_rec_no_ = 0;
  if (values_) values_->Blank();
}

void KvDbf::Resync(WorkArea& area) {
  before_first_ = after_last_ = false;
  if (area.RecCount() == 0) {
    ClearBuffer();
    before_first_ = after_last_ = true;
    eof_ = bof_ = true;
    return;
  }
  if (!area.Eof()) {
    FillBuffer(area);
    eof_ = bof_ = false;
    return;
  }
  // The engine stands on no record: the nearest one after, else before.
  CursorResult result = Cursor(&KvDbf::GetNextRecord, area);
  CheckResult(result);
  if (result != kOk) {
    result = Cursor(&KvDbf::GetPriorRecord, area);
    CheckResult(result);
  }
  if (result == kOk) {
    eof_ = bof_ = false;
  } else {
    ClearBuffer();
    eof_ = bof_ = true;
  }
}

void KvDbf::MoveLast(WorkArea& area) {
  CheckResult(Cursor(&KvDbf::SetToEnd, area));
  const CursorResult result = Cursor(&KvDbf::GetPriorRecord, area);
  CheckResult(result);
  if (result != kOk) ClearBuffer();
  eof_ = true;
  bof_ = result != kOk;
}

// --- Cursor -------------------------------------------------------------------------------

void KvDbf::First() {
  Run("First", [&](WorkArea& area) {
    CheckResult(Cursor(&KvDbf::SetToBegin, area));
    const CursorResult result = Cursor(&KvDbf::GetNextRecord, area);
    CheckResult(result);
    if (result != kOk) ClearBuffer();
    eof_ = result != kOk;
    bof_ = true;
  });
}

void KvDbf::Skip(std::int64_t n) {
  Run("Skip", [&](WorkArea& area) {
    if (n == 0) {
      area.Skip(0);
      Resync(area);
      return;
    }
    if (n > 0 ? eof_ : bof_) return;
    eof_ = bof_ = false;
    // After a move that ran off an end, the cursor goes back to the record showing first
    // (the runtime's go to bookmark), so that the next move starts from there.
    if ((before_first_ || after_last_) && buffer_rec_no_ > 0) {
      area.Go(buffer_rec_no_);
      before_first_ = after_last_ = false;
    }
    const bool forward = n > 0;
    for (std::int64_t remaining = forward ? n : -n; remaining > 0; --remaining) {
      const CursorResult result =
          Cursor(forward ? &KvDbf::GetNextRecord : &KvDbf::GetPriorRecord, area);
      CheckResult(result);
      if (result != kOk) {
        (forward ? eof_ : bof_) = true;
        return;
      }
    }
  });
}

std::int64_t KvDbf::RecordCount() {
  std::int64_t count = 0;
  Run("RecordCount", [&](WorkArea& area) { count = area.RecCount(); });
  return count;
}

// --- Fields -------------------------------------------------------------------------------

const std::vector<DbfField>& KvDbf::Fields() const {
  const WorkArea* area = active_ ? ProcessWorkAreas().At(area_number_) : nullptr;
  if (!area) throw EDatabaseError(name_ + ".DbfFields undefined. Set Active to TRUE");
  return area->Fields();
}

std::size_t KvDbf::FieldIndex(std::string_view field_name) const {
  for (const auto& [name, index] : field_indexes_)
    if (name == field_name) return index;
  const int number = FieldNumberByName(Fields(), field_name);
  if (number == 0) throw EDatabaseError("Field '" + std::string(field_name) + "' not found");
  // A few names are asked for again and again; any others are looked up each time.
  if (field_indexes_.size() < kKeptFieldNames)
    field_indexes_.emplace_back(field_name, static_cast<std::size_t>(number - 1));
  return static_cast<std::size_t>(number - 1);
}

std::string KvDbf::FieldAsString(std::string_view field_name) {
  std::string text;
  Run("FieldAsString", [&](WorkArea& area) {
    const DbfField& field = area.Fields()[FieldIndex(field_name)];
    if (field.type != 'M') {
      text = FieldText(field, {buffer_.data() + field.offset, static_cast<std::size_t>(field.width)},
                       FieldTextForm::Shown);
      return;
    }
    const std::vector<std::string> lines = MemoFieldLines(area, field.name);
    for (std::size_t line = 0; line < lines.size(); ++line)
      text += (line > 0 ? "\r\n" : "") + lines[line];
  });
  return text;
}

std::string_view KvDbf::FieldBytes(std::string_view field_name) {
  std::string_view bytes;
  Run("FieldBytes", [&](WorkArea& area) {
    const DbfField& field = area.Fields()[FieldIndex(field_name)];
    bytes = {buffer_.data() + field.offset, static_cast<std::size_t>(field.width)};
  });
  return bytes;
}

std::int32_t KvDbf::FieldAsInteger(std::string_view field_name) {
  std::int32_t number = 0;
  Run("FieldAsInteger", [&](WorkArea& area) {
    const std::size_t i = FieldIndex(field_name);
    const DbfField& field = area.Fields()[i];
    switch (field.type) {
      case 'N':
      case 'F': {
        if (!HoldsFloat(field)) {
          number = values_->Integer(i);
          break;
        }
        const double rounded = std::nearbyint(values_->Float(i));
        if (rounded < std::numeric_limits<std::int32_t>::min() ||
            rounded > std::numeric_limits<std::int32_t>::max())
          throw EDatabaseError("'" + FloatText(values_->Float(i)) + "' is not a valid integer value");
        number = static_cast<std::int32_t>(rounded);
        break;
      }
      case 'C': {
        const std::string text = StringFieldValue(values_->Text(i));
        const std::optional<std::int32_t> value = ParseInteger(text);
        if (!value) throw EDatabaseError("'" + text + "' is not a valid integer value");
        number = *value;
        break;
      }
      default:
        throw EDatabaseError("Cannot access field '" + field.name + "' as type Integer");
    }
  });
  return number;
}

void KvDbf::GetMField(std::string_view field_name, std::vector<std::string>& lines) {
  lines.clear();
  Run("GetMField", [&](WorkArea& area) { lines = MemoFieldLines(area, field_name); });
}

// --- Searching ----------------------------------------------------------------------------

bool KvDbf::Search(std::string_view text, std::uint8_t& field_number, bool from_top) {
  bool found = false;
  Run("Search", [&](WorkArea& area) {
    if (core::RightTrim(text).empty()) return;
    if (!scan_)
      scan_ = std::make_unique<TableScan>(area.OpenPath(), area.FileName(), area.HeaderLength(),
                                          area.RecordLength(), area.RecCount());
    SearchTable(area, *scan_, text, field_number, from_top);
    found = field_number != 0;
    if (!area.Eof() && !area.Bof()) Resync(area);
  });
  return found;
}

void KvDbf::SetFilterTo(std::string_view expression) {
  Run("SetFilterTo", [&](WorkArea& area) {
    filter_.clear();
    tables::SetFilterTo(area, expression);
    if (area.HasFilter()) filter_ = core::RightTrim(expression);
    const bool passes = area.RecCount() > 0 && !area.Eof() && area.IsVisible();
    if (passes)
      Resync(area);
    else
      MoveLast(area);
  });
}

bool KvDbf::Locate(std::string_view field_name, std::string_view value, LocateOptions options) {
  bool found = false;
  Run("Locate", [&](WorkArea& area) {
    if (ControllingOrder(area) == 0) {
      found = LocateByScan(area, field_name, value, options);
      return;
    }
    const std::string_view key = value.substr(0, kMaxFindKeyLength);
    found = options.partial_key ? tables::Find(area, key) : tables::FindExact(area, key);
    if (found) {
      Resync(area);
    } else if (buffer_rec_no_ > 0) {
      area.Go(buffer_rec_no_);  // the index finds its entry again at the next move
    }
  });
  return found;
}

bool KvDbf::LocateByScan(WorkArea& area, std::string_view field_name, std::string_view value,
                         LocateOptions options) {
  const int number = FieldNumberByName(area.Fields(), field_name);
  if (number == 0)
    throw EKvError(220, "Unrecognized field name [Locate/Count/Sum(" + std::string(field_name) + ")]");
  const DbfField& field = area.Fields()[static_cast<std::size_t>(number - 1)];
  const bool numeric = field.type == 'N' || field.type == 'F';

  // The value in the form the field's text is compared in.
  std::string wanted(value);
  if (numeric) {
    if (const std::optional<double> as_number = ParseNumber(value))
      wanted = FixedNumberText(*as_number, field.decimals);
  }
  if (options.partial_key) wanted = core::RightTrim(wanted);
  if (options.case_insensitive) wanted = core::AnsiUpper(wanted);

  auto field_text = [&](const char* record) {
    std::string text = FieldText(
        field, {record + field.offset, static_cast<std::size_t>(field.width)}, FieldTextForm::Compared);
    return options.case_insensitive ? core::AnsiUpper(text) : text;
  };
  auto matches = [&](const std::string& text) {
    if (options.partial_key)
      return wanted.size() <= text.size() && text.compare(0, wanted.size(), wanted) == 0;
    return core::RightTrim(text) == core::RightTrim(wanted);
  };

  const std::int64_t start = area.RecNo();
  for (std::int64_t k = 1; k <= area.RecCount(); ++k) {
    area.GetDbfRecord(k);
    if (!matches(field_text(area.Record())) || !area.IsVisible()) continue;
    area.Go(k);
    Resync(area);
    return true;
  }
  ReturnTo(area, start);
  return false;
}

// --- Indexes ------------------------------------------------------------------------------

void KvDbf::MakeIndex(std::string_view expression, std::string_view index_spec,
                      const IndexProgressStep& progress_step) {
  Run("MakeIndex", [&](WorkArea& area) {
    const std::string name(index_spec);
    bool can_make = true;
    if (OnBeforeMakeIndex) OnBeforeMakeIndex(name, can_make);
    if (!can_make) return;
    try {
      MakeIndexOptions options;
      options.progress_step = progress_step;
      tables::MakeIndex(&area, expression, index_spec, options);
    } catch (const EKvError&) {
      if (OnAfterMakeIndex) OnAfterMakeIndex(name);
      throw;
    }
    if (OnAfterMakeIndex) OnAfterMakeIndex(name);
  });
}

bool KvDbf::IndexFileOpens(std::string_view index_file) {
  bool opens = false;
  Run("IndexFileOpens", [&](WorkArea& area) { opens = tables::IndexFileOpens(area, index_file); });
  return opens;
}

void KvDbf::SetIndexTo(std::string_view names) { SetIndexToFiles(SplitIndexList(names)); }

void KvDbf::SetIndexToFiles(const std::vector<std::string>& names) {
  Run("SetIndexTo", [&](WorkArea& area) {
    try {
      tables::SetIndexToFiles(&area, names);
    } catch (const EKvError&) {
      Resync(area);  // the orders opened before the error stay; the buffer follows the engine
      throw;
    }
    Resync(area);
  });
}

bool KvDbf::Find(std::string_view key) { return FindKey("Find", key, false); }

bool KvDbf::FindExact(std::string_view key) { return FindKey("FindExact", key, true); }

bool KvDbf::FindKey(const char* operation, std::string_view key, bool exact) {
  bool found = false;
  Run(operation, [&](WorkArea& area) {
    const std::string_view cut = key.substr(0, kMaxFindKeyLength);
    found = exact ? tables::FindExact(area, cut) : tables::Find(area, cut);
    if (area.Eof())
      MoveLast(area);
    else
      Resync(area);
  });
  return found;
}

}  // namespace vantorel::tables
