// What a search dialog hands the main window when it closes: which page, if any, its searches
// wrote. The main window shows that page.
#pragma once

namespace vantorel::core {

struct SearchOutcome {
  bool SearchPageWritten = false;    // a page was written and is to be shown
  bool CompleteListWritten = false;  // ALLARTS.HTM (with AADETAIL.HTM) instead of the results
  bool TestResultsWritten = false;   // ERRORS.HTM (with the other two) instead of the results
  bool FullTextSearchWanted = false;  // the dialog's "Free Text Search": no page, the full-text search next

  // Adds the pages another search wrote.
  SearchOutcome& operator|=(const SearchOutcome& other) {
    SearchPageWritten |= other.SearchPageWritten;
    CompleteListWritten |= other.CompleteListWritten;
    TestResultsWritten |= other.TestResultsWritten;
    FullTextSearchWanted |= other.FullTextSearchWanted;
    return *this;
  }
  bool operator==(const SearchOutcome&) const = default;
};

}  // namespace vantorel::core
