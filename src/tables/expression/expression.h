// The compiled form of a dBASE expression (a ParsedExpression) and its evaluation against
// the current record of a table.
//
// An expression is compiled once against a table's field list (AssignExpr, in
// expression_parser.h) into postfix code: push-constant items, push-field items (the field's
// place in the record and its type) and operator items. Evaluating runs the code on a value
// stack against the raw bytes of one record, after the code-page conversion of the table
// (byte 0 is the deletion flag, the fields follow at their offsets). A blank record (all
// blanks) gives every field its blank value: C width blanks, N 0, L false, D the empty date,
// M 0.
//
// Character values live in the working pool, a scratch area sized at compile time: each
// reference to a C field takes its width + 1, each string literal its length + 1, and each
// function that makes a character value out of other types the fixed allowance its entry in
// the function table gives (expression_functions.cpp). Operators build their result in the
// place of their first operand, so the pool never holds more than those allowances together.
// A character value is at most 255 bytes; longer results (REPLICATE, concatenation, STUFF)
// are cut to 255.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tables/expression/expression_code.h"

namespace vantorel::tables {

// Longest character value, and the most characters of an expression text that are parsed.
inline constexpr int kMaxCharacterLength = 255;
inline constexpr int kMaxExpressionLength = 255;

// The value divisions by zero give (after error 358).
inline constexpr double kDivideByZeroResult = 1e250;

// One typed result of an evaluation.
struct ExpressionValue {
  char type = 'L';         // 'C', 'N', 'L', 'D' or 'M'
  double number = 0.0;     // N: the number; D: the Julian Day Number (0: empty date); M: the memo block number
  bool logical = false;    // L
  std::string_view text;   // C: the characters; valid until the expression is evaluated again or destroyed
};

class ParsedExpression {
 public:
  ParsedExpression(ParsedExpression&&) = default;
  ParsedExpression& operator=(ParsedExpression&&) = default;
  ParsedExpression(const ParsedExpression&) = delete;
  ParsedExpression& operator=(const ParsedExpression&) = delete;

  // The expression as it was given to the compiler.
  const std::string& SourceText() const { return source_; }

  // 'C', 'N', 'L', 'D' or 'M': the type of the whole expression.
  char ResultType() const { return result_type_; }

  // C: the length of every result when the compiler can know it (a field, a literal,
  // UPPER of a field, concatenations of those, LEFT/SUBSTR/SPACE/STR/REPLICATE with literal
  // numbers, DTOS, DTOC, SOUNDEX, CHR), else 0. N: the width of a bare numeric field, else
  // 20. D: 8. L: 1. M: the memo field's width.
  int ResultLength() const { return result_length_; }

  // The working pool's size in bytes (see the top of this file).
  std::size_t WorkingPoolSize() const { return working_pool_.size(); }

  // The postfix code, for inspection.
  const std::vector<CodeItem>& Code() const { return code_; }

  // Evaluates the expression on one record. record_number is what RECNO() returns.
  // REQUIRES: record holds the bytes of every field the expression names (offset + width).
  // Division by zero (and MOD by zero) is error 358 "Error during evaluation: Divide by 0
  // [Evaluate/Engine]": with error reporting on it is thrown as EKvError; with reporting off
  // it is stored through ErrorReport and the division gives 1E250.
  ExpressionValue Evaluate(const char* record, std::uint32_t record_number = 0);

  // Evaluates a filter: true when the result is the logical value true. An expression whose
  // result type is not L selects no record.
  bool IsTrue(const char* record, std::uint32_t record_number = 0);

 private:
  friend class ExpressionCompiler;
  ParsedExpression() = default;

  // Runs the code; the result is left in stack_[0].
  void Run(const char* record, std::uint32_t record_number);

  std::string source_;               // the expression as given
  char result_type_ = 'L';           // type of the whole expression
  int result_length_ = 1;            // see ResultLength
  std::vector<CodeItem> code_;       // postfix code
  std::string constant_pool_;        // the bytes of the string literals
  std::vector<char> working_pool_;   // scratch for character values
  std::vector<StackSlot> stack_;     // evaluation stack, as deep as the code needs
};

}  // namespace vantorel::tables
