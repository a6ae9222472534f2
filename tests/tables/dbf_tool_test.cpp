// vantorel-dbf info, dump and memo, run as the built program on tables written here.
#include <gtest/gtest.h>

#include "table_bytes_helpers.h"
#include "temp_dir.h"
#include "tool_run_helpers.h"

namespace vantorel::tables {
namespace {

using testing::ArticleTableBytes;
using testing::Le32;
using testing::MemoBytes;
using testing::RunTool;
using testing::TableBytes;
using testing::TempDir;
using testing::ToolRun;

// An article-like table: every field type, one deleted record, OEM text, a memo file.
void WriteArticles(const TempDir& dir) {
  TableBytes t = ArticleTableBytes();
  t.version = 0x83;
  t.year = 101;
  t.month = 2;
  t.day = 9;
  dir.Write("article.dbf", t.Bytes());
  dir.Write("article.dbt",
            MemoBytes(512, Le32(3), {{1, "Gr\x81\xE1" "e\r\nline two\x8D\nwrapped\x1A"},
                                     {2, "only\x1A"}}));
}

TEST(DbfTool, InfoShowsHeaderAndFields) {
  TempDir dir;
  WriteArticles(dir);
  const ToolRun run = RunTool(dir, {"info", dir / "article.dbf"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "version\t0x83\n"
            "updated\t20010209\n"
            "records\t3\n"
            "header\t225\n"
            "record\t46\n"
            "memo\tyes\n"
            "field\tARTICLE_ID\tN\t11\t0\t1\n"
            "field\tTITLE\tC\t8\t0\t12\n"
            "field\tPRICE\tN\t7\t2\t20\n"
            "field\tPUBLISHED\tD\t8\t0\t27\n"
            "field\tONLINE\tL\t1\t0\t35\n"
            "field\tSUMMARY\tM\t10\t0\t36\n");
}

TEST(DbfTool, DumpShowsEveryRecordDecoded) {
  TempDir dir;
  WriteArticles(dir);
  const ToolRun run = RunTool(dir, {"dump", dir / "ARTICLE"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "1\t \t1\tM\xC3\xBCnchen \t1.50\t20010209\tT\t1\n"
            "2\t*\t-12\tdeleted \t0.00\t\tF\t0\n"
            "3\t \t0\t        \t-0.25\t19991231\tT\t2\n");

  const ToolRun ansi = RunTool(dir, {"--ansi", "--raw", "dump", dir / "article.dbf"});
  EXPECT_EQ(ansi.status, 0);
  EXPECT_EQ(ansi.out.substr(0, 15), "1\t \t1\tM\x81nchen \t");
  const ToolRun raw = RunTool(dir, {"dump", "--raw", dir / "article.dbf"});
  EXPECT_EQ(raw.out.substr(0, 15), "1\t \t1\tM\xFCnchen \t");
}

TEST(DbfTool, MemoShowsTheLinesConvertedFromOem) {
  TempDir dir;
  WriteArticles(dir);
  ToolRun run = RunTool(dir, {"memo", dir / "article.dbf", "1", "summary"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Gr\xC3\xBC\xC3\x9F" "e\nline twowrapped\n");
  run = RunTool(dir, {"memo", dir / "article.dbf", "2", "SUMMARY"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
}

TEST(DbfTool, EngineErrorsGoToStandardErrorWithStatus2) {
  TempDir dir;
  WriteArticles(dir);
  // Paths in the messages are as the disk spells them, in a folder with blanks and letters
  // outside code page 1252.
  const std::string folder = dir.path().string();

  ToolRun run = RunTool(dir, {"memo", dir / "article.dbf", "1", "TITLE"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "Error # 220 (Invalid parameter)\r\n\"GetMField()\" expects field \"TITLE\" to be of "
            "type:\r\n\"memo\".\"TITLE\" actually is: \"character\"\n");
  run = RunTool(dir, {"memo", dir / "article.dbf", "1", "NOPE"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error # 220 (Invalid parameter)\r\nField \"NOPE\" not in \"" + folder +
                         "/article.dbf\" [GetMField]\n");
  run = RunTool(dir, {"memo", dir / "article.dbf", "4", "SUMMARY"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error # 212 (Request beyond range)\r\nInvalid record number = 4 Database \"" +
                         folder + "/article.dbf\" [GO]\n");
  run = RunTool(dir, {"info", dir / "missing.dbf"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Error # 2 (File not found)\r\nFailure to open " + folder +
                         "/missing.dbf [USE/OpenDbf]\n");
  dir.Write("short.dbf", "tiny");
  run = RunTool(dir, {"dump", dir / "short.dbf"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
}

TEST(DbfTool, WrongCommandLinesAreStatus1) {
  TempDir dir;
  WriteArticles(dir);
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"frobnicate", dir / "article.dbf"},
      {"info"},
      {"info", "a", "b"},
      {"--oem", "info", dir / "article.dbf"},
      {"memo", dir / "article.dbf", "0", "SUMMARY"},
      {"memo", dir / "article.dbf", "x1", "SUMMARY"},
      {"memo", dir / "article.dbf", "1"},
  };
  for (const auto& line : lines) {
    const ToolRun run = RunTool(dir, line);
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("usage: vantorel-dbf"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
}

}  // namespace
}  // namespace vantorel::tables
