// What the article search hands to the page writer: the pages it asks for and what they show.
#pragma once

#include <optional>
#include <string>

#include "core/sorted_text_list.h"

namespace vantorel::catalogue {

// The keyword search type (AnyOrAllRadio's index).
enum class MatchMode {
  AnyWord = 0,   // "Match any word"
  AllWords = 1,  // "Match all words"
};

// One search's results as the results page shows them.
struct SearchResults {
  const core::SortedTextList& articles;    // decimal article numbers, in page order
  const core::SortedTextList& words;       // the word list in its current order
  MatchMode mode = MatchMode::AnyWord;
  std::optional<std::string> author_item;  // the selected author item, if any
  std::optional<std::string> issue_item;   // the selected issue item, if any
  bool text_empty = true;                  // the search text was empty
};

class ResultPageWriter {
 public:
  virtual ~ResultPageWriter() = default;
  // Writes SEARCHRESULT.HTM. Leaves the keyword table ordered by kwaid.
  virtual void WriteSearchResults(const SearchResults& results) = 0;
  // Writes ALLARTS.HTM and AADETAIL.HTM, with ERRORS.HTM when with_test_report. Leaves the
  // keyword table ordered by kwaid.
  virtual void WriteCompleteList(bool with_test_report) = 0;
};

}  // namespace vantorel::catalogue
