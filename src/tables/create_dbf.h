// Creating an empty table ("CreateDBF") from the dataset's DbfFields list, used when a
// missing table is opened with CreateIfNotFound.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tables/dbf_field.h"

namespace vantorel::tables {

// One DbfFields entry: "name, type, width, decimals".
struct FieldDefinition {
  std::string name;  // trimmed, upper case, cut to 10 characters
  std::string type;  // trimmed, upper case
  int width = 0;
  int decimals = 0;
};

// Applies the corrections a definition gets before use: a type other than C, D, F, L, M, N
// becomes C; N wider than 20 becomes 20; N decimals above 18 become 18; N with decimals and
// width - decimals < 2 gets decimals = width - 2 (not below 0); C of width 255 becomes width
// 254 with decimals 0. True when something changed.
bool CorrectFieldDefinition(FieldDefinition& definition);

// Writes an empty table: version 0x8B when a field is M (with an empty dBASE IV memo file of
// 512-byte blocks beside it, extension DBT), else 0x03; today's date; 0 records; header
// length 32 + 32 * fields + 1; record length 1 + the sum of the widths; the descriptors and
// the terminator 0x0D. Entries of type X are skipped.
// Each corrected entry is reported in a message window (when show_messages) with
// "Invalid field definition for %s: %s,%s,%d,%d. Will use corrected definition: %s,%s,%d,%d"
// (component name, the old name, type, width, decimals, then the new ones).
// Returns false, writing nothing, when an entry does not hold exactly three commas.
// Errors (EKvError): 211 "Invalid dBASE field definition [CreateDBF]" for a definition that
// cannot be stored even after correction (no name, a width outside 1..255, no fields, a
// record longer than 65535 bytes, more than 255 fields); the operating-system code with
// "Error writing " + file name + ". [CreateDbf]" when a file cannot be written.
bool CreateDBF(std::string_view file_name, const std::vector<std::string>& dbf_fields,
               std::string_view component_name, bool show_messages = true);

}  // namespace vantorel::tables
