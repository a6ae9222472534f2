// Whether a derived file (an index, the keyword list cache) must be made again because its
// source changed after it or it cannot be used, and how such a file is written so that an
// interrupted write never leaves a broken one.
#pragma once

#include <string_view>

#include "tables/kv_dbf.h"

namespace vantorel::catalogue {

// True when source's last modification is later than file's. Times compare as packed MS-DOS
// date-and-time values (two-second steps), so equal times are fresh. A missing source never
// makes file stale; a missing file with an existing source is stale.
bool IsStaleAgainst(std::string_view file, std::string_view source);

// True when the index file over table must be built (again): it is missing, stale against
// the table's file, or cannot be opened over the table, or its header does not fit the file
// (a file cut short, another program's damaged index). A usable index is never rebuilt.
bool IndexNeedsBuilding(tables::KvDbf& table, std::string_view index_file);

// Writes a derived file (the keyword list cache, a result page's bytes) so that its name never
// holds a partly written file (platform/replacing_file.h). False when it cannot be written;
// errno tells why and the old file stays as it was.
bool WriteDerivedFile(std::string_view path_text, std::string_view bytes);

}  // namespace vantorel::catalogue
