// The bit stream of the legacy methods (shrink, reduce, implode), read from CompressedInput.
//
// Format notes: all three methods pack their codes least significant bit first. The first code
// starts in the low bit of the first byte; a code that does not fit the rest of a byte goes on in
// the low bits of the next one. So the next n bits of the stream, taken as a little-endian number,
// are the next n-bit code. None of the methods pads to a byte boundary between codes.
//
// This is the one place where a legacy decoder touches compressed bytes. Reading past the end of
// the input is not an error here: the missing bits read as zeros and Overrun() turns true, so a
// decoder can check once per symbol instead of before every read.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "archive/decoder.h"

namespace vantorel::archive {

class BitReader {
 public:
  // Pulls the entry's bytes from input in blocks of kBlockSize as they are needed.
  explicit BitReader(CompressedInput& input) : input_(input) {}
  BitReader(const BitReader&) = delete;
  BitReader& operator=(const BitReader&) = delete;

  static constexpr int kMaxPeek = 32;  // the most bits Peek and Read hand out at once

  // The next n bits (0 <= n <= kMaxPeek) without consuming them; bits past the end read as 0.
  std::uint32_t Peek(int n) {
    Fill(n);
    return static_cast<std::uint32_t>(bits_ & ((std::uint64_t{1} << n) - 1));
  }

  // Consumes n bits (0 <= n <= kMaxPeek).
  void Skip(int n) {
    Fill(n);
    if (n > count_ - padding_) overrun_ = true;
    bits_ >>= n;
    count_ -= n;
    if (padding_ > count_) padding_ = count_;
  }

  // The next n bits (0 <= n <= kMaxPeek), consumed.
  std::uint32_t Read(int n) {
    const std::uint32_t value = Peek(n);
    Skip(n);
    return value;
  }

  // True once a Skip or Read consumed bits that the input did not hold.
  bool Overrun() const { return overrun_; }

  // True when fewer than n (<= kMaxPeek) bits of real input are left.
  bool AtEnd(int n) {
    Fill(n);
    return count_ - padding_ < n;
  }

 private:
  static constexpr std::size_t kBlockSize = 16000;  // as the extraction's input step reads

  void Fill(int n) {
    if (count_ >= n) return;
    if constexpr (std::endian::native == std::endian::little) {
      if (end_ - next_ >= 8) {
        // Whole bytes up to 56 bits at once; the bytes beyond them are masked off.
        std::uint64_t word;
        std::memcpy(&word, next_, sizeof word);
        const int bytes = (63 - count_) >> 3;
        bits_ |= (word & ((std::uint64_t{1} << (bytes * 8)) - 1)) << count_;
        next_ += bytes;
        count_ += bytes * 8;
        return;
      }
    }
    while (count_ < n) {
      if (next_ == end_ && !NextBlock()) {
        padding_ += 8;  // zeros past the end
      } else {
        bits_ |= std::uint64_t{*next_++} << count_;
      }
      count_ += 8;
    }
  }

  // Reads the next block; false at the end of the input.
  bool NextBlock() {
    if (exhausted_) return false;
    const std::size_t got = input_.Read(block_.data(), block_.size());
    if (got == 0 || got > block_.size()) {
      exhausted_ = true;
      return false;
    }
    next_ = block_.data();
    end_ = next_ + got;
    return true;
  }

  CompressedInput& input_;
  std::array<std::uint8_t, kBlockSize> block_{};  // the current input block
  const std::uint8_t* next_ = nullptr;             // next unread byte of block_
  const std::uint8_t* end_ = nullptr;              // end of the valid bytes of block_
  bool exhausted_ = false;                         // input said it has no more bytes
  std::uint64_t bits_ = 0;                         // buffered bits, next bit in bit 0
  int count_ = 0;                                  // bits in bits_ (at most kMaxPeek + 7)
  int padding_ = 0;                                // how many of the top bits of bits_ are past the end
  bool overrun_ = false;                           // bits past the end were consumed
};

}  // namespace vantorel::archive
