// What the full-text index adds to SQLite's FTS5 on every connection that opens it.
//
// The tokenizer "vantorel_pages" wraps another FTS5 tokenizer (its first argument, the rest
// passed on: "vantorel_pages porter unicode61 remove_diacritics 2"). A text's pages are
// separated by form feeds ("\f"); at each one the wrapper emits a page-break token that no
// word produces, so a phrase never spans two pages, and a token's page is one
// more than the breaks before it.
//
// The auxiliary function vantorel_hit(table) describes one hit of the current query in the
// body column (column 1):
//   page "\x1F" first snippet "\x1F" second snippet
// page: the page (from 1) of the first found token of the body, 1 when the query found
// only the title. A snippet is up to kSnippetTokens tokens of one page around a found token
// (the second around the first found token after the first snippet, empty when there is
// none); found tokens stand between kBoldOn and kBoldOff; "..." (kCut) marks text left out
// within the page. A title-only hit gets the beginning of its body as its first snippet.
// vantorel_hit(table, 'tab', 'col') reads the body deflated from column col of table tab, in
// the row of the hit's rowid (its length in bytes, 4 bytes little-endian, then a zlib stream;
// one that does not inflate is an empty body), and inflates it only as far as the snippets
// need.
#pragma once

#include <sqlite3.h>

namespace vantorel::fulltext {

inline constexpr char kPageBreak = '\f';
inline constexpr char kBoldOn = '\x02';
inline constexpr char kBoldOff = '\x03';
inline constexpr char kHitFieldSeparator = '\x1F';
inline constexpr char kCut[] = "...";
inline constexpr int kSnippetTokens = 24;  // tokens of one snippet
inline constexpr int kTokensBefore = 6;    // of those, before the found token

// Registers the tokenizer and the auxiliary function on db. Returns an SQLite result code.
int RegisterFtsExtensions(sqlite3* db);

}  // namespace vantorel::fulltext
