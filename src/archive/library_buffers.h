// The two buffers a library-backed decoder works between: the input block the library reads
// compressed bytes from and the output buffer it decodes into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "archive/decoder.h"
#include "archive/kept_blocks.h"

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
  struct FreeKept {
    void operator()(std::uint8_t* block) const { KeptBlocks::Free(block); }
  };
  static std::uint8_t* NewBlock(std::size_t size) {
    void* block = KeptBlocks::Allocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<std::uint8_t*>(block);
  }

  // Both kept for the next entry.
  std::unique_ptr<std::uint8_t[], FreeKept> in_{NewBlock(kInputBlock)};
  std::unique_ptr<std::uint8_t[], FreeKept> out_{NewBlock(kOutputSize)};
  bool ended_ = false;  // the last Refill found no more input
};

}  // namespace vantorel::archive
