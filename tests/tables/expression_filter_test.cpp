// Filters on a work area: SetFilterTo installs an expression that the movements ask.
#include <gtest/gtest.h>

#include <vector>

#include "engine_test_helpers.h"
#include "tables/filter.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::OpenTable;
using testing::Pad;
using testing::Rec;
using testing::TableBytes;
using testing::TempDir;

// An article table as the catalogue has it; record 4 is marked deleted, record 5 holds an
// OEM "u with diaeresis" (0x81) in its title.
TableBytes Articles() {
  TableBytes t;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"TITLE", 'C', 12}, {"AUTHOR_1", 'N', 11},
              {"AUTHOR_2", 'N', 11},   {"AUTHOR_3", 'N', 11}, {"ISSUE__", 'N', 11}};
  auto article = [](int id, std::string_view title, int a1, int a2, int a3, int issue,
                    char flag = ' ') {
    auto number = [](int n) { return Pad(std::to_string(n), 11, true); };
    return Rec({number(id), Pad(title, 12), number(a1), number(a2), number(a3), number(issue)},
               flag);
  };
  t.records = {article(101, "Pascal", 12, 0, 0, 7),  article(102, "Objects", 3, 12, 0, 7),
               article(103, "Threads", 3, 4, 12, 8), article(104, "Deleted", 12, 0, 0, 7, '*'),
               article(105, "M\x81nchen", 5, 0, 0, 7), article(106, "Windows", 6, 7, 0, 9)};
  return t;
}

// The record numbers a walk from GoTop with SKIP 1 visits.
std::vector<std::int64_t> Walk(WorkArea& area) {
  std::vector<std::int64_t> visited;
  area.GoTop();
  while (!area.Eof()) {
    visited.push_back(area.RecNo());
    area.Skip(1);
  }
  return visited;
}

using Records = std::vector<std::int64_t>;

class FilterTest : public ::testing::Test {
 protected:
  std::unique_ptr<WorkArea> Open(OpenOptions options = {}) {
    return OpenTable(dir_, "article.dbf", Articles().Bytes(), options);
  }
  TempDir dir_;
};

TEST_F(FilterTest, TheArticleSearchFiltersSelectTheirArticles) {
  const auto area = Open();
  SetFilterTo(*area, "AUTHOR_1 = 12 .OR. AUTHOR_2 = 12 .OR. AUTHOR_3 = 12");
  EXPECT_EQ(Walk(*area), (Records{1, 2, 3, 4}));
  SetFilterTo(*area, "(AUTHOR_1 = 12 .OR. AUTHOR_2 = 12 .OR. AUTHOR_3 = 12) .AND. ISSUE__ =   7");
  EXPECT_EQ(Walk(*area), (Records{1, 2, 4}));
  SetFilterTo(*area, "ISSUE__ =   7");
  EXPECT_EQ(Walk(*area), (Records{1, 2, 4, 5}));
  SetFilterTo(*area, "ISSUE__ = 54");
  EXPECT_EQ(Walk(*area), Records{});
  EXPECT_TRUE(area->Eof());
}

TEST_F(FilterTest, AnEmptyOrBlankExpressionRemovesTheFilter) {
  const auto area = Open();
  SetFilterTo(*area, "ISSUE__ = 8");
  EXPECT_EQ(Walk(*area), Records{3});
  SetFilterTo(*area, "");
  EXPECT_FALSE(area->HasFilter());
  EXPECT_EQ(Walk(*area), (Records{1, 2, 3, 4, 5, 6}));
  SetFilterTo(*area, "ISSUE__ = 8   ");
  EXPECT_EQ(Walk(*area), Records{3});
  SetFilterTo(*area, "   ");
  EXPECT_EQ(Walk(*area), (Records{1, 2, 3, 4, 5, 6}));
}

TEST_F(FilterTest, SettingAFilterDoesNotMoveTheCursor) {
  const auto area = Open();
  area->Go(3);
  SetFilterTo(*area, "ISSUE__ = 7");
  EXPECT_EQ(area->RecNo(), 3);
  area->Skip(1);
  EXPECT_EQ(area->RecNo(), 4);
}

