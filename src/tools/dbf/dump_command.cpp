// vantorel-dbf dump TABLE: every record, 1 to the record count, read with GO (deleted records
// included, no visibility test): record number, deletion flag, then each decoded value.
#include <cstdio>

#include "dbf_tool.h"

namespace vantorel::tools::dbf {

namespace {

std::string ValueText(const tables::FieldVariableArea& values, const tables::DbfField& field,
                      std::size_t index) {
  switch (field.type) {
    case 'C':
    case 'D':
      return std::string(values.Text(index));
    case 'L':
      return values.Logical(index) ? "T" : "F";
    case 'N':
    case 'F':
      if (tables::HoldsFloat(field)) {
        char text[400];
        std::snprintf(text, sizeof text, "%.*f", field.decimals, values.Float(index));
        return text;
      }
      return std::to_string(values.Integer(index));
    default:  // M: the block number
      return std::to_string(values.Integer(index));
  }
}

}  // namespace

int RunDump(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) throw UsageError("dump takes one table");
  const auto area = context.OpenTable(arguments[0]);
  const std::vector<tables::DbfField>& fields = area->Fields();
  std::vector<std::string> line;
  for (std::int64_t k = 1; k <= area->RecCount(); ++k) {
    area->Go(k);
    line.assign({std::to_string(k), std::string(1, area->Record()[0])});
    for (std::size_t i = 0; i < fields.size(); ++i)
      line.push_back(ValueText(area->Values(), fields[i], i));
    context.Line(line);
  }
  return 0;
}

}  // namespace vantorel::tools::dbf
