// Method 1, Shrunk: PKZIP's dynamic LZW with partial clearing.
#pragma once

#include "archive/decoder.h"

namespace vantorel::archive {

// Decodes a shrunk entry from input to output, at most params.uncompressed_size bytes.
// Returns Complete once that many bytes are out, InvalidData when the stream holds an impossible
// code or ends first (the bytes decoded so far have reached output), OutOfMemory when the code
// table cannot be allocated. Errors thrown by input or output pass through.
DecodeResult Unshrink(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
