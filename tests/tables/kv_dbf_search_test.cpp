// KvDbf::Search: the raw text scan as the article and bonus searches use it.
#include <gtest/gtest.h>

#include <utility>

#include "kv_dbf_test_helpers.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::KeywordTable;
using testing::Pad;
using testing::Rec;
using testing::TableBytes;

class KvDbfSearch : public testing::KvDbfTest {
 protected:
  // The loop of the article search: from the top with the given field, then from the next
  // record with the field the last search returned; each hit as (record, field).
  static std::vector<std::pair<std::int64_t, int>> Hits(KvDbf& dbf, const std::string& text,
                                                        std::uint8_t field = 0) {
    std::vector<std::pair<std::int64_t, int>> hits;
    for (bool from_top = true; dbf.Search(text, field, from_top); from_top = false)
      hits.emplace_back(dbf.RecNo(), field);
    EXPECT_EQ(field, 0);
    return hits;
  }
  using Hit = std::pair<std::int64_t, int>;
};

TEST_F(KvDbfSearch, OnceAWordMatchedInAFieldFurtherMatchesComeFromThatField) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  // Digits inside ARTICLE_ID are found too; record 2's hit lies in KEYWORD and is passed
  // over, record 3 holds "12" only across its two fields.
  EXPECT_EQ(Hits(dbf, "12"), (std::vector<Hit>{{1, 1}, {4, 1}}));
  // Restricted to KEYWORD from the start; the deleted record 5 counts.
  EXPECT_EQ(Hits(dbf, "12", 2), (std::vector<Hit>{{2, 2}, {5, 2}}));
}

TEST_F(KvDbfSearch, AnyFieldEachTime) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  std::vector<Hit> hits;
  std::uint8_t field = 0;
  for (bool from_top = true; dbf.Search("12", field, from_top); from_top = false, field = 0)
    hits.emplace_back(dbf.RecNo(), field);
  EXPECT_EQ(hits, (std::vector<Hit>{{1, 1}, {2, 2}, {4, 1}, {5, 2}}));
}

TEST_F(KvDbfSearch, CaseCodePageAndTrailingBlanks) {
  const struct {
    std::string text;
    KvTableLanguage language;
    std::int64_t record;  // 0: not found
    int field;
  } cases[] = {
      {"graphics", KvTableLanguage::tlOem, 1, 2},
      {"gRaPhIcS", KvTableLanguage::tlOem, 1, 2},
      {"M\xDCNCHEN", KvTableLanguage::tlOem, 4, 2},  // OEM 0x81 is read as ANSI u-umlaut
      {"m\xFCnchen", KvTableLanguage::tlOem, 4, 2},  // ANSI upper-casing of the text
      {"M\xDCNCHEN", KvTableLanguage::tlAnsi, 0, 0},
      {"M\x81NCHEN", KvTableLanguage::tlAnsi, 4, 2},
      {"pascal", KvTableLanguage::tlOem, 0, 0},
      {"Delphi 12  ", KvTableLanguage::tlOem, 2, 2},  // trailing blanks must match too
      {"Delphi" + std::string(23, ' '), KvTableLanguage::tlOem, 0, 0},  // wider than the field
      {"  7", KvTableLanguage::tlOem, 2, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    KvDbf dbf("KeywordDBF");
    dbf.SetTableLanguage(c.language);
    OpenTable(dbf, "keyword.dbf", KeywordTable());
    dbf.Skip(2);
    std::uint8_t field = 0;
    EXPECT_EQ(dbf.Search(c.text, field, true), c.record != 0);
    EXPECT_EQ(field, c.field);
    EXPECT_EQ(dbf.RecNo(), c.record != 0 ? c.record : 3);
  }
}

TEST_F(KvDbfSearch, NothingFoundLeavesTheCursorAndAnEmptyTextLeavesTheFieldNumber) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  dbf.Skip(3);
  std::uint8_t field = 2;
  EXPECT_FALSE(dbf.Search("nowhere", field, true));
  EXPECT_EQ(field, 0);
  EXPECT_EQ(dbf.RecNo(), 4);
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 12);

  field = 2;
  EXPECT_FALSE(dbf.Search("   ", field, true));
  EXPECT_EQ(field, 2);
  EXPECT_FALSE(dbf.Search("", field, true));
  EXPECT_EQ(field, 2);
  EXPECT_EQ(dbf.RecNo(), 4);

  // A field number above the field count means any field.
  field = 9;
  EXPECT_TRUE(dbf.Search("graphics", field, true));
  EXPECT_EQ(field, 2);
}

TEST_F(KvDbfSearch, FromTheNextRecordStartsAfterTheCurrentOne) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  dbf.Skip(1);  // record 2 holds "12" itself
  std::uint8_t field = 0;
  EXPECT_TRUE(dbf.Search("12", field, false));
  EXPECT_EQ(dbf.RecNo(), 4);
  // At Eof after a walk the cursor stands on the last record: nothing comes after it.
  Walk(dbf);
  field = 0;
  EXPECT_FALSE(dbf.Search("12", field, false));
  EXPECT_EQ(dbf.RecNo(), 5);
}

