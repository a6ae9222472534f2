// Unshrink on hand-made code streams. Where the format note leaves room (partial clearing,
// a previous code freed by the clear), the expected bytes are those Info-ZIP's unzip produces
// from the same stream.

#include "archive/unshrink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "legacy_helpers.h"

namespace vantorel::archive {
namespace {

using legacy::BitWriter;
using legacy::MemoryInput;
using legacy::StringOutput;

constexpr std::uint32_t A = 'A', B = 'B', C = 'C', D = 'D', E = 'E', X = 'X', Y = 'Y', Z = 'Z';

// A stream of codes, each written with the code width in force, following 256,1 as the
// decoder does.
std::string Codes(const std::vector<std::uint32_t>& codes) {
  BitWriter writer;
  int width = 9;
  bool after_control = false;
  for (std::uint32_t code : codes) {
    writer.Put(code, width);
    if (after_control && code == 1) ++width;
    after_control = !after_control && code == 256;
  }
  return writer.Bytes();
}

struct Decoded {
  DecodeResult result;
  std::string bytes;
};

Decoded DecodeStream(const std::string& stream, std::uint64_t size, std::size_t chunk = 16000) {
  MemoryInput input(stream, chunk);
  StringOutput output;
  const DecodeResult result = Unshrink(input, output, DecodeParams{0, stream.size(), size});
  return {result, output.bytes};
}

Decoded DecodeCodes(const std::vector<std::uint32_t>& codes, std::uint64_t size) {
  return DecodeStream(Codes(codes), size);
}

struct Case {
  const char* rule;
  std::vector<std::uint32_t> codes;
  std::string expected;
};

class UnshrinkRules : public ::testing::TestWithParam<Case> {};

TEST_P(UnshrinkRules, DecodesTheStream) {
  const Case& c = GetParam();
  const Decoded decoded = DecodeCodes(c.codes, c.expected.size());
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Format, UnshrinkRules,
    ::testing::Values(
        Case{"literals", {A, B, C}, "ABC"},
        // 257 = AB, 258 = BA; 259 is the code about to be assigned: AB + A.
        Case{"kwkwk", {A, B, 257, 259}, "ABABABA"},
        // 256,1 widens the next code to 10 bits with no realignment; so does a second one.
        Case{"widen once", {A, 256, 1, B, 257}, "ABAB"},
        Case{"widen twice", {A, 256, 1, 256, 1, B, 257}, "ABAB"},
        // 257 = AB, 258 = BC, 259 = CA, 260 = AB+C. The clear frees the leaves 258, 259 and
        // 260 and keeps 257, the prefix of 260. The next strings take 258, 259, 260 in that
        // order; the first is the freed previous code 259 plus X, and 259 has meanwhile
        // become XY, so 258 reads XYX.
        Case{"partial clear reuses leaves lowest first", {A, B, C, 257, 259, 256, 2, X, Y, Z, 258, 259, 260},
             "ABCABCA" "XYZ" "XYX" "XY" "YZ"},
        Case{"partial clear keeps prefixes", {A, B, C, 257, 259, 256, 2, X, 257}, "ABCABCA" "X" "AB"},
        // A clear on a fresh table changes nothing.
        Case{"partial clear at the start", {256, 2, A, B, 257}, "ABAB"}),
    [](const auto& info) {
      std::string name = info.param.rule;
      for (char& ch : name) {
        if (ch == ' ') ch = '_';
      }
      return name;
    });

// The widest code width and a table of 7,935 strings (codes 257 to 8191).
std::vector<std::uint32_t> FillTable(std::uint32_t last_literal) {
  std::vector<std::uint32_t> codes = {A, 256, 1, 256, 1, 256, 1, 256, 1};
  codes.insert(codes.end(), 7934, A);  // 257..8190 = AA
  codes.push_back(last_literal);      // 8191 = A + last_literal
  return codes;
}

TEST(Unshrink, AFullTableAddsNoStringUntilAPartialClearFreesCodes) {
  std::vector<std::uint32_t> codes = FillTable(B);
  // Table full: C adds nothing, so 257 and 8191 keep their strings.
  codes.insert(codes.end(), {C, 257, 8191});
  // Every string is a leaf: the clear frees them all. D adds 257 (from the freed 8191),
  // E adds 258 = DE, and 258 itself adds 259 = ED.
  codes.insert(codes.end(), {256, 2, D, E, 258, 259});
  const std::string expected = std::string(7935, 'A') + "B" + "C" "AA" "AB" + "D" "E" "DE" "ED";
  const Decoded decoded = DecodeCodes(codes, expected.size());
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes.size(), expected.size());
  EXPECT_EQ(decoded.bytes.substr(7930), expected.substr(7930));
}

TEST(Unshrink, AClearRightAfterTheTableFillsFreesEveryLeaf) {
  std::vector<std::uint32_t> codes = FillTable(A);
  codes.insert(codes.end(), {256, 2, C, D, 258});
  const std::string expected = std::string(7936, 'A') + "CD" "CD";
  const Decoded decoded = DecodeCodes(codes, expected.size());
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes.size(), expected.size());
  EXPECT_EQ(decoded.bytes.substr(7930), expected.substr(7930));
}

