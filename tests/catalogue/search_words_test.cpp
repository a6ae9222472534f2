#include "catalogue/search_words.h"

#include <gtest/gtest.h>

#include "catalogue/seconds_text.h"
#include "scripted_ui.h"

namespace vantorel::testing {
namespace {

using catalogue::SearchText;
using catalogue::SplitSearchWords;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using Words = std::vector<std::string>;

constexpr char kWarning[] =
    "Searches for long words are much quicker.\r"
    "Looking for one and two letter words can be slow.\r"
    "Are you sure you wish to continue?";

TEST(SearchTextTest, TrimsCollapsesBlanksAndCutsAt255) {
  EXPECT_EQ(SearchText("  memory   manager \t\r\n"), "memory manager");
  EXPECT_EQ(SearchText("\x01heap\x1F"), "heap");
  EXPECT_EQ(SearchText("a\tb"), "a\tb");  // a tab inside is no blank
  EXPECT_EQ(SearchText(std::string(300, 'x')), std::string(255, 'x'));
  EXPECT_EQ(SearchText(std::string(254, 'x') + "    yz"), std::string(254, 'x') + " ");
}

TEST(SplitSearchWordsTest, Cases) {
  const struct {
    const char* text;
    Words words;
  } cases[] = {
      {"memory manager", {"memory", "manager"}},
      {"memory,manager", {"memory", "manager"}},
      {"memory, manager", {"memory", "manager"}},
      {"\"memory manager\" heap", {"memory manager", "heap"}},
      {"say \"hello, world\"", {"say", "hello, world"}},
      {"ab\"cd ef\"gh ij", {"ab\"cd ef\"gh", "ij"}},
      {"\"open phrase", {"open phrase"}},
      {",memory", {"memory"}},            // a leading comma yields no word
      {"\"\" heap \"", {"heap"}},          // nor do empty quotes
      {"\"\"quoted\"\"", {"\"quoted\""}},  // one quote off each end only
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitSearchWords(c.text), c.words) << c.text;
}

TEST(TokenizeSearchTextTest, SortedListDropsARepeatInOtherCase) {
  ScriptedUi ui;
  const auto list = catalogue::TokenizeSearchText("memory Manager MEMORY heap");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->words.Items(), (Words{"heap", "Manager", "memory"}));
  EXPECT_EQ(list->longest, "Manager");
}

TEST(TokenizeSearchTextTest, ShortWordWarningComesOnceAndYesGoesOn) {
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning, kWarning, Buttons::YesNo, Answer::Yes);
  const auto list = catalogue::TokenizeSearchText("ab cd memory x");
  ASSERT_TRUE(list);
  EXPECT_EQ(list->words.Items(), (Words{"ab", "cd", "memory", "x"}));
  EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST(TokenizeSearchTextTest, ShortWordWarningAnsweredNoEndsTokenizing) {
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning, kWarning, Buttons::YesNo, Answer::No);
  EXPECT_FALSE(catalogue::TokenizeSearchText("memory ab"));
}

TEST(PutLongestFirstTest, LongestTypedFirstChangesPlacesWithTheFirst) {
  ScriptedUi ui;
  const struct {
    const char* text;
    Words order;
  } cases[] = {{"heap memory manager", {"manager", "heap", "memory"}},
               {"wxyz abcd", {"wxyz", "abcd"}},  // equal lengths: the one typed first
               {"abcd wxyz", {"abcd", "wxyz"}},
               {"heap", {"heap"}}};
  for (const auto& c : cases) {
    auto list = catalogue::TokenizeSearchText(c.text);
    ASSERT_TRUE(list);
    catalogue::PutLongestFirst(*list);
    EXPECT_EQ(list->words.Items(), c.order) << c.text;
    EXPECT_FALSE(list->words.Sorted());
  }
}

TEST(SecondsTextTest, HashDotHashHashPattern) {
  const struct {
    std::uint64_t milliseconds;
    const char* text;
  } cases[] = {{1250, "1.25"}, {2000, "2"},    {500, ".5"},    {1005, "1.01"},
               {1004, "1"},    {999, "1"},     {5, ".01"},     {4, ""},
               {0, ""},        {12345, "12.35"}, {60000, "60"}, {70, ".07"}};
  for (const auto& c : cases)
    EXPECT_EQ(catalogue::SecondsText(c.milliseconds), c.text) << c.milliseconds;
}

}  // namespace
}  // namespace vantorel::testing
