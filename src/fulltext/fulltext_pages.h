// The pages of the full-text search, written in the style of the catalogue's result pages
// (catalogue/result_pages.h): lines in code page 1252 ended by CR LF, written beside their name
// and put in place when complete (catalogue/page_file.h).
//
//   FULLTEXT.HTM   one query's hits, best first: a header with the query and the number of
//                  documents found, then per hit a block with its title (or file name), the
//                  authors and issue, a link to the file and the PDF page, and one or two
//                  snippets with the found words in bold;
//   FTERRORS.HTM   the files the index skipped or read only in part, one line each.
//
// Links: an article PDF "file:///pdf/" + name + "#page=" + the hit's page (the reader opens
// it there); a companion-disk file "VIEW:///DISKS/" + path + "|" + the first found word (the
// viewer finds it); a member of a ZIP archive on the companion disks "VIEW:///DISKS/" + the
// archive's path + "?" + the member's name percent-encoded (core::PercentEncoded) + "|" + the
// first found word (the viewer shows the member), and a member of any other ZIP archive (a
// bonus file) the same with "VIEW:///" + the archive's path relative to DataDir (taken
// relative to the page, as "SRCH:///" below), each followed by the link "Extract this archive"
// to the archive itself (relative to DataDir where it lies there; the extraction dialog); a
// bonus document "SRCH:///" + path + "|" + the first found word. Texts from files and tables are written with
// "&", "<" and ">" as entities and characters 1252 lacks as character references.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fulltext/fulltext_index.h"

namespace vantorel::fulltext {

inline constexpr char kFullTextPageName[] = "FULLTEXT.HTM";
inline constexpr char kReportPageName[] = "FTERRORS.HTM";

// Writes FULLTEXT.HTM to path (a path text) for query (UTF-8). index gives the shown paths.
// With problems (the files the index skipped or read in part) the header links FTERRORS.HTM,
// which stands beside the page: "<BR><A HREF=\"FTERRORS.HTM\">" + problems + " files could not
// be read in full</A>" ("1 file"). Throws catalogue::EInOutError when the page cannot be
// written.
void WriteFullTextPage(const std::string& path, std::string_view query,
                       const SearchResults& results, const FullTextIndex& index,
                       std::size_t problems = 0);

// Writes FTERRORS.HTM to path. Throws catalogue::EInOutError.
void WriteReportPage(const std::string& path, const std::vector<Problem>& problems);

// The first found word of a snippet (the text between the first kBoldOn and kBoldOff); empty
// when it has none.
std::string FirstFoundWord(std::string_view snippet);

// A snippet as page text in 1252: blanks and line breaks collapsed to one blank, found words
// in <B>...</B>.
std::string SnippetHtml(std::string_view snippet);

}  // namespace vantorel::fulltext
