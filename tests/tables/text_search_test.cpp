// The text scan's matcher against the plain definition of an occurrence, and the scan of
// whole tables where a hit ends on the file's last byte.
#include "tables/text_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/code_pages.h"
#include "kv_dbf_test_helpers.h"

namespace vantorel::tables {
namespace {

// Every position where text occurs in bytes, each raw byte seen as its ANSI upper-case form
// (OEM converted first), one position after the other.
std::vector<std::size_t> OccurrencesByDefinition(const std::string& bytes, const std::string& text,
                                                 bool oem) {
  const std::string wanted = core::AnsiUpper(text);
  std::vector<std::size_t> found;
  for (std::size_t at = 0; at + wanted.size() <= bytes.size(); ++at) {
    bool all = true;
    for (std::size_t j = 0; j < wanted.size() && all; ++j) {
      const auto raw = static_cast<unsigned char>(bytes[at + j]);
      all = core::AnsiUpper(oem ? core::OemToAnsi(raw) : raw) == static_cast<unsigned char>(wanted[j]);
    }
    if (all) found.push_back(at);
  }
  return found;
}

std::vector<std::size_t> OccurrencesByMatcher(const std::string& bytes, const std::string& text,
                                              bool oem) {
  const UpperTextMatcher matcher(text, oem);
  std::vector<std::size_t> found;
  for (std::size_t at = matcher.Find(bytes.data(), bytes.size(), 0); at != std::string::npos;
       at = matcher.Find(bytes.data(), bytes.size(), at + 1))
    found.push_back(at);
  return found;
}

// Bytes drawn from an alphabet rich in near misses of the texts below, with the texts (in
// their other letter case or their OEM form) planted at the start, across every 16-byte
// boundary in turn and at the very end.
std::string Haystack(std::size_t size, const std::string& plant, std::mt19937& random) {
  static const std::string kAlphabet =
      "aAzZyYgGeE12 +-\x81\x9A\x84\x8E\xC4\xE4\xFC\xDC\xB3\xC5\xCD\x0D";
  std::string bytes(size, ' ');
  for (char& c : bytes) c = kAlphabet[random() % kAlphabet.size()];
  if (plant.size() <= size) {
    bytes.replace(0, plant.size(), plant);
    for (std::size_t at = 15; at + plant.size() < size; at += 37) bytes.replace(at, plant.size(), plant);
    bytes.replace(size - plant.size(), plant.size(), plant);
  }
  return bytes;
}

TEST(UpperTextMatcher, FindsEveryOccurrenceTheDefinitionFinds) {
  const struct {
    std::string text;   // as typed
    std::string plant;  // raw bytes that hold it
    bool oem;
  } cases[] = {
      {"zygomorphic", "ZyGoMoRpHiC", true},
      {"Z", "z", true},
      {"ze", "zE", false},
      {"ee", "eE", true},                        // one character repeated
      {"m\xFC" "n", "M\x81N", true},             // OEM u-umlaut for the ANSI one
      {"\xDC" "z", "\x9Az", true},               // OEM U-umlaut, upper case
      {"\xC4\xE4", "\x8E\x84", true},            // A-umlaut in both cases, OEM
      {"\xC4\xE4", "\xE4\xC4", false},           // the same bytes read as ANSI
      {"+-+", "\xC5\xCD\xC0", true},             // box drawing: many OEM bytes stand for + and -
      {"a+", "A\xC5", true},                     // one filtered position, one of many bytes
      {"12 ", "12 ", true},
      {"gaze at the zygomorphic", "GAZE AT THE ZYGOMORPHIC", true},  // longer than a filter step
      {"\r", "\x0D", false},
  };
  std::mt19937 random(1995);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    for (const std::size_t size : {0u, 1u, 2u, 15u, 16u, 17u, 31u, 33u, 64u, 100u, 1000u, 4099u}) {
      SCOPED_TRACE(size);
      const std::string bytes = Haystack(size, c.plant, random);
      const std::vector<std::size_t> expected = OccurrencesByDefinition(bytes, c.text, c.oem);
      EXPECT_EQ(OccurrencesByMatcher(bytes, c.text, c.oem), expected);
      if (c.plant.size() <= size) {
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(expected.back(), size - c.plant.size());  // ends on the last byte
      }
    }
  }
}

TEST(UpperTextMatcher, StartsAtTheGivenPosition) {
  const std::string bytes = "zygo zygo ZYGO";
  const UpperTextMatcher matcher("ZYGO", true);
  EXPECT_EQ(matcher.Find(bytes.data(), bytes.size(), 0), 0u);
  EXPECT_EQ(matcher.Find(bytes.data(), bytes.size(), 1), 5u);
  EXPECT_EQ(matcher.Find(bytes.data(), bytes.size(), 10), 10u);
  EXPECT_EQ(matcher.Find(bytes.data(), bytes.size(), 11), std::string::npos);
  EXPECT_EQ(matcher.Find(bytes.data(), bytes.size(), 99), std::string::npos);
  EXPECT_EQ(matcher.Find(bytes.data(), 3, 0), std::string::npos);
}

class TableScanEnds : public testing::KvDbfTest {};

// A hit in the last field of the last record ends on the file's last byte when the table has
// no end mark; with one, one byte before it. Hits that straddle the border of the two fields
// or lie in the memo field never count, however many the table holds before the real one.
TEST_F(TableScanEnds, AHitEndingOnTheLastByteOfTheFileIsFound) {
  using testing::Pad;
  using testing::Rec;
  for (const bool end_mark : {false, true}) {
    SCOPED_TRACE(end_mark);
    testing::TableBytes t;
    t.version = 0x83;
    t.end_mark = end_mark;
    t.fields = {{"CODE", 'C', 6}, {"NOTE", 'M', 10}, {"TEXT", 'C', 7}};
    for (int i = 0; i < 3000; ++i) t.records.push_back(Rec({"    zy", Pad("gomorp", 10), "hic    "}));
    t.records.push_back(Rec({"      ", Pad("", 10), "zyGoMor"}));
    dir_.Write("notes.dbt", testing::MemoBytes(512, testing::Le32(2), {}));
    KvDbf dbf("NotesDBF");
    OpenTable(dbf, "notes.dbf", t);
    std::uint8_t field = 0;
    EXPECT_TRUE(dbf.Search("ZYGOMOR", field, true));
    EXPECT_EQ(dbf.RecNo(), 3001);
    EXPECT_EQ(field, 3);
    field = 0;
    EXPECT_FALSE(dbf.Search("zygomorphic", field, true));
    EXPECT_FALSE(dbf.Search("gomorp", field, true));
  }
}

}  // namespace
}  // namespace vantorel::tables
