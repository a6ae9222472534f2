// Methods 2 to 5, Reduced with compression factor 1 to 4: follower sets over a run-length and
// back-reference stream.
#pragma once

#include "archive/decoder.h"

namespace vantorel::archive {

// Decodes a reduced entry of the given compression factor (1 to 4, method number minus 1) from
// input to output, at most params.uncompressed_size bytes. Returns Complete once that many bytes
// are out, InvalidData when the follower sets are impossible, the stream ends first or the
// factor is not 1 to 4, OutOfMemory when the work area cannot be allocated. Errors thrown by
// input or output pass through.
DecodeResult Unreduce(CompressedInput& input, DecodedOutput& output, const DecodeParams& params,
                      int factor);

}  // namespace vantorel::archive