// Words drawn from a small vocabulary: enough new strings to fill the table many times over.
std::string Text(std::size_t size) {
  static const char* const kWords[] = {"unit ", "begin ", "end;\r\n", "procedure ", "var ", "integer",
                                       ":= ", "if ", "then ", "Writeln(", "'KvUnZip'", "); ", "{ }"};
  std::string text;
  std::uint32_t seed = 12345;
  while (text.size() < size) {
    seed = seed * 1103515245 + 12345;
    text += kWords[(seed >> 16) % std::size(kWords)];
    if ((seed >> 8) % 7 == 0) text += std::to_string(seed % 1000);
  }
  text.resize(size);
  return text;
}

TEST(Unshrink, ALongStreamWithManyPartialClearsDecodesBack) {
  const std::string text = Text(400000);
  const legacy::ShrunkStream shrunk = legacy::Shrink(text);
  ASSERT_GT(shrunk.partial_clears, 3);
  EXPECT_EQ(shrunk.widenings, 4);
  const Decoded decoded = DecodeStream(shrunk.bytes, text.size());
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_TRUE(decoded.bytes == text);
}

TEST(Unshrink, InputInOneByteBlocksDecodesTheSame) {
  const std::string stream = Codes({A, B, 257, 259, 256, 1, C, 260, 256, 2, D, 258});
  const Decoded whole = DecodeStream(stream, 1000);
  const Decoded bytewise = DecodeStream(stream, 1000, 1);
  EXPECT_EQ(bytewise.bytes, whole.bytes);
  EXPECT_EQ(bytewise.result, whole.result);
}

TEST(Unshrink, StopsAtTheUncompressedSize) {
  const Decoded decoded = DecodeCodes({A, B, 257, 259}, 5);
  EXPECT_EQ(decoded.result, DecodeResult::Complete);
  EXPECT_EQ(decoded.bytes, "ABABA");
}

TEST(Unshrink, AnEmptyEntryReadsNothing) {
  MemoryInput input("");
  StringOutput output;
  EXPECT_EQ(Unshrink(input, output, DecodeParams{}), DecodeResult::Complete);
  EXPECT_EQ(input.reads(), 0u);
  EXPECT_TRUE(output.bytes.empty());
}

struct CorruptCase {
  const char* fault;
  std::vector<std::uint32_t> codes;
  std::string decoded_before;  // what reaches the output before the decoder stops
};

class UnshrinkCorrupt : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(UnshrinkCorrupt, StopsWithInvalidData) {
  const CorruptCase& c = GetParam();
  const Decoded decoded = DecodeCodes(c.codes, 100);
  EXPECT_EQ(decoded.result, DecodeResult::InvalidData);
  EXPECT_EQ(decoded.bytes, c.decoded_before);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, UnshrinkCorrupt,
    ::testing::Values(
        CorruptCase{"string code first", {257}, ""},
        CorruptCase{"free code past the next one", {A, B, 300}, "AB"},
        CorruptCase{"unknown control action", {A, 256, 3, B}, "A"},
        CorruptCase{"widening past 13 bits", {A, 256, 1, 256, 1, 256, 1, 256, 1, 256, 1, B}, "A"},
        CorruptCase{"ends before the uncompressed size", {A, B, 257}, "ABAB"},
        CorruptCase{"ends inside a control pair", {A, 256}, "A"},
        // After the clear, 258 = (259, X) but 259 is free: no string to spell.
        CorruptCase{"string through a freed code", {A, B, C, 257, 259, 256, 2, X, 258}, "ABCABCAX"}));

}  // namespace
}  // namespace vantorel::archive
