// The function part of the expression language's keyword table: names, argument and result
// types, the working-pool allowance each function adds, and the step that computes it.
//
// Settled here where the language leaves it open:
//   - SOUNDEX is American Soundex (see expression_text_functions.h).
//   - DTOC, CTOD, CDOW and CMONTH use American dates with the century, "MM/DD/YYYY"
//     (see expression_dates.h), and English day and month names.
//   - Numeric arguments that count characters are cut to whole numbers and held within
//     their sensible range (LEFT(c, -1) is empty, SUBSTR(c, 0, 2) starts at 1, CHR(300) is
//     CHR(255)); VAL and numeric fields read the longest leading decimal number.
//   - MOD by zero is error 358 like a division by zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tables/expression/expression_code.h"
#include "tables/expression/expression_working_pool.h"

namespace vantorel::tables {

// What a function step works on: its arguments on the evaluation stack, first argument
// first, and the record the expression is evaluated on.
struct FunctionCall {
  StackSlot* arguments;          // the first argument; its slot receives the result
  WorkingPool& pool;             // holds the character values
  int argument_count;            // arguments on the stack
  const char* record;            // the record's bytes, deletion flag first
  std::uint32_t record_number;   // what RECNO() returns

  // The slot the result goes into: the first argument's (a new slot when there is none).
  StackSlot& Result() const { return arguments[0]; }
  // Argument k (0 is the first) as a number, date or logical value.
  double Number(int k) const { return arguments[k].number; }
  // The characters of argument k; valid until that value is changed or released.
  std::string_view Text(int k) const { return pool.TextOf(arguments[k]); }
};

// Computes a function's result into call.Result(). A character result is built in the
// working pool at the first argument's place, or at the pool's end when the first argument
// is not a character value; a function of character values that gives a number or a date
// releases them first.
using FunctionStep = void (*)(const FunctionCall& call);

// One accepted combination of argument types: a letter per argument ("CNN") and the result.
struct FunctionSignature {
  std::string_view arguments;
  char result = 'N';
};

struct FunctionInfo {
  std::string_view name;                       // full upper-case name
  OpCode op;                                   // the code item it compiles to
  int pool_allowance;                          // bytes it adds to the working pool
  FunctionStep step;                           // computes it
  std::array<FunctionSignature, 3> signatures; // accepted argument lists; unused ones are empty
  int signature_count;                         // how many of signatures are used
};

// The function an upper-case identifier names, or nullptr. A name of five or more letters may
// be written as any prefix of it with at least four letters ("SUBS", "SUBST", "SUBSTR").
const FunctionInfo* FindFunction(std::string_view upper_case_name);

// The step of every function item, by FunctionOpIndex.
extern const std::array<FunctionStep, kFunctionOpCount> kFunctionSteps;

// The step a function item runs. REQUIRES: op is a function item (kUpper..kDeleted).
inline FunctionStep StepOf(OpCode op) {
  return kFunctionSteps[static_cast<std::size_t>(FunctionOpIndex(op))];
}

}  // namespace vantorel::tables
