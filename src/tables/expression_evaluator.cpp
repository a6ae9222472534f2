// Evaluation of a ParsedExpression: the postfix code run on a value stack, character values
// in the working pool. Pushes and operators are done here; a function item runs the step the
// function table gives it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "tables/expression.h"
#include "tables/expression_dates.h"
#include "tables/expression_functions.h"
#include "tables/expression_number_functions.h"
#include "tables/expression_numbers.h"
#include "tables/expression_working_pool.h"

namespace vantorel::tables {

namespace {

constexpr std::uint32_t kMaxLength = kMaxCharacterLength;

// Power as exp(b x ln a) would be for a positive base; for other bases the value pow() gives,
// except that a negative base with a fractional exponent gives 0 and zero to a negative power
// gives kDivideByZeroResult, so the result is always a number.
double Power(double base, double exponent) {
  if (base == 0.0 && exponent < 0.0) return kDivideByZeroResult;
  const double result = std::pow(base, exponent);
  return std::isnan(result) && !std::isnan(base) && !std::isnan(exponent) ? 0.0 : result;
}

int CompareTexts(std::string_view a, std::string_view b) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

void ParsedExpression::Run(const char* record, std::uint32_t record_number) {
  WorkingPool pool(working_pool_.data(), static_cast<std::uint32_t>(working_pool_.size()));
  StackSlot* sp = stack_.data();  // next free stack slot
  auto truth = [](bool value) { return value ? 1.0 : 0.0; };

  for (const CodeItem& item : code_) {
    switch (item.op) {
      case OpCode::kPushNumber:
      case OpCode::kPushLogical:
        sp->number = item.number;
        ++sp;
        break;
      case OpCode::kPushText:
        pool.NewText(*sp, std::string_view(constant_pool_).substr(item.a, item.b));
        ++sp;
        break;
      case OpCode::kFieldC:
        pool.NewText(*sp, std::string_view(record + item.a, static_cast<std::size_t>(item.b)));
        ++sp;
        break;
      case OpCode::kFieldN:
      case OpCode::kFieldM:
        sp->number = ReadFieldNumber(record + item.a, static_cast<std::size_t>(item.b));
        ++sp;
        break;
      case OpCode::kFieldNEqualNumber:
        sp->number =
            truth(ReadFieldNumber(record + item.a, static_cast<std::size_t>(item.b)) == item.number);
        ++sp;
        break;
      case OpCode::kFieldD:
        sp->number = item.b >= 8 ? DateFromDbfText(record + item.a) : kEmptyDate;
        ++sp;
        break;
      case OpCode::kFieldL: {
        const char c = item.b >= 1 ? record[item.a] : ' ';
        sp->number = truth(c == 'T' || c == 't' || c == 'Y' || c == 'y');
        ++sp;
        break;
      }

      case OpCode::kAddN:
      case OpCode::kAddDateN:
      case OpCode::kAddNDate:
        --sp;
        sp[-1].number += sp[0].number;
        break;
      case OpCode::kSubN:
      case OpCode::kSubDateN:
      case OpCode::kSubDates:
        --sp;
        sp[-1].number -= sp[0].number;
        break;
      case OpCode::kMultiply:
        --sp;
        sp[-1].number *= sp[0].number;
        break;
      case OpCode::kDivide:
        --sp;
        sp[-1].number = sp[0].number == 0.0 ? DivideByZero() : sp[-1].number / sp[0].number;
        break;
      case OpCode::kPower:
        --sp;
        sp[-1].number = Power(sp[-1].number, sp[0].number);
        break;
      case OpCode::kConcat: {
        --sp;
        StackSlot& left = sp[-1];
        const std::uint32_t length = std::min(left.length + sp[0].length, kMaxLength);
        std::memmove(pool.BytesOf(left) + left.length, pool.BytesOf(sp[0]),
                     length - left.length);
        pool.SetText(left, left.position, length);
        break;
      }
      case OpCode::kSubC: {
        --sp;
        StackSlot& left = sp[-1];
        const std::string_view left_text = pool.TextOf(left);
        // The left operand's trailing blanks go to the end of the result.
        const auto kept = static_cast<std::uint32_t>(left_text.find_last_not_of(' ') + 1);
        const std::uint32_t length = std::min(left.length + sp[0].length, kMaxLength);
        const std::uint32_t from_right = std::min(sp[0].length, length - kept);
        std::memmove(pool.BytesOf(left) + kept, pool.BytesOf(sp[0]), from_right);
        std::memset(pool.BytesOf(left) + kept + from_right, ' ', length - kept - from_right);
        pool.SetText(left, left.position, length);
        break;
      }

      case OpCode::kEqualN:
        --sp;
        sp[-1].number = truth(sp[-1].number == sp[0].number);
        break;
      case OpCode::kNotEqualN:
        --sp;
        sp[-1].number = truth(sp[-1].number != sp[0].number);
        break;
      case OpCode::kLessN:
        --sp;
        sp[-1].number = truth(sp[-1].number < sp[0].number);
        break;
      case OpCode::kGreaterN:
        --sp;
        sp[-1].number = truth(sp[-1].number > sp[0].number);
        break;
      case OpCode::kLessEqualN:
        --sp;
        sp[-1].number = truth(sp[-1].number <= sp[0].number);
        break;
      case OpCode::kGreaterEqualN:
        --sp;
        sp[-1].number = truth(sp[-1].number >= sp[0].number);
        break;
      case OpCode::kEqualL:
        --sp;
        sp[-1].number = truth((sp[-1].number != 0.0) == (sp[0].number != 0.0));
        break;
      case OpCode::kNotEqualL:
        --sp;
        sp[-1].number = truth((sp[-1].number != 0.0) != (sp[0].number != 0.0));
        break;
      case OpCode::kAnd:
        --sp;
        sp[-1].number = truth(sp[-1].number != 0.0 && sp[0].number != 0.0);
        break;
      case OpCode::kOr:
        --sp;
        sp[-1].number = truth(sp[-1].number != 0.0 || sp[0].number != 0.0);
        break;
      case OpCode::kNot:
        sp[-1].number = truth(sp[-1].number == 0.0);
        break;
      case OpCode::kNegate:
        sp[-1].number = -sp[-1].number;
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
        const std::string_view left = pool.TextOf(sp[-1]);
        const std::string_view right = pool.TextOf(sp[0]);
        bool result = false;
        switch (item.op) {
          case OpCode::kEqualC: result = !right.empty() && left.starts_with(right); break;
          case OpCode::kNotEqualC: result = left != right; break;
          case OpCode::kExactEqualC: result = left == right; break;
          case OpCode::kContainedC:
            result = !left.empty() && right.find(left) != std::string_view::npos;
            break;
          case OpCode::kLessC: result = CompareTexts(left, right) < 0; break;
          case OpCode::kGreaterC: result = CompareTexts(left, right) > 0; break;
          case OpCode::kLessEqualC: result = CompareTexts(left, right) <= 0; break;
          default: result = CompareTexts(left, right) >= 0; break;
        }
        pool.Release(sp[-1]);
        sp[-1].number = truth(result);
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
