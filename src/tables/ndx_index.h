// One open NDX index of a work area: its header, its key expression compiled against the
// table, its nodes (read through a page cache, every read checked against the file), and
// its position: the path from the root to the current leaf entry.
//
// Moving in key order (First, Next, Prior, Last) walks the leaf entries along the remembered
// path. When the work area has moved to another record since (GO, a search in record
// order), Next and Prior first find that record's entry again.
//
// A damaged file never reads outside itself: a child page beyond the file, a page 0, a key
// count that does not fit in its node, and a child pointer back into the path from the root
// (a cycle) are error 222.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/large_buffer.h"
#include "tables/expression/expression.h"
#include "tables/ndx_format.h"
#include "tables/ndx_names.h"
#include "tables/work_area.h"

namespace vantorel::tables {

// True when an index file (the same file on disk) is open in any work area of the process.
bool IndexFileIsOpen(std::string_view path);

// True when the index file at path (a path text, as SetIndexTo takes a name) can be opened over
// area's table and its header fits the file: it opens as SetIndexTo would open it, and its
// root page lies inside the file. An index open already counts as opening. Nothing is
// reported and the index is not kept open.
bool IndexFileOpens(WorkArea& area, std::string_view path);

class NdxIndex final : public RecordOrder {
 public:
  // Opens an index file for area as order (steps 3 to 7 of opening one index): the file
  // (read-only when the table is read-only and not exclusive), its header, the expression
  // (from OEM for an OEM table, normalised, compiled), the page count written back when the
  // header's differs from the file's size (not for a read-only file), the key length of a C
  // key checked on the blank record. The position is at end of file.
  // Errors: see SetIndexTo in ndx_orders.h (codes 214, the operating-system code, 222, 266).
  static std::unique_ptr<NdxIndex> Open(WorkArea& area, const IndexFileSpec& file, int order);

  ~NdxIndex() override;
  NdxIndex(const NdxIndex&) = delete;
  NdxIndex& operator=(const NdxIndex&) = delete;

  const std::string& Name() const { return name_; }  // full path as the disk spells it
  int Order() const { return order_; }
  const NdxHeader& Header() const { return header_; }
  // The compiled expression's type ('C', 'D' or 'N'), which decides the comparison.
  char KeyType() const { return key_type_; }
  int KeyLength() const { return key_length_; }
  bool Unique() const { return header_.unique; }
  // The expression as compiled: the header's text from OEM, normalised.
  const std::string& Expression() const { return expression_text_; }
  // Whole pages in the file, the header included.
  std::uint64_t PageCount() const { return page_count_; }
  // The memory the page cache takes once full: the whole file up to 64 MB, else 64 MB.
  std::size_t CacheBytes() const {
    return static_cast<std::size_t>(whole_ ? page_count_ : cache_tags_.size()) * kNdxPageSize;
  }

  // --- Moving in key order (RecordOrder) -------------------------------------------------
  // Record numbers of the first, last, next and previous entries; 0 past either end (the
  // index is then at end or beginning of file).
  std::int64_t First() override;
  std::int64_t Last() override;
  std::int64_t Next() override;
  std::int64_t Prior() override;

  // --- Searching -------------------------------------------------------------------------
  // Find and FindExact (ndx_orders.h) on this index: moves the work area to the first
  // visible record with a matching key, or to end of file. REQUIRES: key is not empty.
  bool Find(std::string_view key, bool exact);

  // SyncIndex: positions on the entry of the work area's current record. Error 212 when the
  // record's key is not in the index ("[SyncIndex-1]") or, for an index without UNIQUE, the
  // entry with its record number is not ("[SyncIndex-2]").
  void Sync();
  // The index stands at end of file.
  void SetEof();

  // The key of the work area's current record as the index stores it.
  std::string KeyOfCurrentRecord();
  // The current entry: its record number (0 at either end) and its key bytes.
  std::int64_t CurrentRecord() const { return at_entry_ ? current_record_ : 0; }
  const std::string& CurrentKey() const { return current_key_; }

 private:
  struct PathStep {
    std::uint32_t page;  // the node
    int index;           // the entry (leaf) or the child followed (interior; count = rightmost)
  };
  // A node page, checked: its key count fits, its kind is known. Valid until the next read.
  struct NodeView {
    const char* bytes;   // the 512 bytes
    int count;           // keys in the node
    bool leaf;           // the first entry's child page is 0
  };

