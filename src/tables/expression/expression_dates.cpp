#include "tables/expression/expression_dates.h"

#include <array>
#include <cmath>
#include <ctime>

namespace vantorel::tables {

namespace {

constexpr double kFirstDay = 1721426.0;  // 0001-01-01
constexpr double kLastDay = 5373484.0;   // 9999-12-31

constexpr std::array<const char*, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                  "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The Julian Day Number as a whole day inside the representable range, or 0.
long long WholeDay(double julian_day) {
  if (!(julian_day >= kFirstDay && julian_day < kLastDay + 1.0)) return 0;
  return static_cast<long long>(julian_day);
}

void AppendTwoDigits(std::string& text, int value) {
  text += static_cast<char>('0' + value / 10);
  text += static_cast<char>('0' + value % 10);
}

void AppendFourDigits(std::string& text, int value) {
  AppendTwoDigits(text, value / 100);
  AppendTwoDigits(text, value % 100);
}

}  // namespace

double JulianDayNumber(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month)) {
    return kEmptyDate;
  }
  int day_of_year = day;
  for (int m = 1; m < month; ++m) day_of_year += DaysInMonth(year, m);
  const long long y = year - 1;
  return static_cast<double>(day_of_year + 365 * y + y / 4 - y / 100 + y / 400 + 1721425);
}

bool CalendarDateOf(double julian_day, CalendarDate& date) {
  const long long whole = WholeDay(julian_day);
  if (whole == 0) return false;
  // Days since 1970-01-01, then the civil-from-days steps over 400-year eras that start on
  // 1 March, so the leap day is the last day of an era year.
  const long long z = whole - 2440588 + 719468;
  const long long era = z / 146097;
  const long long day_of_era = z - era * 146097;
  const long long year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const long long day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const long long shifted_month = (5 * day_of_year + 2) / 153;
  date.day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  date.month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  date.year = static_cast<int>(year_of_era + era * 400 + (date.month <= 2 ? 1 : 0));
  return true;
}

double DateFromDbfText(const char* text) {
  for (int i = 0; i < 8; ++i) {
    if (!IsDigit(text[i])) return kEmptyDate;
  }
  auto number = [text](int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  return JulianDayNumber(number(0, 4), number(4, 2), number(6, 2));
}

std::string DateToDbfText(double julian_day) {
  CalendarDate date;
  if (!CalendarDateOf(julian_day, date)) return std::string(8, ' ');
  std::string text;
  AppendFourDigits(text, date.year);
  AppendTwoDigits(text, date.month);
  AppendTwoDigits(text, date.day);
  return text;
}

std::string DateToText(double julian_day) {
  CalendarDate date;
  if (!CalendarDateOf(julian_day, date)) return "  /  /    ";
  std::string text;
  AppendTwoDigits(text, date.month);
  text += '/';
  AppendTwoDigits(text, date.day);
  text += '/';
  AppendFourDigits(text, date.year);
  return text;
}

double DateFromText(std::string_view text) {
  text = text.substr(0, 10);
  std::array<int, 3> parts{};    // month, day, year
  std::array<int, 3> digits{};   // how many digits each part had
  std::size_t part = 0;
  std::size_t i = 0;
  while (part < parts.size()) {
    while (i < text.size() && !IsDigit(text[i])) ++i;
    if (i == text.size()) return kEmptyDate;
    while (i < text.size() && IsDigit(text[i])) {
      if (digits[part] == 4) return kEmptyDate;
      parts[part] = parts[part] * 10 + (text[i] - '0');
      ++digits[part];
      ++i;
    }
    ++part;
  }
  int year = parts[2];
  if (digits[2] <= 2) year += 1900;
  return JulianDayNumber(year, parts[0], parts[1]);
}

std::string DayName(double julian_day) {
  const int dow = DayOfWeek(julian_day);
  return dow == 0 ? std::string() : std::string(kDayNames[dow - 1]);
}

std::string MonthName(double julian_day) {
  CalendarDate date;
  if (!CalendarDateOf(julian_day, date)) return std::string();
  return kMonthNames[date.month - 1];
}

int DayOfWeek(double julian_day) {
  const long long whole = WholeDay(julian_day);
  if (whole == 0) return 0;
  return static_cast<int>((whole + 1) % 7) + 1;
}

double Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return JulianDayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
}

}  // namespace vantorel::tables
