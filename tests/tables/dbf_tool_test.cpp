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
using testing::Pad;
using testing::Rec;
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
            "language\t0x00\tnone\n"
            "text\tOEM 437\n"
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
            "2\t*\t-12\tdeleted \t\t\tF\t0\n"
            "3\t \t\t        \t-0.25\t19991231\tT\t2\n");

  // 0x81 has no character in 1252: a control character there.
  const ToolRun ansi = RunTool(dir, {"--ansi", "--raw", "dump", dir / "article.dbf"});
  EXPECT_EQ(ansi.status, 0);
  EXPECT_EQ(ansi.out.substr(0, 18), "1\t \t1\tM\\x81nchen \t");
  const ToolRun raw = RunTool(dir, {"dump", "--raw", dir / "article.dbf"});
  EXPECT_EQ(raw.out.substr(0, 15), "1\t \t1\tM\xFCnchen \t");
}

// Tables of other programs: line breaks, TABs and backslashes inside values, odd deletion
// flags, OEM letters that 1252 lacks, numbers of 19 digits and 18 decimals, and the language
// driver byte choosing the code page.
TableBytes OtherProgramsTable(std::uint8_t language_driver, std::string_view name_2) {
  TableBytes t;
  t.language_driver = language_driver;
  t.fields = {{"NAME", 'C', 10}, {"AMOUNT", 'N', 19}, {"RATIO", 'N', 20, 18}, {"PRICE", 'F', 12, 2}};
  t.records = {
      Rec({"a\r\nb\tc\\d  ", Pad("5000000000", 19, true), "0.100000000000000000",
           "  1234567.50"}),
      Rec({name_2, "9223372036854775807", Pad("-1.5", 20, true), Pad("", 12)}, '*'),
      Rec({"1234567890", "1234567890123456789", Pad("", 20), Pad("-0.25", 12, true)}, '\0'),
      Rec({Pad("", 10), Pad("-42", 19), Pad("", 20), Pad("", 12)}, 'D'),
  };
  return t;
}

TEST(DbfTool, DumpWritesEachRecordOnOneLineWithTheStoredDigits) {
  // OEM 437: box drawing and Greek letters 1252 does not have, then a control byte and DEL.
  const std::string oem_name = "\xC3\xCD\xA7\xE0\xB7\xE9\xD2\x01\x7F ";
  // 1252: u-umlaut and e-acute, then the euro sign 0x80.
  const std::string ansi_name = "M\xFCller\xE9\x80  ";
  const std::string rest =
      "3\t\\x00\t1234567890\t1234567890123456789\t\t-0.25\n"
      "4\t\\x44\t          \t-42\t\t\n";
  const std::string first =
      "1\t \ta\\r\\nb\\tc\\\\d  \t5000000000\t0.100000000000000000\t1234567.50\n";
  const std::string numbers_2 = "\t9223372036854775807\t-1.5\t\n";
  struct Case {
    const char* name;
    std::uint8_t driver;
    std::string name_2;
    std::vector<std::string> options;
    std::string line_2;  // record 2's name as shown
    std::string info;    // the language and text lines of info
  };
  const Case cases[] = {
      {"unmarked table: OEM", 0x00, oem_name, {},
       "\xE2\x94\x9C\xE2\x95\x90\xC2\xBA\xCE\xB1\xE2\x95\x96\xCE\x98\xE2\x95\xA5\\x01\\x7F ",
       "language\t0x00\tnone\ntext\tOEM 437\n"},
      {"DOS driver", 0x01, oem_name, {},
       "\xE2\x94\x9C\xE2\x95\x90\xC2\xBA\xCE\xB1\xE2\x95\x96\xCE\x98\xE2\x95\xA5\\x01\\x7F ",
       "language\t0x01\tcode page 437, US MS-DOS\ntext\tOEM 437\n"},
      {"Windows ANSI driver", 0x57, ansi_name, {}, "M\xC3\xBCller\xC3\xA9\xE2\x82\xAC  ",
       "language\t0x57\tcode page 1252, ANSI\ntext\tANSI 1252\n"},
      {"Windows 1252 driver", 0x03, ansi_name, {}, "M\xC3\xBCller\xC3\xA9\xE2\x82\xAC  ",
       "language\t0x03\tcode page 1252, Windows ANSI\ntext\tANSI 1252\n"},
      {"--oem over an ANSI driver", 0x57, ansi_name, {"--oem"},
       "M\xE2\x81\xBFller\xCE\x98\xC3\x87  ",
       "language\t0x57\tcode page 1252, ANSI\ntext\tOEM 437\n"},
      {"--ansi over a DOS driver", 0x01, ansi_name, {"--ansi"},
       "M\xC3\xBCller\xC3\xA9\xE2\x82\xAC  ",
       "language\t0x01\tcode page 437, US MS-DOS\ntext\tANSI 1252\n"},
      {"unknown driver: OEM", 0xF0, oem_name, {},
       "\xE2\x94\x9C\xE2\x95\x90\xC2\xBA\xCE\xB1\xE2\x95\x96\xCE\x98\xE2\x95\xA5\\x01\\x7F ",
       "language\t0xF0\tunknown\ntext\tOEM 437\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("others.dbf", OtherProgramsTable(c.driver, c.name_2).Bytes());
    std::vector<std::string> dump = c.options;
    dump.insert(dump.end(), {"dump", dir / "others.dbf"});
    const ToolRun run = RunTool(dir, dump);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, first + "2\t*\t" + c.line_2 + numbers_2 + rest);

    std::vector<std::string> info = c.options;
    info.insert(info.end(), {"info", dir / "others.dbf"});
    const ToolRun shown = RunTool(dir, info);
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_NE(shown.out.find("memo\tno\n" + c.info + "field\tNAME\t"), std::string::npos)
        << shown.out;
  }
}

TEST(DbfTool, EvalPrintsWholeNumbersBeyondFifteenDigitsInFull) {
  TempDir dir;
  TableBytes t;
  t.fields = {{"AMOUNT", 'N', 19}};
  // 5 * 10^9 is beyond 32 bits; 2^62 and -2^59 have 19 digits and are held exactly.
  t.records = {Rec({Pad("5000000000", 19, true)}), Rec({"4611686018427387904"}),
               Rec({"-576460752303423488"})};
  dir.Write("big.dbf", t.Bytes());
  const ToolRun run = RunTool(dir, {"eval", dir / "big.dbf", "AMOUNT"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "1\tN\t5000000000\n2\tN\t4611686018427387904\n3\tN\t-576460752303423488\n");
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
      {"--oem", "--ansi", "info", dir / "article.dbf"},
      {"--latin1", "info", dir / "article.dbf"},
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
