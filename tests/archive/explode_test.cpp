// Explode on hand-made streams: the four variants (4 KB or 8 KB dictionary, two or three
// trees), the Shannon-Fano code construction, and damaged trees and data.

#include "archive/explode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "legacy_helpers.h"

namespace vantorel::archive {
namespace {

using legacy::BitWriter;
using legacy::MemoryInput;
using legacy::StringOutput;

constexpr std::uint16_t k8K = 1u << 1;
constexpr std::uint16_t kLiterals = 1u << 2;

// A compressed bit-length table giving every one of value_count values the same length.
std::string UniformTable(int value_count, int length) {
  std::string table(1, static_cast<char>((value_count + 15) / 16 - 1));
  for (int left = value_count; left > 0; left -= 16) {
    table.push_back(static_cast<char>((std::min(left, 16) - 1) << 4 | (length - 1)));
  }
  return table;
}

// Writes an imploded stream whose trees are uniform: 8-bit literal codes, 6-bit length and
// distance codes. With equal lengths the construction gives value v the code (count-1-v),
// most significant bit first.
class ImplodeStream {
 public:
  explicit ImplodeStream(std::uint16_t flags, std::string length_table = UniformTable(64, 6))
      : flags_(flags) {
    std::string trees;
    if (flags & kLiterals) trees += UniformTable(256, 8);
    trees += length_table + UniformTable(64, 6);
    for (char byte : trees) writer_.Put(static_cast<std::uint8_t>(byte), 8);
  }

  ImplodeStream& Literal(char c) {
    writer_.Put(1, 1);
    if (flags_ & kLiterals) {
      Msb(255 - static_cast<std::uint8_t>(c), 8);
    } else {
      writer_.Put(static_cast<std::uint8_t>(c), 8);
    }
    return *this;
  }
  ImplodeStream& Literals(const std::string& text) {
    for (char c : text) Literal(c);
    return *this;
  }

  // A match whose length is given as the length tree's value (plus the extra byte for 63).
  ImplodeStream& Match(std::uint32_t distance, std::uint32_t length_value, std::uint32_t extra = 0) {
    MatchDistance(distance);
    Msb(63 - length_value, 6);
    if (length_value == 63) writer_.Put(extra, 8);
    return *this;
  }

  // A match with the length code given as bits, for trees that are not uniform.
  ImplodeStream& MatchWithLengthCode(std::uint32_t distance, const std::string& length_code) {
    MatchDistance(distance);
    writer_.PutCode(length_code);
    return *this;
  }

  BitWriter& bits() { return writer_; }
  std::string Stream() const { return writer_.Bytes(); }

 private:
  void MatchDistance(std::uint32_t distance) {
    const int low_bits = (flags_ & k8K) ? 7 : 6;
    const std::uint32_t d = distance - 1;
    writer_.Put(0, 1).Put(d & ((1u << low_bits) - 1), low_bits);
    Msb(63 - (d >> low_bits), 6);
  }
  void Msb(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) writer_.Put((value >> i) & 1u, 1);
  }

  std::uint16_t flags_;
  BitWriter writer_;
};

struct Decoded {
  DecodeResult result;
  std::string bytes;
};

Decoded DecodeStream(const std::string& stream, std::uint16_t flags, std::uint64_t size,
                     std::size_t chunk = 16000) {
  MemoryInput input(stream, chunk);
  StringOutput output;
  const DecodeResult result = Explode(input, output, DecodeParams{flags, stream.size(), size});
  return {result, output.bytes};
}

struct VariantCase {
  std::uint16_t flags;
  std::string expected;
};

class ExplodeVariants : public ::testing::TestWithParam<VariantCase> {};

// The same matches, length values 0 and 1, copy 2 and 3 bytes without the literal tree and
// 3 and 4 with it.
TEST_P(ExplodeVariants, MinimumMatchLengthFollowsTheLiteralTree) {
  const VariantCase& c = GetParam();
  ImplodeStream stream(c.flags);
  stream.Literals("ab").Match(2, 0).Match(1, 1);
  const Decoded decoded = DecodeStream(stream.Stream(), c.flags, c.expected.size());
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Flags, ExplodeVariants,
                         ::testing::Values(VariantCase{0, "ab" "ab" "bbb"},
                                           VariantCase{k8K, "ab" "ab" "bbb"},
                                           VariantCase{kLiterals, "ab" "aba" "aaaa"},
                                           VariantCase{k8K | kLiterals, "ab" "aba" "aaaa"}));

struct DistanceCase {
  std::uint16_t flags;
  std::uint32_t distance;
};

class ExplodeDistances : public ::testing::TestWithParam<DistanceCase> {};

TEST_P(ExplodeDistances, SplitsDistancesIntoRawLowBitsAndATreeCodedHighPart) {
  const DistanceCase& c = GetParam();
  std::string prefix;
  for (int i = 0; i < 9000; ++i) prefix.push_back(static_cast<char>((i * 31 + i / 256) % 256));
  ImplodeStream stream(c.flags);
  stream.Literals(prefix).Match(c.distance, 5);
  std::string expected = prefix;
  const std::uint32_t length = 5 + ((c.flags & kLiterals) ? 3 : 2);
  for (std::uint32_t i = 0; i < length; ++i) expected.push_back(expected[expected.size() - c.distance]);
  const Decoded decoded = DecodeStream(stream.Stream(), c.flags, expected.size());
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, expected);
}

INSTANTIATE_TEST_SUITE_P(Dictionaries, ExplodeDistances,
                         ::testing::Values(DistanceCase{0, 1}, DistanceCase{0, 64}, DistanceCase{0, 65},
                                           DistanceCase{0, 4096}, DistanceCase{kLiterals, 3000},
                                           DistanceCase{k8K, 128}, DistanceCase{k8K, 129},
                                           DistanceCase{k8K, 8192}, DistanceCase{k8K | kLiterals, 5000}));

