// A field's text in the two forms: as FieldAsString shows it and as Locate's scan compares it.
// The forms differ in how numbers are written and in C fields' NUL and padding; everything
// else is one rule.
#include <gtest/gtest.h>

#include <string>

#include "tables/field_text.h"

namespace vantorel::tables {
namespace {

TEST(FieldText, ShownAndComparedFormsByType) {
  using namespace std::string_literals;
  const struct {
    const char* what;
    DbfField field;          // name, type, width, decimals
    std::string stored;      // the field's bytes
    std::string shown;       // FieldAsString
    std::string compared;    // Locate
  } cases[] = {
      {"C with trailing blanks", {"NAME", 'C', 6}, "ABC   ", "ABC   ", "ABC   "},
      {"C cut at a NUL", {"NAME", 'C', 6}, "AB\0CD "s, "AB    ", "AB\0CD "s},
      {"N integer", {"ID", 'N', 6}, "    42", "    42", "42"},
      {"N integer, leading zeros", {"ID", 'N', 6}, "000042", "    42", "42"},
      {"N negative integer", {"ID", 'N', 6}, "   -7 ", "    -7", "-7"},
      {"N blank", {"ID", 'N', 6}, "      ", "     0", "0"},
      {"N integer beyond 32 bits: the dataset's integer field holds 0, Locate the number",
       {"ID", 'N', 12}, " 99999999999", "           0", "99999999999"},
      {"N with decimals: general format shown, fixed decimals compared",
       {"PRICE", 'N', 7, 2}, "   1.50", "    1.5", "1.50"},
      {"N with decimals, whole number", {"PRICE", 'N', 7, 2}, "   2.00", "      2", "2.00"},
      {"F with decimals, blank", {"RATE", 'F', 5, 1}, "     ", "    0", "0.0"},
      {"N not a number", {"ID", 'N', 4}, "12ab", "   0", "0"},
      {"N wider text than the field shows it whole", {"PRICE", 'N', 4, 1}, "1E20", "1E20",
       "100000000000000000000.0"},
      {"L true", {"ONLINE", 'L', 1}, "y", "T", "T"},
      {"L false", {"ONLINE", 'L', 1}, "?", "F", "F"},
      {"D", {"PUBLISHED", 'D', 8}, "19970314", "03/14/1997", "03/14/1997"},
      {"D empty", {"PUBLISHED", 'D', 8}, "        ", "  /  /    ", "  /  /    "},
      {"D too narrow holds the empty date", {"PUBLISHED", 'D', 0}, "", "  /  /    ", "  /  /    "},
      {"M block number", {"SUMMARY", 'M', 10}, "         3", "         3", "         3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FieldText(c.field, c.stored, FieldTextForm::Shown), c.shown);
    EXPECT_EQ(FieldText(c.field, c.stored, FieldTextForm::Compared), c.compared);
  }
}

TEST(FieldText, NumberTexts) {
  EXPECT_EQ(FloatText(1e20), "1E20");
  EXPECT_EQ(FloatText(1.5e-7), "1.5E-7");
  EXPECT_EQ(FloatText(0.1 + 0.2), "0.3");
  EXPECT_EQ(FixedNumberText(2.5, 0), "2");  // halves to even, as printf rounds
  // A number with more digits than a fixed buffer would hold is written whole.
  EXPECT_EQ(FixedNumberText(1e300, 200).size(), 301u + 1u + 200u);
}

}  // namespace
}  // namespace vantorel::tables
