// The text a field's stored bytes stand for: one rule per field type, in the two forms the
// dataset uses. Shown is what FieldAsString gives; Compared is what Locate compares a value
// with when it scans the records.
//
//   type  Shown                                          Compared
//   C     the bytes up to the first NUL, trailing        the bytes as stored
//         blanks removed, padded with blanks to the
//         field's width
//   N, F  without decimals: the 32-bit integer in        the number fixed with the field's
//         decimals, else up to 15 significant digits    decimals, no padding ("%.*f"); a
//         (FloatText); right-aligned in the field's     number beyond 32 bits as it stands
//         width
//   L     "T" or "F"                                     "T" or "F"
//   D     "MM/DD/YYYY", "  /  /    " for the empty date  the same
//   M     the stored block number text (the dataset shows the memo itself, which its caller
//         reads); the same in both forms
// Numbers are read from the stored text as field_variable_area.h decodes them.
#pragma once

#include <string>
#include <string_view>

#include "tables/dbf_field.h"

namespace vantorel::tables {

enum class FieldTextForm {
  Shown,     // FieldAsString
  Compared,  // Locate's scan
};

// REQUIRES: stored is the field's bytes in a record (its width of them).
std::string FieldText(const DbfField& field, std::string_view stored, FieldTextForm form);

// A floating-point value as the runtime writes it in general format: up to 15 significant
// digits, no trailing zeros, an exponent as "E" and its digits ("1E20", "1.5E-7").
std::string FloatText(double value);

// A number fixed with decimals digits after the point ("%.*f"), no blanks.
std::string FixedNumberText(double value, int decimals);

// A string field's value as the runtime reads it: up to the first NUL, trailing blanks removed.
std::string StringFieldValue(std::string_view stored);

}  // namespace vantorel::tables
