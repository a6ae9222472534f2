// The two buffers a library-backed decoder works between: the input block the library reads
// compressed bytes from and the output buffer it decodes into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/decoder.h"

namespace vantorel::archive {

class LibraryBuffers {
 public:
  static constexpr std::size_t kInputBlock = 16000;
  static constexpr std::size_t kOutputSize = 65536;

  LibraryBuffers(CompressedInput& input, DecodedOutput& output) : input_(input), output_(output) {}
  LibraryBuffers(const LibraryBuffers&) = delete;
  LibraryBuffers& operator=(const LibraryBuffers&) = delete;

  // Reads the next input block; returns its length, 0 once the entry's compressed bytes are
  // used up (then Ended() is true).
  std::size_t Refill() {
    const std::size_t n = input_.Read(in_.get(), kInputBlock);
    ended_ = n == 0;
    return n;
  }
  bool Ended() const { return ended_; }
  std::uint8_t* In() { return in_.get(); }

  std::uint8_t* Out() { return out_.get(); }
  // Hands the first length bytes of the output buffer to output.
  void HandOver(std::size_t length) {
    if (length > 0) output_.Write(out_.get(), length);
  }

 private:
  CompressedInput& input_;
  DecodedOutput& output_;
  std::unique_ptr<std::uint8_t[]> in_ = std::make_unique_for_overwrite<std::uint8_t[]>(kInputBlock);
  std::unique_ptr<std::uint8_t[]> out_ = std::make_unique_for_overwrite<std::uint8_t[]>(kOutputSize);
  bool ended_ = false;  // the last Refill found no more input
};

}  // namespace vantorel::archive
