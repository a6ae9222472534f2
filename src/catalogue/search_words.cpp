#include "catalogue/search_words.h"

#include "core/texts.h"
#include "core/ui.h"

namespace vantorel::catalogue {

namespace {

constexpr char kQuote = '"';

bool IsSeparator(char c) { return c == ' ' || c == ','; }

constexpr char kShortWordWarning[] =
    "Searches for long words are much quicker.\r"
    "Looking for one and two letter words can be slow.\r"
    "Are you sure you wish to continue?";

}  // namespace

std::string SearchText(std::string_view edit_text) {
  return core::CutToShortString(core::ReplaceAllNoCase(core::AllTrim(edit_text), "  ", " "));
}

std::vector<std::string> SplitSearchWords(std::string_view search_text) {
  std::vector<std::string> words;
  std::size_t at = 0;
  while (at < search_text.size()) {
    while (at < search_text.size() && IsSeparator(search_text[at])) ++at;
    if (at == search_text.size()) break;
    std::string word;
    bool quoted = false;
    for (; at < search_text.size() && (quoted || !IsSeparator(search_text[at])); ++at) {
      if (search_text[at] == kQuote) quoted = !quoted;
      word += search_text[at];
    }
    if (!word.empty() && word.front() == kQuote) word.erase(0, 1);
    if (!word.empty() && word.back() == kQuote) word.pop_back();
    if (!word.empty()) words.push_back(std::move(word));
  }
  return words;
}

std::optional<SearchWordList> MakeWordList(const std::vector<std::string>& words) {
  SearchWordList list;
  bool warned = false;
  for (const std::string& word : words) {
    list.words.Add(word);
    if (word.size() < kShortWordLength && !warned) {
      warned = true;
      if (!core::Confirm(kShortWordWarning, core::Buttons::YesNo, {}, core::BoxKind::Warning))
        return std::nullopt;
    }
    if (word.size() > list.longest.size()) list.longest = word;
  }
  return list;
}

std::optional<SearchWordList> TokenizeSearchText(std::string_view search_text) {
  return MakeWordList(SplitSearchWords(search_text));
}

std::string BonusSearchText(std::string_view edit_text) {
  return core::CutToShortString(core::UpperCaseAscii(edit_text));
}

std::vector<std::string> SplitBonusSearchWords(std::string_view search_text) {
  std::vector<std::string> words;
  std::string word;
  for (const char c : search_text) {
    if (!IsSeparator(c) && c != kQuote) {
      word += c;
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

void PutLongestFirst(SearchWordList& list) {
  list.words.StopSorting();
  const int longest = list.words.IndexOf(list.longest);
  if (longest > 0) list.words.Exchange(0, static_cast<std::size_t>(longest));
}

}  // namespace vantorel::catalogue
