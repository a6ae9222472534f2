#include <bzlib.h>

#include <cstddef>

#include "archive/kept_blocks.h"
#include "archive/library_buffers.h"
#include "archive/library_decoders.h"

namespace vantorel::archive {

namespace {

void* AllocateForBz2(void*, int count, int size) {
  if (count < 0 || size < 0) return nullptr;
  return KeptBlocks::Allocate(static_cast<std::size_t>(count) * static_cast<std::size_t>(size));
}
void FreeForBz2(void*, void* block) { KeptBlocks::Free(block); }

// libbz2's state for one stream, ended however decoding ends. Its block-sorting table (400,000
// bytes per 100 k of block size, 3.6 MB for "bzip2 -9") is kept for the next stream.
class Bz2Stream {
 public:
  Bz2Stream() {
    stream_.bzalloc = AllocateForBz2;
    stream_.bzfree = FreeForBz2;
    status_ = BZ2_bzDecompressInit(&stream_, 0, 0);
  }
  ~Bz2Stream() {
    if (status_ == BZ_OK) BZ2_bzDecompressEnd(&stream_);
  }
  Bz2Stream(const Bz2Stream&) = delete;
  Bz2Stream& operator=(const Bz2Stream&) = delete;

  int InitStatus() const { return status_; }
  bz_stream& stream() { return stream_; }

 private:
  bz_stream stream_{};
  int status_ = BZ_PARAM_ERROR;  // what BZ2_bzDecompressInit returned
};

// Decodes one stream whose first bytes may already sit in the input block (*pending bytes at
// *next). On return *next and *pending describe the input left after the stream.
DecodeResult DecodeStream(LibraryBuffers& buffers, std::uint8_t*& next, std::size_t& pending) {
  Bz2Stream decoder;
  if (decoder.InitStatus() == BZ_MEM_ERROR) return DecodeResult::OutOfMemory;
  if (decoder.InitStatus() != BZ_OK) return DecodeResult::InvalidData;
  bz_stream& bz = decoder.stream();
  bz.next_in = reinterpret_cast<char*>(next);
  bz.avail_in = static_cast<unsigned>(pending);
  for (;;) {
    if (bz.avail_in == 0 && !buffers.Ended()) {
      bz.next_in = reinterpret_cast<char*>(buffers.In());
      bz.avail_in = static_cast<unsigned>(buffers.Refill());
    }
    bz.next_out = reinterpret_cast<char*>(buffers.Out());
    bz.avail_out = LibraryBuffers::kOutputSize;
    const int status = BZ2_bzDecompress(&bz);
    const std::size_t produced = LibraryBuffers::kOutputSize - bz.avail_out;
    buffers.HandOver(produced);
    if (status == BZ_STREAM_END) {
      next = reinterpret_cast<std::uint8_t*>(bz.next_in);
      pending = bz.avail_in;
      return DecodeResult::Complete;
    }
    if (status == BZ_MEM_ERROR) return DecodeResult::OutOfMemory;
    if (status != BZ_OK) return DecodeResult::InvalidData;
    if (produced == 0 && bz.avail_in == 0 && buffers.Ended()) return DecodeResult::InvalidData;
  }
}

}  // namespace

DecodeResult Bunzip2(CompressedInput& input, DecodedOutput& output, const DecodeParams&) {
  LibraryBuffers buffers(input, output);
  std::uint8_t* next = buffers.In();
  std::size_t pending = 0;
  for (;;) {
    const DecodeResult result = DecodeStream(buffers, next, pending);
    if (result != DecodeResult::Complete) return result;
    if (pending == 0) {
      if (buffers.Ended()) return DecodeResult::Complete;
      pending = buffers.Refill();
      next = buffers.In();
      if (pending == 0) return DecodeResult::Complete;
    }
  }
}

}  // namespace vantorel::archive
