#include "tables/ndx_index.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <utility>

#include "core/code_pages.h"
#include "core/texts.h"
#include "tables/expression/expression_dates.h"
#include "tables/expression/expression_numbers.h"
#include "tables/expression/expression_parser.h"
#include "tables/kv_error.h"
#include "tables/ndx_key.h"
#include "tables/work_areas.h"

namespace vantorel::tables {

namespace {

// Pages kept in memory per index: the whole file up to 64 MB.
constexpr std::uint64_t kMaxCachedPages = 131072;
// Pages whose slot is kept in a table (4 bytes each): those of an index up to 4 GB. A page
// beyond, in a larger file, is read each time it is needed.
constexpr std::uint64_t kMaxMappedPages = 8 * 1024 * 1024;
// Pages read at once: the aligned run of this many that holds the page asked for (neighbouring
// leaves hold neighbouring keys).
constexpr std::uint64_t kNdxRunPages = 8;
// The expression text read from the header: at most this many characters.
constexpr std::size_t kExpressionReadMax = 100;

// The index files open in the process, by the file's identity.
std::map<platform::FileIdentity, const NdxIndex*>& OpenIndexFiles() {
  static std::map<platform::FileIdentity, const NdxIndex*> files;
  return files;
}

int AreaNumberOf(const WorkArea& area) {
  for (int n = 1; n <= WorkAreas::kCount; ++n)
    if (ProcessWorkAreas().At(n) == &area) return n;
  return 0;
}

std::string NumberText(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", value);
  return text;
}

}  // namespace

bool IndexFileIsOpen(std::string_view path) {
  const std::optional<platform::FileIdentity> id =
      platform::IdentityAt(platform::ResolvePath(path));
  return id && OpenIndexFiles().count(*id) != 0;
}

bool IndexFileOpens(WorkArea& area, std::string_view path) {
  if (IndexFileIsOpen(path)) return true;
  try {
    const std::unique_ptr<NdxIndex> index =
        NdxIndex::Open(area, ParseIndexFileSpec(path, area.OpenPath()), 1);
    const std::uint32_t root = index->Header().root;
    return root >= 1 && root < index->PageCount();
  } catch (const EKvError&) {
    return false;
  }
}

std::unique_ptr<NdxIndex> NdxIndex::Open(WorkArea& area, const IndexFileSpec& file, int order) {
  const bool read_only = area.ReadOnly() && !area.Exclusive();
  auto handle = platform::File::Open(
      file.path, read_only ? platform::File::Mode::Read : platform::File::Mode::ReadWrite);
  if (!handle) throw EKvError(DosErrorCode(errno), "Unable to open index: " + file.name);
  return std::unique_ptr<NdxIndex>(new NdxIndex(area, file, order, std::move(*handle)));
}

NdxIndex::NdxIndex(WorkArea& area, const IndexFileSpec& file, int order, platform::File handle)
    : area_(area),
      name_(file.name),
      order_(order),
      file_(std::move(handle)),
      read_only_(area.ReadOnly() && !area.Exclusive()) {
  const std::string unable = "Unable to open index: " + name_;
  const std::string corrupted = "Invalid dBASE key expression or corrupted index file " + name_;
  const long long size = file_.Size();
  if (size < static_cast<long long>(2 * kNdxPageSize)) throw EKvError(222, unable);
  NdxPage page{};
  if (file_.ReadAt(0, page.data(), page.size()) != static_cast<long long>(page.size()))
    throw EKvError(222, unable);
  header_ = DecodeNdxHeader(page);

  // The expression as the engine compiles it: from OEM, normalised.
  std::string text = header_.expression.substr(0, kExpressionReadMax);
  if (area_.Oem()) text = core::OemToAnsi(text);
  expression_text_ = NormaliseKeyExpression(text);
  if (expression_text_.empty()) throw EKvError(222, corrupted);
  try {
    expression_ = std::make_unique<ParsedExpression>(
        AssignExpr(expression_text_, area_.Fields(), area_.Alias()));
  } catch (const EKvError&) {
    throw EKvError(222, corrupted);
  }
  key_type_ = expression_->ResultType();
  if (key_type_ != 'C' && key_type_ != 'D' && key_type_ != 'N') throw EKvError(222, corrupted);

  // Key length and entry size must describe entries that fit in a node.
  key_length_ = header_.key_length;
  entry_size_ = header_.entry_size;
  if (key_length_ < 1 || key_length_ > kNdxMaxKeyLength) throw EKvError(222, corrupted);
  if (key_type_ != 'C' && key_length_ != static_cast<int>(kNdxNumericKeyLength))
    throw EKvError(222, corrupted);
  if (entry_size_ < key_length_ + static_cast<int>(kNdxEntryHeaderSize) ||
      entry_size_ > static_cast<int>(kNdxNodeUsableBytes))
    throw EKvError(222, corrupted);

  page_count_ = static_cast<std::uint64_t>(size) / kNdxPageSize;
  if (header_.next_free != page_count_) {
    header_.next_free = static_cast<std::uint32_t>(page_count_);
    if (!read_only_) {
      char bytes[4];
      PutNdxU32(bytes, 0, header_.next_free);
      if (!file_.WriteAt(4, bytes, sizeof bytes))
        throw EKvError(101, "Error writing index file: " + name_ + " [SeekAndWrite]");
    }
  }

  if (key_type_ == 'C') {
    const ExpressionValue blank = expression_->Evaluate(
        area_.BlankRecord(), static_cast<std::uint32_t>(area_.RecCount() + 1));
    if (static_cast<int>(blank.text.size()) != key_length_)
      throw EKvError(266, ":Incorrect key length: Must be 1 to 100.\n\rExpected Length= " +
                              std::to_string(key_length_) + " \"" + std::string(blank.text) +
                              "\" [SetIndexTo/OpenIndex]");
  }

  whole_ = page_count_ <= kMaxCachedPages;
  if (whole_) {
    cache_ = platform::MakeLargeBuffer(page_count_ * kNdxPageSize);
    loaded_.assign((page_count_ + 63) / 64, 0);
  } else {
    cache_ = platform::MakeLargeBuffer(kMaxCachedPages * kNdxPageSize);
    cache_tags_.assign(kMaxCachedPages, 0);
    slot_of_page_.assign(std::min(page_count_, kMaxMappedPages), -1);
  }

  if (const std::optional<platform::FileIdentity> id = file_.Identity()) {
    file_id_ = *id;
    OpenIndexFiles()[*id] = this;
  }
}

NdxIndex::~NdxIndex() {
  if (area_.Order() == this) area_.SetOrder(nullptr);
  auto it = OpenIndexFiles().find(file_id_);
  if (it != OpenIndexFiles().end() && it->second == this) OpenIndexFiles().erase(it);
}

// --- Nodes -------------------------------------------------------------------------------

[[noreturn]] void NdxIndex::Corrupted() const {
  throw EKvError(222, "Invalid dBASE key expression or corrupted index file " + name_ + " [GetNode]");
}

NdxIndex::NodeView NdxIndex::Node(std::uint32_t page) {
  if (page == 0)
    throw EKvError(222, "Invalid Node Number (0) in DBF Area" + std::to_string(AreaNumberOf(area_)) +
                            ", Order" + std::to_string(order_) + " [GetNode]");
  if (page >= page_count_)
    throw EKvError(222, "Error reading index file: " + name_ + " [SeekAndRead]");
  const char* bytes = far_page_.data();
  if (whole_) {
    if (!Loaded(page)) ReadPagesAround(page);
    bytes = cache_.get() + static_cast<std::size_t>(page) * kNdxPageSize;
  } else if (page < slot_of_page_.size()) {
    if (slot_of_page_[page] < 0) ReadPagesAround(page);
    bytes = cache_.get() + static_cast<std::size_t>(slot_of_page_[page]) * kNdxPageSize;
  } else if (file_.ReadAt(static_cast<std::uint64_t>(page) * kNdxPageSize, far_page_.data(),
                          kNdxPageSize) != static_cast<long long>(kNdxPageSize)) {
    throw EKvError(222, "Error reading index file: " + name_ + " [SeekAndRead]");
  }
  // The node's lines come in together: a binary search then waits for memory once, not once
  // per key it compares.
  for (std::size_t line = 64; line < kNdxPageSize; line += 64) __builtin_prefetch(bytes + line);
  NodeView node{bytes, static_cast<int>(NdxU32(bytes, 0) & 0xFFFF), NdxU32(bytes, 4) == 0};
  // Format note: a leaf needs the count and its entries; an interior node also the
  // rightmost child pointer after them.
  const std::size_t used = 4 + static_cast<std::size_t>(node.count) * static_cast<std::size_t>(entry_size_) +
                           (node.leaf ? 0 : 4);
  if (used > kNdxPageSize) Corrupted();
  return node;
}

void NdxIndex::ReadPagesAround(std::uint32_t page) {
  // The pages of the aligned run that holds page, in one read; those not cached yet are kept.
  const std::uint64_t start = page / kNdxRunPages * kNdxRunPages;
  const std::uint64_t first = std::max<std::uint64_t>(1, start);
  const std::uint64_t end = std::min<std::uint64_t>(whole_ ? page_count_ : slot_of_page_.size(),
                                                    start + kNdxRunPages);
  char run[kNdxRunPages * kNdxPageSize];
  const long long got = file_.ReadAt(first * kNdxPageSize, run, (end - first) * kNdxPageSize);
  if (got < static_cast<long long>((page - first + 1) * kNdxPageSize))
    throw EKvError(222, "Error reading index file: " + name_ + " [SeekAndRead]");
  const std::uint64_t whole = first + static_cast<std::uint64_t>(got) / kNdxPageSize;
  if (whole_) {
    for (std::uint64_t p = first; p < whole; ++p) {
      if (Loaded(p)) continue;
      std::memcpy(cache_.get() + p * kNdxPageSize, run + (p - first) * kNdxPageSize, kNdxPageSize);
      loaded_[p / 64] |= std::uint64_t{1} << (p % 64);
    }
    return;
  }
  for (std::uint64_t p = first; p < whole; ++p) {
    if (slot_of_page_[p] >= 0) continue;
    const std::size_t slot = next_slot_;
    next_slot_ = (next_slot_ + 1) % cache_tags_.size();
    if (cache_tags_[slot] != 0) slot_of_page_[cache_tags_[slot]] = -1;
    std::memcpy(cache_.get() + slot * kNdxPageSize, run + (p - first) * kNdxPageSize, kNdxPageSize);
    cache_tags_[slot] = static_cast<std::uint32_t>(p);
    slot_of_page_[p] = static_cast<std::int32_t>(slot);
  }
}

std::uint32_t NdxIndex::ChildAt(const NodeView& node, int i) const {
  if (i < node.count) return NdxU32(EntryAt(node, i), 0);
  return NdxU32(EntryAt(node, node.count), 0);  // the rightmost child
}

void NdxIndex::Push(std::uint32_t page, int index) {
  for (const PathStep& step : path_)
    if (step.page == page) Corrupted();
  path_.push_back({page, index});
}

void NdxIndex::DescendFirst(std::uint32_t page) {
  for (;;) {
    const NodeView node = Node(page);
    Push(page, 0);
    if (node.leaf) return;
    page = ChildAt(node, 0);
  }
}

void NdxIndex::DescendLast(std::uint32_t page) {
  for (;;) {
    const NodeView node = Node(page);
    if (node.leaf) {
      Push(page, node.count - 1);
      return;
    }
    Push(page, node.count);
    page = ChildAt(node, node.count);
  }
}

std::int64_t NdxIndex::TakeCurrentEntry() {
  const NodeView node = Node(path_.back().page);
  const char* entry = EntryAt(node, path_.back().index);
  current_record_ = NdxU32(entry, 4);
  if (current_record_ == 0) Corrupted();
  current_key_.assign(entry + kNdxEntryHeaderSize, static_cast<std::size_t>(key_length_));
  at_entry_ = true;
  at_bof_ = false;
  return current_record_;
}

std::int64_t NdxIndex::SettleForward() {
  while (!path_.empty()) {
    {
      const NodeView leaf = Node(path_.back().page);
      const int i = path_.back().index;
      if (i >= 0 && i < leaf.count) return TakeCurrentEntry();
    }
    path_.pop_back();
    bool descended = false;
    while (!path_.empty() && !descended) {
      const NodeView parent = Node(path_.back().page);
      if (path_.back().index < parent.count) {
        const std::uint32_t child = ChildAt(parent, ++path_.back().index);
        DescendFirst(child);
        descended = true;
      } else {
        path_.pop_back();
      }
    }
  }
  SetEof();
  return 0;
}

std::int64_t NdxIndex::SettleBackward() {
  while (!path_.empty()) {
    {
      const NodeView leaf = Node(path_.back().page);
      const int i = path_.back().index;
      if (i >= 0 && i < leaf.count) return TakeCurrentEntry();
    }
    path_.pop_back();
    bool descended = false;
    while (!path_.empty() && !descended) {
      const NodeView parent = Node(path_.back().page);
      if (path_.back().index > 0) {
        const std::uint32_t child = ChildAt(parent, --path_.back().index);
        DescendLast(child);
        descended = true;
      } else {
        path_.pop_back();
      }
    }
  }
  SetEof();
  at_bof_ = true;
  return 0;
}

void NdxIndex::SetEof() {
  path_.clear();
  at_entry_ = false;
  at_bof_ = false;
  current_record_ = 0;
}

// --- Moving in key order -------------------------------------------------------------------

std::int64_t NdxIndex::First() {
  path_.clear();
  DescendFirst(header_.root);
  return SettleForward();
}

std::int64_t NdxIndex::Last() {
  path_.clear();
  DescendLast(header_.root);
  return SettleBackward();
}

std::int64_t NdxIndex::Next() {
  FollowWorkArea();
  if (!at_entry_) return at_bof_ ? First() : 0;
  ++path_.back().index;
  return SettleForward();
}

std::int64_t NdxIndex::Prior() {
  FollowWorkArea();
  if (!at_entry_) return at_bof_ ? 0 : Last();
  --path_.back().index;
  return SettleBackward();
}

void NdxIndex::FollowWorkArea() {
  const std::int64_t record = area_.RecNo();
  if (record > area_.RecCount()) {
    // The work area went to end of file on its own (GO beyond the table, a filter).
    if (at_entry_) SetEof();
    return;
  }
  if (area_.Eof() || record < 1) return;
  if (at_entry_ && record == current_record_) return;
  const std::vector<PathStep> path = path_;
  const bool at_entry = at_entry_;
  const bool at_bof = at_bof_;
  const std::int64_t current_record = current_record_;
  const std::string current_key = current_key_;
  bool key_found = false;
  if (SeekEntry(KeyOfCurrentRecord(), record, key_found) || key_found) return;
  // The record has no entry (the table changed since the build): go on from where we were.
  path_ = path;
  at_entry_ = at_entry;
  at_bof_ = at_bof;
  current_record_ = current_record;
  current_key_ = current_key;
}

// --- Searching -----------------------------------------------------------------------------

int NdxIndex::CompareKey(const char* entry_key, const char* key) const {
  if (key_type_ == 'C')
    return CompareCharacterKeys(entry_key, key, static_cast<std::size_t>(key_length_));
  return CompareNumericKeys(entry_key, key);
}

std::int64_t NdxIndex::Seek(const char* key) {
  path_.clear();
  std::uint32_t page = header_.root;
  for (;;) {
    const NodeView node = Node(page);
    // The first entry whose key is >= key; node.count when every key is smaller.
    int low = 0;
    int high = node.count;
    while (low < high) {
      const int middle = (low + high) / 2;
      if (CompareKey(EntryAt(node, middle) + kNdxEntryHeaderSize, key) < 0)
        low = middle + 1;
      else
        high = middle;
    }
    Push(page, low);
    if (node.leaf) {
      // The record of the entry found is most likely read next: its bytes are fetched while
      // the entry is taken.
      if (low < node.count) area_.PrefetchRecord(NdxU32(EntryAt(node, low), 4));
      break;
    }
    page = ChildAt(node, low);
  }
  return SettleForward();
}

bool NdxIndex::SeekEntry(const std::string& key, std::int64_t record, bool& key_found) {
  Seek(key.data());
  key_found = at_entry_ && CompareKey(current_key_.data(), key.data()) == 0;
  if (!key_found) return false;
  if (header_.unique) return true;
  while (at_entry_ && CompareKey(current_key_.data(), key.data()) == 0) {
    if (current_record_ == record) return true;
    ++path_.back().index;
    SettleForward();
  }
  return false;
}

std::string NdxIndex::KeyOfCurrentRecord() {
  const ExpressionValue value =
      expression_->Evaluate(area_.Record(), static_cast<std::uint32_t>(area_.RecNo()));
  std::string key;
  if (key_type_ == 'C') {
    key.assign(value.text.substr(0, static_cast<std::size_t>(key_length_)));
    key.resize(static_cast<std::size_t>(key_length_), ' ');
    if (area_.Oem()) core::AnsiToOemBuffer(key.data(), key.size());
  } else {
    key.resize(kNdxNumericKeyLength);
    StoreNumericKey(value.number, key.data());
  }
  return key;
}

std::string NdxIndex::KeyText(const std::string& key) const {
  if (key_type_ != 'C') return NumberText(LoadNumericKey(key.data()));
  return area_.Oem() ? core::OemToAnsi(key) : key;
}

void NdxIndex::Sync() {
  const std::string key = KeyOfCurrentRecord();
  bool key_found = false;
  if (SeekEntry(key, area_.RecNo(), key_found)) return;
  if (!key_found)
    throw EKvError(212, "Key: \"" + KeyText(key) + "\" not in index: " + name_ +
                            ". [SyncIndex-1] Record: " + std::to_string(area_.RecNo()));
  throw EKvError(212, "Record with key: \"" + KeyText(key) + "\" not in index: " + name_ +
                          ". [SyncIndex-2]");
}

std::size_t NdxIndex::SearchKey(std::string_view text, bool exact, KeyBuffer& key) const {
  if (key_type_ == 'C') {
    const auto length = static_cast<std::size_t>(key_length_);
    const std::size_t given = std::min(text.size(), length);
    std::memcpy(key.data(), text.data(), given);
    const std::size_t compare_length = exact ? length : given;
    std::memset(key.data() + given, ' ', compare_length - given);
    if (area_.Oem()) core::AnsiToOemBuffer(key.data(), compare_length);
    std::memset(key.data() + compare_length, '\0', length - compare_length);
    return compare_length;
  }
  const double number = key_type_ == 'D' ? DateFromText(core::AllTrim(text))
                                         : ReadDecimalNumber(text.data(), text.size());
  StoreNumericKey(number, key.data());
  return kNdxNumericKeyLength;
}

bool NdxIndex::Find(std::string_view text, bool exact) {
  KeyBuffer key;
  const std::size_t compare_length = SearchKey(text, exact, key);
  std::int64_t record = Seek(key.data());
  const bool test_visibility = area_.HideDeleted() || area_.HasFilter();
  bool read = false;
  while (record != 0 && test_visibility) {
    area_.RawGo(record);
    read = true;
    if (area_.Eof() || area_.IsVisible()) break;
    ++path_.back().index;
    record = SettleForward();
    read = false;
  }
  bool found = record != 0;
  if (found) {
    found = key_type_ == 'C'
                ? CompareCharacterKeys(current_key_.data(), key.data(), compare_length) == 0
                : CompareNumericKeys(current_key_.data(), key.data()) == 0;
  }
  if (found && !read) area_.RawGo(record);
  // A record number beyond the table is end of file.
  if (found) found = !area_.Eof();
  if (!found) {
    area_.RawGo(area_.RecCount() + 1);
    SetEof();
  }
  return found;
}

}  // namespace vantorel::tables
