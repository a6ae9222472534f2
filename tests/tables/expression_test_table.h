// A table layout for expression tests: fields declared by hand and records assembled byte by
// byte, as the table file would hold them after the code-page conversion.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tables/dbf_field.h"
#include "tables/expression/expression.h"
#include "tables/expression/expression_dates.h"

namespace vantorel::tables::testing {

class TestTable {
 public:
  struct Column {
    const char* name;
    char type;
    int width;
    int decimals = 0;
  };

  TestTable(std::initializer_list<Column> columns) {
    int offset = 1;
    for (const Column& column : columns) {
      fields_.push_back(DbfField{column.name, column.type, column.width, column.decimals, offset});
      offset += column.width;
    }
    record_length_ = offset;
  }

  const std::vector<DbfField>& Fields() const { return fields_; }
  int RecordLength() const { return record_length_; }

  // A record of blanks: the deletion flag and every field.
  std::string Blank() const { return std::string(static_cast<std::size_t>(record_length_), ' '); }

  // Stores text in the named field as a table file does: N and F right-aligned, the others
  // left-aligned, blank-padded, cut to the width.
  void Set(std::string& record, std::string_view name, std::string_view text) const {
    const DbfField& field = Field(name);
    std::string stored(text.substr(0, static_cast<std::size_t>(field.width)));
    const std::string padding(static_cast<std::size_t>(field.width) - stored.size(), ' ');
    stored = field.type == 'N' || field.type == 'F' ? padding + stored : stored + padding;
    record.replace(static_cast<std::size_t>(field.offset), stored.size(), stored);
  }

  const DbfField& Field(std::string_view name) const {
    for (const DbfField& field : fields_)
      if (field.name == name) return field;
    throw std::invalid_argument("no field " + std::string(name));
  }

 private:
  std::vector<DbfField> fields_;
  int record_length_ = 1;
};

// A value as one line of text: the type letter, ":", then C the characters, N as printf
// "%.15g", L "T" or "F", D "YYYYMMDD" of the Julian Day Number (empty for the empty date),
// M the block number.
inline std::string ShowValue(const ExpressionValue& value) {
  std::string shown = std::string(1, value.type) + ":";
  switch (value.type) {
    case 'C': return shown + std::string(value.text);
    case 'L': return shown + (value.logical ? "T" : "F");
    case 'D': {
      const std::string text = DateToDbfText(value.number);
      return shown + (text == "        " ? "" : text);
    }
    default: {
      char number[64];
      std::snprintf(number, sizeof number, "%.15g", value.number);
      return shown + number;
    }
  }
}

}  // namespace vantorel::tables::testing
