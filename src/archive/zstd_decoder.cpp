// For ZSTD_customMem and ZSTD_createDStream_advanced.
#define ZSTD_STATIC_LINKING_ONLY
#include <zstd.h>
#include <zstd_errors.h>

#include "archive/kept_blocks.h"
#include "archive/library_buffers.h"
#include "archive/library_decoders.h"

namespace vantorel::archive {

namespace {

void* AllocateForZstd(void*, std::size_t size) { return KeptBlocks::Allocate(size); }
void FreeForZstd(void*, void* block) { KeptBlocks::Free(block); }

// libzstd's state for one entry, freed however decoding ends. Its window buffer (as large as a
// frame's window, up to 128 MiB) is kept for the next entry.
class ZstdStream {
 public:
  ZstdStream()
      : stream_(ZSTD_createDStream_advanced(ZSTD_customMem{AllocateForZstd, FreeForZstd, nullptr})) {}
  ~ZstdStream() { ZSTD_freeDStream(stream_); }
  ZstdStream(const ZstdStream&) = delete;
  ZstdStream& operator=(const ZstdStream&) = delete;

  ZSTD_DStream* get() const { return stream_; }

 private:
  ZSTD_DStream* stream_;  // null when it could not be allocated
};

}  // namespace

// Format note: frames may follow each other; ZSTD_decompressStream returns 0 at the end of
// each and starts the next one by itself. The entry ends well only at a frame's end.
DecodeResult Unzstd(CompressedInput& input, DecodedOutput& output, const DecodeParams&) {
  ZstdStream decoder;
  if (decoder.get() == nullptr) return DecodeResult::OutOfMemory;
  LibraryBuffers buffers(input, output);
  ZSTD_inBuffer in{buffers.In(), 0, 0};
  bool at_frame_end = false;  // the last call ended a frame
  bool any_frame = false;     // some input was decoded at all
  bool output_full = false;   // the last call filled the output: it may hold more back
  for (;;) {
    if (in.pos == in.size && !output_full) {
      in.size = buffers.Ended() ? 0 : buffers.Refill();
      in.pos = 0;
      if (in.size == 0) break;
    }
    ZSTD_outBuffer out{buffers.Out(), LibraryBuffers::kOutputSize, 0};
    const std::size_t status = ZSTD_decompressStream(decoder.get(), &out, &in);
    buffers.HandOver(out.pos);
    if (ZSTD_isError(status)) {
      return ZSTD_getErrorCode(status) == ZSTD_error_memory_allocation ? DecodeResult::OutOfMemory
                                                                      : DecodeResult::InvalidData;
    }
    any_frame = true;
    at_frame_end = status == 0;
    output_full = out.pos == out.size;
  }
  return any_frame && at_frame_end ? DecodeResult::Complete : DecodeResult::InvalidData;
}

}  // namespace vantorel::archive
