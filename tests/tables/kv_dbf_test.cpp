// KvDbf: properties, opening and creating, the cursor, fields, filters, memo lines, Locate
// and the failure policy.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "kv_dbf_test_helpers.h"
#include "tables/work_areas.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::KeywordTable;
using testing::Le32;
using testing::MemoBytes;
using testing::Pad;
using testing::Rec;
using testing::TableBytes;

class KvDbfDataset : public testing::KvDbfTest {};

TEST(KvDbfProperties, Defaults) {
  const KvDbf dbf("KeywordDBF");
  EXPECT_EQ(dbf.DbfFileName(), "");
  EXPECT_FALSE(dbf.Active());
  EXPECT_TRUE(dbf.DbfFields().empty());
  EXPECT_FALSE(dbf.HideDeletedRecs());
  EXPECT_EQ(dbf.TableLanguage(), KvTableLanguage::tlOem);
  EXPECT_FALSE(dbf.ReadOnly());
  EXPECT_EQ(dbf.CreateIndex(), CreateIndexType::ciNotFound);
  EXPECT_TRUE(dbf.CreateIfNotFound());
  EXPECT_FALSE(dbf.Exclusive());
  EXPECT_TRUE(dbf.ShowProgress());
  EXPECT_TRUE(dbf.IndexList().empty());
  EXPECT_TRUE(dbf.Eof());
}

TEST(KvDbfProperties, FileNameAssignment) {
  const struct {
    const char* given;
    const char* kept;
  } cases[] = {
      {"  /data/article  ", "/data/article.dbf"},
      {"/data/keyword.dbf", "/data/keyword.dbf"},
      {"/data/words.DAT", "/data/words.DAT"},
      {"/my.data/files", "/my.data/files.dbf"},
      {"C:\\KVX.01\\author", "C:\\KVX.01\\author.dbf"},
      {"/data/plain.", "/data/plain."},
      {"   ", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    KvDbf dbf("T");
    dbf.SetDbfFileName(c.given);
    EXPECT_EQ(dbf.DbfFileName(), c.kept);
  }
}

TEST_F(KvDbfDataset, OpeningStandsOnTheFirstRecordAndClosingEndsIt) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  ASSERT_TRUE(dbf.Active());
  EXPECT_FALSE(dbf.Eof());
  EXPECT_EQ(dbf.RecNo(), 1);
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 112);
  EXPECT_EQ(dbf.RecordCount(), 5);
  ASSERT_EQ(dbf.Fields().size(), 2u);
  EXPECT_EQ(dbf.Fields()[1].name, "KEYWORD");

  dbf.SetActive(false);
  EXPECT_FALSE(dbf.Active());
  EXPECT_TRUE(dbf.Eof());
  const EKvError error = ErrorOf([&] { dbf.RecordCount(); });
  EXPECT_EQ(error.Code(), 1103);
  EXPECT_EQ(error.Detail(), "Database is not open [KeywordDBF.RecordCount]");
  try {
    dbf.Fields();
    ADD_FAILURE() << "no dataset error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "KeywordDBF.DbfFields undefined. Set Active to TRUE");
  }
}

