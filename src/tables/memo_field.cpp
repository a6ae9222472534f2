#include "tables/memo_field.h"

#include "core/code_pages.h"
#include "core/texts.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

std::string TypeDescription(const DbfField& field) {
  switch (field.type) {
    case 'C': return "character";
    case 'D': return "Date";
    case 'L': return "Logical";
    case 'M': return "Memo";
    default:
      return "Numeric, width: " + std::to_string(field.width) +
             " decimals: " + std::to_string(field.decimals);
  }
}

}  // namespace

std::vector<std::string> MemoFieldLines(const WorkArea& area, std::string_view field_name) {
  const int number = FieldNumberByName(area.Fields(), field_name);
  const DbfField* field = number == 0 ? nullptr : &area.Fields()[static_cast<std::size_t>(number - 1)];
  const std::size_t index = number == 0 ? 0 : static_cast<std::size_t>(number - 1);
  const std::string name(field_name);
  if (!field)
    throw EKvError(220, "Field \"" + name + "\" not in \"" + area.FileName() + "\" [GetMField]");
  if (field->type != 'M')
    throw EKvError(220, "\"GetMField()\" expects field \"" + name + "\" to be of type:\r\n\"memo\".\"" +
                            name + "\" actually is: \"" + TypeDescription(*field) + "\"");
  const std::int32_t block = area.Values().Integer(index);
  if (block <= 0) return {};
  std::vector<std::string> lines = area.GetMemo(static_cast<std::uint32_t>(block));
  if (area.Oem())
    for (std::string& line : lines) core::OemToAnsiBuffer(line.data(), line.size());
  return lines;
}

}  // namespace vantorel::tables
