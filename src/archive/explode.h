// Method 6, Imploded: a 4 KB or 8 KB sliding dictionary coded with two or three Shannon-Fano
// trees.
#pragma once

#include "archive/decoder.h"

namespace vantorel::archive {

// Decodes an imploded entry from input to output, at most params.uncompressed_size bytes.
// params.general_flags bit 1 selects the 8 KB dictionary, bit 2 the literal tree.
// Returns Complete once that many bytes are out, InvalidData when a tree's bit-length table is
// impossible, the stream holds an unused code or ends first, OutOfMemory when the decoding
// tables cannot be allocated. Errors thrown by input or output pass through.
DecodeResult Explode(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