TEST_F(KvDbfDataset, EveryOperationOnAClosedTableIsDatabaseNotOpen) {
  KvDbf dbf("WordsDBF");
  dbf.SetRaiseEngineErrors(true);
  std::uint8_t field = 0;
  std::vector<std::string> lines;
  const struct {
    const char* operation;
    std::function<void()> call;
  } cases[] = {
      {"First", [&] { dbf.First(); }},
      {"Skip", [&] { dbf.Skip(1); }},
      {"FieldAsString", [&] { dbf.FieldAsString("WORD"); }},
      {"FieldAsInteger", [&] { dbf.FieldAsInteger("WORD"); }},
      {"Search", [&] { dbf.Search("X", field, true); }},
      {"SetFilterTo", [&] { dbf.SetFilterTo(""); }},
      {"GetMField", [&] { dbf.GetMField("M", lines); }},
      {"Locate", [&] { dbf.Locate("WORD", "X"); }},
      {"MakeIndex", [&] { dbf.MakeIndex("WORD", "/tmp/w"); }},
      {"SetIndexTo", [&] { dbf.SetIndexTo(""); }},
      {"Find", [&] { dbf.Find("X"); }},
      {"FindExact", [&] { dbf.FindExact("X"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.operation);
    const EKvError error = ErrorOf(c.call);
    EXPECT_EQ(error.Code(), 1103);
    EXPECT_EQ(error.Detail(), std::string("Database is not open [WordsDBF.") + c.operation + "]");
  }
}

TEST_F(KvDbfDataset, OpeningWithoutAFileNameIsDatasetErrorFour) {
  KvDbf dbf("T");
  try {
    dbf.SetActive(true);
    ADD_FAILURE() << "no dataset error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "ADataset error 4");
  }
  EXPECT_FALSE(dbf.Active());
}

TEST_F(KvDbfDataset, AssigningTheFileNameOfAnOpenTableReopensIt) {
  TableBytes other = KeywordTable();
  other.records.resize(2);
  dir_.Write("other.dbf", other.Bytes());
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  dbf.Skip(2);
  dbf.SetDbfFileName(dir_ / "other");
  EXPECT_TRUE(dbf.Active());
  EXPECT_EQ(dbf.RecordCount(), 2);
  EXPECT_EQ(dbf.RecNo(), 1);
  // The same name again: closed and opened, so the cursor is back on the first record.
  dbf.Skip(1);
  dbf.SetDbfFileName(dir_ / "other.dbf");
  EXPECT_EQ(dbf.RecNo(), 1);
}

TEST_F(KvDbfDataset, ExclusiveKeepsOthersOutAndChangingItReopens) {
  dir_.Write("files.dbf", KeywordTable().Bytes());
  KvDbf first("FilesDBF");
  first.SetRaiseEngineErrors(true);
  first.SetExclusive(true);
  first.SetDbfFileName(dir_ / "files.dbf");
  first.SetActive(true);
  ASSERT_TRUE(first.Active());

  KvDbf second("OtherDBF");
  second.SetRaiseEngineErrors(true);
  second.SetReadOnly(true);
  second.SetDbfFileName(dir_ / "files.dbf");
  const EKvError error = ErrorOf([&] { second.SetActive(true); });
  EXPECT_EQ(error.Code(), 32);
  EXPECT_EQ(error.Detail(), "Failure to open " + testing::ShownPath(dir_, "files.dbf") + " [USE/OpenDbf]");
  EXPECT_FALSE(second.Active());

  first.SetExclusive(false);
  EXPECT_TRUE(first.Active());
  second.SetActive(true);
  EXPECT_TRUE(second.Active());
}

TEST_F(KvDbfDataset, EachTableTakesTheFirstFreeWorkAreaAndGivesBackTheSelection) {
  dir_.Write("t.dbf", KeywordTable().Bytes());
  std::vector<std::unique_ptr<KvDbf>> tables;
  ProcessWorkAreas().Select(5);
  for (int i = 0; i < WorkAreas::kCount; ++i) {
    auto dbf = std::make_unique<KvDbf>("T" + std::to_string(i));
    dbf->SetRaiseEngineErrors(true);
    dbf->SetReadOnly(true);
    dbf->SetDbfFileName(dir_ / "t.dbf");
    dbf->SetActive(true);
    ASSERT_TRUE(dbf->Active());
    EXPECT_EQ(ProcessWorkAreas().Selected(), 5);
    tables.push_back(std::move(dbf));
  }
  KvDbf one_too_many("Extra");
  one_too_many.SetRaiseEngineErrors(true);
  one_too_many.SetDbfFileName(dir_ / "t.dbf");
  const EKvError error = ErrorOf([&] { one_too_many.SetActive(true); });
  EXPECT_EQ(error.Code(), 220);
  EXPECT_EQ(error.Detail(), "No free workarea available [Select(0)]");

  // The component's name is the table's alias.
  tables.pop_back();
  KvDbf same_name("T0");
  same_name.SetRaiseEngineErrors(true);
  same_name.SetDbfFileName(dir_ / "t.dbf");
  EXPECT_EQ(ErrorOf([&] { same_name.SetActive(true); }).Detail(),
            "Alias name \"T0\" already in use. [USE]");
}

TEST_F(KvDbfDataset, AMissingTableIsCreatedFromDbfFields) {
  KvDbf dbf("ArticleDBF");
  dbf.SetRaiseEngineErrors(true);
  dbf.SetDbfFields({"article_id, N, 11, 0", "title, C, 64, 0", "summary, M, 10, 0"});
  dbf.SetDbfFileName(dir_ / "article");
  dbf.SetActive(true);
  ASSERT_TRUE(dbf.Active());
  EXPECT_TRUE(std::filesystem::exists(dir_ / "article.dbf"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "article.dbt"));
  EXPECT_EQ(dbf.RecordCount(), 0);
  EXPECT_TRUE(dbf.Eof());
  ASSERT_EQ(dbf.Fields().size(), 3u);
  EXPECT_EQ(dbf.Fields()[2].type, 'M');
  // First on an empty table: Eof, and the fields read blank.
  dbf.First();
  EXPECT_TRUE(dbf.Eof());
  EXPECT_EQ(dbf.FieldAsString("TITLE"), std::string(64, ' '));
}

TEST_F(KvDbfDataset, CreationFailuresShowTheirMessagesThenTheOpenFails) {
  const std::string path = dir_ / "author.dbf";
  {
    KvDbf dbf("AuthorDBF");
    dbf.SetRaiseEngineErrors(true);
    dbf.SetDbfFileName(path);
    ui_.Expect(core::BoxKind::Information, "FieldList.Count is <= 0 trying to create a database")
        .Expect(core::BoxKind::Information, "Could not create \"" + path + "\"");
    const EKvError error = ErrorOf([&] { dbf.SetActive(true); });
    EXPECT_EQ(error.Code(), 2);
    EXPECT_FALSE(dbf.Active());
  }
  {
    KvDbf dbf("AuthorDBF");
    dbf.SetRaiseEngineErrors(true);
    dbf.SetDbfFields({"author_id, N, 11"});  // three commas are needed
    dbf.SetDbfFileName(path);
    ui_.Expect(core::BoxKind::Information, "Could not create \"" + path + "\"");
    EXPECT_EQ(ErrorOf([&] { dbf.SetActive(true); }).Code(), 2);
  }
  {
    // Without CreateIfNotFound nothing is tried: the open fails.
    KvDbf dbf("FilesDBF");
    dbf.SetRaiseEngineErrors(true);
    dbf.SetCreateIfNotFound(false);
    dbf.SetDbfFields({"file_id, C, 3, 0"});
    dbf.SetDbfFileName(path);
    const EKvError error = ErrorOf([&] { dbf.SetActive(true); });
    EXPECT_EQ(error.Code(), 2);
    EXPECT_EQ(error.Detail(), "Failure to open " + testing::ShownPath(dir_, "author.dbf") + " [USE/OpenDbf]");
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  EXPECT_TRUE(ui_.Done());
}

TEST_F(KvDbfDataset, MessagesAreHeldBackWhenTheMessageModeIsOff) {
  KvDbf dbf("AuthorDBF");
  dbf.SetRaiseEngineErrors(true);
  dbf.SetShowMessages(false);
  dbf.SetDbfFileName(dir_ / "author.dbf");
  EXPECT_EQ(ErrorOf([&] { dbf.SetActive(true); }).Code(), 2);
  EXPECT_TRUE(ui_.boxes.empty());
}

// --- The cursor ----------------------------------------------------------------------------

TEST_F(KvDbfDataset, WalkingVisitsEveryRecordDeletedOnesIncluded) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
  // Skip(1) on the last record: Eof, and the fields still show the last record.
  EXPECT_TRUE(dbf.Eof());
  EXPECT_EQ(dbf.RecNo(), 5);
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 9);
  // Nothing moves forward at Eof; backward it moves again.
  dbf.Skip(1);
  EXPECT_EQ(dbf.RecNo(), 5);
  dbf.Skip(-2);
  EXPECT_FALSE(dbf.Eof());
  EXPECT_EQ(dbf.RecNo(), 3);
  dbf.Skip(-5);
  EXPECT_TRUE(dbf.Bof());
  EXPECT_EQ(dbf.RecNo(), 1);
  dbf.Skip(1);
  EXPECT_EQ(dbf.RecNo(), 2);
}

TEST_F(KvDbfDataset, HiddenDeletedRecordsAreSkipped) {
  KvDbf dbf("KeywordDBF");
  dbf.SetHideDeletedRecs(true);
  TableBytes table = KeywordTable();
  table.records[0][0] = '*';
  OpenTable(dbf, "keyword.dbf", table);
  EXPECT_EQ(dbf.RecNo(), 2);
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{2, 3, 4}));
  EXPECT_EQ(dbf.RecordCount(), 5);
}

