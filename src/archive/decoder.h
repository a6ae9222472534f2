// The seam between the extraction run and the decoders of the compression methods.
//
// The run owns the input step (compressed bytes in blocks of at most 16,000, the cancel check,
// "Premature end of file reached") and the output step (16,000-byte blocks, the size check,
// CRC-32, percentages). A decoder only pulls compressed bytes from CompressedInput and pushes
// decoded bytes into DecodedOutput.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantorel::archive {

// Where a decoder takes the entry's compressed bytes from.
class CompressedInput {
 public:
  virtual ~CompressedInput() = default;
  // Fills buffer with up to size compressed bytes and returns the count; 0 once the entry's
  // compressed bytes are used up. May throw the run's errors (user abort, premature end of
  // file); decoders let them pass.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t size) = 0;
};

// Where a decoder puts the decoded bytes.
class DecodedOutput {
 public:
  virtual ~DecodedOutput() = default;
  // Takes size decoded bytes. May throw the run's errors (output larger than the entry's
  // uncompressed size); decoders let them pass.
  virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
};

// What a decoder knows of the entry it decodes.
struct DecodeParams {
  std::uint16_t general_flags = 0;       // general-purpose bit flag of the entry
  std::uint64_t compressed_size = 0;     // bytes of compressed data (after any encryption header)
  std::uint64_t uncompressed_size = 0;   // stored uncompressed size; a decoder never writes more
};

// How a decoder ended. A decoder never reports corrupt data to the user: it stops, and the
// CRC check of the run removes the output.
enum class DecodeResult {
  Complete,     // the stream ended as the format says, or the uncompressed size was reached
  InvalidData,  // impossible code, over-long table, distance before the start, input ended early
  OutOfMemory,  // a decoding table could not be allocated
};

}  // namespace vantorel::archive
