// The date functions of the expression language: CTOD and DTOC in the date text format,
// CDOW and CMONTH, DATE, and the parts of a date YEAR, MONTH, DAY and DOW. The calendar and
// the date texts are those of expression_dates.h.
#pragma once

#include "tables/expression/expression_functions.h"

namespace vantorel::tables {

// CTOD(c): the date c names in the date text format (DateFromText).
void Ctod(const FunctionCall& call);

// DTOC(d): "MM/DD/YYYY" (DateToText).
void Dtoc(const FunctionCall& call);

// CDOW(d), CMONTH(d): the English name of d's day of the week or month; empty for the empty
// date.
void Cdow(const FunctionCall& call);
void Cmonth(const FunctionCall& call);

// DATE(): today on the local clock.
void Date(const FunctionCall& call);

// YEAR(d), MONTH(d), DAY(d): that part of d as a number; 0 for the empty date.
void Year(const FunctionCall& call);
void Month(const FunctionCall& call);
void Day(const FunctionCall& call);

// DOW(d): 1 for Sunday .. 7 for Saturday; 0 for the empty date.
void Dow(const FunctionCall& call);

}  // namespace vantorel::tables
