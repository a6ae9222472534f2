#include "archive/inflate.h"

#include <zlib.h>

#include "archive/library_buffers.h"

namespace vantorel::archive {

namespace {

constexpr int kRawDeflateWindowBits = -15;  // negative: no zlib header or trailer

// zlib's state for one entry, ended however decoding ends.
class RawInflater {
 public:
  RawInflater() { status_ = inflateInit2(&stream_, kRawDeflateWindowBits); }
  ~RawInflater() {
    if (status_ == Z_OK) inflateEnd(&stream_);
  }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  int InitStatus() const { return status_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  int status_ = Z_STREAM_ERROR;  // what inflateInit2 returned
};

}  // namespace

DecodeResult Inflate(CompressedInput& input, DecodedOutput& output, const DecodeParams&) {
  RawInflater inflater;
  if (inflater.InitStatus() == Z_MEM_ERROR) return DecodeResult::OutOfMemory;
  if (inflater.InitStatus() != Z_OK) return DecodeResult::InvalidData;
  z_stream& zs = inflater.stream();
  LibraryBuffers buffers(input, output);
  for (;;) {
    if (zs.avail_in == 0 && !buffers.Ended()) {
      zs.next_in = buffers.In();
      zs.avail_in = static_cast<uInt>(buffers.Refill());
    }
    zs.next_out = buffers.Out();
    zs.avail_out = static_cast<uInt>(LibraryBuffers::kOutputSize);
    const int status = inflate(&zs, Z_NO_FLUSH);
    buffers.HandOver(LibraryBuffers::kOutputSize - zs.avail_out);
    switch (status) {
      case Z_OK:
        continue;
      case Z_STREAM_END:
        return DecodeResult::Complete;
      case Z_BUF_ERROR:  // no progress: the stream needs input that is not there
        if (!buffers.Ended()) continue;
        return DecodeResult::InvalidData;
      case Z_MEM_ERROR:
        return DecodeResult::OutOfMemory;
      default:  // Z_DATA_ERROR, Z_NEED_DICT, Z_STREAM_ERROR
        return DecodeResult::InvalidData;
    }
  }
}

}  // namespace vantorel::archive
