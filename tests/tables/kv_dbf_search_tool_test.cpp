// vantorel-dbf search, run as the built program: the article search's loop over a table.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>

#include "kv_dbf_test_helpers.h"

namespace vantorel::tables {
namespace {

using testing::KeywordTable;
using testing::TempDir;

struct SearchRun {
  int status;
  std::string out;
  std::string err;
};

SearchRun RunSearch(const TempDir& dir, const std::vector<std::string>& arguments) {
  std::string command = std::string("'") + VANTOREL_DBF_TOOL + "' search";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  command += " >'" + dir / "out.txt" + "' 2>'" + dir / "err.txt" + "'";
  const int result = std::system(command.c_str());
  return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, TempDir::Read(dir.path() / "out.txt"),
          TempDir::Read(dir.path() / "err.txt")};
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
    const SearchRun run = RunSearch(dir, c.arguments);
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
  const SearchRun missing = RunSearch(dir, {dir / "missing.dbf", "12"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.err.rfind("Error # 2 (File not found)\r\nFailure to open ", 0), 0u) << missing.err;
}

}  // namespace
}  // namespace vantorel::tables
