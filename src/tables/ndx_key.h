// Index keys: the key expression as an index header stores it, and the bytes of a key.
//
// Format notes. A C key is exactly key length bytes (OEM for an OEM table), compared as
// unsigned bytes. N, F and D keys are 8-byte little-endian IEEE doubles compared as numbers.
// For sorting, a key is turned into a sort key whose bytes compare with memcmp in key
// order: C keys as they are, numbers as the big-endian bits of the double with the sign bit
// flipped (all bits flipped for negative numbers), -0 taken as 0.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace vantorel::tables {

// True for the key types compared as numbers: D, F and N.
inline bool IsNumericKeyType(char key_type) {
  return key_type == 'D' || key_type == 'F' || key_type == 'N';
}

// The key expression as the index header stores it: letters upper-cased and blanks removed
// outside string literals, literals delimited by double quotes. A literal that holds a
// double quote keeps its apostrophes, and a blank between two characters of names or
// numbers stays (A .AND. B would otherwise become A.AND.B, which does not compile).
std::string NormaliseKeyExpression(std::string_view text);

// The 8 key bytes of a number (little-endian IEEE double) and back.
inline void StoreNumericKey(double value, char* key) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  for (int i = 0; i < 8; ++i) key[i] = static_cast<char>(bits >> (8 * i) & 0xFF);
}
inline double LoadNumericKey(const char* key) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(static_cast<unsigned char>(key[i])) << (8 * i);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// The 8 sort-key bytes of a number and back (see the top of this file).
void StoreSortableNumber(double value, char* sort_key);
double LoadSortableNumber(const char* sort_key);

// Three-way comparison of two keys of the index's type over length bytes (C) or as numbers.
// Only the sign of a character comparison means anything.
inline int CompareCharacterKeys(const char* a, const char* b, std::size_t length) {
  // Most keys differ in their first eight bytes: compared as one big-endian number, in place.
  if (length >= 8) {
    std::uint64_t x;
    std::uint64_t y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    if (x != y) return __builtin_bswap64(x) < __builtin_bswap64(y) ? -1 : 1;
    return std::memcmp(a + 8, b + 8, length - 8);
  }
  return std::memcmp(a, b, length);
}
inline int CompareNumericKeys(const char* a, const char* b) {
  const double x = LoadNumericKey(a);
  const double y = LoadNumericKey(b);
  return x < y ? -1 : (y < x ? 1 : 0);
}

}  // namespace vantorel::tables
