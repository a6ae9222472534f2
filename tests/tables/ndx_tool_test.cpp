// vantorel-dbf index, walk and find, run as the built program.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/texts.h"
#include "table_bytes_helpers.h"
#include "temp_dir.h"
#include "tool_run_helpers.h"

namespace vantorel::tables {
namespace {

using testing::Pad;
using testing::Rec;
using testing::RunTool;
using testing::TableBytes;
using testing::TempDir;
using testing::ToolRun;

class IndexToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TableBytes t;
    t.fields = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
    const char* keywords[] = {"Delphi", "pascal", "DEL", "Basic", "delete", "M\x81hle", "del"};
    int id = 10;
    for (const char* keyword : keywords)
      t.records.push_back(Rec({Pad(std::to_string(id++), 11, true), Pad(keyword, 28)}));
    dir_.Write("keyword.dbf", t.Bytes());
  }
  std::string Table() const { return dir_ / "keyword.dbf"; }

  TempDir dir_;
};

TEST_F(IndexToolTest, IndexWalkAndFind) {
  ToolRun run = RunTool(dir_, {"index", Table(), "UPPER(KEYWORD)", "kwkey UNIQUE"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(std::filesystem::exists(dir_.path() / "kwkey.ndx"));

  run = RunTool(dir_, {"walk", Table(), "kwkey"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "4\n3\n5\n1\n6\n2\n");  // BASIC DEL DELETE DELPHI MÜHLE PASCAL

  struct Case {
    std::vector<std::string> arguments;
    const char* out;
  };
  const Case cases[] = {
      {{"find", Table(), "kwkey", "DEL"}, "found 3\n"},
      {{"find", Table(), "kwkey", "DELP"}, "found 1\n"},
      {{"find", "--exact", Table(), "kwkey", "DEL"}, "found 3\n"},
      {{"find", Table(), "kwkey", "--exact", "DELE"}, "not found\n"},
      {{"find", Table(), "kwkey", "del"}, "not found\n"},
      {{"find", Table(), "kwkey", "M\xC3\x9CH"}, "found 6\n"},  // UTF-8 U with diaeresis
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.back());
    run = RunTool(dir_, c.arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  run = RunTool(dir_, {"index", Table(), "ARTICLE_ID", dir_ / "kwaid"});
  ASSERT_EQ(run.status, 0) << run.err;
  run = RunTool(dir_, {"find", Table(), "kwaid", "14"});
  EXPECT_EQ(run.out, "found 5\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "keyword.@s@"));
}

TEST_F(IndexToolTest, EngineErrorsAndWrongCommandLines) {
  ToolRun run = RunTool(dir_, {"walk", Table(), "missing"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error # 2 (File not found)\r\nAttempt to open " +
                         (dir_ / "missing.ndx") + " [SetIndexTo(...,1)]\n");
  run = RunTool(dir_, {"index", Table(), "KEYWORD = \"A\"", "k"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("Wrong parser return type"), std::string::npos) << run.err;
  EXPECT_EQ(RunTool(dir_, {"find", Table(), "kwkey"}).status, 1);
  EXPECT_EQ(RunTool(dir_, {"walk", Table()}).status, 1);
  EXPECT_EQ(RunTool(dir_, {"index", Table(), "KEYWORD"}).status, 1);
}

}  // namespace
}  // namespace vantorel::tables
