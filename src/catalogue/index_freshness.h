// Whether a derived file (an index, the keyword list cache) must be made again because its
// source changed after it.
#pragma once

#include <string_view>

namespace vantorel::catalogue {

// True when source's last modification is later than file's. Times compare as packed MS-DOS
// date-and-time values (two-second steps), so equal times are fresh. A missing source never
// makes file stale; a missing file with an existing source is stale.
bool IsStaleAgainst(std::string_view file, std::string_view source);

}  // namespace vantorel::catalogue
