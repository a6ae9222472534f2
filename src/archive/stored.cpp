#include "archive/stored.h"

#include <array>

namespace vantorel::archive {

DecodeResult Unstore(CompressedInput& input, DecodedOutput& output, const DecodeParams&) {
  std::array<std::uint8_t, 16000> block;
  while (const std::size_t n = input.Read(block.data(), block.size())) output.Write(block.data(), n);
  return DecodeResult::Complete;
}

}  // namespace vantorel::archive
