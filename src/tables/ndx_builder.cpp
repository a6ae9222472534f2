#include "tables/ndx_builder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "platform/file_system.h"
#include "platform/replacing_file.h"
#include "tables/expression/expression_parser.h"
#include "tables/kv_error.h"
#include "tables/ndx_format.h"
#include "tables/ndx_index.h"
#include "tables/ndx_key.h"
#include "tables/ndx_names.h"
#include "tables/ndx_sort.h"

namespace vantorel::tables {

namespace {

constexpr std::size_t kMaxKeyExpressionLength = 100;
constexpr std::size_t kReadBlockBytes = 1 << 20;     // table bytes read at once
constexpr std::size_t kDefaultRunBytes = 64 << 20;   // sort entries kept in memory at once
constexpr std::size_t kWriteBufferBytes = 1 << 20;   // node pages written at once
constexpr std::size_t kRecordNumberSize = 4;         // after the sort key, big-endian
constexpr int kProgressSteps = 100;

// The progress step: 100 calls over the build, one every 2 x (records / 100) records (at
// least every 2) while keys are collected, at the same rhythm while entries are written as
// long as calls remain, the rest at the end.
class BuildProgress {
 public:
  BuildProgress(const IndexProgressStep& step, std::int64_t record_count)
      : step_(step), interval_(std::max<std::int64_t>(2, 2 * (record_count / 100))) {}

  // count: records collected (entries written) so far in this phase.
  void Tick(std::int64_t count) {
    if (step_ && remaining_ > 0 && count % interval_ == 0) Call();
  }
  void Finish() {
    while (step_ && remaining_ > 0) Call();
  }

 private:
  void Call() {
    --remaining_;
    step_();
  }
  const IndexProgressStep& step_;  // may be empty
  std::int64_t interval_;          // records per call
  int remaining_ = kProgressSteps; // calls still to make
};

// The bottom-up bulk load. Pages are numbered from 1 in the order they are written. There
// is one node buffer per level (0 = the leaves). A full leaf is written when the next entry
// comes; its last key then goes one level up with the new page as child, and a full node on
// that level takes the page as its rightmost child instead, is written, and passes the same
// key further up. At the end the leaf is written (even when empty), then every level above
// that holds a key, bottom-up, each with the page written before it as rightmost child; the
// last page is the root.
class BulkLoader {
 public:
  BulkLoader(platform::File& file, std::string failure, int key_length, int entry_size)
      : file_(file),
        failure_(std::move(failure)),
        key_length_(static_cast<std::size_t>(key_length)),
        entry_size_(static_cast<std::size_t>(entry_size)),
        keys_per_node_(NdxKeysPerNode(entry_size)),
        levels_(1) {}

  // Appends an entry in sorted order; key is the key length stored bytes.
  void Add(const char* key, std::uint32_t record) {
    Level& leaf = levels_[0];
    if (leaf.count == keys_per_node_) {
      const char* last_key = EntryAt(leaf, leaf.count - 1) + kNdxEntryHeaderSize;
      std::memcpy(carried_key_, last_key, key_length_);
      std::uint32_t child = WriteNode(0);
      for (std::size_t level = 1;; ++level) {
        if (levels_.size() == level) levels_.emplace_back();
        Level& node = levels_[level];
        if (node.count < keys_per_node_) {
          Append(node, child, 0, carried_key_);
          break;
        }
        PutNdxU32(EntryAt(node, node.count), 0, child);  // the rightmost child
        child = WriteNode(level);
      }
    }
    Append(levels_[0], 0, record, key);
  }

  // Writes what the buffers hold; returns the root page.
  std::uint32_t Finish() {
    std::uint32_t child = WriteNode(0);
    for (std::size_t level = 1; level < levels_.size(); ++level) {
      Level& node = levels_[level];
      if (node.count == 0) continue;  // an empty level is skipped
      PutNdxU32(EntryAt(node, node.count), 0, child);
      child = WriteNode(level);
    }
    Flush();
    return child;
  }

 private:
  struct Level {
    NdxPage page{};  // the node being filled
    int count = 0;   // its entries
  };

  char* EntryAt(Level& level, int i) {
    return level.page.data() + 4 + static_cast<std::size_t>(i) * entry_size_;
  }

  void Append(Level& level, std::uint32_t child, std::uint32_t record, const char* key) {
    char* entry = EntryAt(level, level.count++);
    PutNdxU32(entry, 0, child);
    PutNdxU32(entry, 4, record);
    std::memcpy(entry + kNdxEntryHeaderSize, key, key_length_);
  }

  // Writes a level's node as the next page and empties the buffer.
  std::uint32_t WriteNode(std::size_t level) {
    Level& node = levels_[level];
    PutNdxU32(node.page.data(), 0, static_cast<std::uint32_t>(node.count));
    if (buffer_.size() + kNdxPageSize > kWriteBufferBytes) Flush();
    buffer_.insert(buffer_.end(), node.page.begin(), node.page.end());
    node.page.fill(0);
    node.count = 0;
    return ++pages_written_;
  }

