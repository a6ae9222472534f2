#include "core/code_pages.h"

#include <gtest/gtest.h>

#include <string>

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

// A settings value from an older version is 1252; one written now is UTF-8. Only well-formed
// UTF-8 is taken as it is.
TEST(CodePages, Utf8OrCp1252) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"/home/a/PDF/", true},
      {"/home/\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2/", true},  // Мой архив
      {"/\xC5\x81\xC3\xB3" "d\xC5\xBA/\xE6\x9D\xB1\xE4\xBA\xAC/\xF0\x9F\x98\x80", true},  // Łódź, 東京, 4 bytes
      {"C:\\M\xFCller\\", false},          // 1252 u-umlaut
      {"\xC3", false},                        // cut short
      {"\xC0\xAF", false},                    // overlong "/"
      {"\xE0\x80\xAF", false},                // overlong "/", three bytes
      {"\xED\xA0\x80", false},                // a surrogate
      {"\xF4\x90\x80\x80", false},            // beyond U+10FFFF
      {"\x80" "abc", false},                     // a lone continuation byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
    EXPECT_EQ(Utf8OrCp1252ToUtf8(c.text), c.valid ? std::string(c.text) : Cp1252ToUtf8(c.text))
        << c.text;
  }
}

// A path written into a generated page: the page is 1252, so what 1252 cannot hold is written
// as a character reference, and the characters that would start markup as entities.
TEST(CodePages, Utf8ToPageCp1252) {
  EXPECT_EQ(Utf8ToPageCp1252("/home/M\xC3\xBCller \xE2\x82\xAC/"), "/home/M\xFCller \x80/");
  EXPECT_EQ(Utf8ToPageCp1252("/\xD0\x9C\xD0\xBE\xD0\xB9/\xE6\x9D\xB1/\xF0\x9F\x98\x80"),
            "/&#1052;&#1086;&#1081;/&#26481;/&#128512;");
  EXPECT_EQ(Utf8ToPageCp1252("/a&b/<c>"), "/a&amp;b/&lt;c&gt;");
  EXPECT_EQ(Utf8ToPageCp1252("/x\xC3"), "/x?") << "malformed";
}

// OEM 437 reaches UTF-8 without the detour through 1252: box drawing, Greek and mathematical
// signs keep their own characters.
TEST(CodePages, Cp437ToUtf8) {
  EXPECT_EQ(Cp437ToUtf8("Gr\x81\xE1" "e"), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(Cp437ToUtf8("\xC9\xCD\xBB"), "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97");  // corner, line, corner
  EXPECT_EQ(Cp437ToUtf8("\xE0\xE3\xEC\xFB\xFF"),
            "\xCE\xB1\xCF\x80\xE2\x88\x9E\xE2\x88\x9A\xC2\xA0");  // alpha pi infinity root nbsp
  EXPECT_EQ(Cp437ToUtf8("A\r\n\x7F"), "A\r\n\x7F");
  // Where 1252 has the character, both ways agree.
  for (int c = 0x80; c < 0x100; ++c) {
    const std::string one(1, static_cast<char>(c));
    const char32_t code_point = Cp437ToCodePoint(static_cast<unsigned char>(c));
    if (Utf8ToCp1252(Cp437ToUtf8(one)) == "?") continue;
    EXPECT_EQ(Cp1252ToCodePoint(static_cast<unsigned char>(OemToAnsi(one)[0])), code_point) << c;
  }
}

// The buffer forms map eight plain ASCII bytes at a time: every byte, at every place in a
// word and in the tail, must come out as the one-byte form maps it. The letters next to the
// ranges (@ [ ` {) are where a wrong range test would show.
TEST(CodePages, BufferFormsMapEachByteAsTheOneByteForm) {
  const struct {
    const char* name;
    void (*buffer)(char*, std::size_t);
    unsigned char (*one)(unsigned char);
  } mappings[] = {{"OemToAnsi", OemToAnsiBuffer, OemToAnsi},
                  {"AnsiToOem", AnsiToOemBuffer, AnsiToOem},
                  {"AnsiUpper", AnsiUpperBuffer, AnsiUpper},
                  {"AnsiLower", AnsiLowerBuffer, AnsiLower}};
  std::string bytes;
  for (int round = 0; round < 3; ++round)
    for (int c = 0; c < 256; ++c) bytes += static_cast<char>(round == 1 ? (c * 7) & 0x7F : c);
  bytes += "@AZ[`az{ @AZ[`az{ 0123456789";
  for (const auto& mapping : mappings) {
    SCOPED_TRACE(mapping.name);
    for (std::size_t start = 0; start < 8; ++start) {
      std::string mapped = bytes.substr(start);
      mapping.buffer(mapped.data(), mapped.size());
      for (std::size_t i = 0; i < mapped.size(); ++i)
        ASSERT_EQ(static_cast<unsigned char>(mapped[i]),
                  mapping.one(static_cast<unsigned char>(bytes[start + i])))
            << "byte " << int(static_cast<unsigned char>(bytes[start + i]));
    }
  }
}

TEST(CodePages, IsValidUtf8) {
  const struct {
    const char* text;
    bool valid;
  } cases[] = {
      {"", true},
      {"plain ASCII", true},
      {"\xC3\xBC" "ber \xE4\xB8\x96\xE7\x95\x8C \xF0\x9F\x98\x80", true},
      {"\xF4\x8F\xBF\xBF", true},        // U+10FFFF
      {"\xFC" "ber", false},                // a 1252 byte
      {"\xC3", false},                      // cut short
      {"\xC3\x28", false},                 // no continuation byte
      {"\xC0\xAF", false},                 // over-long "/"
      {"\xE0\x80\xAF", false},            // over-long "/"
      {"\xF0\x80\x80\xAF", false},       // over-long "/"
      {"\xED\xA0\x80", false},            // a UTF-16 surrogate
      {"\xF4\x90\x80\x80", false},       // past U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\x80", false},                      // a lone continuation byte
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(c.text), c.valid) << c.text;
}

}  // namespace
}  // namespace vantorel::core
