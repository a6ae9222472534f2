// The history of a view: the entries it showed, newest first, and the one shown now. Back goes
// to older entries (higher positions), Forward to newer ones. Recording a new entry while an
// older one is shown drops the newer ones first, as a browser does. The views keep one each
// (the single view of its documents, the frame view of its whole states); this class holds
// only the list rule and knows nothing of what an entry shows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vantorel::browser {

template <typename Entry>
class History {
 public:
  // Most entries kept; 0 keeps none.
  int MaxCount() const { return max_count_; }
  // Lowering the count drops the oldest entries; the position stays on an entry that is left
  // (the oldest one when the shown entry went).
  void SetMaxCount(int count) {
    max_count_ = std::max(0, count);
    Trim();
  }

  // Makes entry the newest and the shown one: the entries newer than the shown one go, then
  // the oldest beyond MaxCount. Nothing is kept while MaxCount is 0.
  void Record(Entry entry) {
    if (max_count_ <= 0) {
      entries_.clear();
      position_ = 0;
      return;
    }
    entries_.erase(entries_.begin(),
                   entries_.begin() + std::min<std::size_t>(position_, entries_.size()));
    entries_.insert(entries_.begin(), std::move(entry));
    position_ = 0;
    Trim();
  }

  // The entries, newest first, and the index of the one shown (0 when there are none).
  const std::vector<Entry>& Entries() const { return entries_; }
  int Size() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  int Position() const { return position_; }
  // The entry shown; null when there is none.
  Entry* Shown() { return Empty() ? nullptr : &entries_[position_]; }
  const Entry* Shown() const { return Empty() ? nullptr : &entries_[position_]; }
  // The entry at index. REQUIRES: 0 <= index < Size().
  const Entry& At(int index) const { return entries_[index]; }
  Entry& At(int index) { return entries_[index]; }

  // Forward leads to a newer entry, Back to an older one.
  bool CanGoForward() const { return position_ > 0; }
  bool CanGoBack() const { return position_ + 1 < Size(); }
  // True when index names an entry other than the one shown: a move worth making.
  bool CanMoveTo(int index) const { return index != position_ && index >= 0 && index < Size(); }
  // Marks the entry at index as shown. REQUIRES: CanMoveTo(index).
  void MoveTo(int index) { position_ = index; }

 private:
  void Trim() {
    if (entries_.size() > static_cast<std::size_t>(max_count_)) entries_.resize(max_count_);
    position_ = std::clamp(position_, 0, std::max(0, Size() - 1));
  }

  std::vector<Entry> entries_;  // newest first
  int position_ = 0;            // index of the entry shown
  int max_count_ = 0;           // most entries kept
};

}  // namespace vantorel::browser
