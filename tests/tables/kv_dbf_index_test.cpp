// KvDbf with indexes: MakeIndex and its events, SetIndexTo, Find and FindExact with the cursor
// they leave, Search and Locate under an index, the IndexList policies with the progress
// window, and the SemaphoreFile of a shared table.
#include <gtest/gtest.h>

#include <filesystem>

#include "kv_dbf_test_helpers.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::KeywordTable;
using testing::TableBytes;

namespace fs = std::filesystem;

// Key order of UPPER(KEYWORD) on KeywordTable (OEM bytes): "2D REVIEW" 3, "DELPHI 12" 2,
// "GRAPHICS" 1, "M\x9ANCHEN" 4, "TURBO 12" 5.
const std::vector<std::int64_t> kKeyOrder = {3, 2, 1, 4, 5};

class KvDbfIndex : public testing::KvDbfTest {
 protected:
  void OpenKeywords(KvDbf& dbf) { OpenTable(dbf, "keyword.dbf", KeywordTable()); }
  // True when the folder holds a file of that name in any letter case.
  bool HasFile(const std::string& name) const {
    for (const auto& entry : fs::directory_iterator(dir_.path()))
      if (core::SameTextNoCase(entry.path().filename().string(), name)) return true;
    return false;
  }
};

TEST_F(KvDbfIndex, MakeIndexNeitherMovesNorOpensAndSetIndexToOrdersTheWalk) {
  KvDbf dbf("KeywordDBF");
  OpenKeywords(dbf);
  dbf.Skip(2);
  dbf.MakeIndex("UPPER(KEYWORD)", dir_ / "kwkey UNIQUE");
  EXPECT_TRUE(HasFile("kwkey.ndx"));
  EXPECT_EQ(dbf.RecNo(), 3);
  EXPECT_FALSE(dbf.Eof());
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));

  dbf.SetIndexToFiles({dir_ / "kwkey"});
  EXPECT_EQ(dbf.RecNo(), 3);  // the first record in key order
  EXPECT_FALSE(dbf.Eof());
  EXPECT_EQ(Walk(dbf), kKeyOrder);
  EXPECT_EQ(dbf.RecNo(), 5);

  dbf.SetIndexTo("");
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
}

TEST_F(KvDbfIndex, MakeIndexEvents) {
  KvDbf dbf("KeywordDBF");
  OpenKeywords(dbf);
  std::vector<std::string> events;
  dbf.OnBeforeMakeIndex = [&](const std::string& name, bool& can_make) {
    events.push_back("before " + name);
    can_make = name != dir_ / "skip";
  };
  dbf.OnAfterMakeIndex = [&](const std::string& name) { events.push_back("after " + name); };

  dbf.MakeIndex("ARTICLE_ID", dir_ / "skip");
  EXPECT_FALSE(HasFile("skip.ndx"));
  EXPECT_FALSE(HasFile("kwaid.ndx"));
  dbf.MakeIndex("ARTICLE_ID", dir_ / "kwaid");
  EXPECT_TRUE(HasFile("kwaid.ndx"));
  const EKvError error = ErrorOf([&] { dbf.MakeIndex("", dir_ / "empty"); });
  EXPECT_EQ(error.Code(), 254);
  EXPECT_EQ(events, (std::vector<std::string>{"before " + dir_ / "skip", "before " + dir_ / "kwaid",
                                              "after " + dir_ / "kwaid", "before " + dir_ / "empty",
                                              "after " + dir_ / "empty"}));
}

