#include "browser/history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantorel::browser {
namespace {

using Entries = std::vector<std::string>;

History<std::string> Recorded(int max_count, const Entries& pages) {
  History<std::string> history;
  history.SetMaxCount(max_count);
  for (const std::string& page : pages) history.Record(page);
  return history;
}

TEST(HistoryTest, RecordsNewestFirstAndKeepsAtMostMaxCount) {
  const History<std::string> history = Recorded(3, {"a", "b", "c", "d"});
  EXPECT_EQ(history.Entries(), (Entries{"d", "c", "b"}));
  EXPECT_EQ(history.Position(), 0);
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_TRUE(history.CanGoBack());
}

TEST(HistoryTest, AZeroMaxCountKeepsNothing) {
  History<std::string> history = Recorded(0, {"a", "b"});
  EXPECT_TRUE(history.Empty());
  EXPECT_EQ(history.Shown(), nullptr);
  EXPECT_FALSE(history.CanGoBack());
  EXPECT_FALSE(history.CanGoForward());
  EXPECT_FALSE(history.CanMoveTo(0));
}

// Back and Forward move between older and newer entries; a page recorded while an older one
// is shown drops the newer ones, as in a browser.
TEST(HistoryTest, RecordingAfterGoingBackDropsTheNewerEntries) {
  History<std::string> history = Recorded(6, {"a", "b", "c"});
  ASSERT_TRUE(history.CanMoveTo(2));
  history.MoveTo(2);
  EXPECT_EQ(*history.Shown(), "a");
  EXPECT_TRUE(history.CanGoForward());
  EXPECT_FALSE(history.CanGoBack());
  history.MoveTo(1);
  history.Record("x");
  EXPECT_EQ(history.Entries(), (Entries{"x", "b", "a"}));
  EXPECT_EQ(history.Position(), 0);
}

TEST(HistoryTest, OnlyAnotherExistingEntryIsAMove) {
  const History<std::string> history = Recorded(6, {"a", "b"});
  const struct {
    int index;
    bool move;
  } cases[] = {{-1, false}, {0, false}, {1, true}, {2, false}};
  for (const auto& c : cases) EXPECT_EQ(history.CanMoveTo(c.index), c.move) << c.index;
}

// Lowering the count drops the oldest entries; the position stays on an entry that is left.
TEST(HistoryTest, LoweringTheMaxCountKeepsThePositionInRange) {
  History<std::string> history = Recorded(6, {"a", "b", "c", "d"});
  history.MoveTo(3);
  history.SetMaxCount(2);
  EXPECT_EQ(history.Entries(), (Entries{"d", "c"}));
  EXPECT_EQ(history.Position(), 1);
  history.SetMaxCount(0);
  EXPECT_TRUE(history.Empty());
  EXPECT_EQ(history.Position(), 0);
}

}  // namespace
}  // namespace vantorel::browser
