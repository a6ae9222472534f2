#include "core/sorted_text_list.h"

#include <gtest/gtest.h>

namespace vantorel::core {
namespace {

TEST(SortedTextList, SortsIgnoringCaseAndDropsEqualTexts) {
  SortedTextList list;
  EXPECT_TRUE(list.Add("pascal"));
  EXPECT_TRUE(list.Add("Basic"));
  EXPECT_FALSE(list.Add("PASCAL"));
  EXPECT_TRUE(list.Add("assembler"));
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list[0], "assembler");
  EXPECT_EQ(list[1], "Basic");
  EXPECT_EQ(list[2], "pascal") << "the first spelling added is kept";
  EXPECT_EQ(list.IndexOf("BASIC"), 1);
  EXPECT_EQ(list.IndexOf("cobol"), -1);
}

TEST(SortedTextList, UnsortedKeepsOrderAndExchanges) {
  SortedTextList list;
  list.Add("bb");
  list.Add("a");
  list.Add("ccc");
  list.StopSorting();
  list.Exchange(0, 2);  // longest word first
  EXPECT_EQ(list.Items(), (std::vector<std::string>{"ccc", "bb", "a"}));
  EXPECT_TRUE(list.Add("d"));
  EXPECT_FALSE(list.Add("A"));
  EXPECT_EQ(list[3], "d");
  EXPECT_EQ(list.IndexOf("CCC"), 0);
}

}  // namespace
}  // namespace vantorel::core
