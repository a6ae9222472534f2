// Unreduce on hand-made streams: follower sets, the DLE escape, and the length and distance
// coding of each compression factor.

#include "archive/unreduce.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "legacy_helpers.h"

namespace vantorel::archive {
namespace {

using legacy::BitWriter;
using legacy::MemoryInput;
using legacy::StringOutput;

constexpr std::uint8_t kDle = 0x90;

// B(N) as the format note tabulates it.
int IndexBits(std::size_t n) { return n <= 2 ? 1 : n <= 4 ? 2 : n <= 8 ? 3 : n <= 16 ? 4 : 5; }

// Writes a reduced stream: the follower sets, then intermediate bytes coded through them.
class ReduceStream {
 public:
  explicit ReduceStream(const std::map<int, std::string>& sets = {}) {
    for (const auto& [j, followers] : sets) sets_[j] = followers;
    for (int j = 255; j >= 0; --j) {
      writer_.Put(static_cast<std::uint32_t>(sets_[j].size()), 6);
      for (char follower : sets_[j]) writer_.Put(static_cast<std::uint8_t>(follower), 8);
    }
  }

  // One intermediate byte, through the follower set of the last one when it holds the byte.
  ReduceStream& Byte(std::uint8_t byte) {
    const std::string& set = sets_[last_];
    const std::size_t index = set.find(static_cast<char>(byte));
    if (set.empty()) {
      writer_.Put(byte, 8);
    } else if (index == std::string::npos) {
      writer_.Put(1, 1).Put(byte, 8);
    } else {
      writer_.Put(0, 1).Put(static_cast<std::uint32_t>(index), IndexBits(set.size()));
    }
    last_ = byte;
    return *this;
  }
  ReduceStream& Bytes(const std::string& bytes) {
    for (char byte : bytes) Byte(static_cast<std::uint8_t>(byte));
    return *this;
  }
  BitWriter& bits() { return writer_; }
  std::string Stream() const { return writer_.Bytes(); }

 private:
  BitWriter writer_;
  std::array<std::string, 256> sets_;
  std::uint8_t last_ = 0;
};

struct Decoded {
  DecodeResult result;
  std::string bytes;
};

Decoded DecodeStream(const std::string& stream, std::uint64_t size, int factor, std::size_t chunk = 16000) {
  MemoryInput input(stream, chunk);
  StringOutput output;
  const DecodeResult result = Unreduce(input, output, DecodeParams{0, stream.size(), size}, factor);
  return {result, output.bytes};
}

// 5,000 literal bytes without a DLE among them, so every distance up to 4096 is in range.
std::string Prefix() {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) {
    const auto byte = static_cast<std::uint8_t>((i * 7 + i / 251) % 256);
    bytes.push_back(static_cast<char>(byte == kDle ? 0x91 : byte));
  }
  return bytes;
}

struct MatchCase {
  int factor;
  std::vector<std::uint8_t> after_dle;  // V, the extra length byte when there is one, C
  std::uint32_t length;
  std::uint32_t distance;
};

class UnreduceMatches : public ::testing::TestWithParam<MatchCase> {};

TEST_P(UnreduceMatches, CopiesLengthBytesFromDistance) {
  const MatchCase& c = GetParam();
  const std::string prefix = Prefix();
  ReduceStream stream;
  stream.Bytes(prefix).Byte(kDle);
  for (std::uint8_t byte : c.after_dle) stream.Byte(byte);
  stream.Byte('!');
  std::string expected = prefix;
  for (std::uint32_t i = 0; i < c.length; ++i) expected.push_back(expected[expected.size() - c.distance]);
  expected.push_back('!');
  const Decoded decoded = DecodeStream(stream.Stream(), expected.size(), c.factor);
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Factors, UnreduceMatches,
    ::testing::Values(
        // Factor 1: 7 length bits, 1 distance bit above the byte C.
        MatchCase{1, {0x85, 0x10}, 5 + 3, 1 * 256 + 0x10 + 1},
        MatchCase{1, {0x7F, 10, 0x00}, 127 + 10 + 3, 1},
        MatchCase{1, {0xFF, 255, 0xFF}, 127 + 255 + 3, 512},
        // Factor 2: 6 and 2.
        MatchCase{2, {0xC5, 0x20}, 5 + 3, 3 * 256 + 0x20 + 1},
        MatchCase{2, {0x7F, 1, 0x02}, 63 + 1 + 3, 1 * 256 + 2 + 1},
        // Factor 3: 5 and 3.
        MatchCase{3, {0xE3, 0x00}, 3 + 3, 7 * 256 + 1},
        MatchCase{3, {0x3F, 0, 0x04}, 31 + 0 + 3, 1 * 256 + 4 + 1},
        // Factor 4: 4 and 4; the longest distance of all, 4096.
        MatchCase{4, {0xF2, 0xFF}, 2 + 3, 4096},
        MatchCase{4, {0x1F, 200, 0x00}, 15 + 200 + 3, 1 * 256 + 1},
        // Overlapping copy: distance 1 repeats the last byte.
        MatchCase{4, {0x0E, 0x00}, 14 + 3, 1}));

TEST(Unreduce, DleZeroIsALiteralDleForEveryFactor) {
  for (int factor = 1; factor <= 4; ++factor) {
    ReduceStream stream;
    stream.Bytes("a").Byte(kDle).Byte(0).Bytes("b");
    const Decoded decoded = DecodeStream(stream.Stream(), 3, factor);
    EXPECT_EQ(decoded.result, DecodeResult::Complete) << factor;
    EXPECT_EQ(decoded.bytes, "a\x90" "b") << factor;
  }
}

TEST(Unreduce, CopiesFromBeforeTheStartReadAsZeros) {
  ReduceStream stream;
  stream.Bytes("xy").Byte(kDle).Byte(0x02).Byte(0x04);  // factor 2: 5 bytes from distance 5
  const Decoded decoded = DecodeStream(stream.Stream(), 7, 2);
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, std::string("xy\0\0\0xy", 7));
}

