// Writes the normalised markup: tags, attributes and text appended to one growing text, in
// the subset of HTML that QTextDocument reads. Attribute values and text are escaped here,
// so no caller writes markup characters of its own.
#pragma once

#include <QColor>

#include <string>
#include <string_view>

namespace vantorel::browser {

// A colour as markup writes it: "#rrggbb" in lower-case hexadecimal.
std::string ColorText(const QColor& color);

class MarkupWriter {
 public:
  MarkupWriter();
  MarkupWriter(const MarkupWriter&) = delete;
  MarkupWriter& operator=(const MarkupWriter&) = delete;

  // A start tag is written in three steps: BeginStartTag, any number of attributes, then
  // EndStartTag (or EndEmptyElement for an element without content).

  // Writes "<" + tag. REQUIRES: no start tag is being written.
  void BeginStartTag(std::string_view tag);
  // Writes ' name="value"' with value escaped. REQUIRES: a start tag is being written.
  void Attribute(std::string_view name, std::string_view value);
  void Attribute(std::string_view name, int value);
  // Writes ' name="#rrggbb"' (ColorText). REQUIRES: as for Attribute.
  void ColorAttribute(std::string_view name, const QColor& color);
  // Writes " name", an attribute without a value (NOWRAP). REQUIRES: as for Attribute.
  void Flag(std::string_view name);
  // Writes ">". REQUIRES: a start tag is being written.
  void EndStartTag();
  // Writes " />". REQUIRES: a start tag is being written.
  void EndEmptyElement();

  // Writes "<" + tag + ">", a start tag without attributes.
  void StartTag(std::string_view tag);
  // Writes "</" + tag + ">".
  void EndTag(std::string_view tag);
  // Writes "<" + tag + " />", an element without attributes or content (BR).
  void EmptyElement(std::string_view tag);

  // Writes text with "&", "<", ">" and '"' escaped; every other byte as it is.
  void Text(std::string_view text);

  // The markup written so far; the writer is left empty.
  std::string Take();

 private:
  std::string markup_;  // the markup written so far (UTF-8)
};

}  // namespace vantorel::browser
