// The expression compiler ("AssignExpr"): text to a ParsedExpression.
//
// Grammar, loosest binding first; every binary operator is left-associative:
//   1 .OR.   2 .AND.   3 = <> #   4 $ ==   5 < > <= >=   6 + -   7 * /   8 ** ^
//   9 prefix .NOT., -, + (applied to what follows at level 9 or 10)
//   10 number, string literal, .T., .F., field, function(arguments), ( expression )
// So A = B $ C is A = (B $ C), .NOT. A = B is (.NOT. A) = B, -2 ^ 2 is (-2) ^ 2 and
// 2 ^ 3 ^ 2 is 64.
//
// An identifier is a field of the table when it names one (as NAME, ALIAS->NAME or
// ALIAS.NAME with the table's own alias) and the next character that is not a blank is not
// "("; otherwise it must be .T., .F., .NOT., .AND., .OR. or a function name (see
// expression_functions.h) followed by "(".
//
// The parser keeps a stack of pending symbols (each unfinished operand with its operator, each
// open parenthesis, prefix operator and function call) of at most 150 entries; deeper input
// fails with "Parser_stack_overflow".
#pragma once

#include <string_view>
#include <vector>

#include "tables/dbf_field.h"
#include "tables/expression/expression.h"

namespace vantorel::tables {

inline constexpr int kParserStackLimit = 150;

// Compiles text against the fields of a table whose alias is alias (may be empty: then only
// plain field names are found).
//
// Only the first 255 characters are parsed; a text that has more than blanks and tabs
// after them is rejected. Every failure throws EKvError with code 351 and the detail
//   "Error in expression : " + message + CR LF + context + CR LF + " [AssignExpr]"
// where message is "Syntax error" (also unknown names, wrong argument counts, unterminated
// literals), "PARSER:Type mismatch in expression \"op\"", "PARSER:Type mismatch in function
// \"NAME\"" or "Parser_stack_overflow", and context shows the text around the offset p where
// parsing stopped (just after the last token read): "[" + the first 51 characters when
// p <= 50, else "[..." + the 51 characters before p; then "...]" when more text follows, else
// "]". Running out of memory throws EKvError 217 " [AssignExpr]". A last error with a code in
// 350..363 (an earlier expression error stored while reporting was off) is cleared first.
ParsedExpression AssignExpr(std::string_view text, const std::vector<DbfField>& fields,
                            std::string_view alias = {});

}  // namespace vantorel::tables
