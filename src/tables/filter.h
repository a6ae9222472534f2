// Filters: a logical expression installed on a work area, asked by the visibility test of
// every movement.
#pragma once

#include <string_view>

#include "tables/work_area.h"

namespace vantorel::tables {

// SetFilterTo: removes the work area's filter, then, when expression is not empty after its
// trailing blanks are removed, compiles it against the work area's fields (plain names, or
// ALIAS->NAME / ALIAS.NAME with the work area's alias) and installs it. From then on a
// record is visible only when the filter evaluates to the logical value true on it (RECNO()
// is the record being tested; an expression whose result is not logical selects no record).
// The cursor does not move.
// Errors: the compile errors of AssignExpr (351, 217), after which the work area has no
// filter; evaluating the filter during a movement may throw error 358 (division by zero).
void SetFilterTo(WorkArea& area, std::string_view expression);

}  // namespace vantorel::tables
