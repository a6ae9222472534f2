#include "tables/field_text.h"

#include <algorithm>
#include <cstdio>

#include "core/texts.h"
#include "tables/expression/expression_dates.h"
#include "tables/field_variable_area.h"

namespace vantorel::tables {

namespace {

// The Julian Day Number of a D field's stored text. A field narrower than the 8 characters of a
// date (a damaged descriptor) holds the empty date, as expressions read it.
double StoredDate(std::string_view stored) {
  return stored.size() >= 8 ? DateFromDbfText(stored.data()) : kEmptyDate;
}

std::string NumberText(const DbfField& field, std::string_view stored, FieldTextForm form) {
  if (form == FieldTextForm::Compared) return FixedNumberText(DecodeFloat(stored), field.decimals);
  const std::string text =
      HoldsFloat(field) ? FloatText(DecodeFloat(stored)) : std::to_string(DecodeInteger(stored));
  return core::PadLeft(text, static_cast<std::size_t>(field.width));
}

}  // namespace

std::string FieldText(const DbfField& field, std::string_view stored, FieldTextForm form) {
  switch (field.type) {
    case 'N':
    case 'F':
      return NumberText(field, stored, form);
    case 'L':
      return DecodeLogical(stored.empty() ? ' ' : stored[0]) ? "T" : "F";
    case 'D':
      return DateToText(StoredDate(stored));
    case 'M':
      return std::string(stored);
    default:
      if (form == FieldTextForm::Compared) return std::string(stored);
      std::string text = StringFieldValue(stored);
      text.resize(std::max(text.size(), static_cast<std::size_t>(field.width)), ' ');
      return text;
  }
}

std::string FloatText(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.15G", value);
  std::string result = text;
  const std::size_t e = result.find('E');
  if (e == std::string::npos) return result;
  std::string exponent = result.substr(e + 1);
  std::string sign;
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
    if (exponent[0] == '-') sign = "-";
    exponent.erase(0, 1);
  }
  const std::size_t digits = exponent.find_first_not_of('0');
  exponent = digits == std::string::npos ? "0" : exponent.substr(digits);
  return result.substr(0, e + 1) + sign + exponent;
}

std::string FixedNumberText(double value, int decimals) {
  const int size = std::snprintf(nullptr, 0, "%.*f", decimals, value);
  std::string text(static_cast<std::size_t>(std::max(size, 0)) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
  text.pop_back();
  return text;
}

std::string StringFieldValue(std::string_view stored) {
  return core::RightTrim(stored.substr(0, stored.find('\0')));
}

}  // namespace vantorel::tables