TEST_F(KvDbfDataset, SkipZeroReadsTheRecordAgainFromTheFile) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  dbf.Skip(1);
  TableBytes changed = KeywordTable();
  changed.records[1] = Rec({Pad("77", 11, true), Pad("Changed", 28)});
  {
    std::fstream file(dir_ / "keyword.dbf", std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(32 + 2 * 32 + 1 + 40));
    file.write(changed.records[1].data(), 40);
  }
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 7);
  dbf.Skip(0);
  EXPECT_EQ(dbf.RecNo(), 2);
  EXPECT_FALSE(dbf.Eof());
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 77);
}

// --- Fields --------------------------------------------------------------------------------

// Every field type, with a memo file.
TableBytes ArticleTable() {
  TableBytes t;
  t.version = 0x83;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"TITLE", 'C', 28},  {"PRICE", 'N', 7, 2},
              {"PUBLISHED", 'D', 8},   {"ONLINE", 'L', 1}, {"SUMMARY", 'M', 10},
              {"CODE", 'C', 5}};
  t.records = {
      Rec({Pad("12", 11, true), Pad("ABC", 28), "   2.50", "20010209", "T", Pad("1", 10, true), "  42 "}),
      Rec({Pad("", 11), Pad("M\x81nchen", 28), "  -0.25", "        ", "?", Pad("", 10), "4x   "}),
      Rec({Pad("-7", 11, true), Pad("", 28), "   3.50", "19991231", "y", Pad("2", 10, true), "     "}, '*')};
  return t;
}