  void Flush() {
    if (buffer_.empty()) return;
    if (!file_.WriteAt(flushed_pages_ * kNdxPageSize + kNdxPageSize, buffer_.data(), buffer_.size()))
      throw EKvError(101, failure_);
    flushed_pages_ += buffer_.size() / kNdxPageSize;
    buffer_.clear();
  }

  platform::File& file_;           // the index file
  std::string failure_;            // the detail of a write error
  std::size_t key_length_;         // stored key bytes
  std::size_t entry_size_;         // bytes per entry
  int keys_per_node_;              // entries per node
  std::vector<Level> levels_;      // 0: the leaf being filled
  char carried_key_[kNdxMaxKeyLength] = {};  // a full leaf's last key on its way up
  std::uint32_t pages_written_ = 0;           // the last page number given out
  std::uint64_t flushed_pages_ = 0;           // pages already in the file
  std::vector<char> buffer_;                  // pages not yet written
};

void PutBigEndian32(char* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<char>(value >> (24 - 8 * i) & 0xFF);
}

std::uint32_t BigEndian32(const char* at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(at[i]);
  return value;
}

// What one build needs to know about its keys.
struct KeyLayout {
  char type;              // 'C', 'D' or 'N'
  int length;             // stored key bytes
  std::size_t sort_size;  // bytes of the sort key (before the record number)
};

// Step 7: every record's key into the sorter.
void CollectKeys(WorkArea& area, ParsedExpression& expression, const KeyLayout& layout,
                 KeySorter& sorter, BuildProgress& progress, const std::string& suffix) {
  const std::int64_t record_count = area.RecCount();
  if (record_count == 0) return;
  auto table = platform::File::Open(area.OpenPath(), platform::File::Mode::Read);
  if (!table) throw EKvError(DosErrorCode(errno), "Failure to open " + area.FileName() + suffix);
  const std::size_t record_length = static_cast<std::size_t>(area.RecordLength());
  const std::int64_t per_block =
      static_cast<std::int64_t>(std::max<std::size_t>(1, kReadBlockBytes / record_length));
  std::vector<char> block(static_cast<std::size_t>(std::min(per_block, record_count)) * record_length);
  const std::size_t key_length = static_cast<std::size_t>(layout.length);
  sorter.Reserve(static_cast<std::size_t>(record_count));

  for (std::int64_t first = 1; first <= record_count; first += per_block) {
    const std::int64_t count = std::min(per_block, record_count - first + 1);
    const std::size_t bytes = static_cast<std::size_t>(count) * record_length;
    const std::uint64_t offset = static_cast<std::uint64_t>(area.HeaderLength()) +
                                 static_cast<std::uint64_t>(first - 1) * record_length;
    if (table->ReadAt(offset, block.data(), bytes) != static_cast<long long>(bytes))
      throw EKvError(213, "File:  " + area.FileName() + "  [GetDbfRecord]" + suffix);
    for (std::int64_t i = 0; i < count; ++i) {
      char* record = block.data() + static_cast<std::size_t>(i) * record_length;
      if (area.Oem()) core::OemToAnsiBuffer(record + 1, record_length - 1);
      const std::int64_t record_number = first + i;
      const ExpressionValue value =
          expression.Evaluate(record, static_cast<std::uint32_t>(record_number));
      char* entry = sorter.Append();
      if (layout.type == 'C') {
        const std::size_t n = std::min(value.text.size(), key_length);
        std::memcpy(entry, value.text.data(), n);
        std::memset(entry + n, ' ', key_length - n);
        if (area.Oem()) core::AnsiToOemBuffer(entry, key_length);
      } else {
        StoreSortableNumber(value.number, entry);
      }
      PutBigEndian32(entry + layout.sort_size, static_cast<std::uint32_t>(record_number));
      progress.Tick(record_number);
    }
  }
}

// Steps 9 and 10: the sorted entries into pages; returns the root page.
std::uint32_t WriteTree(KeySorter& sorter, const KeyLayout& layout, bool unique,
                        platform::File& file, const std::string& failure,
                        BuildProgress& progress) {
  BulkLoader loader(file, failure, layout.length, NdxEntrySize(layout.length));
  std::string previous;  // the sort key of the last entry kept
  bool have_previous = false;
  char numeric_key[kNdxNumericKeyLength];
  std::int64_t written = 0;
  while (const char* entry = sorter.Next()) {
    if (unique) {
      if (have_previous && std::memcmp(previous.data(), entry, layout.sort_size) == 0) continue;
      previous.assign(entry, layout.sort_size);
      have_previous = true;
    }
    const char* key = entry;
    if (layout.type != 'C') {
      StoreNumericKey(LoadSortableNumber(entry), numeric_key);
      key = numeric_key;
    }
    loader.Add(key, BigEndian32(entry + layout.sort_size));
    progress.Tick(++written);
  }
  return loader.Finish();
}

// Step 4. The old file is never deleted first: the new one takes its name only when it is
// complete (replacing_file.h), so another process finds the old index or the new one, never
// none and never a half-written one. When the new file cannot be made beside a shared table
// for lack of access and an old index is there, the table must at least be had for writing,
// as before a deletion.
void CheckOldIndexCanGo(const WorkArea& area, const IndexFileSpec& file, int create_errno,
                        const std::string& suffix) {
  const int code = DosErrorCode(create_errno);
  if (area.Exclusive() || (code != 5 && code != 32) || !platform::FileExists(file.path)) return;
  if (!platform::File::Open(area.OpenPath(), platform::File::Mode::ReadWrite))
    throw EKvError(225, area.FileName() + suffix);
}

}  // namespace

void MakeIndex(WorkArea* area, std::string_view expression, std::string_view index_spec,
               const MakeIndexOptions& options) {
  const IndexFileSpec file =
      ParseIndexFileSpec(index_spec, area ? std::string_view(area->OpenPath()) : std::string_view());
  const std::string suffix = " [MakeIndex(<...>," + file.name + ")]";
  if (file.name.empty()) throw EKvError(220, "index filename not specified" + suffix);
  if (!area)
    throw EKvError(215, "database not open attempting to index to" + file.name + "." + suffix);

  const std::string text = core::RightTrim(expression);
  if (text.empty()) throw EKvError(254, "Neither Expression nor KeyMaker defined" + suffix);
  if (text.size() > kMaxKeyExpressionLength)
    throw EKvError(300, "Expression length exceeds 100 bytes" + suffix);
  ParsedExpression parsed = AssignExpr(text, area->Fields(), area->Alias());
  if (IndexFileIsOpen(file.path))
    throw EKvError(214, "Index file already open: " + file.name + suffix);

  std::optional<platform::ReplacingFile> replacing =
      platform::ReplacingFile::Create(platform::ResolvePath(file.path));
  if (!replacing) {
    const int create_errno = errno;
    CheckOldIndexCanGo(*area, file, create_errno, suffix);
    throw EKvError(DosErrorCode(create_errno), "File not open" + file.name + suffix);
  }
  platform::File* index_file = &replacing->Part();
  // A build that fails or is cut short leaves the old file (or none) under the index's name.
  try {
    KeyLayout layout{parsed.ResultType(), 0, 0};
    if (layout.type != 'C' && layout.type != 'D' && layout.type != 'N')
      throw EKvError(254, "Wrong parser return type" + suffix);
    if (layout.type == 'C') {
      const ExpressionValue current =
          parsed.Evaluate(area->Record(), static_cast<std::uint32_t>(area->RecNo()));
      layout.length = static_cast<int>(current.text.size());
    } else {
      layout.length = static_cast<int>(kNdxNumericKeyLength);
    }
    if (layout.length < 1 || layout.length > kNdxMaxKeyLength)
      throw EKvError(266, "Incorrect key length: Must be 1 to 100." + suffix);
    layout.sort_size = static_cast<std::size_t>(layout.length);

    const std::size_t sort_entry = layout.sort_size + kRecordNumberSize;
    const std::size_t max_run =
        options.max_run_keys != 0 ? options.max_run_keys : kDefaultRunBytes / sort_entry;
    KeySorter sorter(layout.sort_size, max_run, options.temp_dir, file.unique);
    BuildProgress progress(options.progress_step, area->RecCount());
    CollectKeys(*area, parsed, layout, sorter, progress, suffix);
    sorter.Finish();
    const std::uint32_t root =
        WriteTree(sorter, layout, file.unique, *index_file,
                  "Error writing index file: " + file.name + " [SeekAndWrite]" + suffix, progress);

    NdxHeader header;
    header.root = root;
    header.next_free = root + 1;
    header.key_type = layout.type;
    header.key_length = layout.length;
    header.entry_size = NdxEntrySize(layout.length);
    header.keys_per_node = NdxKeysPerNode(header.entry_size);
    header.numeric = layout.type != 'C';
    header.unique = file.unique;
    header.expression = NormaliseKeyExpression(text);
    header.record_count = static_cast<std::uint32_t>(area->RecCount());
    header.check_value = ~header.record_count;
    // The table's file name (UTF-8 on disk) becomes a text of the index file, in 1252.
    header.table_name = core::UpperCaseAscii(core::Utf8ToCp1252(core::FileNameOf(area->FileName())))
                            .substr(0, kNdxTableNameMax);
    if (area->Oem()) {
      header.expression = core::AnsiToOem(header.expression);
      header.table_name = core::AnsiToOem(header.table_name);
    }
    const NdxPage page = EncodeNdxHeader(header);
    if (!index_file->WriteAt(0, page.data(), page.size()))
      throw EKvError(101, "Error writing index file: " + file.name + " [SeekAndWrite]" + suffix);
    progress.Finish();
    if (!replacing->Commit())
      throw EKvError(101, "Error writing index file: " + file.name + " [SeekAndWrite]" + suffix);
  } catch (const std::bad_alloc&) {
    throw EKvError(217, "Not enough memory to build the index [MakeIndex]");
  }
}

}  // namespace vantorel::tables
