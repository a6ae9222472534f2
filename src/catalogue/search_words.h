// The search words: how the article search turns the typed text into the words it looks for.
//
// Format notes. Separators are the blank and the comma; the double quote switches between
// inside and outside quotes, and a separator inside quotes belongs to the word. A word loses
// one leading double quote, then one trailing double quote, so a quoted phrase becomes one
// word with its inner blanks.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/sorted_text_list.h"

namespace vantorel::catalogue {

// Words shorter than this bring up the short-word warning (once per search).
inline constexpr std::size_t kShortWordLength = 3;

// The search text the handler works on: characters 0 to 32 removed from both ends, every run
// of blanks made one blank, then cut to 255 characters.
std::string SearchText(std::string_view edit_text);

// The words of a search text in typed order, quotes removed as above. A word that is empty
// after its quotes are removed (a lone "" or ") is left out: it can match nothing.
std::vector<std::string> SplitSearchWords(std::string_view search_text);

// The word list of one search.
struct SearchWordList {
  core::SortedTextList words;  // sorted, case of a-z ignored, each word once
  std::string longest;         // the first word, in typed order, of the greatest length
};

// Splits the search text into the word list. At the first word shorter than kShortWordLength
// the warning box (Yes/No) "Searches for long words are much quicker.\rLooking for one and
// two letter words can be slow.\rAre you sure you wish to continue?" is shown through the Ui;
// nullopt when the user answers No.
std::optional<SearchWordList> TokenizeSearchText(std::string_view search_text);

// "Match all words" order: the list stops being kept sorted and the longest word changes
// places with the first one, so the most selective word is searched first.
void PutLongestFirst(SearchWordList& list);

}  // namespace vantorel::catalogue
