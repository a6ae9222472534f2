#include "dbf_tool.h"

#include <cstdio>
#include <optional>
#include <ostream>

#include "core/code_pages.h"
#include "platform/file_system.h"
#include "tables/language_driver.h"

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

void ToolContext::ShownLine(const std::vector<std::string>& fields) const {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out_ << '\t';
    out_ << fields[i];
  }
  out_ << '\n';
}

namespace {

std::unique_ptr<tables::WorkArea> OpenReadOnly(std::string_view file_argument,
                                               tables::KvTableLanguage language) {
  tables::OpenOptions options;
  options.read_only = true;
  options.language = language;
  // File names come as the terminal gives them (UTF-8 paths, kept as they are).
  return tables::WorkArea::Open(tables::ParseUseCommand(file_argument), options);
}

// The language the table's language driver byte (header byte 29) names, read straight from
// the file; none when the file cannot be read that far (opening it reports why).
std::optional<tables::KvTableLanguage> StoredLanguage(std::string_view file_argument) {
  constexpr std::size_t kLanguageDriverAt = 29;
  const auto file = platform::File::Open(tables::ParseUseCommand(file_argument).file_name,
                                         platform::File::Mode::Read);
  char prolog[32];
  if (!file || file->ReadAt(0, prolog, sizeof prolog) != static_cast<long long>(sizeof prolog))
    return std::nullopt;
  return tables::LanguageOfDriver(static_cast<std::uint8_t>(prolog[kLanguageDriverAt]));
}

bool IsControl(char32_t code_point) {
  return code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0);
}

}  // namespace

std::unique_ptr<tables::WorkArea> ToolContext::OpenTable(std::string_view file_argument) const {
  if (language_) return OpenReadOnly(file_argument, *language_);
  // One open where the header can be read first.
  if (const auto language = StoredLanguage(file_argument)) return OpenReadOnly(file_argument, *language);
  auto area = OpenStoredTable(file_argument);
  const tables::KvTableLanguage language = TableLanguage(*area);
  if (language == tables::KvTableLanguage::tlAnsi) return area;
  area.reset();  // its alias is taken until it closes
  return OpenReadOnly(file_argument, language);
}

std::unique_ptr<tables::WorkArea> ToolContext::OpenStoredTable(std::string_view file_argument) const {
  return OpenReadOnly(file_argument, tables::KvTableLanguage::tlAnsi);
}

tables::KvTableLanguage ToolContext::TableLanguage(const tables::WorkArea& area) const {
  return language_ ? *language_ : tables::LanguageOfDriver(area.LanguageDriver());
}

std::string ToolContext::StoredText(std::string_view bytes, tables::KvTableLanguage language,
                                    bool escape) const {
  const bool oem = language == tables::KvTableLanguage::tlOem;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (const char stored : bytes) {
    const auto byte = static_cast<unsigned char>(stored);
    const char32_t code_point = oem ? core::Cp437ToCodePoint(byte) : core::Cp1252ToCodePoint(byte);
    if (escape) {
      switch (stored) {
        case '\\': out += "\\\\"; continue;
        case '\r': out += "\\r"; continue;
        case '\n': out += "\\n"; continue;
        case '\t': out += "\\t"; continue;
        default: break;
      }
      if (IsControl(code_point)) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        out += hex;
        continue;
      }
    }
    if (!raw_)
      core::AppendUtf8(out, code_point);
    else
      out += oem ? static_cast<char>(core::OemToAnsi(byte)) : stored;
  }
  return out;
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
