// The article search: what the search dialog's OK button does with the typed text, the mode
// and the author and issue selections (the dialog only gathers them and closes or stays open
// as the outcome says).
//
// One search, in this order:
//   1. the status text is cleared and the time noted;
//   2. a non-empty search text (search_words.h) is split into the word list; a declined
//      short-word warning ends the search here (the dialog closes, nothing else happens);
//      in "Match all words" mode the longest word goes first;
//   3. with an author or issue selected, the filter "AUTHOR_1 = n .OR. AUTHOR_2 = n .OR.
//      AUTHOR_3 = n" and/or "ISSUE__ = " + the item's first three characters (the author part
//      in parentheses and joined by " .AND. " when both) is set on the article table and the
//      numbers of the articles it lets through form the result set; the filter is removed;
//   4. unless the text is empty or "*!*", the word loop scans the keyword table (KvDbf::Search,
//      physical order, case ignored) for each word: once a word matched in one field, its
//      further matches come from that field only. "Match any word" collects every match;
//      "Match all words" keeps only articles every word matched and stops at an empty set.
//      Without a selection the matches are the result; with one, the result keeps only the
//      articles matched (the search is skipped when the filter found none);
//   5. the status shows "Search completed: " + n + " articles match, Time: " + seconds
//      (seconds_text.h) + " sec.";
//   6. results: above the ResultsThreshold setting the user is asked first; the results page
//      is written and Outcome().SearchPageWritten set. No results: "Sorry, no matches
//      were found:\rplease try again", unless the text is "*!*" or "*TEST*": then, confirmed,
//      the complete list is written (with the test report for "*TEST*") and the flags set;
//   7. the keyword table is ordered by kwkey again (also when a page could not be written).
// Result sets hold decimal article numbers ordered as texts (10 before 9): the page order.
//
// Every box, status text and the hourglass go through the Ui port; which page a search wrote
// is its Outcome(), for the window that shows the page.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "catalogue/catalogue.h"
#include "catalogue/result_page_writer.h"
#include "catalogue/search_words.h"
#include "core/search_outcome.h"
#include "core/settings.h"

namespace vantorel::catalogue {

// The special keywords: the whole search text, case as written.
inline constexpr char kCompleteListKeyword[] = "*!*";
inline constexpr char kTestKeyword[] = "*TEST*";

// What the dialog gathered.
struct SearchRequest {
  std::string text;                        // SearchWords' text as typed
  MatchMode mode = MatchMode::AnyWord;     // AnyOrAllRadio
  std::optional<std::string> author_item;  // AuthorCombo's selected item, if any
  std::optional<std::string> issue_item;   // IssueCombo's selected item, if any
};

// How a search ended.
enum class SearchEnd {
  ShortWordsDeclined,  // the short-word warning was answered No: close, nothing done
  NothingFound,        // the "Sorry" message was shown: stay open
  ResultsDeclined,     // too many results and the user answered No: stay open
  SpecialDeclined,     // a special keyword was not confirmed: stay open
  PageWritten,         // a page was written and the flags say which: close
};

// True when the dialog closes after a search that ended so.
bool ClosesDialog(SearchEnd end);

// Milliseconds from any fixed point; the search subtracts two readings.
using MillisecondClock = std::function<std::uint64_t()>;
// The system's monotonic clock in milliseconds.
std::uint64_t SteadyMilliseconds();

class ArticleSearch {
 public:
  // REQUIRES: catalogue is open; catalogue, pages, settings and clock outlive the search.
  // ResultsThreshold is read from settings when a search ends.
  ArticleSearch(Catalogue& catalogue, ResultPageWriter& pages, const core::BrowserSettings& settings,
                MillisecondClock clock = SteadyMilliseconds);
  ArticleSearch(const ArticleSearch&) = delete;
  ArticleSearch& operator=(const ArticleSearch&) = delete;

  // One search (see the top of this file). Engine errors go where the catalogue's tables
  // send them; an EInOutError of the page writer travels to the caller (the dialog stays
  // open).
  SearchEnd OkBtnClick(const SearchRequest& request);
  // The pages the last OkBtnClick wrote; nothing before the first.
  const core::SearchOutcome& Outcome() const { return outcome_; }

  // The filter expression for the selections; empty when neither is selected.
  // REQUIRES: an author item is at least kAuthorNameWidth characters long and ends in the
  // author number; an issue item begins with the issue number in three characters.
  static std::string FilterExpression(const std::optional<std::string>& author_item,
                                      const std::optional<std::string>& issue_item);

 private:
  // The articles the filter lets through, into result.
  void CollectFilteredArticles(const std::string& expression, core::SortedTextList& result);
  // The word loop: the articles the words match, by mode, into matches.
  void MatchWords(const core::SortedTextList& words, MatchMode mode,
                  core::SortedTextList& matches);
  // Keeps in result only the articles in matches.
  void MergeWithMatches(const core::SortedTextList& matches, core::SortedTextList& result);
  // Steps 6 of the search: the results page, the "Sorry" message or the special keywords.
  SearchEnd Conclude(const SearchRequest& request, const std::string& text,
                     const core::SortedTextList& words, const core::SortedTextList& result);
  SearchEnd WriteCompleteList(const std::string& text);

  Catalogue& catalogue_;     // the open tables
  ResultPageWriter& pages_;  // writes the pages
  const core::BrowserSettings& settings_;  // the run's settings record
  MillisecondClock clock_;   // times the search
  core::SearchOutcome outcome_;  // the pages the last search wrote
};

}  // namespace vantorel::catalogue
