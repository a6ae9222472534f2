#include "catalogue/article_search.h"

#include <gtest/gtest.h>

#include "catalogue/in_out_error.h"
#include "catalogue/issue_names.h"
#include "catalogue_fixture_helpers.h"
#include "core/settings.h"
#include "core/texts.h"

namespace vantorel::testing {
namespace {

using catalogue::ArticleSearch;
using catalogue::MatchMode;
using catalogue::SearchEnd;
using catalogue::SearchRequest;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using Texts = std::vector<std::string>;

constexpr char kSorry[] = "Sorry, no matches were found:\rplease try again";
constexpr char kCompleteListQuestion[] =
    "The *!* keyword will cause a complete list of\r"
    "all articles to be generated. This takes a while:\r"
    "are you sure you wish to continue?";
constexpr char kTestQuestion[] =
    "The *TEST* keyword will test for the presence of\r"
    "PDF and source files for all articles where these should\r"
    "exist. Are you sure you wish to continue?";

// Records what the search asks the page writer for, and leaves the keyword table ordered by
// kwaid as the real writer does.
class RecordingPages : public catalogue::ResultPageWriter {
 public:
  explicit RecordingPages(catalogue::Catalogue& catalogue) : catalogue_(catalogue) {}

  void WriteSearchResults(const catalogue::SearchResults& results) override {
    catalogue_.KeywordDBF().SetIndexToFiles({catalogue_.DataDir() + "kwaid"});
    if (fail) throw catalogue::EInOutError(5, "SEARCHRESULT.HTM");
    articles = results.articles.Items();
    words = results.words.Items();
    mode = results.mode;
    author_item = results.author_item;
    issue_item = results.issue_item;
    text_empty = results.text_empty;
    ++search_pages;
  }
  void WriteCompleteList(bool with_test_report) override {
    catalogue_.KeywordDBF().SetIndexToFiles({catalogue_.DataDir() + "kwaid"});
    complete_lists.push_back(with_test_report);
  }

  bool fail = false;                       // WriteSearchResults throws
  int search_pages = 0;                    // WriteSearchResults calls
  std::vector<bool> complete_lists;        // WriteCompleteList calls
  Texts articles, words;                   // of the last results page
  MatchMode mode = MatchMode::AnyWord;
  std::optional<std::string> author_item, issue_item;
  bool text_empty = false;

 private:
  catalogue::Catalogue& catalogue_;
};

class ArticleSearchTest : public CatalogueTest {
 protected:
  void SetUp() override { settings_.ResultsThreshold = 100; }

  // Opens the catalogue and makes the search over it; the clock reads 1000 ms, then 2250 ms.
  ArticleSearch& MakeSearch() {
    if (!catalogue_) {
      WriteSampleCatalogue();
      OpenCatalogue();
    }
    pages_ = std::make_unique<RecordingPages>(*catalogue_);
    readings_ = {1000, 2250};
    search_ = std::make_unique<ArticleSearch>(*catalogue_, *pages_, settings_, [this] {
      const std::uint64_t now = readings_.front();
      if (readings_.size() > 1) readings_.erase(readings_.begin());
      return now;
    });
    ui_.progress.clear();
    return *search_;
  }

  SearchEnd Run(const std::string& text, MatchMode mode = MatchMode::AnyWord,
                std::optional<std::string> author = {}, std::optional<std::string> issue = {}) {
    return MakeSearch().OkBtnClick({text, mode, std::move(author), std::move(issue)});
  }

  std::string AuthorItem(int id) const {
    for (const std::string& item : catalogue_->AuthorItems().Items())
      if (item.substr(catalogue::kAuthorNameWidth) == std::to_string(id)) return item;
    return {};
  }

  Texts KeywordWalk() {
    Texts walked;
    tables::KvDbf& keywords = catalogue_->KeywordDBF();
    for (keywords.First(); !keywords.Eof(); keywords.Skip(1))
      walked.push_back(core::RightTrim(keywords.FieldAsString("KEYWORD")));
    return walked;
  }

