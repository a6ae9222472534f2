// vantorel-search, run as a program over the small catalogue.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "catalogue_fixture_helpers.h"
#include "platform/file_system.h"

#ifdef VANTOREL_SEARCH_TOOL
namespace vantorel::testing {
namespace {

struct ToolRun {
  int status;  // -1 when the program did not exit normally
  std::string out, err;
};

class SearchToolTest : public CatalogueTest {
 protected:
  ToolRun Tool(const std::vector<std::string>& arguments) {
    std::string command = std::string("'") + VANTOREL_SEARCH_TOOL + "'";
    for (const std::string& argument : arguments) {
      std::string quoted;
      for (char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
      command += " '" + quoted + "'";
    }
    command += " >'" + output_.path().string() + "/out' 2>'" + output_.path().string() + "/err'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, TempDir::Read(output_.path() / "out"),
            TempDir::Read(output_.path() / "err")};
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

}  // namespace
}  // namespace vantorel::testing
#endif