TEST_F(KvDbfIndex, FindPositionsOnTheFirstMatchOrEndsWithEof) {
  KvDbf dbf("KeywordDBF");
  OpenKeywords(dbf);
  dbf.MakeIndex("UPPER(KEYWORD)", dir_ / "kwkey UNIQUE");
  dbf.SetIndexToFiles({dir_ / "kwkey"});

  EXPECT_TRUE(dbf.Find("DEL"));
  EXPECT_EQ(dbf.RecNo(), 2);
  EXPECT_FALSE(dbf.Eof());
  dbf.Skip(1);  // on in key order
  EXPECT_EQ(dbf.RecNo(), 1);

  // FindExact pads with blanks: "DEL" is not "DELPHI 12"; the last record in key order shows.
  EXPECT_FALSE(dbf.FindExact("DEL"));
  EXPECT_TRUE(dbf.Eof());
  EXPECT_EQ(dbf.RecNo(), 5);
  EXPECT_EQ(dbf.FieldAsInteger("ARTICLE_ID"), 9);
  EXPECT_TRUE(dbf.FindExact("DELPHI 12"));
  EXPECT_EQ(dbf.RecNo(), 2);
  // The key is compared as given: callers upper-case it.
  EXPECT_FALSE(dbf.FindExact("delphi 12"));
  EXPECT_TRUE(dbf.Eof());

  // Keys longer than 100 characters are cut; an empty key moves nothing.
  EXPECT_FALSE(dbf.Find(std::string(150, 'Z')));
  EXPECT_TRUE(dbf.Find("GRAPHICS" + std::string(200, ' ')));
  EXPECT_EQ(dbf.RecNo(), 1);
  EXPECT_FALSE(dbf.Find(""));
  EXPECT_EQ(dbf.RecNo(), 1);
}

TEST_F(KvDbfIndex, NumericKeysAndFindWithoutAnIndex) {
  KvDbf dbf("KeywordDBF");
  OpenKeywords(dbf);
  const EKvError error = ErrorOf([&] { dbf.Find("12"); });
  EXPECT_EQ(error.Code(), 221);
  dbf.MakeIndex("ARTICLE_ID", dir_ / "kwaid");
  dbf.SetIndexToFiles({dir_ / "kwaid"});
  EXPECT_TRUE(dbf.Find("12"));
  EXPECT_EQ(dbf.RecNo(), 4);
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{2, 5, 4, 3, 1}));
}

TEST_F(KvDbfIndex, SearchGoesByRecordNumberAndTheWalkGoesOnInKeyOrder) {
  KvDbf dbf("KeywordDBF");
  OpenKeywords(dbf);
  dbf.MakeIndex("UPPER(KEYWORD)", dir_ / "kwkey UNIQUE");
  dbf.SetIndexToFiles({dir_ / "kwkey"});
  std::uint8_t field = 0;
  EXPECT_TRUE(dbf.Search("12", field, true));  // physical order: record 1 first
  EXPECT_EQ(dbf.RecNo(), 1);
  EXPECT_EQ(field, 1);
  dbf.Skip(1);
  EXPECT_EQ(dbf.RecNo(), 4);  // after GRAPHICS in key order
  dbf.Skip(-2);
  EXPECT_EQ(dbf.RecNo(), 2);
}

TEST_F(KvDbfIndex, LocateForwardsToTheControllingIndex) {
  KvDbf dbf("KeywordDBF");
  OpenKeywords(dbf);
  dbf.MakeIndex("UPPER(KEYWORD)", dir_ / "kwkey UNIQUE");
  dbf.SetIndexToFiles({dir_ / "kwkey"});
  dbf.Skip(1);  // record 2
  EXPECT_TRUE(dbf.Locate("KEYWORD", "GRAPHICS"));
  EXPECT_EQ(dbf.RecNo(), 1);
  EXPECT_FALSE(dbf.Locate("KEYWORD", "GRA"));
  EXPECT_EQ(dbf.RecNo(), 1);  // not found: where it was
  EXPECT_FALSE(dbf.Eof());
  EXPECT_TRUE(dbf.Locate("KEYWORD", "TUR", {false, true}));
  EXPECT_EQ(dbf.RecNo(), 5);
  dbf.Skip(-1);
  EXPECT_EQ(dbf.RecNo(), 4);
}

// --- IndexList ------------------------------------------------------------------------------

class RecordingProgress : public KvProgressWindow {
 public:
  void Open(const KvProgress100& progress) override {
    calls.push_back("open " + progress.Caption() + " " + std::to_string(progress.Text().size()));
  }
  void Update(const KvProgress100& progress) override {
    ++updates;
    last_text = progress.Text();
  }
  void Close() override { calls.push_back("close"); }
  std::vector<std::string> calls;
  int updates = 0;
  std::string last_text;
};

