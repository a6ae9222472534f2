// vantorel-dbf dump TABLE: every record, 1 to the record count, read with GO (deleted records
// included, no visibility test), one line each: record number, deletion flag ("*" or a blank;
// any other byte as "\xNN"), then each field's value. Texts are the stored bytes decoded from
// the table's code page, with line breaks, TABs, backslashes and other control characters
// escaped; N and F fields show the digits the file holds, trimmed.
#include <cstdio>

#include "dbf_tool.h"

namespace vantorel::tools::dbf {

namespace {

// The stored text of a numeric field without the blanks (and NULs, which some programs pad
// with) around it.
std::string_view TrimmedNumber(std::string_view stored) {
  while (!stored.empty() && static_cast<unsigned char>(stored.front()) <= ' ') stored.remove_prefix(1);
  while (!stored.empty() && static_cast<unsigned char>(stored.back()) <= ' ') stored.remove_suffix(1);
  return stored;
}

std::string FlagText(char flag) {
  if (flag == ' ' || flag == '*') return std::string(1, flag);
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(flag));
  return hex;
}

std::string ValueText(const ToolContext& context, const tables::WorkArea& area,
                      tables::KvTableLanguage language, std::size_t index) {
  const tables::DbfField& field = area.Fields()[index];
  const std::string_view stored(area.Record() + field.offset, static_cast<std::size_t>(field.width));
  const tables::FieldVariableArea& values = area.Values();
  switch (field.type) {
    case 'C':
      return context.StoredText(stored, language, true);
    case 'D':
      return context.StoredText(values.Text(index), language, true);
    case 'L':
      return values.Logical(index) ? "T" : "F";
    case 'N':
    case 'F':
      return context.StoredText(TrimmedNumber(stored), language, true);
    default:  // M: the block number
      return std::to_string(values.Integer(index));
  }
}

}  // namespace

int RunDump(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) throw UsageError("dump takes one table");
  const auto area = context.OpenStoredTable(arguments[0]);
  const tables::KvTableLanguage language = context.TableLanguage(*area);
  std::vector<std::string> line;
  for (std::int64_t k = 1; k <= area->RecCount(); ++k) {
    area->Go(k);
    line.assign({std::to_string(k), FlagText(area->Record()[0])});
    for (std::size_t i = 0; i < area->Fields().size(); ++i)
      line.push_back(ValueText(context, *area, language, i));
    context.ShownLine(line);
  }
  return 0;
}

}  // namespace vantorel::tools::dbf
