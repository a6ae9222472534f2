// Evaluation of a ParsedExpression: the postfix code run on a value stack, character values
// in the working pool.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "core/code_pages.h"
#include "tables/expression.h"
#include "tables/expression_dates.h"
#include "tables/expression_numbers.h"
#include "tables/expression_working_pool.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

constexpr int kDivideByZeroCode = 358;
constexpr std::uint32_t kMaxLength = kMaxCharacterLength;

// Error 358: thrown while reporting is on; otherwise stored, and the caller goes on with
// kDivideByZeroResult.
double DivideByZero() {
  EKvError error(kDivideByZeroCode, "Error during evaluation: Divide by 0 [Evaluate/Engine]");
  if (ErrorReportingOn()) throw error;
  ErrorReport(error);
  return kDivideByZeroResult;
}

// Power as exp(b x ln a) would be for a positive base; for other bases the value pow() gives,
// except that a negative base with a fractional exponent gives 0 and zero to a negative power
// gives kDivideByZeroResult, so the result is always a number.
double Power(double base, double exponent) {
  if (base == 0.0 && exponent < 0.0) return kDivideByZeroResult;
  const double result = std::pow(base, exponent);
  return std::isnan(result) && !std::isnan(base) && !std::isnan(exponent) ? 0.0 : result;
}

// ROUND(n, d): n cut to d decimals toward zero. A scaled value within a rounding error of a
// whole number counts as that number, so ROUND(1.15, 2) is 1.15 and not 1.14.
double RoundTowardZero(double n, double decimals) {
  if (!std::isfinite(n)) return n;
  const int d = ClampToInt(decimals, -308, 308);
  const double scale = std::pow(10.0, d);
  const double scaled = n * scale;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) return n;  // 2^52
  const double nearest = std::nearbyint(scaled);
  const double whole =
      std::fabs(scaled - nearest) <= 1e-9 * std::max(1.0, std::fabs(scaled)) ? nearest
                                                                              : std::trunc(scaled);
  return whole / scale;
}

// The Soundex digit of an upper-case letter: 0 for the vowels A E I O U Y, -1 for H and W
// (which neither code nor separate).
int SoundexDigit(char letter) {
  static constexpr std::string_view kDigits = "01230120022455012623010202";
  if (letter == 'H' || letter == 'W') return -1;
  return kDigits[static_cast<std::size_t>(letter - 'A')] - '0';
}

// American Soundex: the first letter, then the digits of the following letters (B F P V 1,
// C G J K Q S X Z 2, D T 3, L 4, M N 5, R 6), equal digits next to each other (also across H
// and W, and with the first letter) written once, vowels separating, padded with zeros to 4
// characters. Leading blanks are skipped; coding stops at the first character that is not an
// ASCII letter; a text that does not start with a letter gives "0000".
std::array<char, 4> Soundex(std::string_view text) {
  std::array<char, 4> code = {'0', '0', '0', '0'};
  std::size_t i = text.find_first_not_of(' ');
  auto upper_letter = [&](std::size_t k) -> char {
    if (k >= text.size()) return 0;
    const char c = text[k];
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c >= 'A' && c <= 'Z' ? c : 0;
  };
  if (i == std::string_view::npos || upper_letter(i) == 0) return code;
  code[0] = upper_letter(i);
  int previous = SoundexDigit(code[0]);
  std::size_t written = 1;
  for (++i; written < code.size(); ++i) {
    const char letter = upper_letter(i);
    if (letter == 0) break;
    const int digit = SoundexDigit(letter);
    if (digit < 0) continue;
    if (digit > 0 && digit != previous) code[written++] = static_cast<char>('0' + digit);
    previous = digit;
  }
  return code;
}

int CompareTexts(std::string_view a, std::string_view b) {
  const int c = std::memcmp(a.data(), b.data(), std::min(a.size(), b.size()));
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

}  // namespace

