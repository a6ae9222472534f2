#include "archive/decoders.h"

#include "archive/explode.h"
#include "archive/inflate.h"
#include "archive/stored.h"
#include "archive/unreduce.h"
#include "archive/unshrink.h"

namespace vantorel::archive {

std::optional<DecodeResult> DecodeByMethod(std::uint16_t method, CompressedInput& input,
                                           DecodedOutput& output, const DecodeParams& params) {
  switch (method) {
    case 0: return Unstore(input, output, params);
    case 1: return Unshrink(input, output, params);
    case 2: case 3: case 4: case 5: return Unreduce(input, output, params, method - 1);
    case 6: return Explode(input, output, params);
    case 8: return Inflate(input, output, params);
    default: return std::nullopt;
  }
}

}  // namespace vantorel::archive
