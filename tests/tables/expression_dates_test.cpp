// Dates and numbers behind the expression language: the Julian Day Number, the date texts,
// the decimal reading of numeric fields and the STR text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tables/expression/expression_dates.h"
#include "tables/expression/expression_numbers.h"

namespace vantorel::tables {
namespace {

TEST(ExpressionDates, JulianDayNumberFollowsTheEngineFormula) {
  // day of year + 365 (y - 1) + (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400 + 1721425
  EXPECT_EQ(JulianDayNumber(1, 1, 1), 1721426.0);
  EXPECT_EQ(JulianDayNumber(2000, 1, 1), 2451545.0);
  EXPECT_EQ(JulianDayNumber(1996, 7, 4), 186 + 365.0 * 1995 + 498 - 19 + 4 + 1721425);
  EXPECT_EQ(JulianDayNumber(1970, 1, 1), 2440588.0);
  EXPECT_EQ(JulianDayNumber(9999, 12, 31), 5373484.0);
}

TEST(ExpressionDates, ImpossibleDatesAreTheEmptyDate) {
  EXPECT_EQ(JulianDayNumber(1999, 2, 29), kEmptyDate);
  EXPECT_EQ(JulianDayNumber(1900, 2, 29), kEmptyDate);
  EXPECT_EQ(JulianDayNumber(2000, 2, 29), 2451604.0);
  EXPECT_EQ(JulianDayNumber(1996, 13, 1), kEmptyDate);
  EXPECT_EQ(JulianDayNumber(1996, 4, 31), kEmptyDate);
  EXPECT_EQ(JulianDayNumber(0, 1, 1), kEmptyDate);
  EXPECT_EQ(JulianDayNumber(10000, 1, 1), kEmptyDate);
  CalendarDate date;
  EXPECT_FALSE(CalendarDateOf(kEmptyDate, date));
  EXPECT_FALSE(CalendarDateOf(1721425.0, date));
  EXPECT_FALSE(CalendarDateOf(5373485.0, date));
  EXPECT_FALSE(CalendarDateOf(std::numeric_limits<double>::quiet_NaN(), date));
  EXPECT_FALSE(CalendarDateOf(-1e300, date));
}

TEST(ExpressionDates, EveryDayFromYear1To9999RoundTrips) {
  double expected = 1721426.0;
  for (int year = 1; year <= 9999; ++year) {
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int days_in_month[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= days_in_month[month - 1]; ++day) {
        const double jdn = JulianDayNumber(year, month, day);
        CalendarDate date;
        if (jdn != expected || !CalendarDateOf(jdn + 0.5, date) || date.year != year ||
            date.month != month || date.day != day) {
          FAIL() << year << "-" << month << "-" << day << ": " << jdn;
        }
        ++expected;
      }
    }
  }
}

TEST(ExpressionDates, DateTexts) {
  const double born = JulianDayNumber(1996, 7, 4);
  EXPECT_EQ(DateFromDbfText("19960704"), born);
  EXPECT_EQ(DateFromDbfText("        "), kEmptyDate);
  EXPECT_EQ(DateFromDbfText("1996 704"), kEmptyDate);
  EXPECT_EQ(DateToDbfText(born), "19960704");
  EXPECT_EQ(DateToDbfText(JulianDayNumber(5, 1, 9)), "00050109");
  EXPECT_EQ(DateToDbfText(kEmptyDate), "        ");
  EXPECT_EQ(DateToText(born), "07/04/1996");
  EXPECT_EQ(DateToText(kEmptyDate), "  /  /    ");
  EXPECT_EQ(DayName(born), "Thursday");
  EXPECT_EQ(DayName(JulianDayNumber(2000, 1, 1)), "Saturday");
  EXPECT_EQ(DayName(JulianDayNumber(2000, 1, 2)), "Sunday");
  EXPECT_EQ(DayOfWeek(JulianDayNumber(2000, 1, 2)), 1);
  EXPECT_EQ(DayOfWeek(JulianDayNumber(2000, 1, 1)), 7);
  EXPECT_EQ(DayOfWeek(kEmptyDate), 0);
  EXPECT_EQ(MonthName(JulianDayNumber(1999, 12, 1)), "December");
  EXPECT_EQ(MonthName(kEmptyDate), "");
}

TEST(ExpressionDates, CtodReadsMonthDayYear) {
  const double born = JulianDayNumber(1996, 7, 4);
  EXPECT_EQ(DateFromText("07/04/1996"), born);
  EXPECT_EQ(DateFromText("7/4/96"), born);
  EXPECT_EQ(DateFromText("7-4-1996"), born);
  EXPECT_EQ(DateFromText(" 07.04.96 "), born);
  EXPECT_EQ(DateFromText("01/01/00"), JulianDayNumber(1900, 1, 1));
  EXPECT_EQ(DateFromText("01/01/2000"), JulianDayNumber(2000, 1, 1));
  EXPECT_EQ(DateFromText("07/04/1996 and more"), born);
  EXPECT_EQ(DateFromText("07/04/199612"), born);   // only ten characters count
  EXPECT_EQ(DateFromText("  /  /    "), kEmptyDate);
  EXPECT_EQ(DateFromText(""), kEmptyDate);
  EXPECT_EQ(DateFromText("07/04"), kEmptyDate);
  EXPECT_EQ(DateFromText("02/30/1996"), kEmptyDate);
  EXPECT_EQ(DateFromText("13/01/1996"), kEmptyDate);
  EXPECT_EQ(DateFromText("00007/4/96"), kEmptyDate);
}

TEST(ExpressionNumbers, ReadDecimalNumber) {
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"54", 54},         {"         54", 54}, {"  -12", -12},       {"", 0},
      {"     ", 0},       {"12.50", 12.5},     {"-0.125", -0.125},   {".5", 0.5},
      {"1.", 1},          {"+7", 7},           {"- 7", 0},           {"12abc", 12},
      {"1.5E3", 1500},    {"1e-2", 0.01},      {"2E", 2},            {"1.2.3", 1.2},
      {"123456789012345", 123456789012345.0},
      {"0.1", 0.1},       {"3.14159265358979", 3.14159265358979},
      {"12345678901234567890", 12345678901234567890.0},
      {"1E999", std::numeric_limits<double>::infinity()},
      {"1E-999", 0},      {"0.000000000000000000001", 1e-21},
      {"inf", 0},         {"nan", 0},
  };
  for (const Case& c : cases) {
    const std::string text = c.text;
    EXPECT_EQ(ReadDecimalNumber(text.data(), text.size()), c.value) << c.text;
  }
  // Reading stops at the given size.
  EXPECT_EQ(ReadDecimalNumber("12345", 2), 12.0);
  EXPECT_FALSE(std::signbit(ReadDecimalNumber("-0", 2)));
}

