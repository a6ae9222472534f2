// vantorel-dbf info TABLE: the header values, the language driver byte and the code page the
// tool reads the table's text in, then the field descriptors.
#include <cstdio>

#include "dbf_tool.h"
#include "tables/language_driver.h"

namespace vantorel::tools::dbf {

namespace {

std::string Hex(std::uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

// "code page 1252, Windows ANSI"; "none" for an unmarked table; "unknown" for a byte no
// driver uses.
std::string DriverText(std::uint8_t id) {
  if (id == 0) return "none";
  const std::optional<tables::LanguageDriver> driver = tables::LanguageDriverOf(id);
  if (!driver) return "unknown";
  return "code page " + std::to_string(driver->code_page) + ", " + driver->name;
}

}  // namespace

int RunInfo(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 1) throw UsageError("info takes one table");
  const auto area = context.OpenStoredTable(arguments[0]);
  context.Line({"version", Hex(area->Version())});
  context.Line({"updated", area->UpdateDate()});
  context.Line({"records", std::to_string(area->RecCount())});
  context.Line({"header", std::to_string(area->HeaderLength())});
  context.Line({"record", std::to_string(area->RecordLength())});
  context.Line({"memo", area->HasMemo() ? "yes" : "no"});
  context.Line({"language", Hex(area->LanguageDriver()), DriverText(area->LanguageDriver())});
  context.Line({"text", context.TableLanguage(*area) == tables::KvTableLanguage::tlOem
                            ? "OEM 437"
                            : "ANSI 1252"});
  for (const tables::DbfField& field : area->Fields())
    context.Line({"field", field.name, std::string(1, field.type), std::to_string(field.width),
                  std::to_string(field.decimals), std::to_string(field.offset)});
  return 0;
}

}  // namespace vantorel::tools::dbf
