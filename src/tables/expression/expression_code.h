// The items of an expression's postfix code, and the stack slots the code works on.
//
// The compiler resolves every type question, so each item names the exact operation for its
// operand types (EqualN for numbers and dates, EqualC for character values, ...) and the
// evaluator never looks at types.
#pragma once

#include <cstdint>

namespace vantorel::tables {

enum class OpCode : std::uint8_t {
  // Pushes.
  kPushNumber,   // number: the value
  kPushText,     // a: offset in the constant pool, b: length
  kPushLogical,  // number: 0 or 1
  kFieldC,       // a: offset in the record, b: width
  kFieldN,       // a: offset, b: width (N and F fields)
  kFieldD,       // a: offset (8 bytes YYYYMMDD)
  kFieldL,       // a: offset (1 byte)
  kFieldM,       // a: offset, b: width (the memo block number)
  kFieldNEqualNumber,  // kFieldN, kPushNumber and kEqualN in one item: a, b, number

  // Operators; the right operand is on top of the stack.
  kAddN, kAddDateN, kAddNDate, kConcat,
  kSubN, kSubDateN, kSubDates, kSubC,
  kMultiply, kDivide, kPower,
  kEqualN, kEqualC, kEqualL,
  kNotEqualN, kNotEqualC, kNotEqualL,
  kExactEqualC, kContainedC,
  kLessN, kLessC, kGreaterN, kGreaterC,
  kLessEqualN, kLessEqualC, kGreaterEqualN, kGreaterEqualC,
  kAnd, kOr, kNot, kNegate,

  // Functions; argc is the number of arguments on the stack.
  kUpper, kLower, kTrim, kLtrim, kLeft, kRight, kSubstr, kStuff, kReplicate, kSpace, kChr,
  kStr, kIif, kSoundex, kDtoc, kDtos, kCdow, kCmonth, kCtod, kDate, kYear, kMonth, kDay,
  kDow, kLen, kVal, kAsc, kAt, kAbs, kInt, kMod, kRound, kMax, kMin, kRecno, kDeleted,
};

// The function items are the last ones, kUpper to kDeleted.
inline constexpr int kFunctionOpCount =
    static_cast<int>(OpCode::kDeleted) - static_cast<int>(OpCode::kUpper) + 1;

// A function item's place among the function items, 0..kFunctionOpCount - 1.
// REQUIRES: op is kUpper..kDeleted.
constexpr int FunctionOpIndex(OpCode op) {
  return static_cast<int>(op) - static_cast<int>(OpCode::kUpper);
}

struct CodeItem {
  OpCode op;
  std::uint8_t argc = 0;  // functions: arguments on the stack
  std::int32_t a = 0;     // see OpCode
  std::int32_t b = 0;     // see OpCode
  double number = 0.0;    // kPushNumber, kPushLogical
};

// One value on the evaluation stack.
struct StackSlot {
  double number;           // N, D, M; L as 0 or 1
  std::uint32_t position;  // C: first byte in the working pool
  std::uint32_t length;    // C: number of bytes
};

}  // namespace vantorel::tables