void WriteArticleMemo(const testing::TempDir& dir) {
  dir.Write("article.dbt", MemoBytes(512, Le32(3), {{1, "Gr\x81\xE1" "e\r\nline two\x8D\nwrapped\x1A"},
                                                    {2, "only\x1A"}}));
}

TEST_F(KvDbfDataset, FieldAsStringFormatsByFieldType) {
  WriteArticleMemo(dir_);
  KvDbf dbf("ArticleDBF");
  OpenTable(dbf, "article.dbf", ArticleTable());
  const struct {
    std::int64_t record;
    const char* field;
    std::string text;
  } cases[] = {
      {1, "ARTICLE_ID", "         12"},
      {1, "title", "ABC" + std::string(25, ' ')},
      {1, "PRICE", "    2.5"},
      {1, "Published", "02/09/2001"},
      {1, "ONLINE", "T"},
      {1, "SUMMARY", "Gr\xFC\xDF" "e\r\nline twowrapped"},
      {1, "ARTICLE_IDXYZ", "         12"},  // only 10 characters of the name count
      {2, "ARTICLE_ID", "          0"},
      {2, "TITLE", "M\xFCnchen" + std::string(21, ' ')},
      {2, "PRICE", "  -0.25"},
      {2, "PUBLISHED", "  /  /    "},
      {2, "ONLINE", "F"},
      {2, "SUMMARY", ""},
      {3, "ARTICLE_ID", "         -7"},
      {3, "ONLINE", "T"},
      {3, "TITLE", std::string(28, ' ')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.record) + " " + c.field);
    dbf.First();
    dbf.Skip(c.record - 1);
    EXPECT_EQ(dbf.FieldAsString(c.field), c.text);
  }
  try {
    dbf.FieldAsString("NOPE");
    ADD_FAILURE() << "no dataset error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'NOPE' not found");
  }
}

