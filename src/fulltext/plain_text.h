// Which files of the companion disks are text, and their words as UTF-8 text: sources and
// documents by their extension and their content, HTML documents without their markup.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::fulltext {

// What a file is to the index, from its name.
enum class NameKind {
  Text,     // a source or text document by its extension (.PAS, .C, .TXT, ...)
  Html,     // .HTM, .HTML
  Zip,      // .ZIP: its members are looked at
  Pdf,      // .PDF
  Binary,   // a program, image, sound, archive of another kind ... never read
  Unknown,  // no telling extension: text when its content looks like text
};

// By the extension of the last component of name (any letter case).
NameKind KindOfName(std::string_view name);

// True when bytes look like text: no NUL byte and at most 1 in 100 other control characters
// (tab, line feed, carriage return, form feed and Ctrl+Z do not count) in the first 8 KiB. An
// empty file is not text.
bool LooksLikeText(std::string_view bytes);

// The bytes as UTF-8: as they are when they are well-formed UTF-8, else read as code page
// 1252. NUL bytes and form feeds become blanks.
std::string TextToUtf8(std::string_view bytes);

// The text of an HTML document (UTF-8 or code page 1252): tags, comments, scripts and style
// sheets left out, character references decoded, a blank where a tag was.
std::string HtmlToText(std::string_view bytes);

}  // namespace vantorel::fulltext
