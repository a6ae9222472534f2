// Format notes (PKWARE's APPNOTE, "Imploding"):
//
// - General-purpose flag bit 1 set: an 8 KB dictionary, distances carry 7 raw low bits; clear:
//   4 KB, 6 raw low bits. Flag bit 2 set: three trees (literal, length, distance) and a minimum
//   match length of 3; clear: two trees (length, distance), literals as raw 8-bit bytes, and a
//   minimum match length of 2.
// - Each tree is stored as a compressed bit-length table: one byte holding the table's byte count
//   minus 1, then bytes whose high nibble is a repeat count minus 1 and low nibble a code length
//   minus 1. Expanded they give exactly one length (1 to 16) for each of the tree's 256 (literal)
//   or 64 (length, distance) values; a table that gives more or fewer is invalid.
// - The codes come from the lengths: sort the values by length, ties in value order, and walk
//   that order from the end (longest first) with a 16-bit code that starts at 0 and grows by
//   1 << (16 - length of the previous value) at each step. A value's code is the top length bits
//   of that 16-bit number. So the longest codes are the smallest numbers, the opposite of
//   deflate's canonical codes.
// - The codes are stored most significant bit first inside the least-significant-first bit
//   stream (the APPNOTE says: reverse each code's bits). Reversed, a code is matched against the
//   next bits of the stream as they come.
// - Data: a 1 bit and a literal, or a 0 bit and a match: the raw low distance bits, the high 6
//   distance bits from the distance tree, then the length from the length tree plus the minimum
//   match length; length value 63 takes one more 8-bit byte to add. The match copies from
//   distance + 1 bytes back; output before the start of the entry reads as zeros.
// - There is no end marker: the entry ends when its uncompressed size is reached.

#include "archive/explode.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <numeric>

#include "archive/bit_reader.h"
#include "archive/decoder_window.h"

namespace vantorel::archive {
namespace {

constexpr std::uint16_t kLargeDictionaryFlag = 1u << 1;
constexpr std::uint16_t kLiteralTreeFlag = 1u << 2;
constexpr int kLiteralValues = 256;
constexpr int kLengthValues = 64;
constexpr int kDistanceValues = 64;
constexpr int kMaxCodeLength = 16;
constexpr int kDistanceHighBits = 6;
constexpr std::uint32_t kLongLength = 63;  // length value followed by an extra byte
static_assert((1u << (kDistanceHighBits + 7)) <= DecoderWindow::kMaxDistance);

// A Shannon-Fano tree as a lookup table on the next kMaxCodeLength bits of the stream.
class ShannonFanoTree {
 public:
  // Reads the tree's compressed bit-length table for value_count values and builds the lookup
  // table; false when the table is invalid or its codes overlap.
  bool Read(BitReader& reader, int value_count) {
    std::array<std::uint8_t, kLiteralValues> lengths{};
    const std::uint32_t table_bytes = reader.Read(8) + 1;
    int filled = 0;
    for (std::uint32_t i = 0; i < table_bytes; ++i) {
      const std::uint32_t byte = reader.Read(8);
      const int repeat = static_cast<int>(byte >> 4) + 1;
      const int length = static_cast<int>(byte & 0x0F) + 1;
      if (repeat > value_count - filled) return false;
      std::fill_n(lengths.begin() + filled, repeat, static_cast<std::uint8_t>(length));
      filled += repeat;
    }
    if (filled != value_count || reader.Overrun()) return false;
    return Build(lengths.data(), value_count);
  }

  // The next value from the stream; -1 for a bit pattern no value's code starts.
  int Decode(BitReader& reader) const {
    const std::uint16_t entry = table_[reader.Peek(lookup_bits_)];
    reader.Skip(entry & kLengthMask);
    return entry == 0 ? -1 : entry >> kValueShift;
  }

 private:
  static constexpr std::uint16_t kLengthMask = 0x1F;  // entry: value << 5 | code length
  static constexpr int kValueShift = 5;

