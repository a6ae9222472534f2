// Expressions compiled against a small table and evaluated on its records. Input: the
// expression text, then optionally "\0" and the bytes of one more record (cut or padded with
// blanks to the record length).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "table_engine.h"
#include "tables/dbf_field.h"
#include "tables/expression/expression.h"
#include "tables/expression/expression_parser.h"
#include "tables/kv_error.h"

namespace {

using vantorel::tables::DbfField;

// Every field type, at offsets after the deletion flag.
const std::vector<DbfField>& Fields() {
  static const std::vector<DbfField> fields = {
      {"TITLE", 'C', 20, 0, 1},  {"ISSUE", 'N', 4, 0, 21},  {"PRICE", 'N', 8, 2, 25},
      {"RATE", 'F', 10, 3, 33},  {"PUBDATE", 'D', 8, 0, 43}, {"ONLINE", 'L', 1, 0, 51},
      {"NOTES", 'M', 10, 0, 52},
  };
  return fields;
}
constexpr std::size_t kRecordLength = 62;

// A record: the flag, then each field's text cut or blank-padded to its width.
std::string Record(char flag, const std::vector<std::string>& texts) {
  std::string record(1, flag);
  for (std::size_t i = 0; i < Fields().size(); ++i) {
    std::string text = i < texts.size() ? texts[i] : std::string();
    text.resize(static_cast<std::size_t>(Fields()[i].width), ' ');
    record += text;
  }
  return record;
}

const std::vector<std::string>& Records() {
  static const std::vector<std::string> records = {
      Record(' ', {}),
      Record(' ', {"Borland Pascal tips", "  72", "   12.50", "     3.141", "20020704", "T", "         7"}),
      Record('*', {"Dates\x81" "and times", "-001", "-9999.99", "-1.00E+309", "99999999", "?", "4294967295"}),
  };
  return records;
}

void Evaluate(vantorel::tables::ParsedExpression& expression, const std::string& record,
              std::uint32_t record_number) {
  expression.Evaluate(record.data(), record_number);
  expression.IsTrue(record.data(), record_number);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantorel::fuzz::SilenceTableEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = vantorel::fuzz::AsText(data, size);
  const std::size_t end = input.find('\0');
  const std::string_view text = input.substr(0, end);
  std::string extra_record;
  if (end != std::string_view::npos) {
    extra_record = std::string(input.substr(end + 1, kRecordLength));
    extra_record.resize(kRecordLength, ' ');
  }
  try {
    auto expression = vantorel::tables::AssignExpr(text, Fields(), "T");
    std::uint32_t record_number = 1;
    for (const std::string& record : Records()) Evaluate(expression, record, record_number++);
    if (!extra_record.empty()) Evaluate(expression, extra_record, 0xFFFFFFFFu);
  } catch (const vantorel::tables::EKvError&) {
  }
  vantorel::tables::ClearLastError();
  return 0;
}
