#include "tables/expression_functions.h"

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
    // name, code item, working-pool allowance, signatures, signature count
    {"ABS", OpCode::kAbs, 0, {S{"N", 'N'}}, 1},
    {"ASC", OpCode::kAsc, 0, {S{"C", 'N'}}, 1},
    {"AT", OpCode::kAt, 0, {S{"CC", 'N'}}, 1},
    {"CDOW", OpCode::kCdow, kShortText, {S{"D", 'C'}}, 1},
    {"CHR", OpCode::kChr, kOneCharacter, {S{"N", 'C'}}, 1},
    {"CMONTH", OpCode::kCmonth, kShortText, {S{"D", 'C'}}, 1},
    {"CTOD", OpCode::kCtod, 0, {S{"C", 'D'}}, 1},
    {"DATE", OpCode::kDate, 0, {S{"", 'D'}}, 1},
    {"DAY", OpCode::kDay, 0, {S{"D", 'N'}}, 1},
    {"DELETED", OpCode::kDeleted, 0, {S{"", 'L'}}, 1},
    {"DOW", OpCode::kDow, 0, {S{"D", 'N'}}, 1},
    {"DTOC", OpCode::kDtoc, kDateText, {S{"D", 'C'}}, 1},
    {"DTOS", OpCode::kDtos, kDbfDateText, {S{"D", 'C'}}, 1},
    {"IIF", OpCode::kIif, kLongText, {S{"LCC", 'C'}}, 1},
    {"INT", OpCode::kInt, 0, {S{"N", 'N'}}, 1},
    {"LEFT", OpCode::kLeft, 0, {S{"CN", 'C'}}, 1},
    {"LEN", OpCode::kLen, 0, {S{"C", 'N'}}, 1},
    {"LOWER", OpCode::kLower, 0, {S{"C", 'C'}}, 1},
    {"LTRIM", OpCode::kLtrim, 0, {S{"C", 'C'}}, 1},
    {"MAX", OpCode::kMax, 0, {S{"NN", 'N'}, S{"DD", 'D'}}, 2},
    {"MIN", OpCode::kMin, 0, {S{"NN", 'N'}, S{"DD", 'D'}}, 2},
    {"MOD", OpCode::kMod, 0, {S{"NN", 'N'}}, 1},
    {"MONTH", OpCode::kMonth, 0, {S{"D", 'N'}}, 1},
    {"RECNO", OpCode::kRecno, 0, {S{"", 'N'}}, 1},
    {"REPLICATE", OpCode::kReplicate, kLongText, {S{"CN", 'C'}}, 1},
    {"RIGHT", OpCode::kRight, 0, {S{"CN", 'C'}}, 1},
    {"ROUND", OpCode::kRound, 0, {S{"NN", 'N'}}, 1},
    {"RTRIM", OpCode::kTrim, 0, {S{"C", 'C'}}, 1},
    {"SOUNDEX", OpCode::kSoundex, kShortText, {S{"C", 'C'}}, 1},
    {"SPACE", OpCode::kSpace, kLongText, {S{"N", 'C'}}, 1},
    {"STR", OpCode::kStr, kLongText, {S{"N", 'C'}, S{"NN", 'C'}, S{"NNN", 'C'}}, 3},
    {"STUFF", OpCode::kStuff, 0, {S{"CNNC", 'C'}}, 1},
    {"SUBSTR", OpCode::kSubstr, 0, {S{"CNN", 'C'}}, 1},
    {"TRIM", OpCode::kTrim, 0, {S{"C", 'C'}}, 1},
    {"UPPER", OpCode::kUpper, 0, {S{"C", 'C'}}, 1},
    {"VAL", OpCode::kVal, 0, {S{"C", 'N'}}, 1},
    {"YEAR", OpCode::kYear, 0, {S{"D", 'N'}}, 1},
};

constexpr std::size_t kShortestAbbreviation = 4;

}  // namespace

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
