#include "browser/element_attributes.h"

#include <algorithm>
#include <initializer_list>

#include "browser/html_page.h"
#include "core/texts.h"

namespace vantorel::browser {
namespace {

// Largest magnitude a number in an attribute keeps; longer digit runs stop growing here.
constexpr long kLargestNumber = 100000;

// The entry of keywords that equals keyword; empty when there is none.
std::string_view OneOf(std::string_view keyword, std::initializer_list<std::string_view> keywords) {
  for (std::string_view candidate : keywords) {
    if (keyword == candidate) return candidate;
  }
  return {};
}

}  // namespace

std::optional<int> LeadingInteger(std::string_view text) {
  const std::string trimmed = core::AllTrim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) negative = trimmed[i++] == '-';
  long value = 0;
  const std::size_t first_digit = i;
  while (i < trimmed.size() && trimmed[i] >= '0' && trimmed[i] <= '9') {
    value = std::min(value * 10 + (trimmed[i] - '0'), kLargestNumber);
    ++i;
  }
  if (i == first_digit) return std::nullopt;
  return static_cast<int>(negative ? -value : value);
}

std::string HtmlLength::Text() const {
  return percent ? std::to_string(value) + "%" : std::to_string(value);
}

bool ElementAttributes::Has(const char* name) const {
  return gumbo_get_attribute(&element_.attributes, name) != nullptr;
}

std::string ElementAttributes::Text(const char* name) const {
  const GumboAttribute* attribute = gumbo_get_attribute(&element_.attributes, name);
  if (!attribute) return {};
  const std::string_view raw(attribute->value);
  std::string value;
  value.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r') {
      value += ' ';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (raw[i] == '\n') {
      value += ' ';
    } else {
      value += raw[i];
    }
  }
  return value;
}

std::string ElementAttributes::Trimmed(const char* name) const { return core::AllTrim(Text(name)); }

std::string ElementAttributes::Keyword(const char* name) const { return core::LowerCaseAscii(Trimmed(name)); }

bool ElementAttributes::IsOff(const char* name) const {
  const std::string keyword = Keyword(name);
  return keyword == "0" || keyword == "no";
}

std::optional<int> ElementAttributes::Integer(const char* name) const { return LeadingInteger(Text(name)); }

int ElementAttributes::ClampedInteger(const char* name, int min, int max, int fallback) const {
  const std::optional<int> value = Integer(name);
  return value ? std::clamp(*value, min, max) : fallback;
}

std::optional<HtmlLength> ElementAttributes::Length(const char* name) const {
  const std::string text = Text(name);
  const std::optional<int> number = LeadingInteger(text);
  if (!number || *number < 0) return std::nullopt;
  const bool percent = text.find('%') != std::string::npos;
  return HtmlLength{percent ? std::min(*number, 100) : *number, percent};
}

std::optional<QColor> ElementAttributes::Color(const char* name) const { return ParseHtmlColor(Text(name)); }

std::string_view ElementAttributes::BlockAlign() const {
  const std::string align = Keyword("align");
  if (align == "middle") return "center";
  return OneOf(align, {"left", "right", "center", "justify"});
}

std::string_view ElementAttributes::CellAlign() const {
  return OneOf(Keyword("align"), {"left", "right", "center", "justify"});
}

std::string_view ElementAttributes::ImageAlign() const {
  return OneOf(Keyword("align"), {"left", "right", "middle", "top", "bottom"});
}

std::string_view ElementAttributes::RuleAlign() const {
  const std::string_view align = OneOf(Keyword("align"), {"left", "right"});
  return align.empty() ? "center" : align;
}

std::string_view ElementAttributes::VerticalAlign() const {
  const std::string valign = Keyword("valign");
  if (valign.empty()) return {};
  const std::string_view known = OneOf(valign, {"top", "middle", "bottom"});
  return known.empty() ? "middle" : known;
}

}  // namespace vantorel::browser
