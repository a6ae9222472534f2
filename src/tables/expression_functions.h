// The function part of the expression language's keyword table: names, argument and result
// types, and the working-pool allowance each function adds.
//
// Settled here where the language leaves it open:
//   - SOUNDEX is American Soundex: the first letter, then the digits of the following
//     letters (B F P V 1; C G J K Q S X Z 2; D T 3; L 4; M N 5; R 6), a digit equal to the
//     one before it (across H and W, and including the first letter's) written once, the
//     vowels A E I O U Y separating, padded with zeros to 4 characters ("Robert" R163,
//     "Ashcraft" A261, "Pfister" P236). Leading blanks are skipped, coding stops at the first
//     character that is not an ASCII letter, and a text that does not start with a letter
//     gives "0000".
//   - DTOC, CTOD, CDOW and CMONTH use American dates with the century, "MM/DD/YYYY"
//     (see expression_dates.h), and English day and month names.
//   - Numeric arguments that count characters are cut to whole numbers and held within
//     their sensible range (LEFT(c, -1) is empty, SUBSTR(c, 0, 2) starts at 1, CHR(300) is
//     CHR(255)); VAL and numeric fields read the longest leading decimal number.
//   - MOD by zero is error 358 like a division by zero.
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
