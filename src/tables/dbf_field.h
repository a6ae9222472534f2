// One field of a table as its descriptor gives it.
#pragma once

#include <string>

namespace vantorel::tables {

struct DbfField {
  std::string name;   // upper case, at most 10 characters
  char type = 'C';    // 'C', 'N', 'F', 'D', 'L' or 'M'
  int width = 0;      // bytes the field takes in the record
  int decimals = 0;   // digits after the point (N and F)
  int offset = 0;     // position of its first byte in the record; byte 0 is the deletion flag
};

}  // namespace vantorel::tables