TEST(ExpressionNumbers, ReadFieldNumberReadsFieldsWithAnyRunOfLeadingBlanks) {
  struct Case {
    int blanks;        // leading blanks
    const char* rest;  // what follows them
    double value;
  };
  // Blank runs just below, at and above the multiples of eight, and what may follow them.
  const Case cases[] = {
      {0, "", 0},      {8, "", 0},        {16, "", 0},       {7, "7", 7},
      {8, "7", 7},     {9, "7", 7},       {15, "42", 42},    {16, "42", 42},
      {17, "42", 42},  {8, "-5", -5},     {8, "1.5", 1.5},   {8, "12      ", 12},
      {8, "1 2", 1},   {3, "123456789012345", 123456789012345.0},
  };
  for (const Case& c : cases) {
    const std::string text = std::string(static_cast<std::size_t>(c.blanks), ' ') + c.rest;
    EXPECT_EQ(ReadFieldNumber(text.data(), text.size()), c.value) << '"' << text << '"';
  }
  // Reading stops at the given size, also inside a run of eight.
  EXPECT_EQ(ReadFieldNumber("        12345", 10), 12.0);
  EXPECT_EQ(ReadFieldNumber("          12", 8), 0.0);
}

TEST(ExpressionNumbers, StrText) {
  struct Case {
    double n, len, dec;
    const char* text;
  };
  const Case cases[] = {
      {54, 10, 0, "        54"},   {-54, 4, 0, " -54"},      {-54, 3, 0, "-54"},
      {-54, 2, 0, "**"},          {3.14159, 6, 2, "  3.14"}, {2.5, 1, 0, "3"},
      {-2.5, 2, 0, "-3"},         {1.005, 4, 2, "1.01"},     {0.5, 1, 0, "1"},
      {0.49, 1, 0, "0"},          {0.0, 4, 2, "0.00"},       {-0.004, 5, 2, " 0.00"},
      {9.995, 5, 2, "10.00"},     {1e15, 16, 0, "1000000000000000"},
      {1e-20, 4, 2, "0.00"},      {123.456, 10.9, 1.9, "     123.5"},
      {5, 0, 0, ""},              {5, -1, 0, ""},            {5, 300, 0, nullptr},
      {std::numeric_limits<double>::infinity(), 3, 0, "***"},
      {std::numeric_limits<double>::quiet_NaN(), 3, 0, "***"},
  };
  for (const Case& c : cases) {
    const std::string text = StrText(c.n, c.len, c.dec);
    if (c.text == nullptr) {
      EXPECT_EQ(text, std::string(254, ' ') + "5");
    } else {
      EXPECT_EQ(text, c.text) << c.n << " " << c.len << " " << c.dec;
    }
  }
}

}  // namespace
}  // namespace vantorel::tables
