// vantorel-dbf eval TABLE EXPR [--record N]: the value of EXPR on every record (1 to the
// record count, read with GO) or on record N alone: record number, result type letter, value.
// vantorel-dbf filter TABLE EXPR: the record numbers a walk under the filter EXPR visits
// (GoTop, then SKIP 1 until end of file).
// A compile or evaluation error is an engine error (its report text, exit status 2).
#include <cmath>
#include <cstdio>
#include <optional>

#include "dbf_tool.h"
#include "tables/expression/expression_dates.h"
#include "tables/expression/expression_parser.h"
#include "tables/filter.h"

namespace vantorel::tools::dbf {

namespace {

// Whole numbers below this print all their digits.
constexpr double kWholeNumberLimit = 1e19;

// The value as eval prints it: C the characters; N like printf "%.15g", except that a whole
// number below 10^19 prints every digit of the value held (a 19-digit field value is not cut
// to 15 significant digits); L "T" or "F"; D "YYYYMMDD", empty for the empty date; M the
// block number.
std::string ValueText(const tables::ExpressionValue& value) {
  switch (value.type) {
    case 'C': return std::string(value.text);
    case 'L': return value.logical ? "T" : "F";
    case 'D': {
      tables::CalendarDate date;
      return tables::CalendarDateOf(value.number, date) ? tables::DateToDbfText(value.number)
                                                         : std::string();
    }
    default: {
      char text[64];
      const bool whole = std::isfinite(value.number) && std::trunc(value.number) == value.number;
      if (whole && std::fabs(value.number) < kWholeNumberLimit)
        std::snprintf(text, sizeof text, "%.0f", value.number);
      else
        std::snprintf(text, sizeof text, "%.15g", value.number);
      return text;
    }
  }
}

}  // namespace

int RunEval(const ToolContext& context, const std::vector<std::string>& arguments) {
  std::vector<std::string> positional;
  std::optional<std::int64_t> record;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--record") {
      if (i + 1 == arguments.size()) throw UsageError("--record needs a record number");
      record = ToolContext::RecordNumber(arguments[++i]);
    } else {
      positional.push_back(arguments[i]);
    }
  }
  if (positional.size() != 2) throw UsageError("eval takes a table and an expression");
  const auto area = context.OpenTable(positional[0]);
  tables::ParsedExpression expression =
      tables::AssignExpr(context.Argument(positional[1]), area->Fields(), area->Alias());
  const std::string type(1, expression.ResultType());
  auto show = [&](std::int64_t k) {
    area->Go(k);
    const tables::ExpressionValue value =
        expression.Evaluate(area->Record(), static_cast<std::uint32_t>(k));
    context.Line({std::to_string(k), type, ValueText(value)});
  };
  if (record) {
    show(*record);
  } else {
    for (std::int64_t k = 1; k <= area->RecCount(); ++k) show(k);
  }
  return 0;
}

int RunFilter(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) throw UsageError("filter takes a table and an expression");
  const auto area = context.OpenTable(arguments[0]);
  tables::SetFilterTo(*area, context.Argument(arguments[1]));
  area->GoTop();
  while (!area->Eof()) {
    context.Line({std::to_string(area->RecNo())});
    area->Skip(1);
  }
  return 0;
}

}  // namespace vantorel::tools::dbf
