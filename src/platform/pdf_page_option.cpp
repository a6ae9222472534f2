#include "platform/pdf_page_option.h"

#include <filesystem>

namespace vantorel::platform {

namespace {

enum class PageStyle { None, PageIndex, OkularPage, ZathuraPage, Fragment, TrailingNumber };

PageStyle StyleOf(std::string_view reader) {
  const std::string name = std::filesystem::path(reader).filename().string();
  if (name == "evince" || name == "atril") return PageStyle::PageIndex;
  if (name == "okular") return PageStyle::OkularPage;
  if (name == "zathura") return PageStyle::ZathuraPage;
  if (name == "qpdfview") return PageStyle::Fragment;
  if (name == "mupdf" || name == "mupdf-gl" || name == "mupdf-x11")
    return PageStyle::TrailingNumber;
  return PageStyle::None;
}

}  // namespace

std::string QuotedArgument(std::string_view argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string_view::npos)
    return std::string(argument);
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + '"';
}

std::string PdfPageParameters(std::string_view reader, std::string_view path, int page) {
  const PageStyle style = page >= 1 ? StyleOf(reader) : PageStyle::None;
  const std::string number = std::to_string(page);
  switch (style) {
    case PageStyle::None: return std::string(path);
    case PageStyle::PageIndex: return "--page-index=" + number + " " + QuotedArgument(path);
    case PageStyle::OkularPage: return "--page " + number + " " + QuotedArgument(path);
    case PageStyle::ZathuraPage: return "--page=" + number + " " + QuotedArgument(path);
    case PageStyle::Fragment: return QuotedArgument(std::string(path) + "#" + number);
    case PageStyle::TrailingNumber: return QuotedArgument(path) + " " + number;
  }
  return std::string(path);
}

}  // namespace vantorel::platform
