// A list of texts kept in order without regard to the case of a-z, holding each text once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::core {

class SortedTextList {
 public:
  // Adds text at its sorted place; a text equal to one held (case of a-z ignored) is dropped.
  // Once sorting is off, the text is appended, still dropped when one equal to it is held.
  // Returns true when the text was added.
  bool Add(std::string_view text);
  // Adds every text as Add would, one after another, in one pass: the same list results.
  void AddAll(std::vector<std::string> texts);

  // Index of the text equal to text (case of a-z ignored), or -1.
  int IndexOf(std::string_view text) const;
  bool Contains(std::string_view text) const { return IndexOf(text) >= 0; }

  // Stops keeping the list sorted; later Adds append. The order so far is kept.
  void StopSorting() { sorted_ = false; }
  bool Sorted() const { return sorted_; }

  // Swaps two entries. REQUIRES: sorting is off, both indexes are valid.
  void Exchange(std::size_t a, std::size_t b);

  void Clear() { items_.clear(); }
  std::size_t Count() const { return items_.size(); }
  bool Empty() const { return items_.empty(); }
  const std::string& operator[](std::size_t index) const { return items_[index]; }
  const std::vector<std::string>& Items() const { return items_; }

 private:
  std::vector<std::string> items_;  // the texts, in sorted order while sorted_
  bool sorted_ = true;              // whether Add keeps the order
};

}  // namespace vantorel::core
