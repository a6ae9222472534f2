#include "fulltext/plain_text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <unordered_map>

#include "core/code_pages.h"

namespace vantorel::fulltext {

namespace {

constexpr std::size_t kSniffLength = 8192;

// Extensions in upper case, without the dot.
constexpr std::array kTextExtensions = {
    "TXT", "PAS", "PP",  "INC", "DPR", "DPK", "INT", "C",   "H",   "CPP", "CXX", "CC",
    "HPP", "HH",  "ASM", "S",   "BAS", "BI",  "FOR", "F",   "F77", "PRG", "CH",  "MOD",
    "DEF", "JAV", "JAVA","PY",  "PL",  "PM",  "TCL", "AWK", "SQL", "MAK", "MK",  "BAT",
    "CMD", "INI", "CFG", "DOC", "ME",  "1ST", "DIZ", "NFO", "LST", "LOG", "MSG", "RC",
    "DLG", "Y",   "L",   "LSP", "SCM", "ADA", "ADB", "ADS", "CBL", "COB", "XML", "CSV",
    "TEX", "MD",  "RTF", "DFM", "PRJ", "NEW", "HLP", "ASC", "ANS", "SH",  "JS",  "CSS"};
constexpr std::array kHtmlExtensions = {"HTM", "HTML"};
constexpr std::array kBinaryExtensions = {
    "EXE", "COM", "DLL", "OBJ", "O",   "LIB", "A",   "SO",  "BIN", "OVL", "OVR", "SYS",
    "DRV", "TPU", "TPL", "DCU", "BPL", "DCP", "RES", "ICO", "CUR", "BMP", "GIF", "JPG",
    "JPEG","PNG", "PCX", "TIF", "TIFF","WAV", "MID", "MP3", "AVI", "MOV", "ARJ", "LZH",
    "RAR", "GZ",  "TGZ", "Z",   "7Z",  "CAB", "ARC", "DBF", "DBT", "NDX", "MDX", "CDX",
    "FPT", "DB",  "PX",  "MDB", "FNT", "TTF", "FON", "CHR", "BGI", "PIF", "LNK", "ISO"};

// One character reference's code point; 0 when it is none this reader knows.
char32_t NamedReference(std::string_view name) {
  struct Named {
    const char* name;
    char32_t code;
  };
  static constexpr Named kNamed[] = {
      {"amp", '&'},     {"lt", '<'},       {"gt", '>'},       {"quot", '"'},
      {"apos", '\''},   {"nbsp", 0xA0},    {"copy", 0xA9},    {"reg", 0xAE},
      {"auml", 0xE4},   {"ouml", 0xF6},    {"uuml", 0xFC},    {"Auml", 0xC4},
      {"Ouml", 0xD6},   {"Uuml", 0xDC},    {"szlig", 0xDF},   {"eacute", 0xE9},
      {"egrave", 0xE8}, {"ecirc", 0xEA},   {"aacute", 0xE1},  {"agrave", 0xE0},
      {"acirc", 0xE2},  {"ccedil", 0xE7},  {"iacute", 0xED},  {"oacute", 0xF3},
      {"uacute", 0xFA}, {"ntilde", 0xF1},  {"Eacute", 0xC9},  {"aring", 0xE5},
      {"oslash", 0xF8}, {"eth", 0xF0},     {"thorn", 0xFE},   {"hellip", 0x2026},
      {"mdash", 0x2014},{"ndash", 0x2013}, {"laquo", 0xAB},   {"raquo", 0xBB}};
  for (const Named& named : kNamed)
    if (name == named.name) return named.code;
  return 0;
}

// The reference at text[at] ("&..;"); its code point and length, or 0 when it is none.
std::pair<char32_t, std::size_t> Reference(std::string_view text, std::size_t at) {
  const std::size_t end = text.find(';', at);
  if (end == std::string_view::npos || end - at > 12) return {0, 0};
  const std::string_view name = text.substr(at + 1, end - at - 1);
  if (name.size() > 1 && name[0] == '#') {
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string digits(name.substr(hex ? 2 : 1));
    if (digits.empty()) return {0, 0};
    char* stop = nullptr;
    const unsigned long value = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
    if (*stop != '\0' || value == 0 || value > 0xFFFF) return {0, 0};
    return {static_cast<char32_t>(value), end - at + 1};
  }
  const char32_t code = NamedReference(name);
  return {code, code != 0 ? end - at + 1 : 0};
}

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != prefix[i]) return false;
  return true;
}

}  // namespace

NameKind KindOfName(std::string_view name) {
  static const std::unordered_map<std::string, NameKind> kinds = [] {
    std::unordered_map<std::string, NameKind> map{{"ZIP", NameKind::Zip}, {"PDF", NameKind::Pdf}};
    for (const char* extension : kHtmlExtensions) map.emplace(extension, NameKind::Html);
    for (const char* extension : kTextExtensions) map.emplace(extension, NameKind::Text);
    for (const char* extension : kBinaryExtensions) map.emplace(extension, NameKind::Binary);
    return map;
  }();
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string_view::npos) name.remove_prefix(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0 || name.size() - dot > 5) return NameKind::Unknown;
  std::string extension(name.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const auto found = kinds.find(extension);
  return found == kinds.end() ? NameKind::Unknown : found->second;
}

bool LooksLikeText(std::string_view bytes) {
  const std::string_view head = bytes.substr(0, kSniffLength);
  if (head.empty()) return false;
  std::size_t controls = 0;
  for (const char c : head) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == 0) return false;
    if (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r' && byte != '\f' &&
        byte != 0x1A)
      ++controls;
  }
  return controls * 100 <= head.size();
}

std::string TextToUtf8(std::string_view bytes) {
  std::string text = core::IsValidUtf8(bytes) ? std::string(bytes) : core::Cp1252ToUtf8(bytes);
  for (char& c : text)
    if (c == '\0' || c == '\f') c = ' ';
  return text;
}

std::string HtmlToText(std::string_view bytes) {
  const std::string html = TextToUtf8(bytes);
  const std::string_view page = html;
  std::string text;
  text.reserve(page.size());
  std::size_t at = 0;
  while (at < page.size()) {
    const char c = page[at];
    if (c == '<') {
      if (page.compare(at, 4, "<!--") == 0) {
        const std::size_t end = page.find("-->", at + 4);
        at = end == std::string_view::npos ? page.size() : end + 3;
      } else {
        const bool script = StartsWithNoCase(page, at, "<script");
        const bool style = StartsWithNoCase(page, at, "<style");
        std::size_t end = page.find('>', at);
        end = end == std::string_view::npos ? page.size() : end + 1;
        if (script || style) {
          const std::string closing = script ? "</script" : "</style";
          std::size_t close = end;
          while (close < page.size() && !StartsWithNoCase(page, close, closing)) ++close;
          end = page.find('>', close);
          end = end == std::string_view::npos ? page.size() : end + 1;
        }
        at = end;
      }
      text += ' ';
    } else if (c == '&') {
      const auto [code, length] = Reference(page, at);
      if (length == 0) {
        text += c;
        ++at;
      } else {
        core::AppendUtf8(text, code == 0xA0 ? U' ' : code);
        at += length;
      }
    } else {
      text += c;
      ++at;
    }
  }
  return text;
}

}  // namespace vantorel::fulltext
