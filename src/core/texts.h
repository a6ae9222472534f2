// Text helpers shared by every subsystem.
//
// Texts are byte strings in the ANSI code page 1252. Case folding and case-insensitive
// comparison here touch only the ASCII letters a to z; the code-page aware casing of table
// data lives in code_pages.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel::core {

// Length of the fixed strings that hold link references, paths and search texts.
inline constexpr std::size_t kShortStringMax = 255;

// The first 255 bytes of text: what a fixed 255-character string keeps of it.
std::string CutToShortString(std::string_view text);

// The path unchanged when its last character is "\", ":" or NUL, otherwise the path
// followed by "\". REQUIRES: path is not empty (callers never pass an empty text).
std::string WithTrailingBackslash(std::string_view path);

// Replaces the first occurrence of pattern (found ignoring the case of a-z), then searches
// again from the beginning of the result, until no occurrence is left.
// REQUIRES: replacement does not contain pattern (else the loop would not end); an empty
// pattern leaves the text unchanged.
std::string ReplaceAllNoCase(std::string_view text, std::string_view pattern,
                             std::string_view replacement);

// ASCII-only case conversion: only a-z (A-Z) change.
char UpperCaseAscii(char c);
char LowerCaseAscii(char c);
std::string UpperCaseAscii(std::string_view text);
std::string LowerCaseAscii(std::string_view text);

// Three-way comparison ignoring the case of a-z (letters compare as upper case); other
// bytes compare as unsigned values. Negative, zero or positive.
int CompareTextNoCase(std::string_view a, std::string_view b);
bool SameTextNoCase(std::string_view a, std::string_view b);

// Position of the first occurrence of pattern in text ignoring the case of a-z, starting at
// from; npos when there is none.
std::size_t FindNoCase(std::string_view text, std::string_view pattern, std::size_t from = 0);

// Removes characters with codes 0 to 32 from both ends.
std::string AllTrim(std::string_view text);

// Removes trailing blanks (only the blank, code 32).
std::string RightTrim(std::string_view text);

// Prefixes blanks until the text is width characters long; a longer text is unchanged.
std::string PadLeft(std::string_view text, std::size_t width);

// value in decimal with every group of three digits set off by separator (the format "#,##0",
// which always groups in threes whatever the separator).
std::string GroupThousands(std::int64_t value, std::string_view separator = ",");

// The character reference that stands for a markup character in HTML text and attribute
// values ("&amp;", "&lt;", "&gt;", "&quot;"); empty for every other byte.
std::string_view MarkupEntityOf(char c);

// text with every markup character replaced by its character reference.
std::string MarkupEscaped(std::string_view text);

// The text with every byte other than A-Z, a-z, 0-9, "-", "_", ".", "~" and "/" written as "%"
// and two upper-case hexadecimal digits: a name carried inside a link, whatever bytes it has.
std::string PercentEncoded(std::string_view text);
// PercentEncoded undone: "%" and two hexadecimal digits (either case) become that byte; any
// other "%" stays as it is.
std::string PercentDecoded(std::string_view text);

}  // namespace vantorel::core
