// Decoding a record into the FieldVariableArea.
#include <gtest/gtest.h>

#include "table_bytes_helpers.h"
#include "tables/field_variable_area.h"

namespace vantorel::tables {
namespace {

using testing::Rec;

TEST(FieldDecoding, IntegersTrimBothEndsAndBlankIsZero) {
  const struct {
    const char* text;
    std::int32_t value;
  } cases[] = {{"     ", 0},         {"  -12", -12},       {"   12", 12},
               {"12   ", 12},        {" +7  ", 7},         {"-2147483648", INT32_MIN},
               {"2147483647", INT32_MAX}, {"2147483648", 0}, {"99999999999", 0},
               {"  1.5", 0},         {"  1 2", 0},         {"   - ", 0},
               {"\0\0\0\0\0", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecodeInteger(c.text), c.value);
  }
}

TEST(FieldDecoding, FloatsReadDecimalNumbers) {
  const struct {
    const char* text;
    double value;
  } cases[] = {{"        ", 0.0}, {"   -1.50", -1.5}, {"  123.25", 123.25}, {"    .5", 0.5},
               {"     7.", 7.0},  {" +2.5", 2.5},     {"  inf", 0.0},      {"  nan", 0.0},
               {"  1.2.3", 0.0},  {"*****", 0.0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_DOUBLE_EQ(DecodeFloat(c.text), c.value);
  }
}

TEST(FieldDecoding, LogicalIsTrueOnlyForTtYy) {
  for (const char c : std::string("TtYy")) EXPECT_TRUE(DecodeLogical(c)) << c;
  for (const char c : std::string("FfNn? 1")) EXPECT_FALSE(DecodeLogical(c)) << c;
}

TEST(FieldDecoding, RecordDecodesEveryFieldType) {
  const std::vector<DbfField> fields = {
      {"NAME", 'C', 5, 0, 1},  {"ID", 'N', 5, 0, 6},    {"PRICE", 'N', 8, 2, 11},
      {"RATE", 'F', 6, 0, 19}, {"DAY", 'D', 8, 0, 25},  {"OK", 'L', 1, 0, 33},
      {"NOTE", 'M', 10, 0, 34}};
  FieldVariableArea area(fields);
  // 1 + (5 + 1) + 4 + 8 + 4 + (8 + 3) + 1 + 4
  EXPECT_EQ(area.Size(), 39u);

  area.Decode(Rec({"ab   ", "  -12", "   -1.50", "    42", "20240307", "y", "        17"}, '*')
                  .c_str());
  EXPECT_EQ(area.DeletionFlag(), '*');
  EXPECT_EQ(area.Text(0), "ab   ");
  EXPECT_EQ(area.Integer(1), -12);
  EXPECT_DOUBLE_EQ(area.Float(2), -1.5);
  EXPECT_EQ(area.Integer(3), 42);
  EXPECT_EQ(area.Text(4), "20240307");
  EXPECT_TRUE(area.Logical(5));
  EXPECT_EQ(area.Integer(6), 17);

  area.Decode(Rec({"     ", "     ", "        ", "      ", "        ", "?", "          "})
                  .c_str());
  EXPECT_EQ(area.DeletionFlag(), ' ');
  EXPECT_EQ(area.Text(0), "     ");
  EXPECT_EQ(area.Integer(1), 0);
  EXPECT_DOUBLE_EQ(area.Float(2), 0.0);
  EXPECT_EQ(area.Text(4), "");
  EXPECT_FALSE(area.Logical(5));
  EXPECT_EQ(area.Integer(6), 0);

  area.Decode(Rec({"xyz  ", "    1", "    2.00", "     3", "19991231", "T", "         5"})
                  .c_str());
  area.Blank();
  EXPECT_EQ(area.DeletionFlag(), ' ');
  EXPECT_EQ(area.Text(0), "     ");
  EXPECT_EQ(area.Integer(1), 0);
  EXPECT_DOUBLE_EQ(area.Float(2), 0.0);
  EXPECT_EQ(area.Text(4), "");
  EXPECT_FALSE(area.Logical(5));
  EXPECT_EQ(area.Integer(6), 0);
}

}  // namespace
}  // namespace vantorel::tables
