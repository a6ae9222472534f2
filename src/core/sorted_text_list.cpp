#include "core/sorted_text_list.h"

#include <algorithm>
#include <cassert>

#include "core/texts.h"

namespace vantorel::core {

namespace {
bool LessNoCase(const std::string& a, std::string_view b) { return CompareTextNoCase(a, b) < 0; }
}  // namespace

bool SortedTextList::Add(std::string_view text) {
  if (!sorted_) {
    if (Contains(text)) return false;
    items_.emplace_back(text);
    return true;
  }
  const auto at = std::lower_bound(items_.begin(), items_.end(), text, LessNoCase);
  if (at != items_.end() && CompareTextNoCase(*at, text) == 0) return false;
  items_.emplace(at, text);
  return true;
}

void SortedTextList::AddAll(std::vector<std::string> texts) {
  if (!sorted_) {
    for (const std::string& text : texts) Add(text);
    return;
  }
  // Of texts equal to each other the first stays, and a text equal to one held is dropped.
  const auto less = [](const std::string& a, const std::string& b) {
    return CompareTextNoCase(a, b) < 0;
  };
  const auto same = [](const std::string& a, const std::string& b) {
    return CompareTextNoCase(a, b) == 0;
  };
  std::stable_sort(texts.begin(), texts.end(), less);
  texts.erase(std::unique(texts.begin(), texts.end(), same), texts.end());
  std::vector<std::string> merged;
  merged.reserve(items_.size() + texts.size());
  auto held = items_.begin();
  for (std::string& text : texts) {
    while (held != items_.end() && less(*held, text)) merged.push_back(std::move(*held++));
    if (held != items_.end() && same(*held, text)) continue;
    merged.push_back(std::move(text));
  }
  for (; held != items_.end(); ++held) merged.push_back(std::move(*held));
  items_ = std::move(merged);
}

int SortedTextList::IndexOf(std::string_view text) const {
  if (sorted_) {
    const auto at = std::lower_bound(items_.begin(), items_.end(), text, LessNoCase);
    if (at != items_.end() && CompareTextNoCase(*at, text) == 0)
      return static_cast<int>(at - items_.begin());
    return -1;
  }
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (SameTextNoCase(items_[i], text)) return static_cast<int>(i);
  return -1;
}

void SortedTextList::Exchange(std::size_t a, std::size_t b) {
  assert(!sorted_ && a < items_.size() && b < items_.size());
  std::swap(items_[a], items_[b]);
}

}  // namespace vantorel::core
