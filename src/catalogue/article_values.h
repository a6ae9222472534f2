// The values the result pages derive from an article record: the PDF file that holds it and
// its folder on the companion disk.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel::catalogue {

// The issue number left-padded with zeros to 3 digits (7 gives "007"); longer stays whole.
std::string Issue3(std::int32_t issue);

// The PDF file's base name by article type: "Article" and "Review" the article number
// zero-padded to 4 digits ("0123"); "Tip" "T" + Issue3; "Clinic" "C" + Issue3; any other type
// empty (it has no PDF file). type is without trailing blanks; types compare with case.
std::string PdfBaseName(std::int32_t article_id, std::string_view type, std::int32_t issue);

// The issue's folder on the companion disk: "Issue0" + n below 10, else "Issue" + n.
std::string IssueDirectory(std::int32_t issue);

// The article's source folder relative to SourceDir, "\" separated: "Article" and "Review"
// issue folder + "\" + directory (empty when directory is empty: no source code); "Tip" issue
// folder + "\TIPTRIX"; "Clinic" issue folder + "\CLINIC"; any other type the issue folder.
// type and directory are without trailing blanks.
std::string SourceDirectory(std::string_view type, std::string_view directory,
                            std::int32_t issue);

}  // namespace vantorel::catalogue
