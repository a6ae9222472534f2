#include "tables/field_variable_area.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace vantorel::tables {

namespace {

constexpr std::size_t kDateTextSize = 10;  // room for the date text in the area
constexpr std::size_t kDateLength = 8;     // YYYYMMDD

std::string_view TrimControlsAndBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::int32_t DecodeInteger(std::string_view text) {
  text = TrimControlsAndBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return 0;
  while (text.size() > 1 && text.front() == '0') text.remove_prefix(1);
  if (text.size() > 10) return 0;  // beyond 32 bits
  std::int64_t value = 0;
  for (const char c : text) {
    const unsigned digit = static_cast<unsigned char>(c) - static_cast<unsigned>('0');
    if (digit > 9) return 0;
    value = value * 10 + digit;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return 0;
  return static_cast<std::int32_t>(value);
}

double DecodeFloat(std::string_view text) {
  text = TrimControlsAndBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Only plain decimal numbers: a digit or a point first (no "inf", "nan" or a second sign).
  if (text.empty() || !(IsDigit(text.front()) || text.front() == '.')) return 0.0;
  double value = 0.0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  if (error != std::errc() || end != text.data() + text.size()) return 0.0;
  return negative ? -value : value;
}

bool DecodeLogical(char c) { return c == 'T' || c == 't' || c == 'Y' || c == 'y'; }

bool HoldsFloat(const DbfField& field) {
  return (field.type == 'N' || field.type == 'F') && field.decimals > 0;
}

FieldVariableArea::FieldVariableArea(const std::vector<DbfField>& fields) {
  std::size_t at = 1;  // byte 0: the deletion flag
  slots_.reserve(fields.size());
  for (const DbfField& field : fields) {
    Slot slot{Kind::Text, field.offset, field.width, at};
    std::size_t size = 0;
    switch (field.type) {
      case 'C':
        slot.kind = Kind::Text;
        size = 1 + static_cast<std::size_t>(field.width);
        break;
      case 'D':
        slot.kind = Kind::Date;
        size = 1 + kDateTextSize;
        break;
      case 'L':
        slot.kind = Kind::Logical;
        size = 1;
        break;
      case 'N':
      case 'F':
        slot.kind = HoldsFloat(field) ? Kind::Float : Kind::Integer;
        size = HoldsFloat(field) ? sizeof(double) : sizeof(std::int32_t);
        break;
      default:  // M
        slot.kind = Kind::Integer;
        size = sizeof(std::int32_t);
        break;
    }
    slots_.push_back(slot);
    at += size;
  }
  bytes_.assign(at, 0);
  Blank();
}

void FieldVariableArea::Decode(const char* record) {
  char* area = bytes_.data();
  area[0] = record[0];
  for (const Slot& slot : slots_) {
    const char* text = record + slot.record_at;
    char* value = area + slot.at;
    switch (slot.kind) {
      case Kind::Text:
        value[0] = static_cast<char>(slot.width);
        std::memcpy(value + 1, text, static_cast<std::size_t>(slot.width));
        break;
      case Kind::Date: {
        // Eight blanks is the empty date; otherwise the date text as stored.
        const std::string_view date(text, static_cast<std::size_t>(slot.width));
        const std::size_t length =
            TrimControlsAndBlanks(date).empty() ? 0 : std::min(date.size(), kDateTextSize);
        value[0] = static_cast<char>(length);
        std::memcpy(value + 1, text, length);
        break;
      }
      case Kind::Float: {
        const double number = DecodeFloat({text, static_cast<std::size_t>(slot.width)});
        std::memcpy(value, &number, sizeof number);
        break;
      }
      case Kind::Integer: {
        const std::int32_t number = DecodeInteger({text, static_cast<std::size_t>(slot.width)});
        std::memcpy(value, &number, sizeof number);
        break;
      }
      case Kind::Logical:
        value[0] = DecodeLogical(slot.width > 0 ? text[0] : ' ') ? 1 : 0;
        break;
    }
  }
}

void FieldVariableArea::Blank() {
  std::memset(bytes_.data(), 0, bytes_.size());
  bytes_[0] = ' ';
  for (const Slot& slot : slots_) {
    if (slot.kind != Kind::Text) continue;
    bytes_[slot.at] = static_cast<char>(slot.width);
    std::memset(bytes_.data() + slot.at + 1, ' ', static_cast<std::size_t>(slot.width));
  }
}

}  // namespace vantorel::tables
