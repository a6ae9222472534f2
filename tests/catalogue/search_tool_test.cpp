// vantorel-search, run as a program over the small catalogue.
#include <gtest/gtest.h>


#include <filesystem>

#include "catalogue_fixture_helpers.h"
#include "tool_run.h"
#include "platform/file_system.h"

#ifdef VANTOREL_SEARCH_TOOL
namespace vantorel::testing {
namespace {

class SearchToolTest : public CatalogueTest {
 protected:
  ToolRun Tool(const std::vector<std::string>& arguments) {
    return RunProgram(VANTOREL_SEARCH_TOOL, arguments, output_);
  }

  TempDir output_;  // the tool's captured output, apart from the catalogue
};

constexpr char kUsage[] =
    "usage: vantorel-search [--all] [--author ID] [--issue N] [--yes] [--last-issue N]\n"
    "                       [--pdf-dir DIR] [--source-dir DIR] DATADIR [TEXT]\n";

TEST_F(SearchToolTest, WrittenPagePrintsItsFileName) {
  WriteSampleCatalogue();
  const ToolRun run = Tool({"--all", DataDir(), "memory heap"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, DataDir() + "SEARCHRESULT.HTM\n");
  EXPECT_NE(Read("SEARCHRESULT.HTM").find("<LI><A HREF=\"#9\">Memory manager</A></LI>\r\n"),
            std::string::npos);

  const ToolRun filtered = Tool({"--author", "1", "--issue", "12", DataDir()});
  EXPECT_EQ(filtered.status, 0) << filtered.err;
  EXPECT_NE(Read("SEARCHRESULT.HTM").find("1 articles found"), std::string::npos);
}

TEST_F(SearchToolTest, SearchEndingInAMessagePrintsIt) {
  WriteSampleCatalogue();
  const ToolRun none = Tool({DataDir(), "nothing"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "Sorry, no matches were found:\nplease try again\n");

  const ToolRun declined = Tool({DataDir(), "*!*"});
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(declined.out,
            "The *!* keyword will cause a complete list of\nall articles to be generated. "
            "This takes a while:\nare you sure you wish to continue?\n");
  EXPECT_FALSE(platform::FileExists(dir_ / "ALLARTS.HTM"));

  const ToolRun confirmed = Tool({"--yes", DataDir(), "*TEST*"});
  EXPECT_EQ(confirmed.status, 0);
  EXPECT_EQ(confirmed.out, DataDir() + "ERRORS.HTM\n");
}

TEST_F(SearchToolTest, WrongCommandLinesGetTheUsage) {
  WriteSampleCatalogue();
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"--issue", "101", DataDir()},
      {"--issue", "x", DataDir()},
      {"--author", "99", DataDir()},  // no such author
      {"--bogus", DataDir()},
      {DataDir(), "a", "b"},
      {"--pdf-dir"}};
  for (const auto& arguments : cases) {
    const ToolRun run = Tool(arguments);
    EXPECT_EQ(run.status, 64) << arguments.size();
    EXPECT_NE(run.err.find(kUsage), std::string::npos) << run.err;
  }
  const ToolRun help = Tool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: vantorel-search [OPTION]... DATADIR [TEXT]\n", 0), 0u)
      << help.out;
}

TEST_F(SearchToolTest, EngineAndFileErrorsExitWithTwo) {
  dir_.Write("article.dbf", "not a table");
  dir_.Write("author.dbf", AuthorTable(SampleAuthors()));
  dir_.Write("keyword.dbf", KeywordTable(SampleKeywords()));
  const ToolRun damaged = Tool({DataDir(), "memory"});
  EXPECT_EQ(damaged.status, 2);
  EXPECT_EQ(damaged.err.rfind("Error # ", 0), 0u) << damaged.err;

  const ToolRun missing = Tool({DataDir() + "nowhere", "memory"});
  EXPECT_EQ(missing.status, 2);
}

constexpr char kBonusUsage[] =
    "usage: vantorel-search --bonus [--all] [--yes] DATADIR [TEXT]\n"
    "Try 'vantorel-search --help' for more information.\n";

// The bonus search's tables: documents 1 and 2, HEAP in 1, MEMORY in both, and a key 9
// without a document.
void WriteBonusTables(TempDir& dir) {
  dir.Write("files.dbf", FilesTable({{"1", "EXTRAS/X001.HTM", "First"},
                                     {"2", "EXTRAS/X002.HTM", "Second"}}));
  dir.Write("words.dbf", WordsTable({{"1", "HEAP"}, {"2", "MEMORY"}, {"1", "MEMORY"},
                                     {"9", "ORPHAN"}}));
}

TEST_F(SearchToolTest, BonusSearchWritesItsPage) {
  WriteBonusTables(dir_);
  const ToolRun all = Tool({"--bonus", "--all", DataDir(), "memory heap"});
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(all.out, DataDir() + "SEARCHRESULT.HTM\n");
  EXPECT_NE(Read("SEARCHRESULT.HTM").find("<LI><A HREF=\"SRCH:///EXTRAS/X001.HTM|MEMORY\">First</A></LI>\r\n"
                                          "</UL>"),
            std::string::npos);

  // The missing document's error box goes to standard error; the page is written all the same.
  const ToolRun orphan = Tool({DataDir(), "--bonus", "orphan"});
  EXPECT_EQ(orphan.status, 0);
  EXPECT_EQ(orphan.err, "vantorel-search: Unable to find link file when creating search results\n");
  EXPECT_NE(Read("SEARCHRESULT.HTM").find("SRCH:///**File not Found**|ORPHAN"), std::string::npos);
}

TEST_F(SearchToolTest, BonusSearchEndingInAMessagePrintsIt) {
  WriteBonusTables(dir_);
  const ToolRun none = Tool({"--bonus", "--all", DataDir()});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "Sorry, no matches were found:\nplease try again\n");
  const ToolRun declined = Tool({"--bonus", DataDir(), "he"});
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(declined.out,
            "Searches for long words are much quicker.\nLooking for one and two letter words "
            "can be slow.\nAre you sure you wish to continue?\n");
  EXPECT_FALSE(platform::FileExists(dir_ / "SEARCHRESULT.HTM"));
  const ToolRun accepted = Tool({"--bonus", "--yes", DataDir(), "he"});
  EXPECT_EQ(accepted.status, 0);
}

TEST_F(SearchToolTest, BonusSearchCommandLinesAndErrors) {
  WriteBonusTables(dir_);
  const std::vector<std::vector<std::string>> wrong = {
      {"--bonus"},
      {"--bonus", "--issue", "5", DataDir()},
      {"--bonus", "--author", "1", DataDir()},
      {"--bonus", "--last-issue", "5", DataDir()},
      {"--bonus", "--pdf-dir", "x", DataDir()},
      {"--bonus", DataDir(), "a", "b"}};
  for (const auto& arguments : wrong) {
    const ToolRun run = Tool(arguments);
    EXPECT_EQ(run.status, 64) << arguments.size();
    EXPECT_EQ(run.err, kBonusUsage);
  }
  const ToolRun help = Tool({"--bonus", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("\n  or:  vantorel-search --bonus [--all] [--yes] DATADIR [TEXT]\n"),
            std::string::npos)
      << help.out;

  dir_.Write("words.dbf", "not a table");
  const ToolRun damaged = Tool({"--bonus", DataDir(), "memory"});
  EXPECT_EQ(damaged.status, 2);
  EXPECT_EQ(damaged.err.rfind("Error # ", 0), 0u) << damaged.err;
  std::filesystem::remove(dir_ / "files.dbf");
  const ToolRun missing = Tool({"--bonus", DataDir(), "memory"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_FALSE(platform::FileExists(dir_ / "files.dbf"));
}

}  // namespace
}  // namespace vantorel::testing
#endif
