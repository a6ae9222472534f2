#include "core/texts.h"

namespace vantorel::core {

std::string CutToShortString(std::string_view text) {
  return std::string(text.substr(0, kShortStringMax));
}

std::string WithTrailingBackslash(std::string_view path) {
  std::string result(path);
  if (result.empty()) return result;
  const char last = result.back();
  if (last != '\\' && last != ':' && last != '\0') result += '\\';
  return result;
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view pattern,
                             std::string_view replacement) {
  std::string result(text);
  if (pattern.empty()) return result;
  // Each round searches from the start again, as callers rely on (two blanks to one).
  for (std::size_t at = FindNoCase(result, pattern); at != std::string::npos;
       at = FindNoCase(result, pattern)) {
    result.replace(at, pattern.size(), replacement);
  }
  return result;
}

char UpperCaseAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
char LowerCaseAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string UpperCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = UpperCaseAscii(c);
  return result;
}

std::string LowerCaseAscii(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = LowerCaseAscii(c);
  return result;
}

int CompareTextNoCase(std::string_view a, std::string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(UpperCaseAscii(a[i]));
    const auto cb = static_cast<unsigned char>(UpperCaseAscii(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameTextNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareTextNoCase(a, b) == 0;
}

std::size_t FindNoCase(std::string_view text, std::string_view pattern, std::size_t from) {
  if (pattern.size() > text.size()) return std::string_view::npos;
  for (std::size_t at = from; at + pattern.size() <= text.size(); ++at) {
    if (SameTextNoCase(text.substr(at, pattern.size()), pattern)) return at;
  }
  return std::string_view::npos;
}

std::string AllTrim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string RightTrim(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  return std::string(text.substr(0, end));
}

std::string PadLeft(std::string_view text, std::size_t width) {
  if (text.size() >= width) return std::string(text);
  return std::string(width - text.size(), ' ') + std::string(text);
}

std::string GroupThousands(std::int64_t value, std::string_view separator) {
  const bool negative = value < 0;
  std::string digits = std::to_string(value);
  if (negative) digits.erase(0, 1);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return negative ? "-" + grouped : grouped;
}

std::string_view MarkupEntityOf(char c) {
  switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    default: return {};
  }
}

std::string MarkupEscaped(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const std::string_view entity = MarkupEntityOf(c);
    if (entity.empty())
      escaped += c;
    else
      escaped += entity;
  }
  return escaped;
}

std::string PercentEncoded(std::string_view text) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
        c == '-' || c == '_' || c == '.' || c == '~' || c == '/') {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHex[byte >> 4];
      encoded += kHex[byte & 0x0F];
    }
  }
  return encoded;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string PercentDecoded(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}

}  // namespace vantorel::core
