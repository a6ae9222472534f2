// The article catalogue: the three tables the article search reads (articles with their
// summaries, authors, keywords), their four index files, and the three lists the search dialog
// offers (issues, authors, keywords).
//
// Opening, in this order:
//   1. the issue list gets its kIssueCount items (issue_names.h);
//   2. article.dbf, author.dbf and keyword.dbf in DataDir are opened, each read-only and shared,
//      OEM text converted to ANSI, deleted records visible; a missing table is created empty
//      from its field list;
//   3. kwaid.ndx (keyword.dbf, ARTICLE_ID) and kwkey.ndx (keyword.dbf, UPPER(KEYWORD), UNIQUE)
//      are built when missing or stale against keyword.dbf; kwkey becomes the keyword table's
//      controlling order;
//   4. araid.ndx (article.dbf, ARTICLE_ID) and ariss.ndx (article.dbf, ISSUE__) are built
//      when missing or stale against article.dbf; the article table stays in natural order;
//   5. the author list gets one item per author record: NAME as read (64 characters, blank
//      padded) followed by AUTHOR_ID in decimal;
//   6. the keyword list is loaded from keywords.lst when that file exists and is not stale
//      against kwaid.ndx; otherwise it is read from the keyword table in kwkey order (one item
//      per distinct keyword, KEYWORD padded to 28 characters) and keywords.lst is written anew.
// Staleness: index_freshness.h. An index that exists, is fresh and opens is used without
// reading further. Indexes and keywords.lst are written beside their names and take them only
// once complete, so a start or a build cut short (a crash, a kill, a full disk) leaves nothing
// half-written, and several copies of the program may build the same files at once.
//
// Before each index build the progress text "Indexing " + file name + "..." is shown through
// the Ui port, every 5% of the build that text + " P% of N records" (N the table's record
// count, thousands grouped by ","), and an empty text after it.
//
// Failures: engine errors of the tables go to ErrorReport (tables/kv_error.h) unless
// SetRaiseEngineErrors(true) lets them travel to the caller as EKvError. A keywords.lst that
// cannot be written throws EInOutError; opening ends there. A keywords.lst that cannot be
// read is built again from the table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/sorted_text_list.h"
#include "tables/kv_dbf.h"

namespace vantorel::catalogue {

// The width of NAME in author.dbf: an author item holds the author number from this offset.
inline constexpr std::size_t kAuthorNameWidth = 64;

// The field lists a missing table is created from ("name, type, width, decimals").
const std::vector<std::string>& ArticleFields();
const std::vector<std::string>& AuthorFields();
const std::vector<std::string>& KeywordFields();

class Catalogue {
 public:
  // data_dir: the folder of the tables, ending in a separator.
  explicit Catalogue(std::string data_dir);
  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  // Engine errors of the three tables travel to the caller as EKvError (the command-line
  // tool, tests). REQUIRES: called before Open.
  void SetRaiseEngineErrors(bool raise);

  // Opens the tables, brings the indexes up to date and fills the lists (see the top of this
  // file). REQUIRES: called once.
  void Open();

  const std::string& DataDir() const { return data_dir_; }

  tables::KvDbf& ArticleDBF() { return article_dbf_; }
  tables::KvDbf& AuthorDBF() { return author_dbf_; }
  tables::KvDbf& KeywordDBF() { return keyword_dbf_; }

  // Makes kwkey (DataDir + "kwkey") the keyword table's controlling order, as it is after Open.
  void OrderKeywordsByKey();

  // The lists, filled by Open and never refilled.
  const std::vector<std::string>& IssueItems() const { return issue_items_; }
  const core::SortedTextList& AuthorItems() const { return author_items_; }
  const core::SortedTextList& KeywordItems() const { return keyword_items_; }

 private:
  void OpenTable(tables::KvDbf& table, std::string_view file_name);
  // Builds DataDir + index_name + ".ndx" over table with key unless it exists and is fresh
  // against the table file. options: " UNIQUE" or empty.
  void RefreshIndex(tables::KvDbf& table, std::string_view index_name, std::string_view key,
                    std::string_view options);
  void FillAuthorItems();
  void FillKeywordItems();
  // keywords.lst into the keyword list; false when it cannot be read.
  bool LoadKeywordList(const std::string& file);
  void SaveKeywordList(const std::string& file) const;

  std::string data_dir_;                // DataDir, ends in a separator
  tables::KvDbf article_dbf_;           // article.dbf with article.dbt
  tables::KvDbf author_dbf_;            // author.dbf
  tables::KvDbf keyword_dbf_;           // keyword.dbf, ordered by kwkey after Open
  std::vector<std::string> issue_items_;  // kIssueCount items
  core::SortedTextList author_items_;   // name (64 characters) + number
  core::SortedTextList keyword_items_;  // keywords padded to 28 characters
};

}  // namespace vantorel::catalogue