TEST_F(KvDbfDataset, FieldAsIntegerReadsNumbersAndNumericText) {
  WriteArticleMemo(dir_);
  KvDbf dbf("ArticleDBF");
  OpenTable(dbf, "article.dbf", ArticleTable());
  EXPECT_EQ(dbf.FieldAsInteger("Article_ID"), 12);
  EXPECT_EQ(dbf.FieldAsInteger("PRICE"), 2);  // 2.5 rounds to the even neighbour
  EXPECT_EQ(dbf.FieldAsInteger("CODE"), 42);
  dbf.Skip(1);
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 0);  // blank
  EXPECT_EQ(dbf.FieldAsInteger("PRICE"), 0);
  dbf.Skip(1);
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), -7);
  EXPECT_EQ(dbf.FieldAsInteger("PRICE"), 4);  // 3.5 rounds to the even neighbour

  const struct {
    const char* field;
    const char* message;
  } failures[] = {
      {"PUBLISHED", "Cannot access field 'PUBLISHED' as type Integer"},
      {"ONLINE", "Cannot access field 'ONLINE' as type Integer"},
      {"SUMMARY", "Cannot access field 'SUMMARY' as type Integer"},
      {"CODE", "'' is not a valid integer value"},
      {"NOPE", "Field 'NOPE' not found"},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.field);
    try {
      dbf.FieldAsInteger(f.field);
      ADD_FAILURE() << "no dataset error";
    } catch (const EDatabaseError& e) {
      EXPECT_STREQ(e.what(), f.message);
    }
  }
}

TEST_F(KvDbfDataset, GetMFieldGivesTheMemoLinesInAnsi) {
  WriteArticleMemo(dir_);
  KvDbf dbf("ArticleDBF");
  OpenTable(dbf, "article.dbf", ArticleTable());
  std::vector<std::string> lines = {"left over"};
  dbf.GetMField("summary", lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"Gr\xFC\xDF" "e", "line twowrapped"}));
  dbf.Skip(1);
  dbf.GetMField("SUMMARY", lines);
  EXPECT_TRUE(lines.empty());
  dbf.Skip(1);
  dbf.GetMField("SUMMARY", lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"only"}));

  const EKvError missing = ErrorOf([&] { dbf.GetMField("ABSTRACT", lines); });
  EXPECT_EQ(missing.Code(), 220);
  EXPECT_EQ(missing.Detail(),
            "Field \"ABSTRACT\" not in \"" + testing::ShownPath(dir_, "article.dbf") + "\" [GetMField]");
  const EKvError not_memo = ErrorOf([&] { dbf.GetMField("PRICE", lines); });
  EXPECT_EQ(not_memo.Code(), 220);
  EXPECT_EQ(not_memo.Detail(),
            "\"GetMField()\" expects field \"PRICE\" to be of type:\r\n\"memo\".\"PRICE\" actually "
            "is: \"Numeric, width: 7 decimals: 2\"");
}

// --- Filters -------------------------------------------------------------------------------

TEST_F(KvDbfDataset, FiltersDecideWhatTheWalkVisits) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  dbf.SetFilterTo("ARTICLE_ID = 12 .OR. ARTICLE_ID = 7");
  EXPECT_TRUE(dbf.Filtered());
  EXPECT_EQ(dbf.Filter(), "ARTICLE_ID = 12 .OR. ARTICLE_ID = 7");
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{2, 4}));

  dbf.SetFilterTo("ARTICLE_ID = 1000");
  dbf.First();
  EXPECT_TRUE(dbf.Eof());

  dbf.SetFilterTo("");
  EXPECT_FALSE(dbf.Filtered());
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
}

