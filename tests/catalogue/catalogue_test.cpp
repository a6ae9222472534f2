#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/in_out_error.h"
#include "catalogue/index_freshness.h"
#include "catalogue/issue_names.h"
#include "catalogue_fixture_helpers.h"
#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::testing {
namespace {

using catalogue::IssueName;

constexpr std::time_t kTableTime = 1700000000;  // an even second

TEST(IssueNameTest, QuarterlyStartThenMonthly) {
  const struct {
    int issue;
    const char* name;
  } cases[] = {{-1, ""},
               {0, ""},
               {1, "April 1995"},
               {2, "July 1995"},
               {3, "September 1995"},
               {4, "November 1995"},
               {5, "January 1996"},
               {16, "December 1996"},
               {17, "January 1997"},
               {45, "May 1999"},
               {100, "December 2003"}};
  for (const auto& c : cases) EXPECT_EQ(IssueName(c.issue), c.name) << c.issue;
}

TEST(IssueNameTest, IssueListHasExactlyHundredItemsInNumericOrder) {
  const std::vector<std::string> items = catalogue::IssueItems();
  ASSERT_EQ(items.size(), 100u);
  EXPECT_EQ(items[0], "  1 : April 1995");
  EXPECT_EQ(items[44], " 45 : May 1999");
  EXPECT_EQ(items[99], "100 : December 2003");
  EXPECT_TRUE(std::is_sorted(items.begin(), items.end()));
}

TEST_F(CatalogueTest, FreshDirectoryGetsEveryIndexAndTheKeywordList) {
  WriteSampleCatalogue();
  catalogue::Catalogue& catalogue = OpenCatalogue();

  for (const char* file : {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx", "keywords.lst"})
    EXPECT_TRUE(platform::FileExists(dir_ / file)) << file;
  // Each build names its index, counts every 5% of the table's records, and clears the text.
  std::vector<std::string> progress;
  const std::pair<const char*, std::size_t> builds[] = {
      {"kwaid", SampleKeywords().size()}, {"kwkey", SampleKeywords().size()},
      {"araid", SampleArticles().size()}, {"ariss", SampleArticles().size()}};
  for (const auto& [index, records] : builds) {
    const std::string caption = std::string("Indexing ") + index + ".ndx...";
    progress.push_back(caption);
    for (int percent = 5; percent <= 100; percent += 5)
      progress.push_back(caption + " " + std::to_string(percent) + "% of " +
                         std::to_string(records) + " records");
    progress.push_back("");
  }
  EXPECT_EQ(ui_.progress, progress);
  // kwkey.ndx is unique on UPPER(KEYWORD): the first record of each spelling stands for it.
  const std::vector<std::string> keywords = {
      Pad("Delphi", 28), Pad("Graphics", 28),       Pad("Heap", 28),
      Pad("Memory", 28), Pad("memory manager", 28), Pad("Pascal", 28)};
  EXPECT_EQ(catalogue.KeywordItems().Items(), keywords);
  std::string list;
  for (const std::string& keyword : keywords) list += keyword + "\r\n";
  EXPECT_EQ(Read("keywords.lst"), list);
  EXPECT_EQ(catalogue.IssueItems().size(), 100u);
}

TEST_F(CatalogueTest, KeywordTableIsLeftInKwkeyOrder) {
  WriteSampleCatalogue();
  catalogue::Catalogue& catalogue = OpenCatalogue();
  std::vector<std::string> walked;
  tables::KvDbf& keywords = catalogue.KeywordDBF();
  for (keywords.First(); !keywords.Eof(); keywords.Skip(1))
    walked.push_back(core::RightTrim(keywords.FieldAsString("KEYWORD")));
  EXPECT_EQ(walked, (std::vector<std::string>{"Delphi", "Graphics", "Heap", "Memory",
                                              "memory manager", "Pascal"}));
}

TEST_F(CatalogueTest, AuthorItemsHoldThePaddedNameAndTheNumberFromCharacter65) {
  WriteSampleCatalogue();
  catalogue::Catalogue& catalogue = OpenCatalogue();
  const auto& items = catalogue.AuthorItems().Items();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0], Pad("Ann Smith", 64) + "1");
  EXPECT_EQ(items[1], Pad("Bob Jones", 64) + "2");
  EXPECT_EQ(items[2], Pad("J\xFCrgen Wei\xDF", 64) + "4");  // converted to ANSI
  EXPECT_EQ(items[3], "Zoe Long" + std::string(56, 'z') + "3");
  EXPECT_EQ(items[3].substr(catalogue::kAuthorNameWidth), "3");
}

TEST_F(CatalogueTest, IndexAsOldAsItsTableIsKeptAndAnOlderOneRebuilt) {
  WriteSampleCatalogue();
  OpenCatalogue();
  catalogue_.reset();
  ui_.progress.clear();
  for (const char* index : {"kwaid.ndx", "kwkey.ndx"}) std::filesystem::remove(dir_ / index);
  SetFileTime(dir_ / "article.dbf", kTableTime);
  SetFileTime(dir_ / "araid.ndx", kTableTime);
  dir_.Write("ariss.ndx", "older");
  SetFileTime(dir_ / "ariss.ndx", kTableTime - 60);

  OpenCatalogue();

  EXPECT_NE(Read("ariss.ndx"), "older");
  std::vector<std::string> builds;  // the texts naming a build, without its counts
  for (const std::string& text : ui_.progress)
    if (text.find('%') == std::string::npos) builds.push_back(text);
  EXPECT_EQ(builds, (std::vector<std::string>{"Indexing kwaid.ndx...", "", "Indexing kwkey.ndx...",
                                              "", "Indexing ariss.ndx...", ""}));
}

TEST_F(CatalogueTest, FreshnessComparesPackedTimes) {
  dir_.Write("file", "");
  dir_.Write("source", "");
  const struct {
    std::time_t file, source;
    bool stale;
  } cases[] = {{kTableTime, kTableTime, false},
               {kTableTime, kTableTime + 1, false},  // the same two-second step
               {kTableTime, kTableTime + 2, true},
               {kTableTime + 60, kTableTime, false}};
  for (const auto& c : cases) {
    SetFileTime(dir_ / "file", c.file);
    SetFileTime(dir_ / "source", c.source);
    EXPECT_EQ(catalogue::IsStaleAgainst(dir_ / "file", dir_ / "source"), c.stale)
        << c.file << " " << c.source;
  }
  EXPECT_FALSE(catalogue::IsStaleAgainst(dir_ / "file", dir_ / "missing"));
  EXPECT_TRUE(catalogue::IsStaleAgainst(dir_ / "missing", dir_ / "source"));
}

class KeywordListCacheTest : public CatalogueTest {
 protected:
  // Builds the indexes once, then dates the files so that only keywords.lst decides.
  void PrepareCache(std::time_t list_time) {
    WriteSampleCatalogue();
    OpenCatalogue();
    catalogue_.reset();
    dir_.Write("keywords.lst", "Fake\r\n");
    SetFileTime(dir_ / "keyword.dbf", kTableTime - 120);
    SetFileTime(dir_ / "kwaid.ndx", kTableTime);
    SetFileTime(dir_ / "kwkey.ndx", kTableTime);
    SetFileTime(dir_ / "keywords.lst", list_time);
    ui_.progress.clear();
  }
};

TEST_F(KeywordListCacheTest, NewerListIsLoadedAsItIs) {
  PrepareCache(kTableTime + 60);
  EXPECT_EQ(OpenCatalogue().KeywordItems().Items(), std::vector<std::string>{"Fake"});
  EXPECT_EQ(Read("keywords.lst"), "Fake\r\n");
  EXPECT_TRUE(ui_.progress.empty());
}

TEST_F(KeywordListCacheTest, OlderListIsRebuiltFromTheTableAndRewritten) {
  PrepareCache(kTableTime - 60);
  EXPECT_EQ(OpenCatalogue().KeywordItems().Count(), 6u);
  EXPECT_EQ(Read("keywords.lst").substr(0, 30), Pad("Delphi", 28) + "\r\n");
}

TEST_F(CatalogueTest, MissingTablesAreCreatedEmpty) {
  catalogue::Catalogue& catalogue = OpenCatalogue();
  for (const char* file : {"article.dbf", "author.dbf", "keyword.dbf", "kwkey.ndx", "ariss.ndx"})
    EXPECT_TRUE(platform::FileExists(dir_ / file)) << file;
  EXPECT_TRUE(catalogue.AuthorItems().Empty());
  EXPECT_TRUE(catalogue.KeywordItems().Empty());
  EXPECT_EQ(Read("keywords.lst"), "");
  ASSERT_EQ(catalogue.ArticleDBF().Fields().size(), 10u);
  EXPECT_EQ(catalogue.ArticleDBF().Fields()[9].name, "SUMMARY");
}

TEST_F(CatalogueTest, UnwritableKeywordListThrowsAfterTheIndexes) {
  WriteSampleCatalogue();
  std::filesystem::create_directory(dir_.path() / "keywords.lst");  // in the way of the file
  EXPECT_THROW(OpenCatalogue(), catalogue::EInOutError);
  EXPECT_TRUE(platform::FileExists(dir_ / "ariss.ndx"));
}

}  // namespace
}  // namespace vantorel::testing