  bool Build(const std::uint8_t* lengths, int value_count) {
    // Codes overlap when the lengths claim more than the whole code space.
    std::uint32_t space = 0;
    for (int value = 0; value < value_count; ++value) space += 1u << (kMaxCodeLength - lengths[value]);
    if (space > (1u << kMaxCodeLength)) return false;

    std::array<int, kLiteralValues> order;
    std::iota(order.begin(), order.begin() + value_count, 0);
    std::stable_sort(order.begin(), order.begin() + value_count,
                     [&](int a, int b) { return lengths[a] < lengths[b]; });

    lookup_bits_ = *std::max_element(lengths, lengths + value_count);
    std::fill_n(table_.begin(), std::size_t{1} << lookup_bits_, 0);
    std::uint32_t code = 0;
    std::uint32_t increment = 0;
    int last_length = 0;
    for (int i = value_count - 1; i >= 0; --i) {
      code += increment;
      const int value = order[i];
      const int length = lengths[value];
      if (length != last_length) {
        last_length = length;
        increment = 1u << (kMaxCodeLength - length);
      }
      const std::uint32_t pattern = Reverse(code >> (kMaxCodeLength - length), length);
      const auto entry = static_cast<std::uint16_t>(value << kValueShift | length);
      for (std::uint32_t index = pattern; index < (1u << lookup_bits_); index += 1u << length) {
        table_[index] = entry;
      }
    }
    return true;
  }

  static std::uint32_t Reverse(std::uint32_t bits, int count) {
    std::uint32_t reversed = 0;
    for (int i = 0; i < count; ++i, bits >>= 1) reversed = reversed << 1 | (bits & 1);
    return reversed;
  }

  int lookup_bits_ = 0;                                      // longest code length of the tree
  std::array<std::uint16_t, 1u << kMaxCodeLength> table_{};  // next bits -> entry, 0 for none
};

class Exploder {
 public:
  Exploder(CompressedInput& input, DecodedOutput& output, const DecodeParams& params)
      : reader_(input),
        window_(output, params.uncompressed_size),
        literal_tree_((params.general_flags & kLiteralTreeFlag) != 0),
        distance_low_bits_((params.general_flags & kLargeDictionaryFlag) != 0 ? 7 : 6),
        min_match_(literal_tree_ ? 3 : 2) {}

  DecodeResult Run() {
    const DecodeResult result = Decode();
    window_.Flush();
    return result;
  }

 private:
  DecodeResult Decode() {
    if (window_.Full()) return DecodeResult::Complete;
    if (literal_tree_ && !literals_.Read(reader_, kLiteralValues)) return DecodeResult::InvalidData;
    if (!lengths_.Read(reader_, kLengthValues) || !distances_.Read(reader_, kDistanceValues)) {
      return DecodeResult::InvalidData;
    }
    while (!window_.Full()) {
      if (reader_.Read(1) != 0) {
        const int literal = literal_tree_ ? literals_.Decode(reader_) : static_cast<int>(reader_.Read(8));
        if (literal < 0 || reader_.Overrun()) return DecodeResult::InvalidData;
        window_.Put(static_cast<std::uint8_t>(literal));
      } else {
        const std::uint32_t low = reader_.Read(distance_low_bits_);
        const int high = distances_.Decode(reader_);
        const int length_value = lengths_.Decode(reader_);
        if (high < 0 || length_value < 0) return DecodeResult::InvalidData;
        std::uint32_t length = static_cast<std::uint32_t>(length_value) + min_match_;
        if (static_cast<std::uint32_t>(length_value) == kLongLength) length += reader_.Read(8);
        if (reader_.Overrun()) return DecodeResult::InvalidData;
        const std::uint32_t distance = (static_cast<std::uint32_t>(high) << distance_low_bits_ | low) + 1;
        window_.Copy(distance, length);
      }
    }
    return DecodeResult::Complete;
  }

  BitReader reader_;
  DecoderWindow window_;
  const bool literal_tree_;        // flag bit 2: literals are coded with a tree
  const int distance_low_bits_;    // raw low distance bits: 7 for 8 KB, 6 for 4 KB
  const std::uint32_t min_match_;  // 3 with the literal tree, else 2
  ShannonFanoTree literals_;
  ShannonFanoTree lengths_;
  ShannonFanoTree distances_;
};

}  // namespace

DecodeResult Explode(CompressedInput& input, DecodedOutput& output, const DecodeParams& params) {
  std::unique_ptr<Exploder> exploder;
  try {
    exploder = std::make_unique<Exploder>(input, output, params);
  } catch (const std::bad_alloc&) {
    return DecodeResult::OutOfMemory;
  }
  return exploder->Run();
}

}  // namespace vantorel::archive
