#include "core/code_pages.h"

#include <gtest/gtest.h>

namespace vantorel::core {
namespace {

TEST(CodePages, OemToAnsi) {
  const struct {
    unsigned char oem, ansi;
  } cases[] = {
      {0x41, 0x41}, {0x81, 0xFC}, {0x9A, 0xDC}, {0xE1, 0xDF}, {0xC4, 0x2D},
      {0xB3, 0xA6}, {0xDA, 0x2B}, {0xE0, 0x61}, {0x9E, 0x50}, {0xFF, 0xA0},
  };
  for (const auto& c : cases) EXPECT_EQ(OemToAnsi(c.oem), c.ansi) << int(c.oem);
}

TEST(CodePages, AnsiToOem) {
  const struct {
    unsigned char ansi, oem;
  } cases[] = {{0xFC, 0x81}, {0xC0, 0x41}, {0x80, 0x3F}, {0xDF, 0xE1}, {0x7A, 0x7A}};
  for (const auto& c : cases) EXPECT_EQ(AnsiToOem(c.ansi), c.oem) << int(c.ansi);
}

TEST(CodePages, EveryOemLetterSurvivesTheRoundTrip) {
  for (int c = 0x80; c <= 0xA5; ++c) {
    if (c >= 0x9B && c <= 0x9F) continue;  // currency signs and the florin are not letters
    const auto b = static_cast<unsigned char>(c);
    EXPECT_EQ(AnsiToOem(OemToAnsi(b)), b) << std::hex << c;
  }
  EXPECT_EQ(AnsiToOem(OemToAnsi(0xE1)), 0xE1);
}

TEST(CodePages, AnsiCase) {
  EXPECT_EQ(AnsiUpper("stra\xDF" "e \xFC\xFF\xB5"), "STRA\xDF" "E \xDC\x9F\xB5");
  EXPECT_EQ(AnsiLower("\xC4\x8A\x9FZ"), "\xE4\x9A\xFFz");
  EXPECT_EQ(AnsiUpper(0xF7), 0xF7) << "division sign has no case";
}

TEST(CodePages, Utf8Borders) {
  EXPECT_EQ(Cp1252ToUtf8("M\xFCller \x80"), "M\xC3\xBCller \xE2\x82\xAC");
  EXPECT_EQ(Utf8ToCp1252("M\xC3\xBCller \xE2\x82\xAC"), "M\xFCller \x80");
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?") << "CJK has no 1252 byte";
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?") << "truncated sequence";
  for (int c = 0; c < 256; ++c) {
    const std::string one(1, static_cast<char>(c));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << c;
  }
}

}  // namespace
}  // namespace vantorel::core