TEST(Unreduce, FollowerSetsFollowTheIntermediateStream) {
  // S(0) = {a}: a one-byte set takes a 1-bit index. S(a) = {b,c,d}: 2 bits. S(DLE) = {0}: the
  // byte after a DLE is looked up in the DLE's set, and after DLE 0 the last character is 0,
  // not the DLE that reached the output.
  std::string full_set;
  for (int i = 0; i < 32; ++i) full_set.push_back(static_cast<char>('A' + i));
  ReduceStream stream({{0, "a"}, {'a', "bcd"}, {kDle, std::string(1, '\0')}, {'d', full_set}});
  stream.Bytes("abd").Byte(kDle).Byte(0).Bytes("ad`").Bytes("ad").Byte(full_set.back());
  const std::string expected = "abd\x90" "ad`" "ad" + full_set.substr(31);
  const Decoded decoded = DecodeStream(stream.Stream(), expected.size(), 3);
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, expected);
}

TEST(Unreduce, InputInOneByteBlocksDecodesTheSame) {
  ReduceStream stream({{0, "ab"}, {'a', "b"}});
  stream.Bytes("abab").Byte(kDle).Byte(0x03).Byte(0x01).Bytes("zz");
  const Decoded whole = DecodeStream(stream.Stream(), 12, 1);
  const Decoded bytewise = DecodeStream(stream.Stream(), 12, 1, 1);
  EXPECT_EQ(whole.result, DecodeResult::Complete);
  EXPECT_EQ(whole.bytes, "abababababzz");
  EXPECT_EQ(bytewise.bytes, whole.bytes);
}

TEST(Unreduce, StopsAtTheUncompressedSize) {
  ReduceStream stream;
  stream.Bytes("ab").Byte(kDle).Byte(0x7E).Byte(0x01);  // factor 1: 129 bytes
  const Decoded decoded = DecodeStream(stream.Stream(), 10, 1);
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, "ababababab");
}

TEST(Unreduce, AnEmptyEntryReadsNothing) {
  MemoryInput input("");
  StringOutput output;
  EXPECT_EQ(Unreduce(input, output, DecodeParams{}, 4), DecodeResult::Complete);
  EXPECT_EQ(input.reads(), 0u);
}

TEST(Unreduce, CorruptStreamsStopWithInvalidData) {
  {
    SCOPED_TRACE("a follower set of 33");
    BitWriter writer;
    writer.Put(33, 6);
    EXPECT_EQ(DecodeStream(writer.Bytes() + std::string(300, '\0'), 10, 1).result, DecodeResult::InvalidData);
  }
  {
    SCOPED_TRACE("follower sets cut short");
    ReduceStream stream({{3, "abc"}});
    const std::string bytes = stream.Stream();
    EXPECT_EQ(DecodeStream(bytes.substr(0, 100), 10, 1).result, DecodeResult::InvalidData);
  }
  {
    SCOPED_TRACE("an index past the end of its set");
    ReduceStream stream({{0, "abc"}});
    stream.bits().Put(0, 1).Put(3, 2);
    EXPECT_EQ(DecodeStream(stream.Stream(), 1, 1).result, DecodeResult::InvalidData);
  }
  {
    SCOPED_TRACE("data ends before the uncompressed size");
    ReduceStream stream;
    stream.Bytes("abc");
    const Decoded decoded = DecodeStream(stream.Stream(), 10, 2);
    EXPECT_EQ(decoded.result, DecodeResult::InvalidData);
    EXPECT_EQ(decoded.bytes, "abc");
  }
  {
    SCOPED_TRACE("a factor outside 1 to 4");
    EXPECT_EQ(DecodeStream(ReduceStream().Bytes("a").Stream(), 1, 5).result, DecodeResult::InvalidData);
  }
}

}  // namespace
}  // namespace vantorel::archive
