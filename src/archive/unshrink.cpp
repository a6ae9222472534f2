// Format notes (PKWARE's APPNOTE, "Shrinking"):
//
// - Codes are 9 bits wide at the start and at most 13, packed least significant bit first.
//   Codes 0-255 stand for the bytes themselves; 256 is the control code; 257 and up are
//   strings the decoder builds, each a previously known code (its prefix) plus one byte.
// - As in all LZW, every code after the first adds one string: the previous code followed by
//   the first byte of the current code's string. The new string takes the lowest free code.
// - The compressor alone decides the code width: the pair 256,1 widens codes by one bit, read
//   right after the 1 with no realignment. A growing table never widens it by itself.
// - The pair 256,2 is a partial clear: every string that is no other string's prefix (a leaf
//   of the LZW tree) is freed, the code width stays, and freed codes are reused lowest first.
//   The previous code keeps its role across a clear: the next string is still that code plus
//   one byte, even when the clear freed it and its number now stands for another string.
// - A full table (no free code) adds nothing until a partial clear frees codes.
// - The KwKwK case: a code that is the very code the decoder is about to assign. Its string is
//   the previous string followed by that string's first byte.
// - There is no end code: the entry ends with its compressed bytes; a last byte's spare bits
//   are padding.

#include "archive/unshrink.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>

#include "archive/bit_reader.h"
#include "archive/decoder_window.h"

namespace vantorel::archive {
namespace {

constexpr int kInitialCodeWidth = 9;
constexpr int kMaxCodeWidth = 13;
constexpr std::uint32_t kCodeCount = 1u << kMaxCodeWidth;  // codes 0 to 8191
constexpr std::uint32_t kControlCode = 256;
constexpr std::uint32_t kFirstStringCode = 257;
constexpr std::uint32_t kWidenCodes = 1;    // 256,1
constexpr std::uint32_t kPartialClear = 2;  // 256,2
constexpr std::uint16_t kFree = 0xFFFF;     // prefix_ of a string code that is not in use
constexpr std::uint32_t kNone = kCodeCount;  // no previous code yet; no free code left

class Unshrinker {
 public:
  Unshrinker(CompressedInput& input, DecodedOutput& output, std::uint64_t size)
      : reader_(input), window_(output, size) {
    prefix_.fill(kFree);
    for (std::uint32_t byte = 0; byte < 256; ++byte) suffix_[byte] = static_cast<std::uint8_t>(byte);
  }

  DecodeResult Run() {
    const DecodeResult result = Decode();
    window_.Flush();
    return result;
  }

 private:
  DecodeResult Decode() {
    while (!window_.Full()) {
      if (reader_.AtEnd(width_)) return DecodeResult::InvalidData;
      const std::uint32_t code = reader_.Read(width_);
      if (code == kControlCode) {
        if (reader_.AtEnd(width_)) return DecodeResult::InvalidData;
        const std::uint32_t action = reader_.Read(width_);
        if (action == kWidenCodes && width_ < kMaxCodeWidth) {
          ++width_;
        } else if (action == kPartialClear) {
          PartialClear();
        } else {
          return DecodeResult::InvalidData;
        }
        continue;
      }
      if (!Emit(code)) return DecodeResult::InvalidData;
    }
    return DecodeResult::Complete;
  }

  // Writes the string of code and adds the string the previous code implies; false when the
  // code has no string.
  bool Emit(std::uint32_t code) {
    // The string is spelled backwards into spelling_, ending at kEnd; the KwKwK case has one
    // byte more after it.
    constexpr std::size_t kEnd = kCodeCount - 1;
    std::size_t start;
    std::size_t end = kEnd;
    if (code < 256 || prefix_[code] != kFree) {
      start = Spell(code, kEnd);
    } else if (code == next_free_ && previous_ != kNone) {
      // KwKwK: the previous string and its own first byte.
      start = Spell(previous_, kEnd);
      if (start == kNoString) return false;
      spelling_[end++] = spelling_[start];
    } else {
      return false;
    }
    if (start == kNoString) return false;
    const std::uint8_t first = spelling_[start];
    window_.Append(spelling_.data() + start, end - start);
    if (previous_ != kNone && next_free_ != kNone) {
      prefix_[next_free_] = static_cast<std::uint16_t>(previous_);
      suffix_[next_free_] = first;
      FindNextFree(next_free_ + 1);
    }
    previous_ = code;
    return true;
  }

  static constexpr std::size_t kNoString = ~std::size_t{0};

  // Spells the string of code into spelling_ so that it ends just before end, and returns where
  // it starts; kNoString when the prefix chain meets a free code or is longer than any real
  // chain (a loop).
  std::size_t Spell(std::uint32_t code, std::size_t end) {
    std::size_t start = end;
    while (code >= 256) {
      if (prefix_[code] == kFree || start == 0) return kNoString;
      spelling_[--start] = suffix_[code];
      code = prefix_[code];
    }
    if (start == 0) return kNoString;
    spelling_[--start] = static_cast<std::uint8_t>(code);
    return start;
  }

  void PartialClear() {
    std::array<bool, kCodeCount> is_prefix{};
    for (std::uint32_t code = kFirstStringCode; code < kCodeCount; ++code) {
      if (prefix_[code] != kFree) is_prefix[prefix_[code]] = true;
    }
    for (std::uint32_t code = kFirstStringCode; code < kCodeCount; ++code) {
      if (!is_prefix[code]) prefix_[code] = kFree;
    }
    FindNextFree(kFirstStringCode);
  }

  void FindNextFree(std::uint32_t from) {
    next_free_ = from;
    while (next_free_ < kCodeCount && prefix_[next_free_] != kFree) ++next_free_;
    if (next_free_ == kCodeCount) next_free_ = kNone;
  }

  BitReader reader_;
  DecoderWindow window_;
  std::array<std::uint16_t, kCodeCount> prefix_;  // string code -> its prefix code, or kFree
  std::array<std::uint8_t, kCodeCount> suffix_;   // code -> the last byte of its string
  std::array<std::uint8_t, kCodeCount> spelling_;  // a string being written, at its end
  int width_ = kInitialCodeWidth;                 // current code width in bits
  std::uint32_t previous_ = kNone;                // the last code that stood for a string
  std::uint32_t next_free_ = kFirstStringCode;    // lowest free string code, or kNone
};

}  // namespace

DecodeResult Unshrink(CompressedInput& input, DecodedOutput& output, const DecodeParams& params) {
  std::unique_ptr<Unshrinker> unshrinker;
  try {
    unshrinker = std::make_unique<Unshrinker>(input, output, params.uncompressed_size);
  } catch (const std::bad_alloc&) {
    return DecodeResult::OutOfMemory;
  }
  return unshrinker->Run();
}

}  // namespace vantorel::archive