TEST(Explode, LengthValue63TakesAnExtraByte) {
  for (std::uint16_t flags : {std::uint16_t{0}, kLiterals}) {
    ImplodeStream stream(flags);
    stream.Literals("xy").Match(2, 63, 255);
    const std::size_t length = 63 + 255 + ((flags & kLiterals) ? 3 : 2);
    std::string expected = "xy";
    while (expected.size() < 2 + length) expected += expected.substr(expected.size() - 2, 1);
    const Decoded decoded = DecodeStream(stream.Stream(), flags, expected.size());
    EXPECT_EQ(decoded.result, DecodeResult::Complete) << flags;
    EXPECT_EQ(decoded.bytes, expected) << flags;
  }
}

TEST(Explode, MatchesBeforeTheStartCopyZeros) {
  ImplodeStream stream(0);
  stream.Literal('q').Match(100, 2);
  const Decoded decoded = DecodeStream(stream.Stream(), 0, 5);
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, std::string("q\0\0\0\0", 5));
}

TEST(Explode, BuildsShannonFanoCodesLongestFirstWithTiesInValueOrder) {
  // Lengths: values 0 and 1 take 2 bits, 2 and 3 take 6, 4 to 63 take 7. Walking from the
  // longest: value 63 gets 0000000 ... value 4 gets 0111011 (59), then 3 gets 011110,
  // 2 gets 011111, 1 gets 10 and 0 gets 11.
  const std::string table = {5, 0x11, 0x15, static_cast<char>(0xF6), static_cast<char>(0xF6),
                             static_cast<char>(0xF6), static_cast<char>(0xB6)};
  ImplodeStream stream(0, table);
  stream.Literal('z')
      .MatchWithLengthCode(1, "11")        // value 0: 2 bytes
      .MatchWithLengthCode(1, "10")        // value 1: 3
      .MatchWithLengthCode(1, "011111")    // value 2: 4
      .MatchWithLengthCode(1, "011110")    // value 3: 5
      .MatchWithLengthCode(1, "0111011")   // value 4: 6
      .MatchWithLengthCode(1, "0000001")   // value 62: 64
      .Literal('!');
  const std::string expected = "z" + std::string(2 + 3 + 4 + 5 + 6 + 64, 'z') + "!";
  const Decoded decoded = DecodeStream(stream.Stream(), 0, expected.size());
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, expected);
}

TEST(Explode, InputInOneByteBlocksDecodesTheSame) {
  ImplodeStream stream(k8K | kLiterals);
  stream.Literals("hello, ").Match(7, 2).Literals("world").Match(5, 63, 7);
  const Decoded whole = DecodeStream(stream.Stream(), k8K | kLiterals, 88);
  const Decoded bytewise = DecodeStream(stream.Stream(), k8K | kLiterals, 88, 1);
  EXPECT_EQ(whole.result, DecodeResult::Complete);
  EXPECT_EQ(whole.bytes.size(), 88u);
  EXPECT_EQ(bytewise.bytes, whole.bytes);
}

TEST(Explode, StopsAtTheUncompressedSize) {
  ImplodeStream stream(0);
  stream.Literals("ab").Match(2, 40);
  const Decoded decoded = DecodeStream(stream.Stream(), 0, 7);
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, "abababa");
}

TEST(Explode, AnEmptyEntryReadsNothing) {
  MemoryInput input("");
  StringOutput output;
  EXPECT_EQ(Explode(input, output, DecodeParams{kLiterals, 0, 0}), DecodeResult::Complete);
  EXPECT_EQ(input.reads(), 0u);
}

struct CorruptCase {
  const char* fault;
  std::string stream;
  std::string decoded_before;
};

std::string Bytes(const std::string& trees, const std::string& data_bits = {}) {
  BitWriter writer;
  for (char byte : trees) writer.Put(static_cast<std::uint8_t>(byte), 8);
  writer.PutCode(data_bits);
  return writer.Bytes();
}

TEST(Explode, CorruptStreamsStopWithInvalidData) {
  const std::string lengths = UniformTable(64, 6);
  // 64 values of 7 bits fill half the code space: codes starting with 1 are unused.
  const std::string half_empty = UniformTable(64, 7);
  std::string over_long = UniformTable(64, 6);
  over_long[0] = static_cast<char>(over_long[0] + 1);
  over_long.push_back(0x05);
  ImplodeStream good(0);
  good.Literals("abc").Match(1, 3);
  const std::string good_stream = good.Stream();
  const std::vector<CorruptCase> cases = {
      {"a table for more values than the tree has", Bytes(over_long + lengths, "1"), ""},
      {"a table for fewer values", Bytes(UniformTable(48, 6) + lengths, "1"), ""},
      {"lengths claiming more than the code space", Bytes(UniformTable(64, 5) + lengths, "1"), ""},
      {"a code no value has", Bytes(lengths + half_empty, "0" "000000" "1111111"), ""},
      {"trees cut short", Bytes(lengths.substr(0, 3)), ""},
      {"data ends inside a match", good_stream.substr(0, good_stream.size() - 1), "abc"},
  };
  for (const CorruptCase& c : cases) {
    const Decoded decoded = DecodeStream(c.stream, 0, 100);
    EXPECT_EQ(decoded.result, DecodeResult::InvalidData) << c.fault;
    EXPECT_EQ(decoded.bytes, c.decoded_before) << c.fault;
  }
}

}  // namespace
}  // namespace vantorel::archive
