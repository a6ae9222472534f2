#include "tables/expression/expression_date_functions.h"

#include "tables/expression/expression_dates.h"

namespace vantorel::tables {

namespace {

// One part of the calendar date of a D value; 0 for the empty date.
double PartOfDate(double julian_day, int CalendarDate::*part) {
  CalendarDate date;
  const bool valid = CalendarDateOf(julian_day, date);
  return valid ? date.*part : 0;
}

}  // namespace

void Ctod(const FunctionCall& call) {
  StackSlot& result = call.Result();
  call.pool.Release(result);
  result.number = DateFromText(call.Text(0));
}

void Dtoc(const FunctionCall& call) {
  call.pool.NewText(call.Result(), DateToText(call.Number(0)));
}

void Cdow(const FunctionCall& call) {
  call.pool.NewText(call.Result(), DayName(call.Number(0)));
}

void Cmonth(const FunctionCall& call) {
  call.pool.NewText(call.Result(), MonthName(call.Number(0)));
}

void Date(const FunctionCall& call) { call.Result().number = Today(); }

void Year(const FunctionCall& call) {
  call.Result().number = PartOfDate(call.Number(0), &CalendarDate::year);
}

void Month(const FunctionCall& call) {
  call.Result().number = PartOfDate(call.Number(0), &CalendarDate::month);
}

void Day(const FunctionCall& call) {
  call.Result().number = PartOfDate(call.Number(0), &CalendarDate::day);
}

void Dow(const FunctionCall& call) { call.Result().number = DayOfWeek(call.Number(0)); }

}  // namespace vantorel::tables
