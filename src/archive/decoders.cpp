#include "archive/decoders.h"

#include "archive/explode.h"
#include "archive/inflate.h"
#include "archive/inflate64.h"
#include "archive/library_decoders.h"
#include "archive/stored.h"
#include "archive/unreduce.h"
#include "archive/unshrink.h"

namespace vantorel::archive {

bool HasDecoder(std::uint16_t method) {
  switch (method) {
    case 0: case 1: case 2: case 3: case 4: case 5: case 6: case 8: case 9:
    case 12: case 14: case 93: case 95:
      return true;
    default:
      return false;
  }
}

std::string MethodName(std::uint16_t method) {
  switch (method) {
    case 0: return "Stored";
    case 1: return "Shrunk";
    case 2: case 3: case 4: case 5:
      return "Reduced with compression factor " + std::to_string(method - 1);
    case 6: return "Imploded";
    case 7: return "Tokenized";
    case 8: return "Deflated";
    case 9: return "Deflate64";
    case 10: return "PKWARE DCL Imploded";
    case 12: return "BZIP2";
    case 14: return "LZMA";
    case 16: return "IBM z/OS CMPSC";
    case 18: return "IBM TERSE";
    case 19: return "IBM LZ77 z";
    case 20: return "Zstandard (old number)";
    case 93: return "Zstandard";
    case 94: return "MP3";
    case 95: return "XZ";
    case 96: return "JPEG";
    case 97: return "WavPack";
    case 98: return "PPMd";
    case 99: return "AES encrypted";
    default: return {};
  }
}

std::string MethodText(std::uint16_t method) {
  const std::string name = MethodName(method);
  return name.empty() ? std::to_string(method) : std::to_string(method) + " (" + name + ")";
}

std::optional<DecodeResult> DecodeByMethod(std::uint16_t method, CompressedInput& input,
                                           DecodedOutput& output, const DecodeParams& params) {
  switch (method) {
    case 0: return Unstore(input, output, params);
    case 1: return Unshrink(input, output, params);
    case 2: case 3: case 4: case 5: return Unreduce(input, output, params, method - 1);
    case 6: return Explode(input, output, params);
    case 8: return Inflate(input, output, params);
    case 9: return Inflate64(input, output, params);
    case 12: return Bunzip2(input, output, params);
    case 14: return Unlzma(input, output, params);
    case 93: return Unzstd(input, output, params);
    case 95: return Unxz(input, output, params);
    default: return std::nullopt;
  }
}

}  // namespace vantorel::archive