// A hit never spans two fields, never lies in a memo field, and an occurrence that straddles
// two fields does not hide one that lies inside the second.
TEST_F(KvDbfSearch, OnlyOccurrencesInsideOneNonMemoFieldCount) {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"CODE", 'C', 4}, {"NOTE", 'M', 10}, {"TEXT", 'C', 8}};
  t.records = {Rec({"  77", Pad("77", 10, true), "7x      "}),  // "777" only across NOTE and TEXT
               Rec({"  12", Pad("", 10), "121 tips"})};
  dir_.Write("notes.dbt", testing::MemoBytes(512, testing::Le32(99), {{77, "777 121\x1A"}}));
  KvDbf dbf("NotesDBF");
  OpenTable(dbf, "notes.dbf", t);
  std::uint8_t field = 0;
  EXPECT_FALSE(dbf.Search("777", field, true));  // memo digits and the memo text never count
  EXPECT_TRUE(dbf.Search("77", field, true));
  EXPECT_EQ(field, 1);  // CODE, never NOTE
  field = 2;
  EXPECT_FALSE(dbf.Search("77", field, true));  // restricted to the memo field: nothing
  field = 0;
  EXPECT_TRUE(dbf.Search("121", field, true));
  EXPECT_EQ(dbf.RecNo(), 2);
  EXPECT_EQ(field, 3);

  // Adjacent fields: ARTICLE_ID ends "12", KEYWORD begins "121": the first occurrence of
  // "121" straddles the two, the next one lies inside KEYWORD.
  TableBytes k;
  k.fields = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
  k.records = {Rec({Pad("12", 11, true), Pad("121 tips", 28)})};
  KvDbf keywords("KeywordDBF");
  OpenTable(keywords, "keyword.dbf", k);
  field = 0;
  EXPECT_TRUE(keywords.Search("121", field, true));
  EXPECT_EQ(field, 2);
}

TEST_F(KvDbfSearch, FilterAndHiddenDeletedRecordsAreSkipped) {
  KvDbf dbf("KeywordDBF");
  dbf.SetHideDeletedRecs(true);
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  EXPECT_EQ(Hits(dbf, "12", 2), (std::vector<Hit>{{2, 2}}));
  dbf.SetFilterTo("ARTICLE_ID <> 112");
  dbf.First();
  EXPECT_EQ(Hits(dbf, "12"), (std::vector<Hit>{{2, 2}}));
  // Nothing found under a filter: back on the record of the start.
  dbf.First();
  dbf.Skip(1);
  std::uint8_t field = 0;
  EXPECT_FALSE(dbf.Search("Graphics", field, true));
  EXPECT_EQ(dbf.RecNo(), 3);
  dbf.Skip(1);
  EXPECT_EQ(dbf.RecNo(), 4);
}

// Many blocks: the scan reads 65520 bytes at a time; hits in every block, at block edges,
// and a search that goes on from the next record, in and beyond the block read last.
TEST_F(KvDbfSearch, LargeTablesAreScannedBlockByBlock) {
  TableBytes t;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
  std::vector<Hit> expected;
  const int records = 5000;  // 40-byte records: 1638 per block
  for (int i = 1; i <= records; ++i) {
    const bool hit = i % 700 == 0 || i == 1638 || i == 1639 || i == records;
    t.records.push_back(Rec({Pad(std::to_string(i), 11, true), Pad(hit ? "the needle" : "hay", 28)}));
    if (hit) expected.emplace_back(i, 2);
  }
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", t);
  EXPECT_EQ(Hits(dbf, "NEEDLE"), expected);
  EXPECT_EQ(dbf.RecNo(), records);
  std::uint8_t field = 0;
  EXPECT_FALSE(dbf.Search("HAYSTACK", field, true));
  EXPECT_EQ(dbf.RecNo(), records);
}

TEST_F(KvDbfSearch, AnEmptyTableFindsNothing) {
  TableBytes t = KeywordTable();
  t.records.clear();
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", t);
  std::uint8_t field = 0;
  EXPECT_FALSE(dbf.Search("12", field, true));
  EXPECT_TRUE(dbf.Eof());
}

TEST_F(KvDbfSearch, ATableShorterThanItsHeaderSaysIsScannedAsFarAsItGoes) {
  TableBytes t = KeywordTable();
  t.record_count = 9;
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", t);
  std::uint8_t field = 2;
  EXPECT_TRUE(dbf.Search("turbo", field, true));
  EXPECT_EQ(dbf.RecNo(), 5);
  EXPECT_FALSE(dbf.Search("turbo", field, false));
  EXPECT_EQ(dbf.RecNo(), 5);
}

}  // namespace
}  // namespace vantorel::tables