TEST_F(FilterTest, MovementsBackwardAndToTheBottomAskTheFilter) {
  const auto area = Open();
  SetFilterTo(*area, "ISSUE__ = 7");
  area->GoBottom();
  EXPECT_EQ(area->RecNo(), 5);
  area->Skip(-1);
  EXPECT_EQ(area->RecNo(), 4);
  area->Skip(-2);
  EXPECT_EQ(area->RecNo(), 1);
}

TEST_F(FilterTest, RecnoAndDeletedSeeTheRecordBeingTested) {
  const auto area = Open();
  SetFilterTo(*area, "RECNO() > 4 .OR. RECNO() = 2");
  EXPECT_EQ(Walk(*area), (Records{2, 5, 6}));
  SetFilterTo(*area, "DELETED()");
  EXPECT_EQ(Walk(*area), Records{4});
  SetFilterTo(*area, ".NOT. DELETED() .AND. ISSUE__ = 7");
  EXPECT_EQ(Walk(*area), (Records{1, 2, 5}));
}

TEST_F(FilterTest, TheFilterWorksTogetherWithHiddenDeletedRecords) {
  OpenOptions options;
  options.hide_deleted = true;
  const auto area = Open(options);
  SetFilterTo(*area, "AUTHOR_1 = 12");
  EXPECT_EQ(Walk(*area), Records{1});
}

TEST_F(FilterTest, FiltersSeeOemTextConvertedToAnsi) {
  const auto oem = Open();
  SetFilterTo(*oem, "TITLE = 'M\xFCn'");
  EXPECT_EQ(Walk(*oem), Records{5});
  SetFilterTo(*oem, "'\xFC' $ TITLE");
  EXPECT_EQ(Walk(*oem), Records{5});
  SetFilterTo(*oem, "UPPER(TITLE) = 'M\xDCNCHEN'");
  EXPECT_EQ(Walk(*oem), Records{5});

  OpenOptions ansi;
  ansi.language = KvTableLanguage::tlAnsi;
  const auto raw = OpenTable(dir_, "raw.dbf", Articles().Bytes(), ansi);
  SetFilterTo(*raw, "TITLE = 'M\xFCn'");
  EXPECT_EQ(Walk(*raw), Records{});
  SetFilterTo(*raw, "TITLE = 'M\x81n'");
  EXPECT_EQ(Walk(*raw), Records{5});
}

TEST_F(FilterTest, FieldsMayBeNamedWithTheWorkAreaAlias) {
  const auto area = Open();
  SetFilterTo(*area, "ARTICLE->ISSUE__ = 8 .OR. article.ISSUE__ = 9");
  EXPECT_EQ(Walk(*area), (Records{3, 6}));
}

TEST_F(FilterTest, AFailedCompileLeavesNoFilter) {
  const auto area = Open();
  SetFilterTo(*area, "ISSUE__ = 8");
  const EKvError error = ErrorOf([&] { SetFilterTo(*area, "ISSUE = 8"); });
  EXPECT_EQ(error.Code(), 351);
  EXPECT_EQ(error.Detail(), "Error in expression : Syntax error\r\n[ISSUE = 8]\r\n [AssignExpr]");
  EXPECT_FALSE(area->HasFilter());
  EXPECT_EQ(Walk(*area), (Records{1, 2, 3, 4, 5, 6}));
}

TEST_F(FilterTest, ANonLogicalFilterSelectsNoRecord) {
  const auto area = Open();
  SetFilterTo(*area, "ISSUE__");
  EXPECT_EQ(Walk(*area), Records{});
}

TEST_F(FilterTest, ADivisionByZeroInTheFilterStopsTheMovementWithError358) {
  const auto area = Open();
  SetFilterTo(*area, "ISSUE__ / (ISSUE__ - 8) > 0");
  const EKvError error = ErrorOf([&] { Walk(*area); });
  EXPECT_EQ(error.Code(), 358);
  EXPECT_EQ(error.Detail(), "Error during evaluation: Divide by 0 [Evaluate/Engine]");
}

}  // namespace
}  // namespace vantorel::tables
