// The result pages: HTML files written into the catalogue's WriteDir (DataDir, or the
// archive's cache folder when DataDir cannot be written) that the main window shows after a
// search.
//
//   SEARCHRESULT.HTM  one search's results: the count, the criteria, a list of links to the
//                     articles' anchors and, after it, every article's detail block;
//   ALLARTS.HTM       every article in issue order, linked to its anchor in AADETAIL.HTM;
//   AADETAIL.HTM      every article's detail block;
//   ERRORS.HTM        the test report: the PDF files and source folders that are missing.
// Each file is created anew, written as lines ended by CR LF in code page 1252, table texts as
// read (no HTML escaping), and closed when complete.
//
// An article's detail block shows its title, authors, padded type, issue, a link to its PDF
// ("file:///pdf/" + PdfBaseName + ".PDF", or "Article not available" for an issue above
// the LastIssue setting and for a type without a PDF file), a link to its source folder
// ("diry:///disks/" + SourceDirectory + "\", or "No source code", or "Source code not
// available" when that folder is not under the SourceDir setting), its summary lines and its
// keywords joined by "; " in kwaid order. An author number without an author record is left
// out of the authors.
//
// Progress: "Generating results for article " + number through the Ui for each article. A
// result article that is not in the article table: the error box "Unable to find article when
// creating search results", and the page goes on without it.
//
// Table orders left behind: the keyword table by kwaid, the article table by araid (results)
// or ariss (complete list).
#pragma once

#include <string>
#include <vector>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/result_page_writer.h"
#include "catalogue/source_folders.h"
#include "core/settings.h"

namespace vantorel::catalogue {

class PageFile;

class ResultPages : public ResultPageWriter {
 public:
  // REQUIRES: catalogue is open; catalogue and settings outlive the writer. PdfDir, SourceDir
  // and LastIssue are read from settings when a page is written.
  ResultPages(Catalogue& catalogue, const core::BrowserSettings& settings);

  // EInOutError when a file cannot be created or written; engine errors as the tables send
  // them.
  void WriteSearchResults(const SearchResults& results) override;
  void WriteCompleteList(bool with_test_report) override;

 private:
  struct Article;  // the current article record's values

  Article ReadArticle();
  // Appends the detail block of the current article to block, each line ended by CR LF.
  void DetailBlock(const Article& article, std::string& block);
  // NAME of the author with that number; null when the author table has none.
  const std::string* AuthorName(std::int32_t author);
  // Appends the article's keywords line (without its CR LF).
  void AppendKeywordsLine(const Article& article, std::string& line);
  // ERRORS.HTM's lines for the current article.
  void WriteTestLines(const Article& article, PageFile& errors);

  Catalogue& catalogue_;  // the open tables
  const core::BrowserSettings& settings_;  // the run's settings record
  // AUTHOR_ID -> NAME of the author table, read once per page; empty until first needed.
  struct AuthorNames {
    std::vector<std::int32_t> numbers;  // ascending
    std::vector<std::string> names;     // NAME of each number
  };
  std::optional<AuthorNames> author_names_;
  std::vector<std::string> summary_;  // the current article's summary lines
  bool keyword_is_character_ = true;  // KEYWORD is a character field: its bytes are read
  // The companion-disk folders as they stand when a page is begun.
  std::optional<SourceFolders> source_folders_;
};

}  // namespace vantorel::catalogue
