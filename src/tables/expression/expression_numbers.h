// Numbers of the expression language: reading the decimal text of numeric fields, number
// literals and VAL, and writing the fixed-width text of STR.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace vantorel::tables {

// Reads a decimal number the way numeric fields and VAL read it: leading blanks are
// skipped, then an optional sign, digits with at most one decimal point, and an optional
// exponent ("E" or "e", optional sign, digits). The longest such prefix counts; text after it
// is ignored, and text without digits is 0 ("  -12" is -12, "12AB" is 12, blanks are 0).
// Values beyond the double range read as plus or minus infinity, values too small as 0.
// Never reads beyond text + size.
double ReadDecimalNumber(const char* text, std::size_t size);

// ReadDecimalNumber with a shortcut for the text numeric fields usually hold: blanks, then
// up to 15 digits filling the rest of the field. The leading blanks are skipped eight at a
// time, as they are most of a short number's field.
inline double ReadFieldNumber(const char* text, std::size_t size) {
  auto eight_blanks = [](const char* at) {
    std::uint64_t eight;
    std::memcpy(&eight, at, sizeof eight);
    return eight == 0x2020202020202020;
  };
  const char* p = text;
  const char* const last = text + size;
  while (last - p >= 8 && eight_blanks(p)) p += 8;
  while (p < last && *p == ' ') ++p;
  const char* const digits = p;
  unsigned long long value = 0;
  while (p < last && static_cast<unsigned char>(*p - '0') < 10) {
    value = value * 10 + static_cast<unsigned char>(*p - '0');
    ++p;
  }
  if (p == last && p - digits <= 15) return static_cast<double>(value);
  return ReadDecimalNumber(text, size);
}

// STR(n, len, dec): n rounded half away from zero to dec decimals (of its shortest exact
// decimal form, so 2.5 gives "3" and 1.005 gives "1.01"), right-aligned in len characters;
// len asterisks when the text is longer than len or n is not a finite number. len is used
// within 0..255, dec within 0..255 (values outside are clamped, fractions cut off).
std::string StrText(double n, double len, double dec);

// A double limited to lo..hi and cut to a whole number; NaN gives lo. Used for every
// numeric argument that counts characters or positions.
int ClampToInt(double value, int lo, int hi);

}  // namespace vantorel::tables
