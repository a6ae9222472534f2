#include "tables/ndx_key.h"

#include "core/texts.h"

namespace vantorel::tables {

namespace {

bool IsWordCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
         c == '_' || c == '.';
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string NormaliseKeyExpression(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '"' || c == '\'') {
      const std::size_t end = text.find(c, i + 1);
      const std::string_view literal =
          text.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
      const char delimiter = literal.find('"') == std::string_view::npos ? '"' : c;
      out += delimiter;
      out += literal;
      if (end == std::string_view::npos) break;  // unterminated: left for the compiler to reject
      out += delimiter;
      i = end + 1;
    } else if (IsBlank(c)) {
      std::size_t next = i;
      while (next < text.size() && IsBlank(text[next])) ++next;
      if (!out.empty() && next < text.size() && IsWordCharacter(out.back()) &&
          IsWordCharacter(text[next]))
        out += ' ';
      i = next;
    } else {
      out += core::UpperCaseAscii(c);
      ++i;
    }
  }
  return out;
}

void StoreSortableNumber(double value, char* sort_key) {
  if (value == 0.0) value = 0.0;  // -0 sorts with 0
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  bits = (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
  for (int i = 0; i < 8; ++i) sort_key[i] = static_cast<char>(bits >> (56 - 8 * i) & 0xFF);
}

double LoadSortableNumber(const char* sort_key) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i)
    bits = bits << 8 | static_cast<unsigned char>(sort_key[i]);
  bits = (bits >> 63) != 0 ? bits & ~(std::uint64_t{1} << 63) : ~bits;
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace vantorel::tables
