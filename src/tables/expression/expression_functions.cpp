#include "tables/expression/expression_functions.h"

#include "tables/expression/expression_conversion_functions.h"
#include "tables/expression/expression_date_functions.h"
#include "tables/expression/expression_logic_functions.h"
#include "tables/expression/expression_number_functions.h"
#include "tables/expression/expression_text_functions.h"

namespace vantorel::tables {

namespace {

// Working-pool allowances of the functions that make a character value out of other types,
// in bytes: room for the longest result and the spare byte after it.
constexpr int kShortText = 15;    // up to 14 characters
constexpr int kOneCharacter = 2;
constexpr int kDateText = 11;     // "MM/DD/YYYY"
constexpr int kDbfDateText = 9;   // "YYYYMMDD"
constexpr int kLongText = 256;    // up to 255 characters

using S = FunctionSignature;

constexpr FunctionInfo kFunctions[] = {
    // name, code item, working-pool allowance, step, signatures, signature count
    {"ABS", OpCode::kAbs, 0, Abs, {S{"N", 'N'}}, 1},
    {"ASC", OpCode::kAsc, 0, Asc, {S{"C", 'N'}}, 1},
    {"AT", OpCode::kAt, 0, At, {S{"CC", 'N'}}, 1},
    {"CDOW", OpCode::kCdow, kShortText, Cdow, {S{"D", 'C'}}, 1},
    {"CHR", OpCode::kChr, kOneCharacter, Chr, {S{"N", 'C'}}, 1},
    {"CMONTH", OpCode::kCmonth, kShortText, Cmonth, {S{"D", 'C'}}, 1},
    {"CTOD", OpCode::kCtod, 0, Ctod, {S{"C", 'D'}}, 1},
    {"DATE", OpCode::kDate, 0, Date, {S{"", 'D'}}, 1},
    {"DAY", OpCode::kDay, 0, Day, {S{"D", 'N'}}, 1},
    {"DELETED", OpCode::kDeleted, 0, Deleted, {S{"", 'L'}}, 1},
    {"DOW", OpCode::kDow, 0, Dow, {S{"D", 'N'}}, 1},
    {"DTOC", OpCode::kDtoc, kDateText, Dtoc, {S{"D", 'C'}}, 1},
    {"DTOS", OpCode::kDtos, kDbfDateText, Dtos, {S{"D", 'C'}}, 1},
    {"IIF", OpCode::kIif, kLongText, Iif, {S{"LCC", 'C'}}, 1},
    {"INT", OpCode::kInt, 0, Int, {S{"N", 'N'}}, 1},
    {"LEFT", OpCode::kLeft, 0, Left, {S{"CN", 'C'}}, 1},
    {"LEN", OpCode::kLen, 0, Len, {S{"C", 'N'}}, 1},
    {"LOWER", OpCode::kLower, 0, Lower, {S{"C", 'C'}}, 1},
    {"LTRIM", OpCode::kLtrim, 0, TrimLeadingBlanks, {S{"C", 'C'}}, 1},
    {"MAX", OpCode::kMax, 0, Max, {S{"NN", 'N'}, S{"DD", 'D'}}, 2},
    {"MIN", OpCode::kMin, 0, Min, {S{"NN", 'N'}, S{"DD", 'D'}}, 2},
    {"MOD", OpCode::kMod, 0, Mod, {S{"NN", 'N'}}, 1},
    {"MONTH", OpCode::kMonth, 0, Month, {S{"D", 'N'}}, 1},
    {"RECNO", OpCode::kRecno, 0, Recno, {S{"", 'N'}}, 1},
    {"REPLICATE", OpCode::kReplicate, kLongText, Replicate, {S{"CN", 'C'}}, 1},
    {"RIGHT", OpCode::kRight, 0, Right, {S{"CN", 'C'}}, 1},
    {"ROUND", OpCode::kRound, 0, Round, {S{"NN", 'N'}}, 1},
    {"RTRIM", OpCode::kTrim, 0, TrimTrailingBlanks, {S{"C", 'C'}}, 1},
    {"SOUNDEX", OpCode::kSoundex, kShortText, Soundex, {S{"C", 'C'}}, 1},
    {"SPACE", OpCode::kSpace, kLongText, Space, {S{"N", 'C'}}, 1},
    {"STR", OpCode::kStr, kLongText, Str, {S{"N", 'C'}, S{"NN", 'C'}, S{"NNN", 'C'}}, 3},
    {"STUFF", OpCode::kStuff, 0, Stuff, {S{"CNNC", 'C'}}, 1},
    {"SUBSTR", OpCode::kSubstr, 0, Substr, {S{"CNN", 'C'}}, 1},
    {"TRIM", OpCode::kTrim, 0, TrimTrailingBlanks, {S{"C", 'C'}}, 1},
    {"UPPER", OpCode::kUpper, 0, Upper, {S{"C", 'C'}}, 1},
    {"VAL", OpCode::kVal, 0, Val, {S{"C", 'N'}}, 1},
    {"YEAR", OpCode::kYear, 0, Year, {S{"D", 'N'}}, 1},
};

constexpr std::size_t kShortestAbbreviation = 4;

// kFunctions by code item. Every function item has exactly one step, or this does not compile.
// (Which items are filled is kept apart: a function's address cannot be compared with null in
// a constant expression when the undefined-behaviour sanitizer is on.)
constexpr std::array<FunctionStep, kFunctionOpCount> StepsByCodeItem() {
  std::array<FunctionStep, kFunctionOpCount> steps{};
  std::array<bool, kFunctionOpCount> filled{};
  for (const FunctionInfo& function : kFunctions) {
    const auto index = static_cast<std::size_t>(FunctionOpIndex(function.op));
    if (filled[index] && steps[index] != function.step) throw "two steps for one code item";
    steps[index] = function.step;
    filled[index] = true;
  }
  for (const bool step_given : filled) {
    if (!step_given) throw "a function code item without a step";
  }
  return steps;
}

}  // namespace

constexpr std::array<FunctionStep, kFunctionOpCount> kFunctionSteps = StepsByCodeItem();

const FunctionInfo* FindFunction(std::string_view name) {
  for (const FunctionInfo& function : kFunctions) {
    if (name == function.name) return &function;
    if (function.name.size() > kShortestAbbreviation && name.size() >= kShortestAbbreviation &&
        name.size() < function.name.size() && function.name.starts_with(name)) {
      return &function;
    }
  }
  return nullptr;
}

}  // namespace vantorel::tables
