// The attributes of one element of a legacy page, read as the browsers of the time read them.
//
// Values are the parser's UTF-8 texts. Keywords are compared trimmed and in any letter case;
// numbers are taken from their leading digits ("50%" reads as 50, "20px" as 20); a value that
// cannot be read counts as not given, so the element's default holds.
#pragma once

#include <gumbo.h>

#include <QColor>

#include <optional>
#include <string>
#include <string_view>

namespace vantorel::browser {

// The integer a text starts with after characters 0..32: an optional sign and decimal digits,
// the magnitude cut at 100000; nullopt when no digit follows.
std::optional<int> LeadingInteger(std::string_view text);

// A length given in pixels or in percent of the space available.
struct HtmlLength {
  int value = 0;         // 0..100000 pixels, or 0..100 percent
  bool percent = false;  // written with "%"

  // The length as markup writes it: "120" or "50%".
  std::string Text() const;
};

class ElementAttributes {
 public:
  // REQUIRES: element outlives this reader (it belongs to the parse tree being walked).
  explicit ElementAttributes(const GumboElement& element) : element_(element) {}

  // Whether the attribute is written, with or without a value.
  bool Has(const char* name) const;

  // The value as written, each line break (CR LF, CR or LF) read as one blank; empty when
  // the attribute is not written.
  std::string Text(const char* name) const;

  // Text without characters 0..32 at either end.
  std::string Trimmed(const char* name) const;

  // Trimmed with A-Z in lower case: the form keywords are compared in.
  std::string Keyword(const char* name) const;

  // Whether the keyword is "0" or "no" (FRAMEBORDER=NO).
  bool IsOff(const char* name) const;

  // The value's leading integer (LeadingInteger); nullopt when not written or not a number.
  std::optional<int> Integer(const char* name) const;

  // The value's leading integer clamped to min..max; fallback when not written or not a
  // number. REQUIRES: min <= max.
  int ClampedInteger(const char* name, int min, int max, int fallback) const;

  // The value as a length: in percent when "%" appears anywhere in it (cut at 100), else in
  // pixels; nullopt when not written, not a number or negative.
  std::optional<HtmlLength> Length(const char* name) const;

  // The colour the value names (ParseHtmlColor); nullopt when it names none.
  std::optional<QColor> Color(const char* name) const;

  // The alignments below return one of the named keywords (static texts) or an empty view.

  // ALIGN of a block or a table: "left", "right", "center" or "justify"; "middle" reads as
  // "center"; empty for anything else.
  std::string_view BlockAlign() const;

  // ALIGN of a table cell: "left", "right", "center" or "justify"; empty for anything else.
  std::string_view CellAlign() const;

  // ALIGN of an image: "left", "right", "top", "middle" or "bottom"; empty for anything else.
  std::string_view ImageAlign() const;

  // ALIGN of a horizontal rule: "left" or "right"; "center" for anything else.
  std::string_view RuleAlign() const;

  // VALIGN: "top", "middle" or "bottom", with "center" and any other value read as
  // "middle"; empty when the attribute is not written or blank.
  std::string_view VerticalAlign() const;

 private:
  const GumboElement& element_;  // the element whose attributes are read
};

}  // namespace vantorel::browser
