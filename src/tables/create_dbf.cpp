#include "tables/create_dbf.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "core/path_texts.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"
#include "tables/dbf_file.h"
#include "tables/field_variable_area.h"
#include "tables/kv_error.h"
#include "tables/memo_file.h"

namespace vantorel::tables {

namespace {

constexpr std::size_t kMaxCreatedNameLength = 10;
constexpr int kMaxNumericWidth = 20;
constexpr int kMaxNumericDecimals = 18;
constexpr int kMaxFieldWidth = 255;
constexpr int kMaxRecordLength = 65535;
constexpr std::size_t kMemoNameAt = 8;
constexpr std::size_t kMemoBlockSizeAt = 20;

const std::string kInvalidDefinition = "Invalid dBASE field definition [CreateDBF]";

// A width or decimals text: digits with an optional sign; nullopt otherwise.
std::optional<int> ParseNumber(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (at == text.size() || text.size() > 9) return std::nullopt;
  for (std::size_t i = at; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  return DecodeInteger(text);
}

void PutU16(std::string& bytes, std::size_t at, unsigned value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void WriteFile(const std::string& open_path, const std::string& name, const std::string& bytes) {
  auto file = platform::File::Open(open_path, platform::File::Mode::CreateReplace);
  const std::string failure = "Error writing " + name + ". [CreateDbf]";
  if (!file) throw EKvError(DosErrorCode(errno), failure);
  if (!file->WriteAt(0, bytes.data(), bytes.size())) throw EKvError(DosErrorCode(errno), failure);
}

// The memo file's name; its extension follows the letter case of the table's ("x.dbf" gets
// "x.dbt").
std::string MemoNameLike(const std::string& table_name) {
  std::string memo = MemoFileName(table_name, MemoKind::DBase4);
  const std::string extension = core::ExtensionOf(table_name);
  if (!extension.empty() && extension == core::LowerCaseAscii(extension))
    memo.replace(memo.size() - 3, 3, "dbt");
  return memo;
}

}  // namespace

bool CorrectFieldDefinition(FieldDefinition& d) {
  const FieldDefinition before = d;
  if (d.type.size() != 1 || std::string_view("CDFLMN").find(d.type[0]) == std::string_view::npos)
    d.type = "C";
  if (d.type == "N") {
    d.width = std::min(d.width, kMaxNumericWidth);
    d.decimals = std::min(d.decimals, kMaxNumericDecimals);
    if (d.decimals > 0 && d.width - d.decimals < 2) d.decimals = std::max(0, d.width - 2);
  }
  if (d.type == "C" && d.width == 255) {
    d.width = 254;
    d.decimals = 0;
  }
  return d.type != before.type || d.width != before.width || d.decimals != before.decimals;
}

bool CreateDBF(std::string_view file_name, const std::vector<std::string>& dbf_fields,
               std::string_view component_name, bool show_messages) {
  std::vector<FieldDefinition> definitions;
  for (const std::string& entry : dbf_fields) {
    if (std::count(entry.begin(), entry.end(), ',') != 3) return false;
    std::vector<std::string> parts;
    std::size_t at = 0;
    for (std::size_t comma; (comma = entry.find(',', at)) != std::string::npos; at = comma + 1)
      parts.push_back(core::AllTrim(entry.substr(at, comma - at)));
    parts.push_back(core::AllTrim(entry.substr(at)));

    FieldDefinition d;
    d.name = core::UpperCaseAscii(parts[0]).substr(0, kMaxCreatedNameLength);
    d.type = core::UpperCaseAscii(parts[1]);
    if (d.type == "X") continue;
    const std::optional<int> width = ParseNumber(parts[2]);
    const std::optional<int> decimals = ParseNumber(parts[3]);
    if (!width || !decimals) throw EKvError(211, kInvalidDefinition);
    d.width = *width;
    d.decimals = *decimals;
    const FieldDefinition given = d;
    if (CorrectFieldDefinition(d) && show_messages) {
      char text[512];
      std::snprintf(text, sizeof text,
                    "Invalid field definition for %s: %s,%s,%d,%d. Will use corrected "
                    "definition: %s,%s,%d,%d",
                    std::string(component_name).c_str(), given.name.c_str(), given.type.c_str(),
                    given.width, given.decimals, d.name.c_str(), d.type.c_str(), d.width,
                    d.decimals);
      core::ShowInformation(text);
    }
    if (d.name.empty() || d.width < 1 || d.width > kMaxFieldWidth || d.decimals < 0 ||
        d.decimals > kMaxFieldWidth)
      throw EKvError(211, kInvalidDefinition);
    definitions.push_back(std::move(d));
  }

  int record_length = 1;
  bool has_memo = false;
  for (const FieldDefinition& d : definitions) {
    record_length += d.width;
    has_memo = has_memo || d.type == "M";
  }
  if (definitions.empty() || definitions.size() > static_cast<std::size_t>(kDbfMaxFields) ||
      record_length > kMaxRecordLength)
    throw EKvError(211, kInvalidDefinition);

  const std::size_t header_length =
      kDbfPrologSize + kDbfDescriptorSize * definitions.size() + 1;
  std::string bytes(header_length, '\0');
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  bytes[0] = static_cast<char>(has_memo ? 0x8B : 0x03);
  bytes[1] = static_cast<char>(today.tm_year);
  bytes[2] = static_cast<char>(today.tm_mon + 1);
  bytes[3] = static_cast<char>(today.tm_mday);
  PutU16(bytes, 8, static_cast<unsigned>(header_length));
  PutU16(bytes, 10, static_cast<unsigned>(record_length));
  for (std::size_t i = 0; i < definitions.size(); ++i) {
    const FieldDefinition& d = definitions[i];
    const std::size_t at = kDbfPrologSize + kDbfDescriptorSize * i;
    bytes.replace(at, d.name.size(), d.name);
    bytes[at + 11] = d.type[0];
    bytes[at + 16] = static_cast<char>(d.width);
    bytes[at + 17] = static_cast<char>(d.decimals);
  }
  bytes[header_length - 1] = kDbfHeaderTerminator;

  const std::string name(file_name);
  WriteFile(name, name, bytes);
  if (has_memo) {
    // An empty dBASE IV memo file: the next free block is 1, blocks of 512 bytes.
    std::string memo(kDefaultMemoBlockSize, '\0');
    memo[0] = 1;
    const std::string base =
        core::UpperCaseAscii(core::WithoutExtensions(core::FileNameOf(name))).substr(0, 8);
    memo.replace(kMemoNameAt, base.size(), base);
    PutU16(memo, kMemoBlockSizeAt, kDefaultMemoBlockSize);
    const std::string memo_name = MemoNameLike(name);
    WriteFile(memo_name, memo_name, memo);
  }
  return true;
}

}  // namespace vantorel::tables
