// The texts that describe a loaded archive to the user: its entry count and its totals.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/texts.h"

namespace vantorel::archive {

// "Archive contains " + count + " files".
std::string ArchiveContainsText(int entry_count);

// "Total: " + compressed Kb + " Kb (compressed); " + uncompressed Kb + " Kb (uncompressed)",
// each figure the byte sum divided by 1024 (truncated toward zero) with thousands grouped by
// separator: with Kb figures of 1,234 and 5,678, "Total: 1,234 Kb (compressed); 5,678 Kb
// (uncompressed)".
std::string TotalSizeText(std::int64_t compressed_bytes, std::int64_t uncompressed_bytes,
                          std::string_view separator = ",");

using core::GroupThousands;

}  // namespace vantorel::archive
