#include "core/texts.h"

#include <gtest/gtest.h>

namespace vantorel::core {
namespace {

TEST(WithTrailingBackslash, AddsOnlyWhereNeeded) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"C:", "C:"},
      {"C:\\", "C:\\"},
      {"abc", "abc\\"},
      {"C:\\KVXARCH01\\PDF", "C:\\KVXARCH01\\PDF\\"},
      {std::string("x\0", 2), std::string("x\0", 2)},
      {"/home/reader/archive/", "/home/reader/archive/\\"},
  };
  for (const auto& c : cases) EXPECT_EQ(WithTrailingBackslash(c.in), c.out) << c.in;
}

TEST(ReplaceAllNoCase, SearchesAgainFromTheStart) {
  const struct {
    std::string text, pattern, replacement, out;
  } cases[] = {
      {"a    b  c", "  ", " ", "a b c"},  // collapsing blank runs needs the re-search
      {"Hello HELLO hello", "hello", "bye", "bye bye bye"},
      {"file:///PDF/x", "FILE:///pdf/", "E:\\PDF\\", "E:\\PDF\\x"},
      {"aXbxc", "x", "", "abc"},
      {"abab", "ba", "b", "abb"},  // the second round finds nothing new
      {"nothing", "zz", "y", "nothing"},
      {"keep", "", "y", "keep"},
      {"\xC4\xE4", "\xE4", "a", "\xC4" "a"},  // only a-z fold: 0xC4 is not 0xE4
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceAllNoCase(c.text, c.pattern, c.replacement), c.out) << c.text;
}

TEST(AsciiCase, FoldsOnlyAtoZ) {
  EXPECT_EQ(UpperCaseAscii("diry:///disks/\xFC" "ber"), "DIRY:///DISKS/\xFC" "BER");
  EXPECT_EQ(LowerCaseAscii("VIEW:///DISKS/\xDC"), "view:///disks/\xDC");
  EXPECT_EQ(CompareTextNoCase("abc", "ABC"), 0);
  EXPECT_LT(CompareTextNoCase("abc", "ABD"), 0);
  EXPECT_LT(CompareTextNoCase("ab", "abc"), 0);
  EXPECT_GT(CompareTextNoCase("\xFC", "z"), 0);  // bytes above 0x7F compare unsigned
  EXPECT_FALSE(SameTextNoCase("\xFC", "\xDC"));
  EXPECT_GT(CompareTextNoCase("a_", "AB"), 0) << "letters compare as upper case: _ after B";
  EXPECT_EQ(FindNoCase("Some Text", "TEXT"), 5u);
  EXPECT_EQ(FindNoCase("Some Text", "TEXT", 6), std::string::npos);
  EXPECT_EQ(FindNoCase("ab", "abc"), std::string::npos);
}

TEST(Trimming, AllTrimRightTrimPadLeft) {
  EXPECT_EQ(AllTrim(std::string("\t\r\n  word \x01\0", 11)), "word");
  EXPECT_EQ(AllTrim("   "), "");
  EXPECT_EQ(AllTrim("\xA0x\xA0"), "\xA0x\xA0") << "code 160 is not trimmed";
  EXPECT_EQ(RightTrim("Smith     "), "Smith");
  EXPECT_EQ(RightTrim("  x\t "), "  x\t") << "only blanks are removed";
  EXPECT_EQ(PadLeft("7", 3), "  7");
  EXPECT_EQ(PadLeft("123", 3), "123");
  EXPECT_EQ(PadLeft("1234", 3), "1234");
}

TEST(Markup, EscapesTheFourMarkupCharactersOnly) {
  EXPECT_EQ(MarkupEscaped("a<b> & \"c\" 'd' \xE9"), "a&lt;b&gt; &amp; &quot;c&quot; 'd' \xE9");
  EXPECT_EQ(MarkupEscaped("&amp;"), "&amp;amp;");
  EXPECT_EQ(MarkupEscaped(""), "");
}

TEST(ShortString, KeepsAtMost255Bytes) {
  EXPECT_EQ(CutToShortString(std::string(300, 'x')).size(), 255u);
  EXPECT_EQ(CutToShortString("short"), "short");
}

}  // namespace
}  // namespace vantorel::core

namespace vantorel::core {
namespace {

// A name in a link keeps its bytes through the encoding, whatever they are.
TEST(PercentEncoding, EncodesEverythingButUnreservedCharactersAndSlashes) {
  const std::pair<std::string, std::string> cases[] = {
      {"SRC/Main_Unit-2.PAS~", "SRC/Main_Unit-2.PAS~"},
      {"a b|c?d#e%f\"", "a%20b%7Cc%3Fd%23e%25f%22"},
      {"\xD0\x90.TXT", "%D0%90.TXT"},
      {std::string("\0x", 2), "%00x"},
  };
  for (const auto& [text, encoded] : cases) {
    EXPECT_EQ(PercentEncoded(text), encoded);
    EXPECT_EQ(PercentDecoded(encoded), text);
  }
  // Lower-case digits decode too; a "%" without two digits after it stays.
  EXPECT_EQ(PercentDecoded("%d0%90"), "\xD0\x90");
  EXPECT_EQ(PercentDecoded("100% %4 %G1"), "100% %4 %G1");
}

}  // namespace
}  // namespace vantorel::core