TEST(KvProgress100Row, EachStepTakesOneBarAndAnEmptyRowStartsAgain) {
  KvProgress100 progress("kwkey");
  EXPECT_EQ(progress.Caption(), "Indexing kwkey...");
  EXPECT_EQ(progress.Text(), std::string(100, '|'));
  progress.Step();
  EXPECT_EQ(progress.Text(), std::string(99, '|'));
  for (int i = 0; i < 98; ++i) progress.Step();
  EXPECT_EQ(progress.Text(), "|");
  progress.Step();
  EXPECT_EQ(progress.Text(), std::string(100, '|'));
}

TEST_F(KvDbfIndex, IndexListBuildsMissingIndexesWithProgressAndOrdersByTheFirst) {
  dir_.Write("keyword.dbf", KeywordTable().Bytes());
  RecordingProgress window;
  std::vector<std::string> events;
  KvDbf dbf("KeywordDBF");
  dbf.SetRaiseEngineErrors(true);
  dbf.SetReadOnly(true);
  dbf.SetProgressWindow(&window);
  dbf.OnBeforeMakeIndex = [&](const std::string& name, bool&) { events.push_back("before " + name); };
  dbf.OnAfterMakeIndex = [&](const std::string& name) { events.push_back("after " + name); };
  dbf.SetIndexList({"1,kwkey,UPPER(KEYWORD)", "2, kwaid , ARTICLE_ID"});
  dbf.SetDbfFileName(dir_ / "keyword");
  dbf.SetActive(true);
  ASSERT_TRUE(dbf.Active());
  EXPECT_EQ(events, (std::vector<std::string>{"before kwkey", "after kwkey", "before kwaid",
                                              "after kwaid"}));
  EXPECT_EQ(window.calls, (std::vector<std::string>{"open Indexing kwkey... 100", "close",
                                                    "open Indexing kwaid... 100", "close"}));
  EXPECT_EQ(window.updates, 200);
  EXPECT_EQ(window.last_text, std::string(100, '|'));
  EXPECT_EQ(dbf.RecNo(), 3);
  EXPECT_EQ(Walk(dbf), kKeyOrder);

  // Opened again: the files are there, nothing is built; without ShowProgress no window.
  dbf.SetActive(false);
  events.clear();
  window.calls.clear();
  dbf.SetShowProgress(false);
  dbf.SetCreateIndex(CreateIndexType::ciAlways);
  dbf.SetActive(true);
  EXPECT_EQ(events.size(), 4u);
  EXPECT_TRUE(window.calls.empty());
  dbf.SetActive(false);
  events.clear();
  dbf.SetCreateIndex(CreateIndexType::ciNotFound);
  dbf.SetActive(true);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(Walk(dbf), kKeyOrder);
}

TEST_F(KvDbfIndex, VerifyHeaderRebuildsWhenTheRecordCountChanged) {
  dir_.Write("keyword.dbf", KeywordTable().Bytes());
  std::vector<std::string> built;
  KvDbf dbf("KeywordDBF");
  dbf.SetRaiseEngineErrors(true);
  dbf.SetReadOnly(true);
  dbf.OnBeforeMakeIndex = [&](const std::string& name, bool&) { built.push_back(name); };
  dbf.SetCreateIndex(CreateIndexType::ciVerifyHeader);
  dbf.SetIndexList({"1,kwaid,ARTICLE_ID"});
  dbf.SetDbfFileName(dir_ / "keyword.dbf");
  dbf.SetActive(true);
  EXPECT_EQ(built.size(), 1u);  // missing
  dbf.SetActive(false);
  dbf.SetActive(true);
  EXPECT_EQ(built.size(), 1u);  // counts agree
  dbf.SetActive(false);

  TableBytes fewer = KeywordTable();
  fewer.records.pop_back();
  dir_.Write("keyword.dbf", fewer.Bytes());
  dbf.SetActive(true);
  EXPECT_EQ(built.size(), 2u);
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{2, 4, 3, 1}));
}

