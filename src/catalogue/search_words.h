// The search words: how the two searches turn the typed text into the words they look for.
//
// Format notes. The article search: separators are the blank and the comma; the double quote
// switches between inside and outside quotes, and a separator inside quotes belongs to the
// word. A word loses one leading double quote, then one trailing double quote, so a quoted
// phrase becomes one word with its inner blanks.
// The bonus search: the words table holds single words, so a phrase could never match; the
// blank, the comma and the double quote all separate words, and a quoted phrase gives its
// words one by one.
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

// The word list of words in typed order. At the first word shorter than kShortWordLength the
// warning box (Yes/No) "Searches for long words are much quicker.\rLooking for one and two
// letter words can be slow.\rAre you sure you wish to continue?" is shown through the Ui;
// nullopt when the user answers No.
std::optional<SearchWordList> MakeWordList(const std::vector<std::string>& words);

// The article search's word list: MakeWordList(SplitSearchWords(search_text)).
std::optional<SearchWordList> TokenizeSearchText(std::string_view search_text);

// The text the bonus search works on: the edit text with a-z upper-cased, cut to 255
// characters; not trimmed.
std::string BonusSearchText(std::string_view edit_text);

// The words of a bonus search text in typed order: the runs of characters between blanks,
// commas and double quotes. Separators at either end or next to each other give no empty word.
std::vector<std::string> SplitBonusSearchWords(std::string_view search_text);

// "Match all words" order: the list stops being kept sorted and the longest word changes
// places with the first one, so the most selective word is searched first.
void PutLongestFirst(SearchWordList& list);

}  // namespace vantorel::catalogue
