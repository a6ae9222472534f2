// What the catalogue says about the files of the index: the articles an article PDF holds
// (by the PDF base-name rule of the result pages, catalogue/article_values.h) and the bonus
// documents files.dbf names.
//
// The tables are read straight from their files (tables/dbf_file.h), each record in turn,
// without the dataset layer or any index: reading needs no work area, so it can run beside the
// program's open catalogue on another thread. Deleted records count, as on the result pages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vantorel::fulltext {

// The articles of one PDF file. Texts are UTF-8.
struct ArticleTie {
  std::vector<std::int32_t> article_ids;  // ascending
  std::string title;                      // the titles (trailing blanks removed) joined by "; "
  std::optional<std::int32_t> issue;      // the issue of the first article
  std::string authors;                    // the distinct author names joined by ", "

  bool operator==(const ArticleTie&) const = default;
};

// PDF file name in upper case ("0012.PDF", "T007.PDF") -> its articles.
using ArticleTies = std::unordered_map<std::string, ArticleTie>;

// A bonus document of files.dbf. Texts are UTF-8.
struct BonusDocument {
  std::string name;   // NAME trimmed: the document's path relative to DataDir ("\" or "/")
  std::string title;  // TITLE trimmed
};

// Reads article.dbf and author.dbf in data_dir (a folder path text ending in "/"). A missing
// or unreadable table gives no ties (an empty catalogue); nothing throws.
ArticleTies ReadArticleTies(std::string_view data_dir);

// Reads files.dbf in data_dir; none when it is missing or unreadable.
std::vector<BonusDocument> ReadBonusDocuments(std::string_view data_dir);

// A text that changes whenever article.dbf, author.dbf or files.dbf in data_dir changes (their
// sizes and modification times).
std::string CatalogueSignature(std::string_view data_dir);

}  // namespace vantorel::fulltext
