#include "tables/expression/expression_number_functions.h"

#include <algorithm>
#include <cmath>

#include "tables/expression/expression_numbers.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

constexpr int kDivideByZeroCode = 358;

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

}  // namespace

double DivideByZero() {
  EKvError error(kDivideByZeroCode, "Error during evaluation: Divide by 0 [Evaluate/Engine]");
  if (ErrorReportingOn()) throw error;
  ErrorReport(error);
  return kDivideByZeroResult;
}

void Abs(const FunctionCall& call) { call.Result().number = std::fabs(call.Number(0)); }

void Int(const FunctionCall& call) { call.Result().number = std::trunc(call.Number(0)); }

void Mod(const FunctionCall& call) {
  const double a = std::trunc(call.Number(0));
  const double b = std::trunc(call.Number(1));
  call.Result().number = b == 0.0 ? DivideByZero() : std::fmod(a, b);
}

void Round(const FunctionCall& call) {
  call.Result().number = RoundTowardZero(call.Number(0), call.Number(1));
}

void Max(const FunctionCall& call) {
  call.Result().number = std::max(call.Number(0), call.Number(1));
}

void Min(const FunctionCall& call) {
  call.Result().number = std::min(call.Number(0), call.Number(1));
}

}  // namespace vantorel::tables