  NdxIndex(WorkArea& area, const IndexFileSpec& file, int order, platform::File file_handle);

  NodeView Node(std::uint32_t page);
  // Reads page into the cache together with its neighbours that are not cached yet.
  void ReadPagesAround(std::uint32_t page);
  // Whole-file cache: page p has been read. REQUIRES: whole_, p < page_count_.
  bool Loaded(std::uint64_t p) const { return (loaded_[p / 64] >> (p % 64) & 1) != 0; }
  const char* EntryAt(const NodeView& node, int i) const {
    return node.bytes + 4 + static_cast<std::size_t>(i) * static_cast<std::size_t>(entry_size_);
  }
  std::uint32_t ChildAt(const NodeView& node, int i) const;
  // Pushes the steps from page down to its first (last) leaf entry.
  void DescendFirst(std::uint32_t page);
  void DescendLast(std::uint32_t page);
  // Pushes page onto the path; error 222 when it is on the path already (a cycle).
  void Push(std::uint32_t page, int index);
  // After the path changed: the entry at the end of the path becomes current, moving on
  // forward (backward) over empty leaves; at either end the index is at end of file.
  std::int64_t SettleForward();
  std::int64_t SettleBackward();
  std::int64_t TakeCurrentEntry();
  // Positions on the first entry whose key is >= key (key length bytes) over the whole key
  // length.
  std::int64_t Seek(const char* key);
  // Three-way comparison of an entry's key with a full-length key.
  int CompareKey(const char* entry_key, const char* key) const;
  // When the work area stands on another record than the index, finds its entry again.
  void FollowWorkArea();
  // Positions on the entry (key, record); false when the key (key_found false) or the
  // record's entry (for an index without UNIQUE) is missing.
  bool SeekEntry(const std::string& key, std::int64_t record, bool& key_found);
  // The key Find looks for, key length bytes into key; returns how many of them compare.
  using KeyBuffer = std::array<char, kNdxMaxKeyLength>;
  std::size_t SearchKey(std::string_view text, bool exact, KeyBuffer& key) const;
  std::string KeyText(const std::string& key) const;
  [[noreturn]] void Corrupted() const;

  WorkArea& area_;                       // the table
  std::string name_;                     // for messages
  int order_;                            // 1..16
  platform::File file_;                  // the open index file
  bool read_only_;                       // opened read-only
  std::uint64_t page_count_ = 0;         // whole pages in the file, header included
  NdxHeader header_;                     // as read, next_free corrected
  std::string expression_text_;          // the expression compiled
  std::unique_ptr<ParsedExpression> expression_;
  char key_type_ = 'C';                  // 'C', 'D' or 'N'
  int key_length_ = 0;                   // bytes compared
  int entry_size_ = 0;                   // bytes per entry
  platform::FileIdentity file_id_;       // the file's identity, for the open-file registry

  // A file of up to kMaxCachedPages pages is cached whole: page p lies at p * 512 in cache_
  // once its bit in loaded_ is set, so finding a node costs no table look-up. In a larger
  // file cached pages take slots in the order they are read (so memory in use grows with the
  // pages read); when every slot is taken the oldest page is replaced.
  bool whole_ = false;                         // the file is cached whole
  std::vector<std::uint64_t> loaded_;          // whole: one bit per page, set once read
  platform::LargeBuffer cache_;              // whole: the file's pages; else the slots' pages
  std::vector<std::uint32_t> cache_tags_;      // page held by each slot, 0 when empty
  std::vector<std::int32_t> slot_of_page_;     // per page of the file: its slot, -1 when none
  std::size_t next_slot_ = 0;                  // the slot the next page read takes
  NdxPage far_page_{};                         // a page beyond the mapped ones, as last read

  std::vector<PathStep> path_;           // root first; the last step is the leaf entry
  bool at_entry_ = false;                // on a leaf entry (else at end or beginning)
  bool at_bof_ = false;                  // before the first entry (else after the last)
  std::int64_t current_record_ = 0;      // the current entry's record number
  std::string current_key_;              // the current entry's key bytes
};

}  // namespace vantorel::tables
