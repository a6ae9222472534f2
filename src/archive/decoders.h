// The decoder of each compression method (names as in PKWARE's APPNOTE).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "archive/decoder.h"

namespace vantorel::archive {

// True when DecodeByMethod decodes the method.
bool HasDecoder(std::uint16_t method);

// The method's name in PKWARE's APPNOTE ("Deflate64", "PPMd", ...), empty for a number the
// APPNOTE does not name.
std::string MethodName(std::uint16_t method);

// The method's number, followed by its name in parentheses when it has one: "98 (PPMd)", "77".
std::string MethodText(std::uint16_t method);

// Decodes one entry's compressed bytes by its compression method. nullopt when the method is
// not one this program decodes (!HasDecoder); nothing is read or written then. Errors thrown by
// input or output pass through.
std::optional<DecodeResult> DecodeByMethod(std::uint16_t method, CompressedInput& input,
                                           DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
