#include "catalogue/article_search.h"

#include <chrono>

#include "catalogue/seconds_text.h"
#include "core/ui.h"

namespace vantorel::catalogue {

namespace {

constexpr char kNoMatches[] = "Sorry, no matches were found:\rplease try again";
constexpr char kCompleteListQuestion[] =
    "The *!* keyword will cause a complete list of\r"
    "all articles to be generated. This takes a while:\r"
    "are you sure you wish to continue?";
constexpr char kTestQuestion[] =
    "The *TEST* keyword will test for the presence of\r"
    "PDF and source files for all articles where these should\r"
    "exist. Are you sure you wish to continue?";

// The issue number's place at the start of an issue item.
constexpr std::size_t kIssueNumberWidth = 3;

void Progress(const std::string& text) { core::CurrentUi().ShowProgress(text); }

std::string Count(const core::SortedTextList& set) { return std::to_string(set.Count()); }

}  // namespace

bool ClosesDialog(SearchEnd end) {
  return end == SearchEnd::ShortWordsDeclined || end == SearchEnd::PageWritten;
}

std::uint64_t SteadyMilliseconds() {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now().time_since_epoch())
                                        .count());
}

ArticleSearch::ArticleSearch(Catalogue& catalogue, ResultPageWriter& pages,
                             const core::BrowserSettings& settings, MillisecondClock clock)
    : catalogue_(catalogue), pages_(pages), settings_(settings), clock_(std::move(clock)) {}

std::string ArticleSearch::FilterExpression(const std::optional<std::string>& author_item,
                                            const std::optional<std::string>& issue_item) {
  std::string expression;
  if (author_item) {
    const std::string number = author_item->substr(kAuthorNameWidth);
    expression = "AUTHOR_1 = " + number + " .OR. AUTHOR_2 = " + number +
                 " .OR. AUTHOR_3 = " + number;
  }
  if (issue_item) {
    if (!expression.empty()) expression = "(" + expression + ") .AND. ";
    expression += "ISSUE__ = " + issue_item->substr(0, kIssueNumberWidth);
  }
  return expression;
}

SearchEnd ArticleSearch::OkBtnClick(const SearchRequest& request) {
  outcome_ = {};
  Progress("");
  const std::uint64_t start = clock_();
  const std::string text = SearchText(request.text);
  SearchWordList list;
  if (!text.empty()) {
    std::optional<SearchWordList> tokenized = TokenizeSearchText(text);
    if (!tokenized) return SearchEnd::ShortWordsDeclined;
    list = std::move(*tokenized);
    if (request.mode == MatchMode::AllWords) PutLongestFirst(list);
  }

  SearchEnd end;
  try {
    core::SortedTextList result;
    {
      core::BusyCursor busy;
      const std::string expression = FilterExpression(request.author_item, request.issue_item);
      if (!expression.empty()) CollectFilteredArticles(expression, result);
      if (!text.empty() && text != kCompleteListKeyword) {
        core::SortedTextList matches;
        if (expression.empty()) {
          MatchWords(list.words, request.mode, matches);
          result = matches;
        } else if (!result.Empty()) {
          MatchWords(list.words, request.mode, matches);
          if (matches.Empty())
            result.Clear();
          else
            MergeWithMatches(matches, result);
        }
      }
    }
    Progress("Search completed: " + Count(result) + " articles match, " + "Time: " +
             SecondsText(clock_() - start) + " sec.");
    end = Conclude(request, text, list.words, result);
  } catch (...) {
    catalogue_.OrderKeywordsByKey();
    throw;
  }
  catalogue_.OrderKeywordsByKey();
  return end;
}

void ArticleSearch::CollectFilteredArticles(const std::string& expression,
                                            core::SortedTextList& result) {
  tables::KvDbf& articles = catalogue_.ArticleDBF();
  Progress("Searching articles on author and issue...");
  articles.SetFilterTo(expression);
  std::vector<std::string> found;
  for (articles.First(); !articles.Eof(); articles.Skip(1))
    found.push_back(std::to_string(articles.FieldAsInteger("Article_ID")));
  result.AddAll(std::move(found));
  articles.SetFilterTo("");
  articles.First();
  Progress(Count(result) + " articles match");
}

void ArticleSearch::MatchWords(const core::SortedTextList& words, MatchMode mode,
                               core::SortedTextList& matches) {
  tables::KvDbf& keywords = catalogue_.KeywordDBF();
  core::SortedTextList scratch;
  bool first_word = true;
  for (const std::string& word : words.Items()) {
    // The word's articles go into the set they belong to once the word is done: the sets are
    // not looked at while its matches come in.
    const bool into_matches = mode == MatchMode::AnyWord || first_word;
    std::vector<std::string> found;
    std::uint8_t field_number = 0;
    bool from_top = true;
    while (keywords.Search(word, field_number, from_top)) {
      std::string article = std::to_string(keywords.FieldAsInteger("Article_ID"));
      if (into_matches || matches.Contains(article)) found.push_back(std::move(article));
      from_top = false;
      Progress("Checking keyword " + word);
    }
    (into_matches ? matches : scratch).AddAll(std::move(found));
    if (mode == MatchMode::AllWords) {
      if (matches.Empty()) break;
      if (!first_word) {
        matches = scratch;
        scratch.Clear();
      }
    }
    first_word = false;
  }
}

void ArticleSearch::MergeWithMatches(const core::SortedTextList& matches,
                                     core::SortedTextList& result) {
  core::SortedTextList kept;
  std::size_t remaining = result.Count();
  for (const std::string& article : result.Items()) {
    if (matches.Contains(article)) {
      kept.Add(article);
    } else {
      --remaining;
      Progress("Merging, " + std::to_string(remaining) + " articles match");
    }
  }
  result = kept;
}

SearchEnd ArticleSearch::Conclude(const SearchRequest& request, const std::string& text,
                                  const core::SortedTextList& words,
                                  const core::SortedTextList& result) {
  if (!result.Empty()) {
    const auto count = static_cast<std::int64_t>(result.Count());
    if (count > settings_.ResultsThreshold &&
        !core::Confirm(Count(result) + " matches were found:\r" +
                           "do you wish to view the results?",
                       core::Buttons::YesNo))
      return SearchEnd::ResultsDeclined;
    core::BusyCursor busy;
    pages_.WriteSearchResults(
        {result, words, request.mode, request.author_item, request.issue_item, text.empty()});
    outcome_.SearchPageWritten = true;
    Progress("");
    return SearchEnd::PageWritten;
  }
  if (text != kCompleteListKeyword && text != kTestKeyword) {
    core::ShowInformation(kNoMatches);
    return SearchEnd::NothingFound;
  }
  return WriteCompleteList(text);
}

SearchEnd ArticleSearch::WriteCompleteList(const std::string& text) {
  const bool test = text == kTestKeyword;
  if (!core::Confirm(test ? kTestQuestion : kCompleteListQuestion, core::Buttons::YesNo))
    return SearchEnd::SpecialDeclined;
  core::BusyCursor busy;
  pages_.WriteCompleteList(test);
  outcome_.SearchPageWritten = true;
  (test ? outcome_.TestResultsWritten : outcome_.CompleteListWritten) = true;
  Progress("");
  return SearchEnd::PageWritten;
}

}  // namespace vantorel::catalogue
