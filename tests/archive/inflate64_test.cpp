// Deflate64's own decoder on streams written bit by bit here: the codes deflate does not have
// (length code 285 with 16 extra bits, distance codes 30 and 31) and the errors.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "archive/inflate64.h"
#include "legacy_helpers.h"

namespace vantorel::archive {
namespace {

using legacy::BitWriter;
using legacy::MemoryInput;
using legacy::StringOutput;

// A fixed-code Deflate64 block written symbol by symbol, with the bytes it stands for.
class FixedBlock {
 public:
  FixedBlock() { bits_.Put(1, 1).Put(1, 2); }  // final block, fixed codes

  FixedBlock& Literal(std::uint8_t byte) {
    if (byte < 144)
      Code(0x30 + byte, 8);
    else
      Code(0x190 + byte - 144, 9);
    expected_ += static_cast<char>(byte);
    return *this;
  }
  // A match given by its codes: length symbol and extra bits, distance symbol and extra bits;
  // length and distance are what they stand for.
  FixedBlock& Match(int length_symbol, std::uint32_t length_extra, int length_bits,
                    std::size_t length, int distance_symbol, std::uint32_t distance_extra,
                    int distance_bits, std::size_t distance) {
    if (length_symbol < 280)
      Code(static_cast<std::uint32_t>(length_symbol - 256), 7);
    else
      Code(static_cast<std::uint32_t>(0xC0 + length_symbol - 280), 8);
    bits_.Put(length_extra, length_bits);
    Code(static_cast<std::uint32_t>(distance_symbol), 5);
    bits_.Put(distance_extra, distance_bits);
    for (std::size_t i = 0; i < length; ++i)
      expected_ += distance <= expected_.size() ? expected_[expected_.size() - distance] : '?';
    return *this;
  }
  std::string End() {
    Code(0, 7);
    return bits_.Bytes();
  }
  const std::string& Expected() const { return expected_; }

 private:
  // Huffman codes go most significant bit first.
  void Code(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) bits_.Put(code >> i & 1, 1);
  }
  BitWriter bits_;
  std::string expected_;
};

DecodeResult Decode(const std::string& stream, std::string& out, std::size_t chunk = 16000) {
  MemoryInput input(stream, chunk);
  StringOutput output;
  const DecodeResult result = Inflate64(input, output, DecodeParams{});
  out = output.bytes;
  return result;
}

FixedBlock FarAndLongMatches() {
  FixedBlock block;
  std::mt19937 generator(3);
  for (int i = 0; i < 50000; ++i) block.Literal(static_cast<std::uint8_t>(generator()));
  block.Match(285, 65535, 16, 65538, 31, 7, 14, 49153 + 7)   // the longest, from far back
      .Match(285, 1000, 16, 1003, 30, 5, 14, 32769 + 5)      // code 30
      .Match(284, 30, 5, 257, 29, 100, 13, 24577 + 100)      // deflate's codes still hold
      .Match(257, 0, 0, 3, 0, 0, 0, 1)
      .Literal('!');
  return block;
}

TEST(Inflate64, WiderWindowAndLongerLengths) {
  FixedBlock block = FarAndLongMatches();
  const std::string stream = block.End();
  for (const std::size_t chunk : {std::size_t{16000}, std::size_t{1}, std::size_t{7}}) {
    std::string out;
    EXPECT_EQ(Decode(stream, out, chunk), DecodeResult::Complete) << chunk;
    EXPECT_TRUE(out == block.Expected()) << chunk;
  }
}

TEST(Inflate64, InvalidStreamsStop) {
  std::string out;
  FixedBlock before_start;
  before_start.Literal('a').Match(257, 0, 0, 3, 1, 0, 0, 2);
  EXPECT_EQ(Decode(before_start.End(), out), DecodeResult::InvalidData);
  EXPECT_EQ(out, "a");

  FixedBlock block = FarAndLongMatches();
  const std::string stream = block.End();
  EXPECT_EQ(Decode(stream.substr(0, stream.size() / 2), out), DecodeResult::InvalidData);
  EXPECT_TRUE(block.Expected().compare(0, out.size(), out) == 0);
  EXPECT_LT(out.size(), block.Expected().size());

  // Block type 3 is reserved; a stored block whose NLEN does not complement LEN.
  EXPECT_EQ(Decode(std::string("\x07", 1), out), DecodeResult::InvalidData);
  EXPECT_EQ(Decode(std::string("\x01\x05\x00\x00\x00hello", 10), out), DecodeResult::InvalidData);
  EXPECT_EQ(Decode(std::string("\x01\x05\x00\xFA\xFFhello", 10), out), DecodeResult::Complete);
  EXPECT_EQ(out, "hello");
  EXPECT_EQ(Decode("", out), DecodeResult::InvalidData);
}

}  // namespace
}  // namespace vantorel::archive
