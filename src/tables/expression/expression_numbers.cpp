#include "tables/expression/expression_numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace vantorel::tables {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Exact powers of ten: a whole number below 2^53 divided by one of these is correctly
// rounded, the same value a full decimal conversion gives.
constexpr std::array<double, 23> kPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;

// The decimal exponent of the first significant digit of a number text that std::from_chars
// found out of range: positive means the value was too large, negative too small.
long long EstimatedExponent(const char* first, const char* last) {
  long long exponent = 0;
  long long position = -1;  // exponent of the first significant digit, counted from the left
  bool seen_point = false;
  long long integer_digits = 0;
  long long leading_fraction_zeros = 0;
  bool significant = false;
  const char* p = first;
  for (; p < last && (IsDigit(*p) || *p == '.'); ++p) {
    if (*p == '.') {
      seen_point = true;
    } else if (!seen_point) {
      if (significant || *p != '0') {
        significant = true;
        ++integer_digits;
      }
    } else if (!significant) {
      if (*p == '0') {
        ++leading_fraction_zeros;
      } else {
        significant = true;
      }
    }
  }
  position = integer_digits > 0 ? integer_digits - 1 : -(leading_fraction_zeros + 1);
  if (p < last && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negative = false;
    if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
    for (; p < last && IsDigit(*p); ++p) {
      if (exponent < 1000000) exponent = exponent * 10 + (*p - '0');
    }
    if (negative) exponent = -exponent;
  }
  return position + exponent;
}

double ReadWithFromChars(const char* first, const char* last) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    return EstimatedExponent(first, end) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  if (error != std::errc()) return 0.0;
  return value;
}

}  // namespace

double ReadDecimalNumber(const char* text, std::size_t size) {
  const char* p = text;
  const char* const last = text + size;
  while (p < last && *p == ' ') ++p;
  bool negative = false;
  if (p < last && (*p == '+' || *p == '-')) negative = *p++ == '-';
  const char* const number_start = p;

  // Fast path: up to 15 digits with an optional point, the form numeric fields hold.
  std::uint64_t mantissa = 0;
  int digits = 0;
  int fraction_digits = 0;
  bool seen_point = false;
  for (; p < last; ++p) {
    if (IsDigit(*p)) {
      mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
      ++digits;
      if (seen_point) ++fraction_digits;
      if (digits > 15) break;
    } else if (*p == '.' && !seen_point) {
      seen_point = true;
    } else {
      break;
    }
  }
  double value;
  const bool exponent_follows = p < last && (*p == 'e' || *p == 'E');
  if (digits <= 15 && !exponent_follows && mantissa < kExactLimit) {
    value = static_cast<double>(mantissa) / kPowersOfTen[fraction_digits];
  } else if (digits == 0) {
    value = 0.0;
  } else {
    value = ReadWithFromChars(number_start, last);
  }
  return negative && value != 0.0 ? -value : value;
}

int ClampToInt(double value, int lo, int hi) {
  if (!(value >= lo)) return lo;  // also NaN
  if (value >= hi) return hi;
  return static_cast<int>(value);
}

std::string StrText(double n, double len_argument, double dec_argument) {
  const int len = ClampToInt(len_argument, 0, 255);
  const int dec = ClampToInt(dec_argument, 0, 255);
  if (!std::isfinite(n)) return std::string(len, '*');

  // Shortest exact decimal form: digits d1 d2 ... and the exponent of d1.
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), std::fabs(n),
                                    std::chars_format::scientific);
  std::string digits;
  const char* p = buffer.data();
  for (; p < result.ptr && *p != 'e'; ++p) {
    if (IsDigit(*p)) digits += *p;
  }
  int exponent = 0;
  const char* exponent_text = p + 1;  // after the 'e': a sign, then digits
  const bool negative_exponent = *exponent_text == '-';
  std::from_chars(exponent_text + 1, result.ptr, exponent);
  if (negative_exponent) exponent = -exponent;
  if (digits.find_first_not_of('0') == std::string::npos) {
    digits = "0";
    exponent = 0;
  }

  // Round half away from zero, keeping the digits of weight 10^-dec and above.
  const long long keep = static_cast<long long>(exponent) + dec + 1;
  if (keep <= 0) {
    const bool round_up = keep == 0 && digits[0] >= '5';
    digits = round_up ? "1" : "0";
    exponent = round_up ? -dec : 0;
  } else if (keep < static_cast<long long>(digits.size())) {
    const bool round_up = digits[keep] >= '5';
    digits.resize(keep);
    if (round_up) {
      int i = static_cast<int>(keep) - 1;
      while (i >= 0 && digits[i] == '9') digits[i--] = '0';
      if (i >= 0) {
        ++digits[i];
      } else {
        digits.insert(digits.begin(), '1');
        ++exponent;
      }
    }
  }
  const bool zero = digits.find_first_not_of('0') == std::string::npos;

  // Fixed notation: the digit at index i has the weight 10^(exponent - i).
  auto digit_of_weight = [&](long long weight) {
    const long long index = exponent - weight;
    return index >= 0 && index < static_cast<long long>(digits.size()) ? digits[index] : '0';
  };
  std::string text;
  if (n < 0 && !zero) text += '-';
  for (long long weight = exponent < 0 ? 0 : exponent; weight >= 0; --weight) {
    text += digit_of_weight(weight);
    if (static_cast<int>(text.size()) > len) return std::string(len, '*');
  }
  if (dec > 0) {
    text += '.';
    for (long long weight = -1; weight >= -dec; --weight) text += digit_of_weight(weight);
  }
  if (static_cast<int>(text.size()) > len) return std::string(len, '*');
  return std::string(len - text.size(), ' ') + text;
}

}  // namespace vantorel::tables
