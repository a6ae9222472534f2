// A bound on how deeply a page nests its elements, applied to the page's bytes before the
// parser builds a tree of them.
//
// The parser's checks on its open elements take time that grows with their number for every
// tag and every run of text, so a page that opens tens of thousands of elements and never
// closes them (FONT after FONT, DIV in DIV, tables in table cells) costs minutes. The bound
// follows the open elements roughly as a browser does and leaves out the start tags that
// would open an element deeper than the limit, with the end tags that close those elements;
// all text, comments and other markup stay as written.
//
// How elements are followed:
//  1. Empty elements (BR, IMG, ...), elements a browser closes by the next of their kind
//     (P, LI, DT, DD, OPTION, table sections), the document's own parts (HTML, HEAD, BODY)
//     and FORM, which does not nest, are not followed.
//  2. SCRIPT, STYLE, TITLE, TEXTAREA, XMP, IFRAME, NOEMBED and NOFRAMES hold text up to
//     their end tag; PLAINTEXT holds the rest of the page.
//  3. TR closes the open row or cell of its table, TD and TH the open cell; TABLE outside a
//     cell closes the open table; A, NOBR, BUTTON and SELECT close an open one of their
//     kind; a heading closes a heading that is the innermost element.
//  4. An end tag closes the innermost open element of its name within the innermost table
//     (an end tag of TABLE: that table) and every element opened inside it; an end tag of a
//     text style element (B, FONT, ...) closes only its element, as the browser reopens
//     the styles inside it. An end tag without an open element is kept as written.
//  5. An element whose start tag is left out (deeper than the limit) also loses its end tag.
// Only the kMaxSearchedElements innermost open elements are searched for an end tag's
// element, so that any page costs time in proportion to its length.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::browser {

// Most elements a page keeps open at once; deeper start tags are left out. Far above any
// real page, and above the depth to which the page normaliser writes elements as elements.
inline constexpr int kMaxOpenElements = 512;
// Open elements searched for an end tag or a start tag that closes one.
inline constexpr int kMaxSearchedElements = 2 * kMaxOpenElements;

// The page html (any bytes, ASCII-compatible) with the start tags that would open an
// element deeper than max_depth left out, and the end tags of those elements. A page that
// never nests deeper than max_depth is returned unchanged.
// REQUIRES: max_depth >= 0.
std::string BoundNesting(std::string_view html, int max_depth = kMaxOpenElements);

}  // namespace vantorel::browser