TEST_F(KvDbfIndex, TheFirstIndexListErrorStopsTheListAndIsReportedAfterTheOpening) {
  dir_.Write("keyword.dbf", KeywordTable().Bytes());
  std::vector<std::string> built;
  KvDbf dbf("KeywordDBF");
  dbf.SetRaiseEngineErrors(true);
  dbf.SetReadOnly(true);
  dbf.OnBeforeMakeIndex = [&](const std::string& name, bool&) { built.push_back(name); };
  dbf.SetCreateIndex(CreateIndexType::ciNever);
  dbf.SetIndexList({"1,kwaid,ARTICLE_ID", "2,kwkey,UPPER(KEYWORD)"});
  dbf.SetDbfFileName(dir_ / "keyword.dbf");
  const EKvError error = ErrorOf([&] { dbf.SetActive(true); });
  EXPECT_EQ(error.Code(), 2);
  EXPECT_EQ(LastErrorCode(), 2);
  EXPECT_TRUE(built.empty());
  EXPECT_TRUE(ErrorReportingOn());
  // The table is open, on its first record, in natural order.
  EXPECT_TRUE(dbf.Active());
  EXPECT_EQ(dbf.RecNo(), 1);
  EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
  ClearLastError();
}

TEST_F(KvDbfIndex, AnIndexListBuildThatFailsOrIsCancelledStopsTheList) {
  struct Case {
    const char* name;
    CreateIndexType policy;
    std::string entry;                      // the first IndexList entry
    bool cancel;                            // OnBeforeMakeIndex refuses the build
    int code;                               // the error reported after the opening
    std::vector<std::string> events;        // OnBeforeMakeIndex and OnAfterMakeIndex
    std::vector<std::string> window_calls;  // the progress window
  };
  const Case cases[] = {
      {"build fails", CreateIndexType::ciAlways, "1,kwbad", false, 254,
       {"before kwbad", "after kwbad"}, {"open Indexing kwbad... 100", "close"}},
      {"build cancelled", CreateIndexType::ciNotFound, "1,kwskip,ARTICLE_ID", true, 2,
       {"before kwskip"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("keyword.dbf", KeywordTable().Bytes());
    RecordingProgress window;
    std::vector<std::string> events;
    KvDbf dbf("KeywordDBF");
    dbf.SetRaiseEngineErrors(true);
    dbf.SetReadOnly(true);
    dbf.SetProgressWindow(&window);
    dbf.SetCreateIndex(c.policy);
    dbf.OnBeforeMakeIndex = [&](const std::string& name, bool& can_make) {
      events.push_back("before " + name);
      can_make = !c.cancel;
    };
    dbf.OnAfterMakeIndex = [&](const std::string& name) { events.push_back("after " + name); };
    dbf.SetIndexList({c.entry, "2,kwaid,ARTICLE_ID"});
    dbf.SetDbfFileName(dir_ / "keyword.dbf");
    const EKvError error = ErrorOf([&] { dbf.SetActive(true); });
    EXPECT_EQ(error.Code(), c.code);
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(window.calls, c.window_calls);
    EXPECT_FALSE(HasFile("kwaid.ndx"));
    EXPECT_TRUE(dbf.Active());
    EXPECT_EQ(Walk(dbf), (std::vector<std::int64_t>{1, 2, 3, 4, 5}));
    ClearLastError();
  }
}

// --- Shared opening ---------------------------------------------------------------------------

TEST_F(KvDbfIndex, ASharedTableLogsInWithItsFirstIndexAndOutWhenClosed) {
  const fs::path semaphore = dir_.path() / "keyword.@s@";
  dir_.Write("keyword.@s@", std::string("\x05\0\0\0", 4));  // left behind by a crash
  KvDbf dbf("KeywordDBF");
  OpenKeywords(dbf);
  EXPECT_FALSE(fs::exists(semaphore));
  dbf.MakeIndex("ARTICLE_ID", dir_ / "kwaid");
  dbf.SetIndexToFiles({dir_ / "kwaid"});
  ASSERT_TRUE(fs::exists(semaphore));
  EXPECT_EQ(testing::TempDir::Read(semaphore), std::string("\x01\0\0\0", 4));
  dbf.SetActive(false);
  EXPECT_FALSE(fs::exists(semaphore));
}

}  // namespace
}  // namespace vantorel::tables
