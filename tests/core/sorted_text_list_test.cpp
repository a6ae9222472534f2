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

// AddAll gives the list that adding the texts one after another gives, sorted or not: the
// first spelling of equal texts stays, held ones are kept, numbers sort as texts.
TEST(SortedTextList, AddAllIsAddOneAfterAnother) {
  const std::vector<std::string> held = {"10", "beta", "Delta", "9"};
  const std::vector<std::vector<std::string>> batches = {
      {},
      {"alpha"},
      {"BETA", "gamma", "Gamma", "100", "1", "10", "2", "delta", "9", "zeta", "ALPHA", "alpha"},
      {"x", "X", "x", "a", "A"},
  };
  for (const bool sorted : {true, false}) {
    for (const auto& batch : batches) {
      SortedTextList one_by_one;
      SortedTextList all_at_once;
      for (const std::string& text : held) {
        one_by_one.Add(text);
        all_at_once.Add(text);
      }
      if (!sorted) {
        one_by_one.StopSorting();
        all_at_once.StopSorting();
      }
      for (const std::string& text : batch) one_by_one.Add(text);
      all_at_once.AddAll(batch);
      EXPECT_EQ(all_at_once.Items(), one_by_one.Items());
    }
  }
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