TEST_F(KvDbfDataset, ANewFilterKeepsAPassingRecordElseGoesToTheLastVisibleWithEof) {
  KvDbf dbf("KeywordDBF");
  OpenTable(dbf, "keyword.dbf", KeywordTable());
  dbf.Skip(1);  // record 2, ARTICLE_ID 7
  dbf.SetFilterTo("ARTICLE_ID < 100");
  EXPECT_FALSE(dbf.Eof());
  EXPECT_EQ(dbf.RecNo(), 2);

  dbf.SetFilterTo("ARTICLE_ID > 20");
  EXPECT_TRUE(dbf.Eof());
  EXPECT_EQ(dbf.RecNo(), 3);  // 41, the last record that passes
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 41);

  // A filter that does not compile is an engine error; no filter is left.
  const EKvError error = ErrorOf([&] { dbf.SetFilterTo("ARTICLE_ID = "); });
  EXPECT_EQ(error.Code(), 351);
  EXPECT_FALSE(dbf.Filtered());
  EXPECT_EQ(Walk(dbf).size(), 5u);
}

// --- Locate --------------------------------------------------------------------------------

TableBytes FilesTable() {
  TableBytes t;
  t.fields = {{"FILE_ID", 'C', 3}, {"NAME", 'C', 12}, {"SIZE", 'N', 6, 1}};
  t.records = {Rec({"1  ", Pad("one.htm", 12), "  10.5"}),
               Rec({"12 ", Pad("Twelve.HTM", 12), "   2.0"}),
               Rec({"123", Pad("x.htm", 12), "   7.0"}, '*'),
               Rec({"12 ", Pad("again.htm", 12), "   2.0"})};
  return t;
}

TEST_F(KvDbfDataset, LocateScansForTheFirstVisibleRecordWithTheValue) {
  const struct {
    const char* field;
    const char* value;
    LocateOptions options;
    std::int64_t record;  // 0: not found
  } cases[] = {
      {"FILE_ID", "12", {}, 2},    // the field's trailing blanks do not count
      {"FILE_ID", "1", {}, 1},     // "1" is not "12 "
      {"FILE_ID", "12 ", {}, 2},
      {"FILE_ID", "123", {}, 3},   // deleted records are visible
      {"FILE_ID", "9", {}, 0},
      {"file_id", "1", {false, true}, 1},
      {"NAME", "TWELVE.HTM", {}, 0},
      {"NAME", "TWELVE.HTM", {true, false}, 2},
      {"NAME", "twel", {true, true}, 2},
      {"NAME", "twel", {false, true}, 0},
      {"NAME", "again.htm  ", {false, true}, 4},
      {"SIZE", "2", {}, 2},        // numbers compare in the field's decimals
      {"SIZE", "10.50", {}, 1},
      {"SIZE", "10.4", {}, 0},
  };
  KvDbf dbf("FilesDBF");
  OpenTable(dbf, "files.dbf", FilesTable());
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " " + c.value);
    dbf.First();
    dbf.Skip(1);
    EXPECT_EQ(dbf.Locate(c.field, c.value, c.options), c.record != 0);
    EXPECT_EQ(dbf.RecNo(), c.record != 0 ? c.record : 2);  // not found: where it was
  }
  const EKvError error = ErrorOf([&] { dbf.Locate("FILEID", "1"); });
  EXPECT_EQ(error.Code(), 220);
  EXPECT_EQ(error.Detail(), "Unrecognized field name [Locate/Count/Sum(FILEID)]");
}

