// Evaluation of a ParsedExpression: the postfix code run on a value stack, character values
// in the working pool. Pushes and operators are done here; a function item runs the step the
// function table gives it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string_view>

#include "tables/expression/expression.h"
#include "tables/expression/expression_dates.h"
#include "tables/expression/expression_functions.h"
#include "tables/expression/expression_number_functions.h"
#include "tables/expression/expression_numbers.h"
#include "tables/expression/expression_working_pool.h"

namespace vantorel::tables {

namespace {

constexpr std::uint32_t kMaxLength = kMaxCharacterLength;

double Truth(bool value) { return value ? 1.0 : 0.0; }

// Puts a number, date or logical value on the stack; returns the new next free slot.
StackSlot* Push(StackSlot* sp, double value) {
  sp->number = value;
  return sp + 1;
}

double FieldNumber(const char* record, const CodeItem& item) {
  return ReadFieldNumber(record + item.a, static_cast<std::size_t>(item.b));
}

double FieldDate(const char* record, const CodeItem& item) {
  return item.b >= 8 ? DateFromDbfText(record + item.a) : kEmptyDate;
}

bool FieldLogical(const char* record, const CodeItem& item) {
  const char c = item.b >= 1 ? record[item.a] : ' ';
  return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

// Power as exp(b x ln a) would be for a positive base; for other bases the value pow() gives,
// except that a negative base with a fractional exponent gives 0 and zero to a negative power
// gives kDivideByZeroResult, so the result is always a number.
double Power(double base, double exponent) {
  if (base == 0.0 && exponent < 0.0) return kDivideByZeroResult;
  const double result = std::pow(base, exponent);
  return std::isnan(result) && !std::isnan(base) && !std::isnan(exponent) ? 0.0 : result;
}

double Quotient(double dividend, double divisor) {
  return divisor == 0.0 ? DivideByZero() : dividend / divisor;
}

// The logical operators' tests. They take the operands by reference: for .AND. and .OR. the
// compiled code then reads the right operand only when the left one leaves the result open.
constexpr auto kSameTruth = [](const double& a, const double& b) {
  return (a != 0.0) == (b != 0.0);
};
constexpr auto kDifferentTruth = [](const double& a, const double& b) {
  return (a != 0.0) != (b != 0.0);
};
constexpr auto kBothTrue = [](const double& a, const double& b) { return a != 0.0 && b != 0.0; };
constexpr auto kEitherTrue = [](const double& a, const double& b) { return a != 0.0 || b != 0.0; };

// A binary operator on numbers or dates: pops the right operand and puts
// operation(left, right) in the left operand's place. Returns the new next free slot.
template <typename Operation>
StackSlot* ApplyArithmetic(StackSlot* sp, Operation operation) {
  sp[-2].number = operation(sp[-2].number, sp[-1].number);
  return sp - 1;
}

// A comparison or logical operator: like ApplyArithmetic, with the logical value of
// test(left, right) as the result.
template <typename Test>
StackSlot* ApplyTest(StackSlot* sp, Test test) {
  sp[-2].number = Truth(test(sp[-2].number, sp[-1].number));
  return sp - 1;
}

int CompareTexts(std::string_view a, std::string_view b) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// The comparison op (kEqualC .. kGreaterEqualC) of two character values.
bool CompareCharacterValues(OpCode op, std::string_view left, std::string_view right) {
  switch (op) {
    case OpCode::kEqualC: return !right.empty() && left.starts_with(right);
    case OpCode::kNotEqualC: return left != right;
    case OpCode::kExactEqualC: return left == right;
    case OpCode::kContainedC: return !left.empty() && right.find(left) != std::string_view::npos;
    case OpCode::kLessC: return CompareTexts(left, right) < 0;
    case OpCode::kGreaterC: return CompareTexts(left, right) > 0;
    case OpCode::kLessEqualC: return CompareTexts(left, right) <= 0;
    default: return CompareTexts(left, right) >= 0;
  }
}

// left + right: right appended to left, cut to 255 characters.
void Concatenate(WorkingPool& pool, StackSlot& left, const StackSlot& right) {
  const std::uint32_t length = std::min(left.length + right.length, kMaxLength);
  std::memmove(pool.BytesOf(left) + left.length, pool.BytesOf(right), length - left.length);
  pool.SetText(left, left.position, length);
}

// left - right: right appended to left without left's trailing blanks, which go to the end
// of the result; cut to 255 characters.
void ConcatenateMovingBlanks(WorkingPool& pool, StackSlot& left, const StackSlot& right) {
  const auto kept = static_cast<std::uint32_t>(pool.TextOf(left).find_last_not_of(' ') + 1);
  const std::uint32_t length = std::min(left.length + right.length, kMaxLength);
  const std::uint32_t from_right = std::min(right.length, length - kept);
  char* const text = pool.BytesOf(left);
  std::memmove(text + kept, pool.BytesOf(right), from_right);
  std::memset(text + kept + from_right, ' ', length - kept - from_right);
  pool.SetText(left, left.position, length);
}

}  // namespace

void ParsedExpression::Run(const char* record, std::uint32_t record_number) {
  WorkingPool pool(working_pool_.data(), static_cast<std::uint32_t>(working_pool_.size()));
  StackSlot* sp = stack_.data();  // next free stack slot

  for (const CodeItem& item : code_) {
    switch (item.op) {
      case OpCode::kPushNumber:
      case OpCode::kPushLogical: sp = Push(sp, item.number); break;
      case OpCode::kPushText:
        pool.NewText(*sp++, std::string_view(constant_pool_).substr(item.a, item.b));
        break;
      case OpCode::kFieldC:
        pool.NewText(*sp++, std::string_view(record + item.a, static_cast<std::size_t>(item.b)));
        break;
      case OpCode::kFieldN:
      case OpCode::kFieldM: sp = Push(sp, FieldNumber(record, item)); break;
      case OpCode::kFieldNEqualNumber:
        sp = Push(sp, Truth(FieldNumber(record, item) == item.number));
        break;
      case OpCode::kFieldD: sp = Push(sp, FieldDate(record, item)); break;
      case OpCode::kFieldL: sp = Push(sp, Truth(FieldLogical(record, item))); break;

      case OpCode::kAddN:
      case OpCode::kAddDateN:
      case OpCode::kAddNDate: sp = ApplyArithmetic(sp, std::plus<>()); break;
      case OpCode::kSubN:
      case OpCode::kSubDateN:
      case OpCode::kSubDates: sp = ApplyArithmetic(sp, std::minus<>()); break;
      case OpCode::kMultiply: sp = ApplyArithmetic(sp, std::multiplies<>()); break;
      case OpCode::kDivide: sp = ApplyArithmetic(sp, Quotient); break;
      case OpCode::kPower: sp = ApplyArithmetic(sp, Power); break;
      case OpCode::kEqualN: sp = ApplyTest(sp, std::equal_to<>()); break;
      case OpCode::kNotEqualN: sp = ApplyTest(sp, std::not_equal_to<>()); break;
      case OpCode::kLessN: sp = ApplyTest(sp, std::less<>()); break;
      case OpCode::kGreaterN: sp = ApplyTest(sp, std::greater<>()); break;
      case OpCode::kLessEqualN: sp = ApplyTest(sp, std::less_equal<>()); break;
      case OpCode::kGreaterEqualN: sp = ApplyTest(sp, std::greater_equal<>()); break;
      case OpCode::kEqualL: sp = ApplyTest(sp, kSameTruth); break;
      case OpCode::kNotEqualL: sp = ApplyTest(sp, kDifferentTruth); break;
      case OpCode::kAnd: sp = ApplyTest(sp, kBothTrue); break;
      case OpCode::kOr: sp = ApplyTest(sp, kEitherTrue); break;
      case OpCode::kNot: sp[-1].number = Truth(sp[-1].number == 0.0); break;
      case OpCode::kNegate: sp[-1].number = -sp[-1].number; break;

      case OpCode::kConcat:
        --sp;
        Concatenate(pool, sp[-1], sp[0]);
        break;
      case OpCode::kSubC:
        --sp;
        ConcatenateMovingBlanks(pool, sp[-1], sp[0]);
        break;
      case OpCode::kEqualC:
      case OpCode::kNotEqualC:
      case OpCode::kExactEqualC:
      case OpCode::kContainedC:
      case OpCode::kLessC:
      case OpCode::kGreaterC:
      case OpCode::kLessEqualC:
      case OpCode::kGreaterEqualC: {
        --sp;
        const bool result =
            CompareCharacterValues(item.op, pool.TextOf(sp[-1]), pool.TextOf(sp[0]));
        pool.Release(sp[-1]);
        sp[-1].number = Truth(result);
        break;
      }

      // Functions pop their arguments; the result takes the first argument's place.
      default: {
        StackSlot* const arguments = sp - item.argc;
        StepOf(item.op)({arguments, pool, item.argc, record, record_number});
        sp = arguments + 1;
        break;
      }
    }
  }
}

ExpressionValue ParsedExpression::Evaluate(const char* record, std::uint32_t record_number) {
  Run(record, record_number);
  const StackSlot& slot = stack_[0];
  ExpressionValue value;
  value.type = result_type_;
  switch (result_type_) {
    case 'C': value.text = std::string_view(working_pool_.data() + slot.position, slot.length); break;
    case 'L': value.logical = slot.number != 0.0; break;
    default: value.number = slot.number; break;
  }
  return value;
}

bool ParsedExpression::IsTrue(const char* record, std::uint32_t record_number) {
  if (result_type_ != 'L') return false;
  Run(record, record_number);
  return stack_[0].number != 0.0;
}

}  // namespace vantorel::tables