  std::unique_ptr<RecordingPages> pages_;
  std::unique_ptr<ArticleSearch> search_;
  std::vector<std::uint64_t> readings_;
  core::BrowserSettings settings_;  // the record the search reads
};

TEST_F(ArticleSearchTest, AnyWordCollectsEveryMatchInTextOrder) {
  EXPECT_EQ(Run("memory"), SearchEnd::PageWritten);
  EXPECT_EQ(pages_->articles, (Texts{"100", "200", "9"}));
  EXPECT_EQ(pages_->words, Texts{"memory"});
  EXPECT_FALSE(pages_->text_empty);
  EXPECT_EQ(ui_.progress, (Texts{"", "Checking keyword memory", "Checking keyword memory",
                                 "Checking keyword memory",
                                 "Search completed: 3 articles match, Time: 1.25 sec.", ""}));
  EXPECT_EQ(search_->Outcome(), (core::SearchOutcome{true, false, false}));
  EXPECT_EQ(ui_.busy_depth, 0);
  EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(ArticleSearchTest, WordLoopByMode) {
  const struct {
    const char* text;
    MatchMode mode;
    Texts articles;  // empty: the "Sorry" message
    Texts words;     // as the page gets them
  } cases[] = {
      {"memory heap", MatchMode::AnyWord, {"10", "100", "200", "9"}, {"heap", "memory"}},
      {"heap memory", MatchMode::AllWords, {"9"}, {"memory", "heap"}},
      {"heap graphics", MatchMode::AllWords, {}, {}},
      {"\"memory manager\" heap", MatchMode::AnyWord, {"10", "100", "9"},
       {"heap", "memory manager"}},
      {"DELPHI", MatchMode::AllWords, {"10", "300"}, {"DELPHI"}},
      {"nothing", MatchMode::AnyWord, {}, {}},
  };
  for (const auto& c : cases) {
    if (c.articles.empty()) ui_.Expect(BoxKind::Information, kSorry);
    const SearchEnd end = Run(c.text, c.mode);
    EXPECT_EQ(end, c.articles.empty() ? SearchEnd::NothingFound : SearchEnd::PageWritten)
        << c.text;
    if (!c.articles.empty()) {
      EXPECT_EQ(pages_->articles, c.articles) << c.text;
      EXPECT_EQ(pages_->words, c.words) << c.text;
      EXPECT_EQ(pages_->mode, c.mode) << c.text;
    }
    EXPECT_EQ(search_->Outcome().SearchPageWritten, !c.articles.empty()) << c.text;
  }
}

TEST_F(ArticleSearchTest, AllWordsSearchesTheLongestFirstAndStopsAtAnEmptySet) {
  EXPECT_EQ(Run("heap memory", MatchMode::AllWords), SearchEnd::PageWritten);
  EXPECT_EQ(ui_.progress[1], "Checking keyword memory");
  EXPECT_EQ(ui_.progress[4], "Checking keyword heap");

  ui_.Expect(BoxKind::Information, kSorry);
  EXPECT_EQ(Run("zzzz heap", MatchMode::AllWords), SearchEnd::NothingFound);
  EXPECT_EQ(ui_.progress, (Texts{"", "Search completed: 0 articles match, Time: 1.25 sec."}));
}

TEST_F(ArticleSearchTest, FirstMatchFieldRestrictsTheWordsFurtherMatches) {
  std::vector<KeywordRow> keywords = SampleKeywords();
  keywords.push_back({301, "Top 100 tips"});
  WriteCatalogue(SampleArticles(), SampleAuthors(), keywords);
  OpenCatalogue();
  // "100" first matches inside ARTICLE_ID of article 100's keyword; KEYWORD is then skipped.
  EXPECT_EQ(Run("100"), SearchEnd::PageWritten);
  EXPECT_EQ(pages_->articles, Texts{"100"});
}

TEST_F(ArticleSearchTest, FilterExpressions) {
  const std::string author = Pad("Bob Jones", 64) + "2";
  EXPECT_EQ(ArticleSearch::FilterExpression(author, std::nullopt),
            "AUTHOR_1 = 2 .OR. AUTHOR_2 = 2 .OR. AUTHOR_3 = 2");
  EXPECT_EQ(ArticleSearch::FilterExpression(std::nullopt, catalogue::IssueItem(7)),
            "ISSUE__ =   7");
  EXPECT_EQ(ArticleSearch::FilterExpression(author, catalogue::IssueItem(45)),
            "(AUTHOR_1 = 2 .OR. AUTHOR_2 = 2 .OR. AUTHOR_3 = 2) .AND. ISSUE__ =  45");
  EXPECT_EQ(ArticleSearch::FilterExpression(std::nullopt, std::nullopt), "");
}

TEST_F(ArticleSearchTest, IssueAloneGivesExactlyThatIssuesArticles) {
  EXPECT_EQ(Run("", MatchMode::AnyWord, std::nullopt, catalogue::IssueItem(45)),
            SearchEnd::PageWritten);
  EXPECT_EQ(pages_->articles, (Texts{"200", "57"}));
  EXPECT_TRUE(pages_->text_empty);
  EXPECT_EQ(pages_->issue_item, catalogue::IssueItem(45));
  EXPECT_EQ(ui_.progress, (Texts{"", "Searching articles on author and issue...",
                                 "2 articles match",
                                 "Search completed: 2 articles match, Time: 1.25 sec.", ""}));
}

TEST_F(ArticleSearchTest, AuthorAndTextGiveTheIntersection) {
  MakeSearch();
  EXPECT_EQ(Run("memory", MatchMode::AnyWord, AuthorItem(1)), SearchEnd::PageWritten);
  EXPECT_EQ(pages_->articles, (Texts{"100", "9"}));
  EXPECT_EQ(pages_->author_item, AuthorItem(1));
  EXPECT_EQ(ui_.progress,
            (Texts{"", "Searching articles on author and issue...", "3 articles match",
                   "Checking keyword memory", "Checking keyword memory",
                   "Checking keyword memory", "Merging, 2 articles match",
                   "Search completed: 2 articles match, Time: 1.25 sec.", ""}));
}

TEST_F(ArticleSearchTest, AuthorAndIssueFilterBothApply) {
  MakeSearch();
  EXPECT_EQ(Run("", MatchMode::AnyWord, AuthorItem(2), catalogue::IssueItem(45)),
            SearchEnd::PageWritten);
  EXPECT_EQ(pages_->articles, Texts{"57"});
}

TEST_F(ArticleSearchTest, EmptyFilterResultSkipsTheKeywordSearch) {
  MakeSearch();
  ui_.Expect(BoxKind::Information, kSorry);
  EXPECT_EQ(Run("memory", MatchMode::AnyWord, AuthorItem(3), catalogue::IssueItem(7)),
            SearchEnd::NothingFound);
  EXPECT_EQ(ui_.progress, (Texts{"", "Searching articles on author and issue...",
                                 "0 articles match",
                                 "Search completed: 0 articles match, Time: 1.25 sec."}));
}

TEST_F(ArticleSearchTest, EmptyTextWithoutSelectionFindsNothing) {
  ui_.Expect(BoxKind::Information, kSorry);
  EXPECT_EQ(Run("   "), SearchEnd::NothingFound);
  EXPECT_EQ(search_->Outcome(), core::SearchOutcome{});
}

TEST_F(ArticleSearchTest, ThresholdAsksOnlyAboveIt) {
  const std::string question = "3 matches were found:\rdo you wish to view the results?";
  settings_.ResultsThreshold = 3;
  MakeSearch();
  EXPECT_EQ(Run("memory"), SearchEnd::PageWritten);  // equal: no question

  settings_.ResultsThreshold = 2;
  ui_.Expect(BoxKind::Confirmation, question, Buttons::YesNo, Answer::No);
  EXPECT_EQ(Run("memory"), SearchEnd::ResultsDeclined);
  EXPECT_EQ(pages_->search_pages, 0);
  EXPECT_EQ(search_->Outcome(), core::SearchOutcome{});

  ui_.Expect(BoxKind::Confirmation, question, Buttons::YesNo, Answer::Yes);
  EXPECT_EQ(Run("memory"), SearchEnd::PageWritten);
  EXPECT_EQ(pages_->search_pages, 1);
}

TEST_F(ArticleSearchTest, SpecialKeywordsAskAndWriteTheCompleteList) {
  const struct {
    const char* text;
    const char* question;
    Answer answer;
    SearchEnd end;
    core::SearchOutcome flags;
  } cases[] = {
      {"*!*", kCompleteListQuestion, Answer::Yes, SearchEnd::PageWritten, {true, true, false}},
      {"  *!*  ", kCompleteListQuestion, Answer::No, SearchEnd::SpecialDeclined, {}},
      {"*TEST*", kTestQuestion, Answer::Yes, SearchEnd::PageWritten, {true, false, true}},
      {"*TEST*", kTestQuestion, Answer::No, SearchEnd::SpecialDeclined, {}},
  };
  for (const auto& c : cases) {
    ui_.Expect(BoxKind::Confirmation, c.question, Buttons::YesNo, c.answer);
    EXPECT_EQ(Run(c.text), c.end) << c.text;
    EXPECT_EQ(search_->Outcome(), c.flags) << c.text;
    const std::vector<bool> lists =
        c.answer == Answer::Yes ? std::vector<bool>{c.flags.TestResultsWritten}
                                : std::vector<bool>{};
    EXPECT_EQ(pages_->complete_lists, lists) << c.text;
  }
  ui_.Expect(BoxKind::Information, kSorry);
  EXPECT_EQ(Run("*test*"), SearchEnd::NothingFound);  // case counts
}

TEST_F(ArticleSearchTest, CompleteListKeywordIsNeverSearchedAndSelectionResultsWin) {
  MakeSearch();
  EXPECT_EQ(Run("*!*", MatchMode::AnyWord, AuthorItem(1)), SearchEnd::PageWritten);
  EXPECT_EQ(pages_->articles, (Texts{"100", "300", "9"}));
  EXPECT_TRUE(pages_->complete_lists.empty());
  EXPECT_EQ(search_->Outcome(), (core::SearchOutcome{true, false, false}));
}

TEST_F(ArticleSearchTest, DeclinedShortWordWarningDoesNothing) {
  ui_.Expect(BoxKind::Warning,
             "Searches for long words are much quicker.\r"
             "Looking for one and two letter words can be slow.\r"
             "Are you sure you wish to continue?",
             Buttons::YesNo, Answer::No);
  EXPECT_EQ(Run("memory ab"), SearchEnd::ShortWordsDeclined);
  EXPECT_TRUE(catalogue::ClosesDialog(SearchEnd::ShortWordsDeclined));
  EXPECT_EQ(search_->Outcome(), core::SearchOutcome{});
  EXPECT_EQ(ui_.progress, Texts{""});
}

TEST_F(ArticleSearchTest, KeywordOrderComesBackAfterThePageAndAfterAFailure) {
  const Texts kwkey_order = {"Delphi", "Graphics", "Heap", "Memory", "memory manager", "Pascal"};
  EXPECT_EQ(Run("memory"), SearchEnd::PageWritten);
  EXPECT_EQ(KeywordWalk(), kwkey_order);

  MakeSearch();
  pages_->fail = true;
  EXPECT_THROW(search_->OkBtnClick({"memory", MatchMode::AnyWord, {}, {}}),
               catalogue::EInOutError);
  EXPECT_EQ(KeywordWalk(), kwkey_order);
  EXPECT_EQ(ui_.busy_depth, 0);
}

}  // namespace
}  // namespace vantorel::testing
