// The conversion functions of the expression language: STR and VAL between numbers and their
// decimal text, DTOS from a date to its sortable text, CHR and ASC between a character and its
// code.
#pragma once

#include "tables/expression/expression_functions.h"

namespace vantorel::tables {

// STR(n), STR(n, len), STR(n, len, dec): n as decimal text right-aligned in len characters
// (10 when not given) with dec decimals (0 when not given); see StrText.
void Str(const FunctionCall& call);

// VAL(c): the decimal number c starts with, 0 when none (ReadDecimalNumber).
void Val(const FunctionCall& call);

// DTOS(d): "YYYYMMDD", 8 blanks for the empty date.
void Dtos(const FunctionCall& call);

// CHR(n): the character with the code n, n within 0..255.
void Chr(const FunctionCall& call);

// ASC(c): the code of c's first character, 0 for an empty text.
void Asc(const FunctionCall& call);

}  // namespace vantorel::tables
