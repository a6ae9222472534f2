#include "catalogue/article_values.h"

namespace vantorel::catalogue {

namespace {

std::string ZeroPadded(std::int32_t number, std::size_t width) {
  std::string text = std::to_string(number);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

bool HasOwnPdf(std::string_view type) { return type == "Article" || type == "Review"; }

}  // namespace

std::string Issue3(std::int32_t issue) { return ZeroPadded(issue, 3); }

std::string PdfBaseName(std::int32_t article_id, std::string_view type, std::int32_t issue) {
  if (HasOwnPdf(type)) return ZeroPadded(article_id, 4);
  if (type == "Tip") return "T" + Issue3(issue);
  if (type == "Clinic") return "C" + Issue3(issue);
  return {};
}

std::string IssueDirectory(std::int32_t issue) {
  return (issue < 10 ? "Issue0" : "Issue") + std::to_string(issue);
}

std::string SourceDirectory(std::string_view type, std::string_view directory,
                            std::int32_t issue) {
  if (HasOwnPdf(type)) {
    if (directory.empty()) return {};
    return IssueDirectory(issue) + "\\" + std::string(directory);
  }
  if (type == "Tip") return IssueDirectory(issue) + "\\TIPTRIX";
  if (type == "Clinic") return IssueDirectory(issue) + "\\CLINIC";
  return IssueDirectory(issue);
}

}  // namespace vantorel::catalogue
