// The decoder of each compression method (names as in PKWARE's APPNOTE).
#pragma once

#include <cstdint>
#include <optional>

#include "archive/decoder.h"

namespace vantorel::archive {

// Decodes one entry's compressed bytes by its compression method. nullopt when the method is
// not one this program decodes (the run then reports "Unknown Compression Method"); nothing is
// read or written then. Errors thrown by input or output pass through.
std::optional<DecodeResult> DecodeByMethod(std::uint16_t method, CompressedInput& input,
                                           DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
