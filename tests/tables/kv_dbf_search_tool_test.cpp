// vantorel-dbf search, run as the built program: the article search's loop over a table.
#include <gtest/gtest.h>

#include "kv_dbf_test_helpers.h"
#include "tool_run_helpers.h"

namespace vantorel::tables {
namespace {

using testing::KeywordTable;
using testing::TempDir;
using testing::ToolRun;

// Runs vantorel-dbf search with the arguments.
ToolRun RunSearch(const TempDir& dir, const std::vector<std::string>& arguments) {
  std::vector<std::string> line = {"search"};
  line.insert(line.end(), arguments.begin(), arguments.end());
  return testing::RunTool(dir, line);
}

TEST(DbfToolSearch, PrintsEveryHitOfTheArticleSearchLoop) {
  TempDir dir;
  dir.Write("keyword.dbf", KeywordTable().Bytes());
  const std::string table = dir / "keyword.dbf";
  const struct {
    std::vector<std::string> arguments;
    const char* out;
  } cases[] = {
      {{table, "12"}, "1\t1\n4\t1\n"},
      {{"--field", "2", table, "12"}, "2\t2\n5\t2\n"},
      {{table, "m\xC3\xBCnchen"}, "4\t2\n"},  // UTF-8 on the command line, OEM in the table
      {{table, "nowhere"}, ""},
      {{table, "  "}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    const ToolRun run = RunSearch(dir, c.arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
}

TEST(DbfToolSearch, WrongArgumentsAndEngineErrors) {
  TempDir dir;
  dir.Write("keyword.dbf", KeywordTable().Bytes());
  EXPECT_EQ(RunSearch(dir, {"--field", "x", dir / "keyword.dbf", "12"}).status, 1);
  EXPECT_EQ(RunSearch(dir, {"--field", "256", dir / "keyword.dbf", "12"}).status, 1);
  EXPECT_EQ(RunSearch(dir, {dir / "keyword.dbf"}).status, 1);
  const ToolRun missing = RunSearch(dir, {dir / "missing.dbf", "12"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.rfind("Error # 2 (File not found)\r\nFailure to open ", 0), 0u) << missing.err;
}

}  // namespace
}  // namespace vantorel::tables
