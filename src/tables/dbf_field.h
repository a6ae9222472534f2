// One field of a table as its descriptor gives it.
#pragma once

#include <string>

namespace vantorel::tables {

struct DbfField {
  std::string name;   // upper case, at most 11 characters (10 in tables the engine creates)
  char type = 'C';    // 'C', 'N', 'F', 'D', 'L' or 'M' (B, G and P are read as M)
  int width = 0;      // bytes the field takes in the record
  int decimals = 0;   // digits after the point (N and F)
  int offset = 0;     // position of its first byte in the record; byte 0 is the deletion flag
};

}  // namespace vantorel::tables
