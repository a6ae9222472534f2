// The function part of the expression language's keyword table: names, argument and result
// types, and the working-pool allowance each function adds.
#pragma once

#include <array>
#include <string_view>

#include "tables/expression_code.h"

namespace vantorel::tables {

// One accepted combination of argument types: a letter per argument ("CNN") and the result.
struct FunctionSignature {
  std::string_view arguments;
  char result = 'N';
};

struct FunctionInfo {
  std::string_view name;                       // full upper-case name
  OpCode op;                                   // the code item it compiles to
  int pool_allowance;                          // bytes it adds to the working pool
  std::array<FunctionSignature, 3> signatures; // accepted argument lists; unused ones are empty
  int signature_count;                         // how many of signatures are used
};

// The function an upper-case identifier names, or nullptr. A name of five or more letters may
// be written as any prefix of it with at least four letters ("SUBS", "SUBST", "SUBSTR").
const FunctionInfo* FindFunction(std::string_view upper_case_name);

}  // namespace vantorel::tables
