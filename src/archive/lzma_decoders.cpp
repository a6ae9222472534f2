#include <lzma.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "archive/kept_blocks.h"
#include "archive/library_buffers.h"
#include "archive/library_decoders.h"

namespace vantorel::archive {

namespace {

constexpr std::size_t kLzmaHeaderSize = 4;      // SDK version (2), properties length (2)
constexpr std::size_t kLzmaPropertiesSize = 5;  // lc/lp/pb byte, dictionary size (4)
// The most memory an XZ stream may ask for (xz -9 needs 65 MiB to decode).
constexpr std::uint64_t kXzMemoryLimit = std::uint64_t{1} << 30;
// The smallest dictionary LZMA1 uses.
constexpr std::uint32_t kMinDictionary = 4096;

void* AllocateForLzma(void*, std::size_t count, std::size_t size) {
  if (size != 0 && count > static_cast<std::size_t>(-1) / size) return nullptr;
  return KeptBlocks::Allocate(count * size);
}
void FreeForLzma(void*, void* block) { KeptBlocks::Free(block); }
// The dictionary (as large as the stream says, up to kXzMemoryLimit) is the block worth keeping.
const lzma_allocator kKeptAllocator = {AllocateForLzma, FreeForLzma, nullptr};

// liblzma's state for one entry, ended however decoding ends.
class LzmaStream {
 public:
  LzmaStream() { stream_.allocator = &kKeptAllocator; }
  ~LzmaStream() { lzma_end(&stream_); }
  LzmaStream(const LzmaStream&) = delete;
  LzmaStream& operator=(const LzmaStream&) = delete;

  lzma_stream& stream() { return stream_; }

 private:
  lzma_stream stream_ = LZMA_STREAM_INIT;
};

DecodeResult ResultOf(lzma_ret status) {
  switch (status) {
    case LZMA_STREAM_END: return DecodeResult::Complete;
    case LZMA_MEM_ERROR:
    case LZMA_MEMLIMIT_ERROR: return DecodeResult::OutOfMemory;
    default: return DecodeResult::InvalidData;  // LZMA_BUF_ERROR: input ended early; bad data
  }
}

// Runs an initialised decoder over the rest of the input; first/first_length are bytes of the
// input block already read but not yet given to the decoder.
DecodeResult Run(lzma_stream& lz, LibraryBuffers& buffers, const std::uint8_t* first,
                 std::size_t first_length) {
  lz.next_in = first;
  lz.avail_in = first_length;
  for (;;) {
    if (lz.avail_in == 0 && !buffers.Ended()) {
      lz.next_in = buffers.In();
      lz.avail_in = buffers.Refill();
    }
    lz.next_out = buffers.Out();
    lz.avail_out = LibraryBuffers::kOutputSize;
    const lzma_ret status = lzma_code(&lz, buffers.Ended() ? LZMA_FINISH : LZMA_RUN);
    buffers.HandOver(LibraryBuffers::kOutputSize - lz.avail_out);
    if (status != LZMA_OK) return ResultOf(status);
  }
}

// Reads exactly size bytes of the entry's start into bytes; false when the entry is shorter.
bool ReadHeader(CompressedInput& input, std::uint8_t* bytes, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    const std::size_t n = input.Read(bytes + got, size - got);
    if (n == 0) return false;
    got += n;
  }
  return true;
}

}  // namespace

DecodeResult Unlzma(CompressedInput& input, DecodedOutput& output, const DecodeParams& params) {
  std::array<std::uint8_t, kLzmaHeaderSize + kLzmaPropertiesSize> header{};
  if (!ReadHeader(input, header.data(), header.size())) return DecodeResult::InvalidData;
  const std::size_t properties_length = header[2] | header[3] << 8;
  if (properties_length != kLzmaPropertiesSize) return DecodeResult::InvalidData;

  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1EXT, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
  const lzma_ret decoded = lzma_properties_decode(&filters[0], nullptr,
                                                  header.data() + kLzmaHeaderSize,
                                                  kLzmaPropertiesSize);
  if (decoded != LZMA_OK) return ResultOf(decoded);
  auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
  // The size ends the stream whether or not flag bit 1 announces a marker; a marker right
  // after it is accepted. No back-reference reaches further than the entry's size, so a larger
  // dictionary than that (up to 4 GiB as stored) is never needed and never allocated.
  lzma_set_ext_size(*options, params.uncompressed_size);
  options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
  if (options->dict_size > params.uncompressed_size)
    options->dict_size = static_cast<std::uint32_t>(
        std::max<std::uint64_t>(params.uncompressed_size, kMinDictionary));

  LzmaStream decoder;
  const lzma_ret status = lzma_raw_decoder(&decoder.stream(), filters);
  std::free(options);
  if (status != LZMA_OK) return ResultOf(status);
  LibraryBuffers buffers(input, output);
  return Run(decoder.stream(), buffers, nullptr, 0);
}

DecodeResult Unxz(CompressedInput& input, DecodedOutput& output, const DecodeParams&) {
  LzmaStream decoder;
  const lzma_ret status = lzma_stream_decoder(&decoder.stream(), kXzMemoryLimit, LZMA_CONCATENATED);
  if (status != LZMA_OK) return ResultOf(status);
  LibraryBuffers buffers(input, output);
  return Run(decoder.stream(), buffers, nullptr, 0);
}

}  // namespace vantorel::archive
