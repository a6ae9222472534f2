#include "browser/markup_writer.h"

#include <cstdio>
#include <utility>

#include "core/texts.h"

namespace vantorel::browser {
namespace {

// Room reserved up front for the markup of a page; larger pages grow it.
constexpr std::size_t kInitialCapacity = 1 << 16;

}  // namespace

std::string ColorText(const QColor& color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red(), color.green(), color.blue());
  return text;
}

MarkupWriter::MarkupWriter() { markup_.reserve(kInitialCapacity); }

void MarkupWriter::BeginStartTag(std::string_view tag) {
  markup_ += '<';
  markup_ += tag;
}

void MarkupWriter::Attribute(std::string_view name, std::string_view value) {
  markup_ += ' ';
  markup_ += name;
  markup_ += "=\"";
  Text(value);
  markup_ += '"';
}

void MarkupWriter::Attribute(std::string_view name, int value) { Attribute(name, std::to_string(value)); }

void MarkupWriter::ColorAttribute(std::string_view name, const QColor& color) {
  Attribute(name, ColorText(color));
}

void MarkupWriter::Flag(std::string_view name) {
  markup_ += ' ';
  markup_ += name;
}

void MarkupWriter::EndStartTag() { markup_ += '>'; }

void MarkupWriter::EndEmptyElement() { markup_ += " />"; }

void MarkupWriter::StartTag(std::string_view tag) {
  BeginStartTag(tag);
  EndStartTag();
}

void MarkupWriter::EndTag(std::string_view tag) {
  markup_ += "</";
  markup_ += tag;
  markup_ += '>';
}

void MarkupWriter::EmptyElement(std::string_view tag) {
  BeginStartTag(tag);
  EndEmptyElement();
}

void MarkupWriter::Text(std::string_view text) {
  std::size_t run = 0;  // start of the bytes not yet written
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view entity = core::MarkupEntityOf(text[i]);
    if (entity.empty()) continue;
    markup_.append(text, run, i - run);
    markup_ += entity;
    run = i + 1;
  }
  markup_.append(text, run);
}

std::string MarkupWriter::Take() { return std::exchange(markup_, std::string()); }

}  // namespace vantorel::browser
