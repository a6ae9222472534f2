#include "archive/decoders.h"

#include "archive/inflate.h"
#include "archive/stored.h"

namespace vantorel::archive {

std::optional<DecodeResult> DecodeByMethod(std::uint16_t method, CompressedInput& input,
                                           DecodedOutput& output, const DecodeParams& params) {
  switch (method) {
    case 0: return Unstore(input, output, params);
    case 8: return Inflate(input, output, params);
    default: return std::nullopt;
  }
}

}  // namespace vantorel::archive
