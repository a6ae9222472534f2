// The decoded bytes of one entry on their way to DecodedOutput, kept as a history for the
// back-references of reduce and implode.
//
// The window never lets more than the entry's uncompressed size through: once that many bytes
// are in, Full() is true and further bytes are dropped. Every index into the history is masked,
// so no back-reference, however corrupt, reaches outside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "archive/decoder.h"

namespace vantorel::archive {

class DecoderWindow {
 public:
  // The longest back-reference any legacy method can make (implode with the 8 KB dictionary).
  static constexpr std::uint32_t kMaxDistance = 8192;

  // Hands bytes to output in blocks of kSize; limit is the entry's uncompressed size.
  DecoderWindow(DecodedOutput& output, std::uint64_t limit) : output_(output), limit_(limit) {}
  DecoderWindow(const DecoderWindow&) = delete;
  DecoderWindow& operator=(const DecoderWindow&) = delete;

  // True once limit bytes are in.
  bool Full() const { return position_ >= limit_; }
  // Bytes taken so far (never more than limit).
  std::uint64_t position() const { return position_; }

  // Appends one byte; dropped when Full().
  void Put(std::uint8_t byte) {
    if (Full()) return;
    history_[position_ & kMask] = byte;
    ++position_;
    if ((position_ & kMask) == 0) WriteOut();
  }

  // Appends size bytes (fewer when the limit is reached first).
  void Append(const std::uint8_t* bytes, std::size_t size);

  // Appends length bytes copied from distance bytes back (1 <= distance <= kMaxDistance),
  // byte by byte, so a copy may overlap the bytes it produces. Format note: reduce and implode
  // both say that the output before its start is taken as filled with zeros. Stops at the limit.
  void Copy(std::uint32_t distance, std::uint32_t length);

  // Hands the bytes not yet written to the output. Call once at the end.
  void Flush() { WriteOut(); }

 private:
  static constexpr std::size_t kSize = 65536;  // a power of two above kMaxDistance
  static constexpr std::size_t kMask = kSize - 1;
  static_assert(kSize > kMaxDistance && (kSize & kMask) == 0);

  void WriteOut();

  DecodedOutput& output_;
  std::uint64_t limit_;                    // the entry's uncompressed size
  std::uint64_t position_ = 0;             // bytes taken
  std::uint64_t written_ = 0;              // bytes handed to output_
  std::array<std::uint8_t, kSize> history_{};  // byte i of the entry at history_[i & kMask]
};

}  // namespace vantorel::archive
