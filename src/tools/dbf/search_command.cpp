// vantorel-dbf search [--field N] TABLE TEXT: the loop of the article search. Search for TEXT
// from the first record (in field N only, or in any field), then again from the record after
// each hit with the field number the hit returned, until nothing more is found; one line per
// hit: the record number and the field number, separated by a TAB.
// The table is opened read-only and shared, as the program opens it.
#include "dbf_tool.h"
#include "tables/text_search.h"

namespace vantorel::tools::dbf {

namespace {

std::uint8_t FieldArgument(const std::string& text) {
  std::int64_t value = 0;
  const bool digits = !text.empty() && text.size() <= 3 &&
                      text.find_first_not_of("0123456789") == std::string::npos;
  if (digits) value = std::stoll(text);
  if (!digits || value > 255) throw UsageError("invalid field number: " + text);
  return static_cast<std::uint8_t>(value);
}

}  // namespace

int RunSearch(const ToolContext& context, const std::vector<std::string>& arguments) {
  std::vector<std::string> positional;
  std::uint8_t field = 0;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--field") {
      if (i + 1 == arguments.size()) throw UsageError("--field needs a field number");
      field = FieldArgument(arguments[++i]);
    } else {
      positional.push_back(arguments[i]);
    }
  }
  if (positional.size() != 2) throw UsageError("search takes a table and a text");
  const auto area = context.OpenTable(positional[0]);
  tables::TableScan scan(area->OpenPath(), area->FileName(), area->HeaderLength(),
                         area->RecordLength(), area->RecCount());
  const std::string text = context.Argument(positional[1]);
  for (bool from_top = true;; from_top = false) {
    tables::SearchTable(*area, scan, text, field, from_top);
    if (field == 0) break;
    context.Line({std::to_string(area->RecNo()), std::to_string(field)});
  }
  return 0;
}

}  // namespace vantorel::tools::dbf
