// The open command and the numbered work areas.
#include <gtest/gtest.h>

#include <unistd.h>

#include "engine_test_helpers.h"
#include "tables/work_areas.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::Rec;
using testing::ShownPath;
using testing::TableBytes;
using testing::TempDir;

TEST(UseCommand, TakesOutExclusiveAndAliasAfterTheName) {
  const struct {
    const char* text;
    const char* file_name;
    const char* alias;
    bool exclusive;
  } cases[] = {
      {"/d/keyword.dbf", "/d/keyword.dbf", "KEYWORD", false},
      {"  /d/keyword  ", "/d/keyword.DBF", "KEYWORD", false},
      {"/d/keyword.dbf EXCLUSIVE", "/d/keyword.dbf", "KEYWORD", true},
      {"/d/keyword.dbf exclusive alias KeywordDBF", "/d/keyword.dbf", "KEYWORDDBF", true},
      {"/d/keyword ALIAS K EXCLUSIVE", "/d/keyword.DBF", "K", true},
      {"/d/my.data/file", "/d/my.data/file.DBF", "FILE", false},
      {"/d/file.", "/d/file.", "FILE", false},
      {"/d/exclusives.dbf", "/d/exclusives.dbf", "EXCLUSIVES", false},
      {"/d/x.dbf EXCLUSIVEX", "/d/x.dbf EXCLUSIVEX", "X", false},
      // The words follow the name: inside a folder name they are part of the path.
      {"/d/My Archive/keyword.dbf", "/d/My Archive/keyword.dbf", "KEYWORD", false},
      {"/d/A EXCLUSIVE B/k.dbf", "/d/A EXCLUSIVE B/k.dbf", "K", false},
      {"/d/X ALIAS Y/k.dbf", "/d/X ALIAS Y/k.dbf", "K", false},
      {"/d/An Alias Folder/k.dbf ALIAS Q EXCLUSIVE", "/d/An Alias Folder/k.dbf", "Q", true},
      {"/d/Old EXCLUSIVE/k EXCLUSIVE ALIAS Q", "/d/Old EXCLUSIVE/k.DBF", "Q", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const UseCommand command = ParseUseCommand(c.text);
    EXPECT_EQ(command.file_name, c.file_name);
    EXPECT_EQ(command.alias, c.alias);
    EXPECT_EQ(command.exclusive, c.exclusive);
  }
}

TEST(UseCommand, RelativeNamesAreExpandedAgainstTheCurrentFolder) {
  TempDir dir;
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  const UseCommand command = ParseUseCommand("sub/keyword");
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(command.file_name, dir / "sub/keyword.DBF");
}

class WorkAreasTest : public ::testing::Test {
 protected:
  WorkAreasTest() {
    TableBytes t;
    t.fields = {{"ID", 'N', 3}};
    t.records = {Rec({"  1"}), Rec({"  2"})};
    dir_.Write("keyword.dbf", t.Bytes());
    dir_.Write("author.dbf", t.Bytes());
  }
  TempDir dir_;
  WorkAreas areas_;
};

TEST_F(WorkAreasTest, UseOpensInTheSelectedWorkArea) {
  EXPECT_EQ(areas_.Select(0), 1);
  WorkArea& keyword = areas_.Use(dir_ / "KEYWORD.DBF ALIAS KeywordDBF", OpenOptions{});
  EXPECT_EQ(keyword.Alias(), "KEYWORDDBF");
  EXPECT_EQ(keyword.FileName(), ShownPath(dir_, "keyword.dbf"));
  EXPECT_EQ(areas_.Select(0), 2);
  areas_.Use(dir_ / "author", OpenOptions{});
  EXPECT_EQ(areas_.Current("Skip").Alias(), "AUTHOR");
  EXPECT_EQ(areas_.At(1), &keyword);
  areas_.Select(1);
  EXPECT_EQ(&areas_.Current("Skip"), &keyword);
}

TEST_F(WorkAreasTest, AliasInUseByAnotherWorkAreaIsCode220) {
  areas_.Select(1);
  areas_.Use(dir_ / "keyword ALIAS K", OpenOptions{});
  areas_.Select(2);
  const EKvError error = ErrorOf([&] { areas_.Use(dir_ / "author ALIAS k", OpenOptions{}); });
  EXPECT_EQ(error.Code(), 220);
  EXPECT_EQ(error.Detail(), "Alias name \"K\" already in use. [USE]");
  EXPECT_EQ(areas_.At(2), nullptr);
  areas_.Select(1);  // reopening in the same work area is no conflict
  EXPECT_EQ(areas_.Use(dir_ / "keyword ALIAS K", OpenOptions{}).Alias(), "K");
}

TEST_F(WorkAreasTest, EmptyWorkAreaIsCode215) {
  areas_.Select(7);
  const EKvError error = ErrorOf([&] { areas_.Current("GetMField"); });
  EXPECT_EQ(error.Code(), 215);
  EXPECT_EQ(error.Detail(), "No database in use [GetMField]  WorkArea = 7");
  areas_.Use(dir_ / "keyword", OpenOptions{});
  areas_.Close();
  EXPECT_EQ(ErrorOf([&] { areas_.Current("Skip"); }).Code(), 215);
}

TEST_F(WorkAreasTest, ThirtyThreeWorkAreasAtMost) {
  for (int i = 1; i <= WorkAreas::kCount; ++i) {
    ASSERT_EQ(areas_.Select(0), i);
    areas_.Use(dir_ / ("keyword ALIAS A" + std::to_string(i)), OpenOptions{});
  }
  EKvError error = ErrorOf([&] { areas_.Select(0); });
  EXPECT_EQ(error.Code(), 220);
  EXPECT_EQ(error.Detail(), "No free workarea available [Select(0)]");
  error = ErrorOf([&] { areas_.Select(34); });
  EXPECT_EQ(error.Code(), 220);
  EXPECT_EQ(error.Detail(), "Invalid work area number [Select(34)]");
  areas_.Select(5);
  areas_.Close();
  EXPECT_EQ(areas_.Select(0), 5);
}

}  // namespace
}  // namespace vantorel::tables
