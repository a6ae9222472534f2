#include "app/ini_file.h"

#include <limits>
#include <optional>
#include <sstream>

#include "core/code_pages.h"
#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::app {

namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// True for a "[name]" line, whose name it gives.
bool SectionName(std::string_view line, std::string_view& name) {
  line = TrimBlanks(line);
  if (line.size() < 2 || line.front() != '[') return false;
  const std::size_t close = line.find(']');
  if (close == npos) return false;
  name = TrimBlanks(line.substr(1, close - 1));
  return true;
}

// True for a line with "=", whose key (the trimmed text before it) it gives.
bool KeyName(std::string_view line, std::string_view& key) {
  const std::size_t equals = line.find('=');
  if (equals == npos) return false;
  key = TrimBlanks(line.substr(0, equals));
  return true;
}

std::string ValueOf(std::string_view line) {
  std::string_view value = TrimBlanks(line.substr(line.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHex(std::string_view digits, std::int32_t& value) {
  if (digits.empty() || digits.size() > 8) return false;
  std::uint32_t result = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0) return false;
    result = result << 4 | static_cast<std::uint32_t>(digit);
  }
  value = static_cast<std::int32_t>(result);
  return true;
}

}  // namespace

IniWriteError::IniWriteError(const std::filesystem::path& file)
    : std::runtime_error("Unable to write to " + file.string()) {}

bool ParseProfileInteger(std::string_view text, std::int32_t& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    return ParseHex(text.substr(2), value);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (!text.empty() && text.front() == '$') {
    std::int32_t hex = 0;
    if (!ParseHex(text.substr(1), hex)) return false;
    value = negative ? static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(hex)) : hex;
    return true;
  }
  if (text.empty()) return false;
  std::int64_t result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
    if (result > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
  }
  if (negative) result = -result;
  if (result > std::numeric_limits<std::int32_t>::max()) return false;
  value = static_cast<std::int32_t>(result);
  return true;
}

IniFile::IniFile(std::filesystem::path file) : file_(std::move(file)) {
  const std::optional<std::string> content = platform::ReadFileAt(file_);
  if (!content) return;
  std::istringstream in(*content);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
  }
}

std::size_t IniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionName(lines_[i], name) && core::SameTextNoCase(name, section)) return i;
  }
  return npos;
}

std::size_t IniFile::FindKey(std::size_t section_line, std::string_view key) const {
  for (std::size_t i = section_line + 1; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionName(lines_[i], name)) break;
    if (KeyName(lines_[i], name) && core::SameTextNoCase(name, key)) return i;
  }
  return npos;
}

std::size_t IniFile::SectionEnd(std::size_t section_line) const {
  std::size_t end = section_line + 1;
  for (std::size_t i = section_line + 1; i < lines_.size(); ++i) {
    std::string_view name;
    if (SectionName(lines_[i], name)) break;
    if (!TrimBlanks(lines_[i]).empty()) end = i + 1;
  }
  return end;
}

bool IniFile::HasKey(std::string_view section, std::string_view key) const {
  const std::size_t at = FindSection(section);
  return at != npos && FindKey(at, key) != npos;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
  const std::size_t at = FindSection(section);
  if (at == npos) return std::string(fallback);
  const std::size_t line = FindKey(at, key);
  if (line == npos) return std::string(fallback);
  return ValueOf(lines_[line]);
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
  std::int32_t value = 0;
  if (!HasKey(section, key)) return fallback;
  return ParseProfileInteger(ReadString(section, key, {}), value) ? value : fallback;
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          std::string_view value) {
  std::size_t at = FindSection(section);
  if (at == npos) {
    lines_.push_back("[" + std::string(section) + "]");
    at = lines_.size() - 1;
  }
  const std::size_t line = FindKey(at, key);
  if (line != npos) {
    std::string_view existing;
    KeyName(lines_[line], existing);
    lines_[line] = std::string(existing) + "=" + std::string(value);
    return;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(at)),
                std::string(key) + "=" + std::string(value));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::Save() const {
  if (file_.has_parent_path()) platform::CreateDirectoriesAt(file_.parent_path());
  std::string bytes;
  for (const std::string& line : lines_) bytes += line + "\r\n";
  if (!platform::WriteFileAt(file_, bytes)) throw IniWriteError(file_);
}

}  // namespace vantorel::app