// A numeric field holding a number beyond 32 bits is compared as that number: it is found by
// its own value and not by 0 (the dataset's 32-bit integer field, not Locate, holds 0 for it).
TEST_F(KvDbfDataset, LocateComparesNumbersBeyond32BitsAsTheyStand) {
  TableBytes t;
  t.fields = {{"HITS", 'N', 12}};
  t.records = {Rec({" 99999999999"}), Rec({"           0"}), Rec({"  4294967296"})};
  KvDbf dbf("CountsDBF");
  OpenTable(dbf, "counts.dbf", t);
  const struct {
    const char* value;
    std::int64_t record;
  } cases[] = {{"99999999999", 1}, {"0", 2}, {"4294967296", 3}, {"4294967296.0", 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_TRUE(dbf.Locate("HITS", c.value));
    EXPECT_EQ(dbf.RecNo(), c.record);
  }
  dbf.First();
  EXPECT_EQ(dbf.FieldAsString("HITS"), "           0");
}

TEST_F(KvDbfDataset, LocateSkipsRecordsTheFilterOrTheDeletedRuleHides) {
  KvDbf dbf("FilesDBF");
  dbf.SetHideDeletedRecs(true);
  OpenTable(dbf, "files.dbf", FilesTable());
  EXPECT_FALSE(dbf.Locate("FILE_ID", "123"));
  EXPECT_EQ(dbf.RecNo(), 1);
  dbf.SetFilterTo("NAME = \"again\"");
  dbf.First();
  EXPECT_EQ(dbf.RecNo(), 4);
  EXPECT_TRUE(dbf.Locate("FILE_ID", "12"));
  EXPECT_EQ(dbf.RecNo(), 4);
  EXPECT_FALSE(dbf.Eof());
}

// --- Failure policy ------------------------------------------------------------------------

class KvDbfReporting : public testing::KvDbfTest {
 protected:
  KvDbfReporting() {
    previous_ = SetHaltHandler([this](int code) { halts_.push_back(code); });
    previous_terminate_ = SetApplicationTerminate([this] { ++terminations_; });
  }
  ~KvDbfReporting() override {
    SetHaltHandler(previous_);
    SetApplicationTerminate(previous_terminate_);
    SetErrorReporting(true);
    ClearLastError();
  }
  std::vector<int> halts_;
  int terminations_ = 0;
  HaltHandler previous_;
  ApplicationTerminate previous_terminate_;
};

TEST_F(KvDbfReporting, EngineErrorsShowTheHaltBoxAndEndTheProgram) {
  KvDbf dbf("ArticleDBF");
  ui_.Expect(core::BoxKind::Error,
             "Error # 1103 (Invalid Operation )\r\nDatabase is not open [ArticleDBF.First]",
             core::Buttons::Ok, core::Answer::Ok, "Program halted.");
  dbf.First();
  EXPECT_EQ(halts_, (std::vector<int>{1103}));
  EXPECT_EQ(terminations_, 1);

  dbf.SetCreateIfNotFound(false);
  dbf.SetDbfFileName(dir_ / "missing.dbf");
  ui_.Expect(core::BoxKind::Error,
             "Error # 2 (File not found)\r\nFailure to open " + testing::ShownPath(dir_, "missing.dbf") +
                 " [USE/OpenDbf]",
             core::Buttons::Ok, core::Answer::Ok, "Program halted.");
  dbf.SetActive(true);
  EXPECT_FALSE(dbf.Active());
  EXPECT_EQ(halts_, (std::vector<int>{1103, 2}));
}

TEST_F(KvDbfReporting, WithReportingOffTheErrorIsKeptAndTheOperationReturnsNothing) {
  dir_.Write("keyword.dbf", KeywordTable().Bytes());
  KvDbf dbf("KeywordDBF");
  dbf.SetReadOnly(true);
  dbf.SetDbfFileName(dir_ / "keyword.dbf");
  dbf.SetActive(true);
  SetErrorReporting(false);
  EXPECT_FALSE(dbf.Locate("NOPE", "1"));
  EXPECT_EQ(LastErrorCode(), 220);
  EXPECT_EQ(dbf.RecNo(), 1);
  EXPECT_TRUE(halts_.empty());
  EXPECT_TRUE(ui_.boxes.empty());
}

// An engine error inside a cursor movement, once reported, is the dataset error with its code.
TEST_F(KvDbfReporting, AnEngineErrorInsideAMovementBecomesADatasetError) {
  TableBytes table = KeywordTable();
  table.record_count = 7;  // two records more than the file holds
  dir_.Write("keyword.dbf", table.Bytes());
  KvDbf dbf("KeywordDBF");
  dbf.SetReadOnly(true);
  dbf.SetDbfFileName(dir_ / "keyword.dbf");
  dbf.SetActive(true);
  SetErrorReporting(false);
  dbf.Skip(4);
  EXPECT_EQ(dbf.RecNo(), 5);
  try {
    dbf.Skip(1);
    ADD_FAILURE() << "no dataset error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "ADataset error 213");
  }
  EXPECT_EQ(LastErrorCode(), 213);
}

}  // namespace
}  // namespace vantorel::tables
