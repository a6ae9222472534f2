// One field of a table as its descriptor gives it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::tables {

struct DbfField {
  std::string name;   // upper case, at most 11 characters (10 in tables the engine creates)
  char type = 'C';    // 'C', 'N', 'F', 'D', 'L' or 'M' (B, G and P are read as M)
  int width = 0;      // bytes the field takes in the record
  int decimals = 0;   // digits after the point (N and F)
  int offset = 0;     // position of its first byte in the record; byte 0 is the deletion flag
};

// Field names are told apart by their first kSignificantNameLength characters.
inline constexpr std::size_t kSignificantNameLength = 10;

// The number (1-based) of the field that name names: the first whose name agrees with name
// in the first 10 characters, letters a-z of name taken as upper case; 0 when none does.
inline int FieldNumberByName(const std::vector<DbfField>& fields, std::string_view name) {
  const std::string_view wanted = name.substr(0, kSignificantNameLength);
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::string_view have = std::string_view(fields[i].name).substr(0, kSignificantNameLength);
    if (have.size() != wanted.size()) continue;
    std::size_t j = 0;
    for (; j < wanted.size(); ++j) {
      const char c = wanted[j];
      if ((c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c) != have[j]) break;
    }
    if (j == wanted.size()) return static_cast<int>(i + 1);
  }
  return 0;
}

}  // namespace vantorel::tables
