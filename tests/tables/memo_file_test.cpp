// Memo files of the three kinds, their block sizes, text ends and line ends.
#include <gtest/gtest.h>

#include "engine_test_helpers.h"
#include "tables/memo_file.h"

namespace vantorel::tables {
namespace {

using testing::Be32;
using testing::DBase4MemoHeader;
using testing::ErrorOf;
using testing::FoxProMemoHeader;
using testing::Le32;
using testing::MemoBytes;
using testing::OpenTable;
using testing::Pad;
using testing::Rec;
using testing::ShownPath;
using testing::TableBytes;
using testing::TempDir;

TEST(MemoLines, HardAndSoftLineEnds) {
  const struct {
    const char* what;
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty", "", {}},
      {"one line without end", "abc", {"abc"}},
      {"CR LF", "ab\r\ncd", {"ab", "cd"}},
      {"CR alone", "ab\rcd\r", {"ab", "cd"}},
      {"final line end adds no line", "ab\r\n", {"ab"}},
      {"empty lines kept", "ab\r\n\r\ncd", {"ab", "", "cd"}},
      {"soft return with LF joins", "one para\x8D\ngoes on\r\nnext", {"one paragoes on", "next"}},
      {"soft return alone joins", "a\x8D" "b", {"ab"}},
      {"soft return at the end", "ab\x8D\n", {"ab"}},
      {"bare LF stays in the line", "a\nb", {"a\nb"}},
      {"only a line end", "\r\n", {""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SplitMemoLines(c.text), c.lines);
  }
  const std::string long_line(5000, 'x');
  EXPECT_EQ(SplitMemoLines(long_line + "\r\ny"), (std::vector<std::string>{long_line, "y"}));
}

TEST(MemoLines, FileNameAndBlockSize) {
  EXPECT_EQ(MemoFileName("/A/ARTICLE.DBF", MemoKind::DBase3), "/A/ARTICLE.DBT");
  EXPECT_EQ(MemoFileName("/A/x.dbf", MemoKind::FoxPro), "/A/x.FPT");
  EXPECT_EQ(MemoFileName("/A.B/X", MemoKind::DBase4), "/A.B/X.DBT");
  EXPECT_EQ(MemoKindOf(0x83), MemoKind::DBase3);
  EXPECT_EQ(MemoKindOf(0x8B), MemoKind::DBase4);
  EXPECT_EQ(MemoKindOf(0xF5), MemoKind::FoxPro);
  EXPECT_EQ(MemoBlockSize(DBase4MemoHeader(1, 64), MemoKind::DBase4), 64u);
  EXPECT_EQ(MemoBlockSize(DBase4MemoHeader(1, 0), MemoKind::DBase4), 512u);
  EXPECT_EQ(MemoBlockSize("", MemoKind::DBase4), 512u);
  EXPECT_EQ(MemoBlockSize(FoxProMemoHeader(8, 64), MemoKind::FoxPro), 64u);
  EXPECT_EQ(MemoBlockSize(DBase4MemoHeader(1, 64), MemoKind::DBase3), 512u);
}

// A table with one memo field and one record per block number given.
TableBytes MemoTable(std::uint8_t version, const std::vector<std::string>& blocks) {
  TableBytes t;
  t.version = version;
  t.fields = {{"SUMMARY", 'M', 10}};
  for (const std::string& block : blocks) t.records.push_back(Rec({Pad(block, 10, true)}));
  return t;
}

std::vector<std::string> MemoOf(WorkArea& area, std::int64_t record) {
  area.Go(record);
  return area.GetMemo(static_cast<std::uint32_t>(area.Values().Integer(0)));
}

TEST(MemoFile, DBase3TextEndsAtTheFirstEndMark) {
  TempDir dir;
  const std::string long_text = std::string(700, 'L') + "\r\n" + "tail";
  dir.Write("t.dbt", MemoBytes(512, Le32(4) + std::string(508, '\0'),
                               {{1, "ab\r\ncd\x1A\x1A"}, {2, long_text + "\x1A"}}));
  const auto area = OpenTable(dir, "t.dbf", MemoTable(0x83, {"1", "2", "", "0"}).Bytes());
  EXPECT_EQ(area->Memo()->Kind(), MemoKind::DBase3);
  EXPECT_EQ(area->Memo()->BlockSize(), 512u);
  EXPECT_EQ(MemoOf(*area, 1), (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(MemoOf(*area, 2), (std::vector<std::string>{std::string(700, 'L'), "tail"}));
  EXPECT_TRUE(MemoOf(*area, 3).empty());
  EXPECT_TRUE(MemoOf(*area, 4).empty());
}

TEST(MemoFile, TextWithoutEndMarkEndsAtTheEndOfTheFile) {
  TempDir dir;
  dir.Write("t.dbt", MemoBytes(512, Le32(2), {{1, "last words"}}));
  const auto area = OpenTable(dir, "t.dbf", MemoTable(0x83, {"1"}).Bytes());
  EXPECT_EQ(MemoOf(*area, 1), (std::vector<std::string>{"last words"}));
}

TEST(MemoFile, DBase4BlocksWithLengthAndPlainBlocks) {
  TempDir dir;
  const std::string counted = std::string("\xFF\xFF\x08\x00", 4) + Le32(8 + 11) +
                              "para\x8D\none\r\n" + "\x1A" "garbage";
  dir.Write("t.dbt", MemoBytes(64, DBase4MemoHeader(5, 64),
                               {{1, counted}, {3, "plain\r\ntext\x1A"}}));
  const auto area = OpenTable(dir, "t.dbf", MemoTable(0x8B, {"1", "3"}).Bytes());
  EXPECT_EQ(area->Memo()->Kind(), MemoKind::DBase4);
  EXPECT_EQ(area->Memo()->BlockSize(), 64u);
  EXPECT_EQ(MemoOf(*area, 1), (std::vector<std::string>{"paraone"}));
  EXPECT_EQ(MemoOf(*area, 2), (std::vector<std::string>{"plain", "text"}));
}

TEST(MemoFile, FoxProMemosCarryTypeAndLength) {
  TempDir dir;
  dir.Write("t.fpt", MemoBytes(64, FoxProMemoHeader(10, 64),
                               {{8, Be32(1) + Be32(9) + "ab\r\ncd\r\nxx-not-text"},
                                {9, Be32(1) + Be32(0)}}));
  const auto area = OpenTable(dir, "t.dbf", MemoTable(0xF5, {"8", "9"}).Bytes());
  EXPECT_EQ(area->Memo()->Kind(), MemoKind::FoxPro);
  EXPECT_EQ(area->Memo()->BlockSize(), 64u);
  EXPECT_EQ(MemoOf(*area, 1), (std::vector<std::string>{"ab", "cd", "x"}));
  EXPECT_TRUE(MemoOf(*area, 2).empty());
}

TEST(MemoFile, LengthsPastTheEndOfTheFileStopThere) {
  TempDir dir;
  dir.Write("t.fpt", MemoBytes(64, FoxProMemoHeader(9, 64),
                               {{8, Be32(1) + Be32(0xFFFFFFF0) + "short"}}));
  const auto fox = OpenTable(dir, "t.dbf", MemoTable(0xF5, {"8"}).Bytes());
  EXPECT_EQ(MemoOf(*fox, 1), (std::vector<std::string>{"short"}));

  dir.Write("u.dbt", MemoBytes(512, DBase4MemoHeader(2, 512),
                               {{1, std::string("\xFF\xFF\x08\x00", 4) + Le32(0xFFFFFFFF) + "x"}}));
  const auto d4 = OpenTable(dir, "u.dbf", MemoTable(0x8B, {"1"}).Bytes());
  EXPECT_EQ(MemoOf(*d4, 1), (std::vector<std::string>{"x"}));
}

// Memos longer than one block, and memos that end where the file ends, whatever piece of the
// file they lie in: the text is whole and stops at its end mark, its length or the file's end.
TEST(MemoFile, TextsAcrossBlocksAndAtTheEndOfTheFile) {
  const auto text = [](std::size_t size) {
    std::string t;
    for (std::size_t i = 0; t.size() < size; ++i) t += "line " + std::to_string(i) + "\r\n";
    t.resize(size);
    if (t.back() == '\r') t.back() = 'x';
    return t;
  };
  const auto lines = [](const std::string& t) { return SplitMemoLines(t); };
  const std::string counted_mark("\xFF\xFF\x08\x00", 4);
  const struct {
    const char* what;
    std::uint8_t version;
    std::string file;             // the memo file
    std::uint32_t block;          // where the record points
    std::string expected;         // the memo's text
    const char* name;             // the memo file's name
  } cases[] = {
      {"dBASE III over seven blocks", 0x83,
       MemoBytes(512, Le32(9), {{1, text(3300) + "\x1A\x1A"}, {8, "next\x1A"}}), 1, text(3300), "t.dbt"},
      {"dBASE III end mark just after the first block", 0x83,
       MemoBytes(512, Le32(4), {{1, text(512) + "\x1A" + std::string(600, 'z')}}), 1, text(512), "t.dbt"},
      {"dBASE III end mark first in a later piece", 0x83,
       MemoBytes(512, Le32(9), {{1, text(1536) + "\x1A" + std::string(600, 'z')}}), 1, text(1536), "t.dbt"},
      {"dBASE III last memo ends with the file, one block long", 0x83,
       MemoBytes(512, Le32(2), {{1, text(512)}}), 1, text(512), "t.dbt"},
      {"dBASE III last memo ends with the file, several pieces long", 0x83,
       MemoBytes(512, Le32(2), {{1, text(512 + 1024 + 2048)}}), 1, text(512 + 1024 + 2048), "t.dbt"},
      {"dBASE III last memo of a few bytes", 0x83, MemoBytes(512, Le32(2), {{1, "ab"}}), 1, "ab", "t.dbt"},
      {"dBASE IV counted text over many blocks", 0x8B,
       MemoBytes(64, DBase4MemoHeader(90, 64), {{1, counted_mark + Le32(8 + 5000) + text(5000) + "\x1Atail"}}), 1,
       text(5000), "t.dbt"},
      {"dBASE IV counted text filling the first read exactly", 0x8B,
       MemoBytes(64, DBase4MemoHeader(20, 64), {{1, counted_mark + Le32(512) + text(504) + "more"}}), 1,
       text(504), "t.dbt"},
      {"dBASE IV counted text cut by the end of the file", 0x8B,
       MemoBytes(64, DBase4MemoHeader(20, 64), {{1, counted_mark + Le32(8 + 5000) + text(900)}}), 1,
       text(900), "t.dbt"},
      {"dBASE IV plain text over many blocks", 0x8B,
       MemoBytes(64, DBase4MemoHeader(90, 64), {{1, text(2000) + "\x1A"}}), 1, text(2000), "t.dbt"},
      {"FoxPro text over many blocks", 0xF5,
       MemoBytes(64, FoxProMemoHeader(200, 64), {{8, Be32(1) + Be32(4000) + text(4000) + "zz"}}), 8,
       text(4000), "t.fpt"},
      {"FoxPro last memo ends with the file", 0xF5,
       MemoBytes(64, FoxProMemoHeader(200, 64), {{8, Be32(1) + Be32(700) + text(700)}}), 8, text(700),
       "t.fpt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    dir.Write(c.name, c.file);
    const auto area =
        OpenTable(dir, "t.dbf", MemoTable(c.version, {std::to_string(c.block)}).Bytes());
    EXPECT_EQ(MemoOf(*area, 1), lines(c.expected));
  }
}

// Memos read in file order come through the read-ahead, the same memos read backwards one by
// one: the texts are the same either way, also those that straddle the end of a read-ahead.
TEST(MemoFile, MemosReadInOrderAndBackwardsAgree) {
  std::vector<std::pair<std::uint32_t, std::string>> memos;
  std::vector<std::string> blocks;
  std::uint32_t block = 1;
  for (int i = 0; i < 60; ++i) {
    const std::string text =
        "memo " + std::to_string(i) + "\r\n" + std::string(100 + (i * 397) % 1900, 'a' + i % 26);
    memos.emplace_back(block, text + "\x1A");
    blocks.push_back(std::to_string(block));
    block += static_cast<std::uint32_t>((text.size() + 1 + 511) / 512) + (i % 7 == 3 ? 40 : 0);
  }
  TempDir dir;
  dir.Write("t.dbt", MemoBytes(512, Le32(block), {memos.begin(), memos.end()}));
  const auto area = OpenTable(dir, "t.dbf", MemoTable(0x83, blocks).Bytes());
  const auto expected = [&](std::size_t i) {
    std::string text = memos[i].second;
    text.pop_back();
    return SplitMemoLines(text);
  };
  for (std::size_t i = 0; i < memos.size(); ++i) {
    SCOPED_TRACE("in order, memo " + std::to_string(i));
    EXPECT_EQ(MemoOf(*area, static_cast<std::int64_t>(i) + 1), expected(i));
  }
  for (std::size_t i = memos.size(); i-- > 0;) {
    SCOPED_TRACE("backwards, memo " + std::to_string(i));
    EXPECT_EQ(MemoOf(*area, static_cast<std::int64_t>(i) + 1), expected(i));
  }
}

// A memo file another program adds to while the table is open: memos written after the
// opening are found.
TEST(MemoFile, MemosAddedAfterTheOpeningAreRead) {
  TempDir dir;
  const std::string first = MemoBytes(512, Le32(2), {{1, "first\x1A"}});
  dir.Write("t.dbt", first);
  const auto area = OpenTable(dir, "t.dbf", MemoTable(0x83, {"1", "2", "3"}).Bytes());
  EXPECT_EQ(MemoOf(*area, 1), (std::vector<std::string>{"first"}));
  EXPECT_EQ(ErrorOf([&] { MemoOf(*area, 2); }).Code(), 1003);
  dir.Write("t.dbt", MemoBytes(512, Le32(4), {{1, "first\x1A"}, {2, "second\x1A"}, {3, "third"}}));
  EXPECT_EQ(MemoOf(*area, 2), (std::vector<std::string>{"second"}));
  EXPECT_EQ(MemoOf(*area, 3), (std::vector<std::string>{"third"}));
}

TEST(MemoFile, BlockPastTheEndIsCode1003) {
  TempDir dir;
  dir.Write("t.dbt", MemoBytes(512, Le32(2), {{1, "ab\x1A"}}));
  const auto area =
      OpenTable(dir, "t.dbf", MemoTable(0x83, {"1", "2", "99999"}).Bytes());
  for (const std::int64_t record : {2, 3}) {
    const EKvError error = ErrorOf([&] { MemoOf(*area, record); });
    EXPECT_EQ(error.Code(), 1003);
    EXPECT_EQ(error.Detail(), ShownPath(dir, "t.dbt") + " Record # " + std::to_string(record) +
                                  " [GetMemo]");
  }
}

TEST(MemoFile, MissingMemoFileFailsTheOpen) {
  TempDir dir;
  const EKvError error =
      ErrorOf([&] { OpenTable(dir, "t.dbf", MemoTable(0x83, {"1"}).Bytes()); });
  EXPECT_EQ(error.Code(), 2);
  // The memo file that is not there is named as the table's name gives it.
  EXPECT_EQ(error.Detail(), "Memo file not found: " + ShownPath(dir, "t.DBT") + " [USE]");
}

TEST(MemoFile, TableWithoutMemoFileHasNoMemo) {
  TempDir dir;
  TableBytes t;
  t.fields = {{"NOTE", 'M', 10}};
  t.records = {Rec({"         1"})};
  const auto area = OpenTable(dir, "t.dbf", t.Bytes());
  EXPECT_EQ(area->Memo(), nullptr);
  EXPECT_EQ(ErrorOf([&] { area->GetMemo(1); }).Code(), 1019);
}

}  // namespace
}  // namespace vantorel::tables
