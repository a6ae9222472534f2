// Method 0, Stored: the compressed bytes are the entry's bytes.
#pragma once

#include "archive/decoder.h"

namespace vantorel::archive {

// Copies every compressed byte of the entry from input to output, in blocks of up to 16,000
// bytes. Always Complete; errors thrown by input or output pass through.
DecodeResult Unstore(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
