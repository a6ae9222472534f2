// Method 8, Deflated (RFC 1951): stored, fixed-Huffman and dynamic-Huffman blocks over a
// 32,768-byte window, decoded by zlib's raw inflate.
#pragma once

#include "archive/decoder.h"

namespace vantorel::archive {

// Inflates the entry's deflate stream from input to output, in the shell the library-backed
// decoders share (library_buffers.h): decoded bytes reach output whenever zlib fills the output
// buffer and at the end. Returns Complete at the stream's final block,
// InvalidData when the stream is invalid or the compressed bytes end before it does (what was
// decoded so far has reached output), OutOfMemory when zlib cannot allocate its state or
// tables. Errors thrown by input or output pass through.
DecodeResult Inflate(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
