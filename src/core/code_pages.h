// The two code pages of the archive's data: OEM 437 (tables, ZIP names) and ANSI 1252 (the
// program's texts), their letter case, and the crossing to UTF-8 at the borders (Qt, Linux
// file names).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantorel::core {

// Byte conversions, one table lookup per byte.
unsigned char OemToAnsi(unsigned char c);
unsigned char AnsiToOem(unsigned char c);
unsigned char AnsiUpper(unsigned char c);  // CharUpper on code page 1252
unsigned char AnsiLower(unsigned char c);  // CharLower on code page 1252

// In-place conversion of n bytes.
void OemToAnsiBuffer(char* bytes, std::size_t n);
void AnsiToOemBuffer(char* bytes, std::size_t n);
void AnsiUpperBuffer(char* bytes, std::size_t n);
void AnsiLowerBuffer(char* bytes, std::size_t n);

std::string OemToAnsi(std::string_view text);
std::string AnsiToOem(std::string_view text);
std::string AnsiUpper(std::string_view text);
std::string AnsiLower(std::string_view text);

// Code page 1252 to UTF-8. The five bytes 1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90,
// 0x9D) become the C1 control characters of the same value, as Windows maps them.
std::string Cp1252ToUtf8(std::string_view text);

// UTF-8 to code page 1252; a character 1252 cannot hold, or a malformed sequence, becomes "?".
std::string Utf8ToCp1252(std::string_view text);

// A UTF-8 text (a path) as the text of an HTML page in code page 1252: "&", "<" and ">" as
// their entities, a character 1252 cannot hold as its numeric character reference ("&#1052;"),
// a malformed sequence as "?".
std::string Utf8ToPageCp1252(std::string_view text);

// True when text is well-formed UTF-8 (no overlong form, no surrogate, nothing beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);

// The text itself when it is well-formed UTF-8, else the text read as code page 1252 and
// converted to UTF-8: how a value written by an older version (in 1252) is read back.
std::string Utf8OrCp1252ToUtf8(std::string_view text);

// The Unicode code point of a 1252 byte.
char32_t Cp1252ToCodePoint(unsigned char c);

// OEM code page 437 straight to UTF-8, without the detour through 1252 (which turns the
// letters, lines and symbols 1252 lacks into look-alikes). Bytes below 0x80 stay as they are.
std::string Cp437ToUtf8(std::string_view text);
// Appends the UTF-8 bytes of a code point of the Basic Multilingual Plane.
void AppendUtf8(std::string& out, char32_t code_point);

// The Unicode code point of a 437 byte (bytes below 0x80 map to themselves).
char32_t Cp437ToCodePoint(unsigned char c);

}  // namespace vantorel::core
