// The number functions of the expression language: ABS, INT, MOD, ROUND, MAX and MIN (MAX
// and MIN also of two dates), and error 358 that divisions by zero raise.
#pragma once

#include "tables/expression/expression_functions.h"

namespace vantorel::tables {

// Error 358 "Error during evaluation: Divide by 0 [Evaluate/Engine]": thrown as EKvError
// while error reporting is on; otherwise stored through ErrorReport, and the division's
// result is the returned kDivideByZeroResult.
double DivideByZero();

// ABS(n): n without its sign.
void Abs(const FunctionCall& call);

// INT(n): n cut to a whole number toward zero.
void Int(const FunctionCall& call);

// MOD(a, b): the remainder of INT(a) / INT(b), with the sign of a; error 358 when INT(b) is 0.
void Mod(const FunctionCall& call);

// ROUND(n, d): n cut to d decimals toward zero. A scaled value within a rounding error of a
// whole number counts as that number, so ROUND(1.15, 2) is 1.15 and not 1.14.
void Round(const FunctionCall& call);

// MAX(a, b), MIN(a, b): the larger or smaller of two numbers or dates.
void Max(const FunctionCall& call);
void Min(const FunctionCall& call);

}  // namespace vantorel::tables
