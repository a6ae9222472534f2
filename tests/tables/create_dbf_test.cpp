// Creating an empty table from a DbfFields list.
#include <gtest/gtest.h>

#include "engine_test_helpers.h"
#include "scripted_ui.h"
#include "tables/create_dbf.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::TempDir;

unsigned char Byte(const std::string& bytes, std::size_t at) {
  return static_cast<unsigned char>(bytes.at(at));
}

TEST(CreateDbf, WritesHeaderDescriptorsAndTerminator) {
  TempDir dir;
  testing::ScriptedUi ui;
  ASSERT_TRUE(CreateDBF(dir / "keyword.dbf",
                        {"keyword_id, N, 11, 0", " Keyword , c , 28 , 0", "skipped, X, 3, 0"},
                        "KeywordDBF"));
  const std::string bytes = TempDir::Read(dir.path() / "keyword.dbf");
  ASSERT_EQ(bytes.size(), 32u + 64 + 1);
  EXPECT_EQ(Byte(bytes, 0), 0x03);
  const std::time_t now = std::time(nullptr);
  std::tm today{};
  localtime_r(&now, &today);
  EXPECT_EQ(Byte(bytes, 1), today.tm_year);
  EXPECT_EQ(Byte(bytes, 2), today.tm_mon + 1);
  EXPECT_EQ(Byte(bytes, 3), today.tm_mday);
  EXPECT_EQ(bytes.substr(4, 4), std::string(4, '\0'));
  EXPECT_EQ(Byte(bytes, 8) | Byte(bytes, 9) << 8, 97);
  EXPECT_EQ(Byte(bytes, 10) | Byte(bytes, 11) << 8, 1 + 11 + 28);
  EXPECT_EQ(bytes.substr(32, 11), std::string("KEYWORD_ID\0", 11));
  EXPECT_EQ(bytes[32 + 11], 'N');
  EXPECT_EQ(Byte(bytes, 32 + 16), 11);
  EXPECT_EQ(bytes.substr(64, 11), std::string("KEYWORD\0\0\0\0", 11));
  EXPECT_EQ(bytes[64 + 11], 'C');
  EXPECT_EQ(Byte(bytes, 64 + 16), 28);
  EXPECT_EQ(bytes[96], '\x0D');
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "keyword.dbt"));

  const auto area = WorkArea::Open(ParseUseCommand(dir / "keyword.dbf"), OpenOptions{});
  EXPECT_EQ(area->RecCount(), 0);
  EXPECT_EQ(area->FieldCount(), 2);
}

TEST(CreateDbf, MemoFieldGivesVersion8BAndAnEmptyMemoFile) {
  TempDir dir;
  testing::ScriptedUi ui;
  ASSERT_TRUE(CreateDBF(dir / "article.dbf", {"ARTICLE_ID,N,11,0", "SUMMARY,M,10,0"}, "A"));
  const std::string bytes = TempDir::Read(dir.path() / "article.dbf");
  EXPECT_EQ(Byte(bytes, 0), 0x8B);
  const std::string memo = TempDir::Read(dir.path() / "article.dbt");
  ASSERT_EQ(memo.size(), 512u);
  EXPECT_EQ(Byte(memo, 0), 1);  // the next free block
  EXPECT_EQ(Byte(memo, 20) | Byte(memo, 21) << 8, 512);

  const auto area = WorkArea::Open(ParseUseCommand(dir / "article.dbf"), OpenOptions{});
  EXPECT_EQ(area->Memo()->Kind(), MemoKind::DBase4);
  EXPECT_EQ(area->Memo()->BlockSize(), 512u);
}

TEST(CreateDbf, CorrectedDefinitionsAreReported) {
  const struct {
    FieldDefinition given;
    FieldDefinition corrected;
  } cases[] = {
      {{"A", "Q", 5, 0}, {"A", "C", 5, 0}},
      {{"A", "CC", 5, 0}, {"A", "C", 5, 0}},
      {{"A", "N", 25, 2}, {"A", "N", 20, 2}},
      {{"A", "N", 20, 19}, {"A", "N", 20, 18}},
      {{"A", "N", 5, 4}, {"A", "N", 5, 3}},
      {{"A", "N", 1, 1}, {"A", "N", 1, 0}},
      {{"A", "C", 255, 2}, {"A", "C", 254, 0}},
  };
  for (const auto& c : cases) {
    FieldDefinition d = c.given;
    EXPECT_TRUE(CorrectFieldDefinition(d));
    EXPECT_EQ(d.type, c.corrected.type);
    EXPECT_EQ(d.width, c.corrected.width);
    EXPECT_EQ(d.decimals, c.corrected.decimals);
  }
  FieldDefinition fine{"A", "N", 11, 0};
  EXPECT_FALSE(CorrectFieldDefinition(fine));

  TempDir dir;
  testing::ScriptedUi ui;
  ui.Expect(core::BoxKind::Information,
            "Invalid field definition for KeywordDBF: TOTAL,N,25,2. Will use corrected "
            "definition: TOTAL,N,20,2");
  ASSERT_TRUE(CreateDBF(dir / "t.dbf", {"total, N, 25, 2"}, "KeywordDBF"));
  EXPECT_TRUE(ui.Done());
  const auto area = WorkArea::Open(ParseUseCommand(dir / "t.dbf"), OpenOptions{});
  EXPECT_EQ(area->FieldLen(1), 20);
}

TEST(CreateDbf, EntriesWithoutThreeCommasCreateNothing) {
  TempDir dir;
  testing::ScriptedUi ui;
  EXPECT_FALSE(CreateDBF(dir / "t.dbf", {"A,N,5,0", "B,C,5"}, "T"));
  EXPECT_FALSE(CreateDBF(dir / "t.dbf", {"A,N,5,0,1"}, "T"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "t.dbf"));
}

TEST(CreateDbf, DefinitionsThatCannotBeStoredAreCode211) {
  TempDir dir;
  testing::ScriptedUi ui;
  const std::vector<std::vector<std::string>> lists = {
      {}, {"X1,X,5,0"}, {",C,5,0"}, {"A,C,0,0"}, {"A,C,300,0"}, {"A,C,five,0"}, {"A,N,5,-1"}};
  for (const auto& list : lists) {
    const EKvError error = ErrorOf([&] { CreateDBF(dir / "t.dbf", list, "T"); });
    EXPECT_EQ(error.Code(), 211);
    EXPECT_EQ(error.Detail(), "Invalid dBASE field definition [CreateDBF]");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "t.dbf"));
}

TEST(CreateDbf, UnwritableFolderReportsTheWriteFailure) {
  TempDir dir;
  testing::ScriptedUi ui;
  const std::string name = dir / "missing/t.dbf";
  const EKvError error = ErrorOf([&] { CreateDBF(name, {"A,C,5,0"}, "T"); });
  EXPECT_EQ(error.Code(), 2);
  EXPECT_EQ(error.Detail(), "Error writing " + name + ". [CreateDbf]");
}

}  // namespace
}  // namespace vantorel::tables
