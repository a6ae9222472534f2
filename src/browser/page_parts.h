// A long HTML page as a sequence of parts that are read and laid out one at a time.
//
// The page's bytes (code page 1252) are split, in one pass, at element boundaries where a part
// read on its own shows what that stretch of the whole page shows: before a block element
// outside any table (P, TABLE, HR, a heading, a list, DIV...), before a list item (the part
// opens the list again), or before a row of a table that stands outside any other table (the
// part opens the table again). Each part is read after a prologue that restores what the
// page opened before it: the page's head up to its BODY tag, its last BASEFONT, the text
// styles left open (FONT, B, I...), the open lists and the open table. No part takes a byte of
// another: the parts' bytes laid end to end are the page.
//
// The same pass keeps the text of each part for find (the characters the part shows, tags
// left out, entities decoded, every run of white space one blank) and the anchors (A NAME)
// each part holds.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantorel::browser {

// A long table is laid out whole at once; within a part it is closed and opened again before
// a row every this many bytes, so that each piece is laid out in a short time.
inline constexpr std::size_t kTablePieceBytes = 16 << 10;

// A stretch of the page, read after its prologue.
struct PagePart {
  std::size_t begin = 0;  // first byte of the part in the page
  std::size_t end = 0;    // one past its last byte
  std::string prologue;   // markup read before the part's bytes
  // Where a table is closed and opened again (the offset of a row in the page, the table's
  // start tag), in page order.
  std::vector<std::pair<std::size_t, std::string>> table_breaks;
};

// What the split pass found in one part.
struct ScannedPart {
  PagePart part;
  std::vector<std::string> anchors;  // NAME (or ID) of every A in the part, as written (1252)
  std::string text;                  // the part's text for find (1252)
};

// A part grows past part_bytes only to reach the next boundary; one with no boundary for
// kPartStretch times part_bytes ends at the next tag whatever it is (a hostile page's giant
// table or PRE), one without any tag at the next blank, else where it is.
inline constexpr std::size_t kPartStretch = 4;

// Splits bytes into parts of about part_bytes (at least 1), calling each for every part in
// page order as soon as it is complete. each returns false to stop the split.
void SplitPage(std::string_view bytes, std::size_t part_bytes, const std::function<bool(ScannedPart)>& each);

// The markup a part is read from: its prologue, then its bytes of page with its tables closed
// and opened again at its table breaks.
std::string PartMarkup(std::string_view page, const PagePart& part);

// text with every run of white space as one blank and, unless match_case, letters folded as
// find folds them (a-z and the accented letters of code page 1252).
std::string FindableText(std::string_view text, bool match_case);

// Offset of the first occurrence of pattern (from FindableText) in text (the part's text
// for find, which is itself one FindableText(..., true)) at or after from; npos when none.
// Unless match_case, letters are compared folded.
std::size_t FindInPartText(std::string_view text, std::string_view pattern, bool match_case, std::size_t from = 0);

}  // namespace vantorel::browser
