// vantorel-search --full-text, run as a program over the small archive.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <regex>

#include "fulltext_fixture_helpers.h"
#include "tool_run.h"
#include "unprivileged.h"

#ifdef VANTOREL_SEARCH_TOOL
namespace vantorel::testing {
namespace {

namespace fs = std::filesystem;

class FullTextToolTest : public FullTextArchiveTest {
 protected:
  std::string DataDir() const { return data_.string() + "/"; }

  ToolRun Tool(const std::vector<std::string>& arguments) {
    return RunProgram(VANTOREL_SEARCH_TOOL, arguments, output_);
  }

  TempDir output_;  // the tool's captured output, apart from the archive
};

constexpr char kUsage[] =
    "usage: vantorel-search --full-text [--json] [--limit N] [--no-update] DATADIR QUERY\n"
    "Try 'vantorel-search --help' for more information.\n";

TEST_F(FullTextToolTest, JsonPrintsOneObjectPerHitBestFirst) {
  const ToolRun zebra = Tool({"--full-text", "--json", DataDir(), "zebra"});
  EXPECT_EQ(zebra.status, 0) << zebra.err;
  EXPECT_TRUE(std::regex_match(
      zebra.out,
      std::regex(R"(\{"path": "PDF/0009\.PDF", "member": null, "page": 3, "article_ids": \[9\], )"
                 R"("title": "Memory Managers in Pascal", "issue": 12, "score": [0-9.e+-]+, )"
                 R"("snippet": "J\xC3\xBCrgen M\xC3\xBCller wrote the zebra chapter"\}\n)")))
      << zebra.out;

  if (FixturesDir().empty()) GTEST_SKIP() << "shared fixtures folder not found";
  const ToolRun member = Tool({"--full-text", "--json", DataDir(), "companion"});
  EXPECT_EQ(member.status, 0) << member.err;
  EXPECT_EQ(member.out.find(R"({"path": "DISKS/Issue02/LEGACY/L005.ZIP", "member": "F00_text.RED", )"
                            R"("page": null, "article_ids": [], "title": "F00_text.RED", "issue": 2, )"),
            0u)
      << member.out;

  const ToolRun limited = Tool({"--full-text", "--json", "--limit", "1", DataDir(), "heap"});
  EXPECT_EQ(limited.status, 0);
  EXPECT_EQ(std::count(limited.out.begin(), limited.out.end(), '\n'), 1);
}

TEST_F(FullTextToolTest, ThePageListsTheHitsInTheStyleOfTheResultPages) {
  const ToolRun run = Tool({"--full-text", DataDir(), "heap OR zebra"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, DataDir() + "FULLTEXT.HTM\n");
  const std::string page = TempDir::Read(data_ / "FULLTEXT.HTM");
  for (const char* line :
       {"<HTML><HEAD><TITLE>Full-Text Search Results</TITLE></HEAD>\r\n"
        "<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">\r\n"
        "<BASEFONT SIZE=\"3\">\r\n",
        "\r\n3 files found matching the query:</B><BR>\r\n"
        "<FONT COLOR=RED>Query: </FONT><I>heap OR zebra</I>\r\n",
        "\r\nMemory Managers in Pascal</B></FONT></TH></TR>\r\n"
        "<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Authors</B></FONT></TD>\r\n"
        "<TD COLSPAN=3 VALIGN=MIDDLE>Ann Smith, Bob Jones</TD></TR>\r\n",
        "<TD COLSPAN=1 VALIGN=MIDDLE>12 : August 1996</TD>\r\n"
        "<TD COLSPAN=2 VALIGN=MIDDLE><A HREF=\"file:///pdf/0009.PDF#page=2\">View article</A></TD></TR>\r\n"
        "<TR><TD COLSPAN=1 VALIGN=MIDDLE><FONT FACE=\"ARIAL\"><B>Page</B></FONT></TD>"
        "<TD COLSPAN=3 VALIGN=MIDDLE>2</TD></TR>\r\n",
        "<A HREF=\"VIEW:///DISKS/Issue12\\MEMMGR\\MEMMGR.PAS|heap\">DISKS/Issue12/MEMMGR/MEMMGR.PAS</A>",
        "program MemMgr; { allocates the <B>heap</B> with a freelist } if a &lt; b then<BR>\r\n",
        "J\xFCrgen M\xFCller wrote the <B>zebra</B> chapter<BR>\r\n",
        "</BODY> </HTML>\r\n"})
    EXPECT_NE(page.find(line), std::string::npos) << line << "\n---\n" << page;
  EXPECT_TRUE(fs::exists(data_ / "FTERRORS.HTM"));
}

TEST_F(FullTextToolTest, ExitStatusesTellTheOutcome) {
  const ToolRun none = Tool({"--full-text", DataDir(), "xylophone"});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.out, "No matches\n");

  const ToolRun unreadable = Tool({"--full-text", DataDir(), "C++"});
  EXPECT_EQ(unreadable.status, 1);
  EXPECT_EQ(unreadable.out.find("The full-text search cannot read this query (syntax error near "
                                "\"+\")."),
            0u)
      << unreadable.out;

  const ToolRun missing = Tool({"--full-text", DataDir() + "nothing/", "heap"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err, "vantorel-search: not a folder: " + DataDir() + "nothing/\n");

  const std::vector<std::vector<std::string>> wrong = {
      {"--full-text", DataDir()},
      {"--full-text", "--limit", "0", DataDir(), "heap"},
      {"--full-text", "--limit", "x", DataDir(), "heap"},
      {"--full-text", "--all", DataDir(), "heap"},
      {"--full-text", DataDir(), "heap", "more"},
  };
  for (const auto& arguments : wrong) {
    const ToolRun run = Tool(arguments);
    EXPECT_EQ(run.status, 64) << arguments.size();
    EXPECT_EQ(run.err, kUsage);
  }
}

TEST_F(FullTextToolTest, NoUpdateSearchesTheIndexAsItIs) {
  const ToolRun before = Tool({"--full-text", "--no-update", DataDir(), "heap"});
  EXPECT_EQ(before.status, 2);
  EXPECT_EQ(before.err,
            "vantorel-search: There is no full-text index " + DataDir() + "fulltext.db\n");
  EXPECT_EQ(Tool({"--full-text", DataDir(), "heap"}).status, 0);
  dir_.Write("Архив data/DISKS/Issue12/LATE.TXT", "a late ocelot");
  EXPECT_EQ(Tool({"--full-text", "--no-update", DataDir(), "ocelot"}).out, "No matches\n");
  EXPECT_EQ(Tool({"--full-text", "--json", DataDir(), "ocelot"}).status, 0);
}

TEST_F(FullTextToolTest, AReadOnlyArchiveIsIndexedInItsCacheFolder) {
  if (RunAgainUnprivileged()) return;
  const fs::path cache = output_.path() / "cache";
  ::setenv("XDG_CACHE_HOME", cache.c_str(), 1);
  ::chmod(data_.c_str(), 0555);
  const ToolRun run = Tool({"--full-text", DataDir(), "zebra"});
  ::chmod(data_.c_str(), 0755);
  ::unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.out.rfind(cache.string() + "/", 0), 0u) << run.out;
  const fs::path written = fs::path(run.out.substr(0, run.out.size() - 1)).parent_path();
  EXPECT_TRUE(fs::exists(written / "FULLTEXT.HTM"));
  EXPECT_TRUE(fs::exists(written / "fulltext.db"));
  EXPECT_FALSE(fs::exists(data_ / "FULLTEXT.HTM"));
  EXPECT_FALSE(fs::exists(data_ / "fulltext.db"));
}

}  // namespace
}  // namespace vantorel::testing
#endif
