// The language driver byte of a table header (offset 29): the code page that the program
// which wrote the table marked its character data with. The engine itself reads every table
// in the language its caller names; the byte only informs tools that meet other programs'
// tables.
#pragma once

#include <cstdint>
#include <optional>

#include "tables/work_area.h"

namespace vantorel::tables {

struct LanguageDriver {
  std::uint8_t id;              // the byte
  int code_page;                // the code page it stands for
  const char* name;             // what the driver is called
  KvTableLanguage language;     // tlAnsi for the Windows code pages, tlOem for the rest
};

// The driver a byte names; nullopt for 0 (no mark) and for bytes no driver uses.
std::optional<LanguageDriver> LanguageDriverOf(std::uint8_t id);

// The language to read a table in: tlAnsi when the byte names a Windows code page, tlOem for
// every other driver and for an unmarked table.
KvTableLanguage LanguageOfDriver(std::uint8_t id);

}  // namespace vantorel::tables
