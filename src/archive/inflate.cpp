#include "archive/inflate.h"

#include <zlib.h>

#include <memory>

namespace vantorel::archive {

namespace {

constexpr std::size_t kInputBlock = 16000;
constexpr std::size_t kWindowSize = 32768;
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

  const auto input_block = std::make_unique<std::uint8_t[]>(kInputBlock);
  const auto window = std::make_unique<std::uint8_t[]>(kWindowSize);
  std::size_t filled = 0;  // decoded bytes in window not yet handed over
  bool input_ended = false;

  const auto hand_over = [&] {
    if (filled > 0) output.Write(window.get(), filled);
    filled = 0;
  };

  for (;;) {
    if (zs.avail_in == 0 && !input_ended) {
      const std::size_t n = input.Read(input_block.get(), kInputBlock);
      input_ended = n == 0;
      zs.next_in = input_block.get();
      zs.avail_in = static_cast<uInt>(n);
    }
    zs.next_out = window.get() + filled;
    zs.avail_out = static_cast<uInt>(kWindowSize - filled);
    const int status = inflate(&zs, Z_NO_FLUSH);
    filled = kWindowSize - zs.avail_out;
    if (filled == kWindowSize) hand_over();

    switch (status) {
      case Z_OK:
        continue;
      case Z_STREAM_END:
        hand_over();
        return DecodeResult::Complete;
      case Z_BUF_ERROR:  // no progress: the stream needs input that is not there
        if (!input_ended) continue;
        hand_over();
        return DecodeResult::InvalidData;
      case Z_MEM_ERROR:
        return DecodeResult::OutOfMemory;
      default:  // Z_DATA_ERROR, Z_NEED_DICT, Z_STREAM_ERROR
        hand_over();
        return DecodeResult::InvalidData;
    }
  }
}

}  // namespace vantorel::archive
