// vantorel-dbf memo TABLE RECNO FIELD: the memo lines of one record's field, decoded from the
// table's code page.
#include "dbf_tool.h"
#include "tables/memo_field.h"

namespace vantorel::tools::dbf {

int RunMemo(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 3) throw UsageError("memo takes a table, a record number and a field");
  const std::int64_t record = ToolContext::RecordNumber(arguments[1]);
  const auto area = context.OpenStoredTable(arguments[0]);
  const tables::KvTableLanguage language = context.TableLanguage(*area);
  area->Go(record);
  for (const std::string& line : tables::MemoFieldLines(*area, context.Argument(arguments[2])))
    context.ShownLine({context.StoredText(line, language, false)});
  return 0;
}

}  // namespace vantorel::tools::dbf
