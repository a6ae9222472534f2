// vantorel-dbf eval and filter, run as the built program on tables written here.
#include <gtest/gtest.h>

#include "core/texts.h"
#include "table_bytes_helpers.h"
#include "temp_dir.h"
#include "tool_run_helpers.h"

namespace vantorel::tables {
namespace {

using testing::ArticleTableBytes;
using testing::RunTool;
using testing::TableBytes;
using testing::TempDir;
using testing::ToolRun;

class ExpressionToolTest : public ::testing::Test {
 protected:
  ExpressionToolTest() {
    const TableBytes t = ArticleTableBytes();
    dir_.Write("article.dbf", t.Bytes());
    table_ = dir_ / "article.dbf";
  }

  ToolRun Run(const std::vector<std::string>& arguments) { return RunTool(dir_, arguments); }

  TempDir dir_;
  std::string table_;
};

TEST_F(ExpressionToolTest, EvalPrintsEveryRecordsValueWithItsType) {
  struct Case {
    const char* expression;
    const char* out;
  };
  const Case cases[] = {
      {"ARTICLE_ID", "1\tN\t1\n2\tN\t-12\n3\tN\t0\n"},
      {"PRICE * 2", "1\tN\t3\n2\tN\t0\n3\tN\t-0.5\n"},
      {"ARTICLE_ID / 3", "1\tN\t0.333333333333333\n2\tN\t-4\n3\tN\t0\n"},
      {"1E250", "1\tN\t1e+250\n2\tN\t1e+250\n3\tN\t1e+250\n"},
      {"UPPER(TITLE)", "1\tC\tMÜNCHEN \n2\tC\tDELETED \n3\tC\t        \n"},
      {"TRIM(TITLE) + '|'", "1\tC\tMünchen|\n2\tC\tdeleted|\n3\tC\t|\n"},
      {"TITLE = 'Mün'", "1\tL\tT\n2\tL\tF\n3\tL\tF\n"},
      {"ONLINE", "1\tL\tT\n2\tL\tF\n3\tL\tT\n"},
      {"DELETED()", "1\tL\tF\n2\tL\tT\n3\tL\tF\n"},
      {"PUBLISHED", "1\tD\t20010209\n2\tD\t\n3\tD\t19991231\n"},
      {"PUBLISHED + 1", "1\tD\t20010210\n2\tD\t\n3\tD\t20000101\n"},
      {"SUMMARY", "1\tM\t1\n2\tM\t0\n3\tM\t2\n"},
      {"RECNO()", "1\tN\t1\n2\tN\t2\n3\tN\t3\n"},
  };
  for (const Case& c : cases) {
    const ToolRun run = Run({"eval", table_, c.expression});
    EXPECT_EQ(run.status, 0) << c.expression << ": " << run.err;
    EXPECT_EQ(run.out, c.out) << c.expression;
    EXPECT_EQ(run.err, "") << c.expression;
  }
}

TEST_F(ExpressionToolTest, EvalOfOneRecord) {
  ToolRun run = Run({"eval", table_, "ARTICLE_ID", "--record", "2"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2\tN\t-12\n");
  run = Run({"eval", "--record", "3", table_, "PUBLISHED"});
  EXPECT_EQ(run.out, "3\tD\t19991231\n");

  run = Run({"eval", table_, "ARTICLE_ID", "--record", "4"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "Error # 212 (Request beyond range)\r\nInvalid record number = 4 Database \"" +
                         table_ + "\" [GO]\n");
}

TEST_F(ExpressionToolTest, EvalWithRawAndAnsiOptions) {
  ToolRun run = Run({"--raw", "eval", table_, "TITLE", "--record", "1"});
  EXPECT_EQ(run.out, "1\tC\tM\xFCnchen \n");
  run = Run({"--ansi", "--raw", "eval", table_, "TITLE", "--record", "1"});
  EXPECT_EQ(run.out, "1\tC\tM\x81nchen \n");
  run = Run({"--raw", "eval", table_, "TITLE = 'M\xFC'", "--record", "1"});
  EXPECT_EQ(run.out, "1\tL\tT\n");
}

TEST_F(ExpressionToolTest, CompileErrorsGoToStandardErrorWithStatus2) {
  ToolRun run = Run({"eval", table_, "FOO + 1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "Error # 351 (Undefined error)\r\nError in expression : Syntax error\r\n[FOO + 1]\r\n"
            " [AssignExpr]\n");
  run = Run({"filter", table_, ".NOT. ARTICLE_ID = 1"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "Error # 351 (Undefined error)\r\nError in expression : PARSER:Type mismatch in "
            "expression \".NOT.\"\r\n[.NOT. ARTICLE_ID = 1]\r\n [AssignExpr]\n");
}

TEST_F(ExpressionToolTest, EvaluationErrorsStopAfterTheRecordsBefore) {
  const ToolRun run = Run({"eval", table_, "10 / ARTICLE_ID"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "1\tN\t10\n2\tN\t-0.833333333333333\n");
  EXPECT_EQ(run.err,
            "Error # 358 (Undefined error)\r\nError during evaluation: Divide by 0 "
            "[Evaluate/Engine]\n");
}

TEST_F(ExpressionToolTest, FilterPrintsTheRecordsAWalkVisits) {
  struct Case {
    const char* expression;
    const char* out;
  };
  const Case cases[] = {
      {"ONLINE", "1\n3\n"},
      {"ARTICLE_ID = 1 .OR. DELETED()", "1\n2\n"},
      {"PRICE < 0", "3\n"},
      {"TITLE = 'Mün'", "1\n"},
      {"ARTICLE_ID = 99", ""},
      {"", "1\n2\n3\n"},
      {"ARTICLE_ID", ""},
  };
  for (const Case& c : cases) {
    const ToolRun run = Run({"filter", table_, c.expression});
    EXPECT_EQ(run.status, 0) << c.expression << ": " << run.err;
    EXPECT_EQ(run.out, c.out) << c.expression;
  }
}

TEST_F(ExpressionToolTest, AnEmptyTablePrintsNothing) {
  TableBytes empty;
  empty.fields = {{"ISSUE__", 'N', 11}};
  dir_.Write("empty.dbf", empty.Bytes());
  for (const char* command : {"eval", "filter"}) {
    const ToolRun run = Run({command, dir_ / "empty.dbf", "ISSUE__ = 7"});
    EXPECT_EQ(run.status, 0) << command << ": " << run.err;
    EXPECT_EQ(run.out, "") << command;
  }
}

TEST_F(ExpressionToolTest, WrongCommandLinesAreUsageErrors) {
  for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
           {"eval", table_},
           {"eval", table_, "ISSUE__", "extra"},
           {"eval", table_, "ARTICLE_ID", "--record"},
           {"eval", table_, "ARTICLE_ID", "--record", "0"},
           {"eval", table_, "ARTICLE_ID", "--record", "x"},
           {"filter", table_},
           {"filter", table_, "ONLINE", "extra"}}) {
    const ToolRun run = Run(arguments);
    EXPECT_EQ(run.status, 1) << arguments.size();
    EXPECT_NE(run.err.find("usage: vantorel-dbf"), std::string::npos);
  }
}

}  // namespace
}  // namespace vantorel::tables
