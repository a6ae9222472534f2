// The compression methods decoded by outside libraries, each inside the run's own input and
// output steps as inflate is: compressed bytes pulled from CompressedInput in blocks of 16,000,
// decoded bytes handed to DecodedOutput whenever the library's output buffer fills and at the end.
//
// Every decoder returns Complete when its stream ends as its format says, InvalidData when the
// library rejects the data or the compressed bytes end first (what was decoded so far has
// reached output), OutOfMemory when the library cannot allocate its state. Errors thrown by
// input or output pass through; the library's state is released in every case.
#pragma once

#include "archive/decoder.h"

namespace vantorel::archive {

// Method 12, BZIP2: one bzip2 stream ("BZh", blocks, end-of-stream mark), by libbz2. Streams
// written one after another (parallel compressors do that) are decoded in turn as long as
// compressed bytes are left.
DecodeResult Bunzip2(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

// Method 14, LZMA, by liblzma's raw LZMA1 decoder.
//
// Format notes (APPNOTE 5.8.8): the data begins with a 4-byte header, the LZMA SDK version
// (major, minor) and the length of the properties (2 bytes, 5), then the 5 properties bytes
// (lc/lp/pb packed as (pb * 5 + lp) * 9 + lc, then the dictionary size, 32 bits little-endian),
// then the LZMA1 stream. General flag bit 1 says the stream ends with an end-of-stream marker;
// without it the stream ends after the entry's uncompressed size. Writers set the bit
// inconsistently, so the stream ends at the uncompressed size either way, and a marker right
// after it is accepted.
DecodeResult Unlzma(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

// Method 95, XZ: a complete .xz stream (or several in a row), by liblzma. A stream that needs
// more than 1 GiB of memory to decode counts as OutOfMemory.
DecodeResult Unxz(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

// Method 93, Zstandard: one or more zstd frames (skippable frames skipped), by libzstd.
DecodeResult Unzstd(CompressedInput& input, DecodedOutput& output, const DecodeParams& params);

}  // namespace vantorel::archive