void ParsedExpression::Run(const char* record, std::uint32_t record_number) {
  WorkingPool pool(working_pool_.data(), static_cast<std::uint32_t>(working_pool_.size()));
  char* const bytes = working_pool_.data();  // the working pool's bytes
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
        std::memmove(bytes + left.position + left.length, bytes + sp[0].position,
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
        std::memmove(bytes + left.position + kept, bytes + sp[0].position, from_right);
        std::memset(bytes + left.position + kept + from_right, ' ', length - kept - from_right);
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

      default: {
        StackSlot* const args = sp - item.argc;
        sp = args + 1;
        StackSlot& result = args[0];
        switch (item.op) {
          case OpCode::kUpper:
            core::AnsiUpperBuffer(bytes + result.position, result.length);
            break;
          case OpCode::kLower:
            core::AnsiLowerBuffer(bytes + result.position, result.length);
            break;
          case OpCode::kTrim: {
            const std::size_t kept = pool.TextOf(result).find_last_not_of(' ') + 1;
            pool.SetText(result, result.position, static_cast<std::uint32_t>(kept));
            break;
          }
          case OpCode::kLtrim: {
            const std::string_view text = pool.TextOf(result);
            const std::size_t skipped = std::min(text.find_first_not_of(' '), text.size());
            std::memmove(bytes + result.position, text.data() + skipped, text.size() - skipped);
            pool.SetText(result, result.position, static_cast<std::uint32_t>(text.size() - skipped));
            break;
          }
          case OpCode::kLeft: {
            const int count = ClampToInt(args[1].number, 0, static_cast<int>(result.length));
            pool.SetText(result, result.position, static_cast<std::uint32_t>(count));
            break;
          }
          case OpCode::kRight: {
            const int count = ClampToInt(args[1].number, 0, static_cast<int>(result.length));
            std::memmove(bytes + result.position, bytes + result.position + result.length - count,
                         static_cast<std::size_t>(count));
            pool.SetText(result, result.position, static_cast<std::uint32_t>(count));
            break;
          }
          case OpCode::kSubstr: {
            const int length = static_cast<int>(result.length);
            const int start = ClampToInt(args[1].number, 1, length + 1);
            const int count = ClampToInt(args[2].number, 0, length - (start - 1));
            std::memmove(bytes + result.position, bytes + result.position + start - 1,
                         static_cast<std::size_t>(count));
            pool.SetText(result, result.position, static_cast<std::uint32_t>(count));
            break;
          }
          case OpCode::kStuff: {
            const std::string_view text = pool.TextOf(result);
            const std::string_view insert = pool.TextOf(args[3]);
            const int length = static_cast<int>(text.size());
            const int start = ClampToInt(args[1].number, 1, length + 1);
            const int count = ClampToInt(args[2].number, 0, length - (start - 1));
            std::string stuffed(text.substr(0, static_cast<std::size_t>(start - 1)));
            stuffed += insert;
            stuffed += text.substr(static_cast<std::size_t>(start - 1 + count));
            stuffed.resize(std::min<std::size_t>(stuffed.size(), kMaxLength));
            pool.SetText(result, result.position, static_cast<std::uint32_t>(stuffed.size()));
            std::memcpy(bytes + result.position, stuffed.data(), stuffed.size());
            break;
          }
          case OpCode::kReplicate: {
            const std::uint32_t unit = result.length;
            const int times = ClampToInt(args[1].number, 0, kMaxCharacterLength);
            const std::uint32_t length =
                unit == 0 ? 0 : std::min<std::uint32_t>(unit * static_cast<std::uint32_t>(times), kMaxLength);
            pool.SetText(result, result.position, length);
            for (std::uint32_t i = unit; i < length; ++i) {
              bytes[result.position + i] = bytes[result.position + i % unit];
            }
            break;
          }
          case OpCode::kSpace: {
            const int count = ClampToInt(args[0].number, 0, kMaxCharacterLength);
            pool.SetText(result, pool.End(), static_cast<std::uint32_t>(count));
            std::memset(bytes + result.position, ' ', static_cast<std::size_t>(count));
            break;
          }
          case OpCode::kChr: {
            const char code = static_cast<char>(ClampToInt(args[0].number, 0, 255));
            pool.NewText(result, std::string_view(&code, 1));
            break;
          }
          case OpCode::kStr:
            pool.NewText(result, StrText(args[0].number, item.argc > 1 ? args[1].number : 10.0,
                                         item.argc > 2 ? args[2].number : 0.0));
            break;
          case OpCode::kIif:
            if (args[0].number == 0.0) {
              const StackSlot chosen = args[2];
              std::memmove(bytes + args[1].position, bytes + chosen.position, chosen.length);
              pool.SetText(result, args[1].position, chosen.length);
            } else {
              const StackSlot chosen = args[1];
              pool.SetText(result, chosen.position, chosen.length);
            }
            break;
          case OpCode::kSoundex: {
            const std::array<char, 4> code = Soundex(pool.TextOf(result));
            pool.Release(result);
            pool.NewText(result, std::string_view(code.data(), code.size()));
            break;
          }
          case OpCode::kDtoc: pool.NewText(result, DateToText(args[0].number)); break;
          case OpCode::kDtos: pool.NewText(result, DateToDbfText(args[0].number)); break;
          case OpCode::kCdow: pool.NewText(result, DayName(args[0].number)); break;
          case OpCode::kCmonth: pool.NewText(result, MonthName(args[0].number)); break;
          case OpCode::kCtod:
            pool.Release(result);
            result.number = DateFromText(pool.TextOf(result));
            break;
          case OpCode::kDate: result.number = Today(); break;
          case OpCode::kYear:
          case OpCode::kMonth:
          case OpCode::kDay: {
            CalendarDate date;
            const bool valid = CalendarDateOf(args[0].number, date);
            const int part = item.op == OpCode::kYear ? date.year
                             : item.op == OpCode::kMonth ? date.month
                                                         : date.day;
            result.number = valid ? part : 0;
            break;
          }
          case OpCode::kDow: result.number = DayOfWeek(args[0].number); break;
          case OpCode::kLen:
            pool.Release(result);
            result.number = result.length;
            break;
          case OpCode::kVal: {
            pool.Release(result);
            const std::string_view text = pool.TextOf(result);
            result.number = ReadDecimalNumber(text.data(), text.size());
            break;
          }
          case OpCode::kAsc:
            pool.Release(result);
            result.number = result.length == 0 ? 0.0 : static_cast<unsigned char>(bytes[result.position]);
            break;
          case OpCode::kAt: {
            const std::string_view needle = pool.TextOf(args[0]);
            const std::size_t found =
                needle.empty() ? std::string_view::npos : pool.TextOf(args[1]).find(needle);
            pool.Release(result);
            result.number = found == std::string_view::npos ? 0.0 : static_cast<double>(found + 1);
            break;
          }
          case OpCode::kAbs: result.number = std::fabs(result.number); break;
          case OpCode::kInt: result.number = std::trunc(result.number); break;
          case OpCode::kMod: {
            const double a = std::trunc(args[0].number);
            const double b = std::trunc(args[1].number);
            result.number = b == 0.0 ? DivideByZero() : std::fmod(a, b);
            break;
          }
          case OpCode::kRound: result.number = RoundTowardZero(args[0].number, args[1].number); break;
          case OpCode::kMax: result.number = std::max(args[0].number, args[1].number); break;
          case OpCode::kMin: result.number = std::min(args[0].number, args[1].number); break;
          case OpCode::kRecno: result.number = record_number; break;
          case OpCode::kDeleted: result.number = truth(record[0] == '*'); break;
          default: break;
        }
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
