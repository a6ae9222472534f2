#include "tables/expression/expression_conversion_functions.h"

#include <string_view>

#include "tables/expression/expression_dates.h"
#include "tables/expression/expression_numbers.h"

namespace vantorel::tables {

namespace {

constexpr double kDefaultStrLength = 10.0;
constexpr double kDefaultStrDecimals = 0.0;

}  // namespace

void Str(const FunctionCall& call) {
  const double length = call.argument_count > 1 ? call.Number(1) : kDefaultStrLength;
  const double decimals = call.argument_count > 2 ? call.Number(2) : kDefaultStrDecimals;
  call.pool.NewText(call.Result(), StrText(call.Number(0), length, decimals));
}

void Val(const FunctionCall& call) {
  StackSlot& result = call.Result();
  call.pool.Release(result);
  const std::string_view text = call.Text(0);
  result.number = ReadDecimalNumber(text.data(), text.size());
}

void Dtos(const FunctionCall& call) {
  call.pool.NewText(call.Result(), DateToDbfText(call.Number(0)));
}

void Chr(const FunctionCall& call) {
  const char code = static_cast<char>(ClampToInt(call.Number(0), 0, 255));
  call.pool.NewText(call.Result(), std::string_view(&code, 1));
}

void Asc(const FunctionCall& call) {
  StackSlot& result = call.Result();
  call.pool.Release(result);
  result.number = result.length == 0 ? 0.0 : static_cast<unsigned char>(call.Text(0)[0]);
}

}  // namespace vantorel::tables
