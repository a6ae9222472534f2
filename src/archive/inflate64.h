// Method 9, Deflate64 ("Enhanced Deflating"): deflate (RFC 1951) with three changes, decoded
// here because zlib does not know it.
//
// Format notes: the window is 65,536 bytes instead of 32,768; length code 285 means a base of
// 3 with 16 extra bits (lengths 3 to 65,538) instead of the fixed length 258; distance codes
// 30 and 31, unused in deflate, mean distances 32,769 and 49,153 with 14 extra bits each.
// Everything else (block types, the fixed codes, the code-length code) is deflate's.
#pragma once

#include "archive/decoder.h"

namespace vantorel::archive {

// Decodes the entry's Deflate64 stream from input to output. The decoded bytes reach output in
// blocks of up to 256 KiB and at the end. Returns Complete after the final block, InvalidData
// when the stream holds an impossible code, a distance before the start of the entry, an
// over-subscribed or incomplete code, or ends before its final block (what was decoded so far
// has reached output). Errors thrown by input or output pass through.
DecodeResult Inflate64(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
