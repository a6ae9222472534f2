// The FieldVariableArea: the decoded values of a work area's current record.
//
// Format notes. The area is one block of bytes laid out as the engine has always laid it out:
// the deletion flag, then per field in descriptor order
//   C            length byte + width characters (the full text, trailing blanks included)
//   D            length byte + 10 characters (the date text YYYYMMDD; length 0 for the empty date)
//   N, F  dec>0  8-byte floating-point value
//   N, F  dec=0  4-byte signed integer
//   M            4-byte signed integer, the memo block number (0: no memo)
//   L            1 byte, 1 for true
// so its size is 1 + sum(C: width + 1; D: 11; N/F with decimals: 8; others: 4; L: 1).
// Decoding allocates nothing: the layout is fixed when the table is opened.
#pragma once

#include <algorithm>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "tables/dbf_field.h"

namespace vantorel::tables {

// The decoding rules of the numeric and memo fields, for anyone who reads field text.
// Characters with codes 0 to 32 are removed from both ends first; a blank field is 0.
// Text that is not a number decodes as 0, and so does an integer outside 32 bits.
std::int32_t DecodeInteger(std::string_view text);
double DecodeFloat(std::string_view text);
// True for "T", "t", "Y" and "y"; anything else (including "F", "?" and blank) is false.
bool DecodeLogical(char c);
// True when the field's values are held as a floating-point value (N or F with decimals).
bool HoldsFloat(const DbfField& field);

class FieldVariableArea {
 public:
  // REQUIRES: every field lies inside the record (offset + width <= record length).
  explicit FieldVariableArea(const std::vector<DbfField>& fields);

  // Size in bytes of the area, as given above.
  std::size_t Size() const { return bytes_.size(); }

  // Decodes a record (record length bytes, byte 0 the deletion flag) into the area.
  void Decode(const char* record);
  // The values of the blank record: flag blank, texts blank, numbers 0, no date, false.
  void Blank();
  // The values other holds. REQUIRES: other was made from the same fields.
  void CopyFrom(const FieldVariableArea& other) {
    std::copy(other.bytes_.begin(), other.bytes_.end(), bytes_.begin());
  }

  // Byte 0 of the decoded record.
  char DeletionFlag() const { return bytes_[0]; }

  // The value of field number index (0-based, descriptor order). Each accessor REQUIRES the
  // field type it names: Text for C (full width) and D (8 characters, empty for the empty
  // date); Integer for N/F without decimals and for M; Float for N/F with decimals;
  // Logical for L.
  std::string_view Text(std::size_t index) const {
    const char* value = Address(index);
    return {value + 1, static_cast<unsigned char>(value[0])};
  }
  std::int32_t Integer(std::size_t index) const {
    std::int32_t number;
    std::memcpy(&number, Address(index), sizeof number);
    return number;
  }
  double Float(std::size_t index) const {
    double number;
    std::memcpy(&number, Address(index), sizeof number);
    return number;
  }
  bool Logical(std::size_t index) const { return Address(index)[0] != 0; }

  // The first byte of field index's value inside the area (the engine's FieldAddress).
  const char* Address(std::size_t index) const { return bytes_.data() + slots_[index].at; }
  const char* Data() const { return bytes_.data(); }

  FieldVariableArea(const FieldVariableArea&) = delete;
  FieldVariableArea& operator=(const FieldVariableArea&) = delete;

 private:
  enum class Kind : std::uint8_t { Text, Date, Float, Integer, Logical };
  struct Slot {
    Kind kind;        // how the field is decoded
    int record_at;    // the field's offset in the record
    int width;        // the field's width in the record
    std::size_t at;   // where its value starts in bytes_
  };
  std::vector<Slot> slots_;  // one per field, descriptor order
  std::vector<char> bytes_;  // the area
};

}  // namespace vantorel::tables
