// vantorel-dbf info TABLE: the header values and the field descriptors.
#include <cstdio>

#include "dbf_tool.h"

namespace vantorel::tools::dbf {

int RunInfo(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) throw UsageError("info takes one table");
  const auto area = context.OpenTable(arguments[0]);
  char version[8];
  std::snprintf(version, sizeof version, "0x%02X", area->Version());
  context.Line({"version", version});
  context.Line({"updated", area->UpdateDate()});
  context.Line({"records", std::to_string(area->RecCount())});
  context.Line({"header", std::to_string(area->HeaderLength())});
  context.Line({"record", std::to_string(area->RecordLength())});
  context.Line({"memo", area->HasMemo() ? "yes" : "no"});
  for (const tables::DbfField& field : area->Fields())
    context.Line({"field", field.name, std::string(1, field.type), std::to_string(field.width),
                  std::to_string(field.decimals), std::to_string(field.offset)});
  return 0;
}

}  // namespace vantorel::tools::dbf
