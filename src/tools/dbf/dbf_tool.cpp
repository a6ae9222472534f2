#include "dbf_tool.h"

#include <ostream>

#include "core/code_pages.h"

namespace vantorel::tools::dbf {

std::string ToolContext::Argument(std::string_view text) const {
  return raw_ ? std::string(text) : core::Utf8ToCp1252(text);
}

std::string ToolContext::Shown(std::string_view text) const {
  return raw_ ? std::string(text) : core::Cp1252ToUtf8(text);
}

void ToolContext::Line(const std::vector<std::string>& fields) const {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out_ << '\t';
    out_ << Shown(fields[i]);
  }
  out_ << '\n';
}

std::unique_ptr<tables::WorkArea> ToolContext::OpenTable(std::string_view file_argument) const {
  tables::OpenOptions options;
  options.read_only = true;
  options.language = ansi_ ? tables::KvTableLanguage::tlAnsi : tables::KvTableLanguage::tlOem;
  // File names come as the terminal gives them (UTF-8 paths, kept as they are).
  return tables::WorkArea::Open(tables::ParseUseCommand(file_argument), options);
}

std::int64_t ToolContext::RecordNumber(std::string_view text) {
  std::int64_t value = 0;
  if (text.empty() || text.size() > 10) throw UsageError("invalid record number: " + std::string(text));
  for (const char c : text) {
    if (c < '0' || c > '9') throw UsageError("invalid record number: " + std::string(text));
    value = value * 10 + (c - '0');
  }
  if (value < 1) throw UsageError("invalid record number: " + std::string(text));
  return value;
}

}  // namespace vantorel::tools::dbf
