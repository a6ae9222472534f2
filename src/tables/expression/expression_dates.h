// Dates of the expression language: the Julian Day Number that D values carry, the
// YYYYMMDD text of date fields, and the date texts of DTOC, CTOD, CDOW and CMONTH.
//
// Format notes: a D value is the Julian Day Number of a Gregorian calendar date as a double;
// 0 is the empty date. The engine's formula is
//   day of the year + 365 x (year - 1) + (year - 1) / 4 - (year - 1) / 100 + (year - 1) / 400
//   + 1721425
// with integer divisions, so 0001-01-01 is 1721426 and 2000-01-01 is 2451545. Dates from
// 0001-01-01 to 9999-12-31 are representable; every other value shows as the empty date.
//
// The date text format ("the current date format") is American with the century,
// "MM/DD/YYYY"; the empty date's text is "  /  /    ".
#pragma once

#include <string>
#include <string_view>

namespace vantorel::tables {

struct CalendarDate {
  int year = 0;   // 1..9999
  int month = 0;  // 1..12
  int day = 0;    // 1..31
};

// The empty date.
inline constexpr double kEmptyDate = 0.0;

// Julian Day Number of a date, or 0 when year, month and day do not name a valid
// Gregorian date in 0001-01-01..9999-12-31.
double JulianDayNumber(int year, int month, int day);

// The calendar date of a D value. Returns false (and leaves date unchanged) for the empty
// date and every value outside the representable range; fractions are cut off.
bool CalendarDateOf(double julian_day, CalendarDate& date);

// The value of a date field: its 8 bytes YYYYMMDD as a Julian Day Number; blanks, a text
// that is not 8 digits, and an impossible date (month 13, 31 February) are the empty date.
// REQUIRES: text points at 8 readable bytes.
double DateFromDbfText(const char* text);

// "YYYYMMDD" (DTOS, and the text a date field stores); 8 blanks for the empty date.
std::string DateToDbfText(double julian_day);

// "MM/DD/YYYY" (DTOC); "  /  /    " for the empty date.
std::string DateToText(double julian_day);

// CTOD: reads month, day and year from the first 10 characters of text, separated by any
// characters that are not digits ("07/04/1996", "7-4-1996"); a one- or two-digit year yy is
// 19yy. Blank text, missing parts and impossible dates give the empty date.
double DateFromText(std::string_view text);

// "Sunday".."Saturday" (CDOW); empty for the empty date.
std::string DayName(double julian_day);

// "January".."December" (CMONTH); empty for the empty date.
std::string MonthName(double julian_day);

// DOW: 1 for Sunday .. 7 for Saturday; 0 for the empty date.
int DayOfWeek(double julian_day);

// Today's date on the local clock (DATE()).
double Today();

}  // namespace vantorel::tables
