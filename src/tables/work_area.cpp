#include "tables/work_area.h"

#include <cstring>
#include <filesystem>

#include "core/path_texts.h"
#include "core/texts.h"
#include "tables/kv_error.h"
#include "tables/semaphore_file.h"
#include "tables/ndx_orders.h"

namespace vantorel::tables {

namespace {

constexpr std::string_view kExclusiveWord = " EXCLUSIVE";
constexpr std::string_view kAliasWord = " ALIAS ";

// Removes the word at position at (length size) from both the text and its upper-case copy.
void TakeOut(std::string& text, std::string& upper, std::size_t at, std::size_t size) {
  text.erase(at, size);
  upper.erase(at, size);
}

// Removes the blanks at the end of both the text and its upper-case copy.
void TrimEnd(std::string& text, std::string& upper) {
  while (!upper.empty() && upper.back() == ' ') {
    text.pop_back();
    upper.pop_back();
  }
}

DbfAccess AccessFor(const OpenOptions& options, bool exclusive) {
  if (options.read_only)
    return exclusive ? DbfAccess::ReadOnlyCompatible : DbfAccess::ReadOnlyShared;
  return exclusive ? DbfAccess::ReadWriteExclusive : DbfAccess::ReadWriteShared;
}

}  // namespace

UseCommand ParseUseCommand(std::string_view command_text) {
  std::string text = core::AllTrim(command_text);
  std::string upper = core::UpperCaseAscii(text);
  UseCommand command;

  // The option words follow the name, so they are looked for at the end only.
  for (bool taken = true; taken;) {
    taken = false;
    if (!command.exclusive && upper.ends_with(kExclusiveWord)) {
      TakeOut(text, upper, upper.size() - kExclusiveWord.size(), kExclusiveWord.size());
      TrimEnd(text, upper);
      command.exclusive = true;
      taken = true;
    }
    const std::size_t last_blank = upper.rfind(' ');
    if (command.alias.empty() && last_blank != std::string::npos &&
        last_blank + 1 < upper.size() && last_blank + 1 >= kAliasWord.size() &&
        upper.find_first_of("/\\", last_blank) == std::string::npos &&  // a name, not a path
        upper.compare(last_blank + 1 - kAliasWord.size(), kAliasWord.size(), kAliasWord) == 0) {
      const std::size_t at = last_blank + 1 - kAliasWord.size();
      command.alias = upper.substr(last_blank + 1);
      TakeOut(text, upper, at, upper.size() - at);
      TrimEnd(text, upper);
      taken = true;
    }
  }

  std::string name = core::AllTrim(text);
  if (name.empty() || (name.front() != '/' && name.front() != '\\')) {
    const std::filesystem::path current = platform::CurrentDirectory();
    if (!current.empty()) {
      std::string folder = platform::PathText(current);
      if (folder.empty() || folder.back() != '/') folder += '/';
      name = folder + name;
    }
  }
  if (!core::HasExtension(name)) name += ".DBF";
  if (command.alias.empty())
    command.alias = core::UpperCaseAscii(core::WithoutExtension(core::FileNameOf(name)));
  command.file_name = std::move(name);
  return command;
}

std::unique_ptr<WorkArea> WorkArea::Open(const UseCommand& command, const OpenOptions& options) {
  const std::string path = platform::ShownPath(command.file_name);
  DbfFile file = DbfFile::Open(command.file_name, path, AccessFor(options, command.exclusive),
                               options.language == KvTableLanguage::tlOem);
  if (options.auto_fix_rec_count) file.FixRecCount();
  std::unique_ptr<WorkArea> area(new WorkArea(std::move(file), command, options));
  if (area->HasMemo()) {
    const MemoKind kind = MemoKindOf(area->Version());
    area->memo_ = MemoFile::Open(MemoFileName(command.file_name, kind),
                                 platform::ShownPath(MemoFileName(command.file_name, kind)), kind,
                                 options.read_only);
  }
  if (area->RecCount() > 0) {
    area->GetDbfRecord(1);
    area->GoTop();
  }
  return area;
}

WorkArea::WorkArea(DbfFile file, const UseCommand& command, const OpenOptions& options)
    : file_(std::move(file)),
      file_name_(platform::ShownPath(command.file_name)),
      alias_(command.alias),
      oem_(options.language == KvTableLanguage::tlOem),
      exclusive_(command.exclusive),
      read_only_(options.read_only),
      open_path_(command.file_name),
      semaphore_path_(SemaphoreFilePath(command.file_name, options.semaphore_dir)),
      hide_deleted_(options.hide_deleted),
      record_(static_cast<std::size_t>(RecordLength()), ' '),
      blank_record_(static_cast<std::size_t>(RecordLength()), ' '),
      values_(Fields()) {
  // An empty table sits at BOF and EOF on record 0 with the blank record.
  bof_ = eof_ = true;
  rec_no_ = 0;
}

WorkArea::~WorkArea() = default;

void WorkArea::SetIndexes(std::unique_ptr<IndexOrders> indexes) { indexes_ = std::move(indexes); }

// --- Fields ------------------------------------------------------------------------------

void WorkArea::CheckFieldNumber(int n, const char* operation) const {
  if (n < 1 || n > FieldCount())
    throw EKvError(220, "Invalid field number. [" + std::string(operation) + "(" +
                            std::to_string(n) + ")]");
}

char WorkArea::FieldType(int n) const {
  CheckFieldNumber(n, "FieldType");
  return Fields()[static_cast<std::size_t>(n - 1)].type;
}

int WorkArea::FieldLen(int n) const {
  CheckFieldNumber(n, "FieldLen");
  return Fields()[static_cast<std::size_t>(n - 1)].width;
}

int WorkArea::FieldDec(int n) const {
  CheckFieldNumber(n, "FieldDec");
  return Fields()[static_cast<std::size_t>(n - 1)].decimals;
}

const std::string& WorkArea::FieldName(int n) const {
  CheckFieldNumber(n, "FieldName");
  return Fields()[static_cast<std::size_t>(n - 1)].name;
}

const char* WorkArea::FieldAddress(int n) const {
  CheckFieldNumber(n, "FieldAddress");
  return values_.Address(static_cast<std::size_t>(n - 1));
}

int WorkArea::FieldNo(std::string_view name) const {
  const std::string wanted = core::UpperCaseAscii(core::AllTrim(name));
  for (std::size_t i = 0; i < Fields().size(); ++i)
    if (Fields()[i].name == wanted) return static_cast<int>(i + 1);
  return 0;
}

// --- Reading and visibility ----------------------------------------------------------------

void WorkArea::ReadRecord(std::int64_t k, bool from_disk) {
  const char* bytes = file_.Record(k, from_disk);
  std::memcpy(record_.data(), bytes, record_.size());
  rec_no_ = k;
}

void WorkArea::GetDbfRecord(std::int64_t k) {
  ReadRecord(k);
  values_.Decode(record_.data());
}

bool WorkArea::IsVisible() const {
  if (hide_deleted_ && record_[0] == kDbfDeletedFlag) return false;
  return !filter_ || filter_(record_.data());
}

void WorkArea::SetBlankRecord() {
  std::memcpy(record_.data(), blank_record_.data(), record_.size());
  values_.Blank();
}

void WorkArea::SetEndOfFile() {
  eof_ = true;
  rec_no_ = RecCount() + 1;
  SetBlankRecord();
}

std::int64_t WorkArea::FirstInOrder() { return order_ ? order_->First() : 1; }

std::int64_t WorkArea::LastInOrder() { return order_ ? order_->Last() : RecCount(); }

std::int64_t WorkArea::NextInOrder() {
  if (order_) return order_->Next();
  return rec_no_ < RecCount() ? rec_no_ + 1 : 0;
}

std::int64_t WorkArea::PriorInOrder() {
  if (order_) return order_->Prior();
  return rec_no_ > 1 ? rec_no_ - 1 : 0;
}

// --- Movement ------------------------------------------------------------------------------

void WorkArea::GoTop() {
  if (RecCount() == 0) return;
  bof_ = eof_ = false;
  for (std::int64_t k = FirstInOrder(); k != 0; k = NextInOrder()) {
    ReadRecord(k);
    if (IsVisible()) {
      values_.Decode(record_.data());
      return;
    }
  }
  SetEndOfFile();
}

void WorkArea::GoBottom() {
  if (RecCount() == 0) return;
  bof_ = eof_ = false;
  for (std::int64_t k = LastInOrder(); k != 0; k = PriorInOrder()) {
    ReadRecord(k);
    if (IsVisible()) {
      values_.Decode(record_.data());
      return;
    }
  }
  bof_ = true;
  SetEndOfFile();
}

void WorkArea::Skip(std::int64_t n) {
  if (n == 0) {
    if (RecCount() == 0 || eof_)
      values_.Blank();
    else
      GetDbfRecordFromDisk();
    return;
  }
  if (n > 0 && eof_) throw EKvError(212, "Database \"" + file_name_ + "\" is past EOF. [SKIP]");
  if (RecCount() == 0) {
    bof_ = eof_ = true;
    throw EKvError(212, "Database \"" + file_name_ + "\" is empty. [SKIP]");
  }
  bof_ = eof_ = false;
  for (std::int64_t remaining = n > 0 ? n : -n; remaining > 0;) {
    const std::int64_t k = n > 0 ? NextInOrder() : PriorInOrder();
    if (k == 0) {
      if (n > 0) {
        SetEndOfFile();
      } else {
        GoTop();
        bof_ = true;
      }
      return;
    }
    ReadRecord(k);
    if (IsVisible()) --remaining;
  }
  values_.Decode(record_.data());
}

void WorkArea::Go(std::int64_t k) {
  const std::string detail = "Invalid record number = " + std::to_string(k) + " Database \"" +
                             file_name_ + "\" [GO]";
  if (RecCount() == 0) {
    bof_ = eof_ = true;
    SetBlankRecord();
    throw EKvError(212, detail);
  }
  if (k < 1 || k > RecCount()) {
    SetEndOfFile();
    throw EKvError(212, detail);
  }
  GetDbfRecord(k);
  bof_ = eof_ = false;
}

void WorkArea::RawGo(std::int64_t k) {
  if (k <= 0)
    throw EKvError(212, "Invalid record number = " + std::to_string(k) + " Database \"" +
                            file_name_ + "\" [Dbf4RawGo]");
  if (k > RecCount()) {
    SetEndOfFile();
    return;
  }
  GetDbfRecord(k);
  bof_ = eof_ = false;
}

void WorkArea::GetDbfRecordFromDisk() {
  ReadRecord(rec_no_, true);
  values_.Decode(record_.data());
}

// --- Memo --------------------------------------------------------------------------------

std::vector<std::string> WorkArea::GetMemo(std::uint32_t block) const {
  if (!memo_)
    throw EKvError(1019, "Table " + file_name_ + " has no memo file [GetMemo]");
  if (block == 0) return {};
  return SplitMemoLines(memo_->ReadText(block, rec_no_));
}

}  // namespace vantorel::tables
