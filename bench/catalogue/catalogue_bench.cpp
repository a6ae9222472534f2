// The catalogue on the demo archive of 100,000 articles (about a million keyword records):
//   - BM_OpenWithReadyIndexes: Catalogue::Open with the four indexes and keywords.lst present
//     and fresh (target < 0.3 s);
//   - BM_OpenBuildingIndexes: Catalogue::Open after kwaid.ndx, kwkey.ndx, araid.ndx, ariss.ndx
//     and keywords.lst were removed: every index built, the keyword list read from the table
//     and written (target < 2 s);
//   - BM_SearchOneWord: ArticleSearch::OkBtnClick for one keyword of the vocabulary, its
//     SEARCHRESULT.HTM included (target < 0.5 s);
//   - BM_SearchCompleteList: "*!*" with the question answered Yes: ALLARTS.HTM and AADETAIL.HTM
//     for every article (target < 1 s);
//   - BM_BonusSearch: the bonus search for one word of words.dbf (about 3 million records),
//     its SEARCHRESULT.HTM included, after a first search built words.wdx (target < 20 ms).
// Every question is answered Yes (OK); an error box makes the benchmark fail with its text.
//
// The archive is the folder VANTOREL_BENCH_DEMO_ARCHIVE names, else
// /tmp/vantorel-catalogue-bench-archive; make it once (about 40 s) with
//   python3 tools/make_demo_archive.py DIR --articles 100000
// Without it every benchmark is skipped with that command as the message. The archive is left
// as it is: its tables are linked (or copied) into a scratch folder that gets the indexes,
// keywords.lst and the pages; PdfDir and SourceDir are the archive's PDF/ and DISKS/.
//
// Medians of wall and CPU time: --benchmark_repetitions=5 --benchmark_report_aggregates_only.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/article_search.h"
#include "catalogue/bonus_search.h"
#include "catalogue/catalogue.h"
#include "catalogue/result_pages.h"
#include "core/settings.h"
#include "core/ui.h"

namespace {

namespace fs = std::filesystem;
using vantorel::catalogue::ArticleSearch;
using vantorel::catalogue::Catalogue;
using vantorel::catalogue::ResultPages;
using vantorel::catalogue::SearchEnd;
using vantorel::catalogue::SearchRequest;

constexpr char kDefaultArchive[] = "/tmp/vantorel-catalogue-bench-archive";
constexpr const char* kTables[] = {"article.dbf", "article.dbt", "author.dbf", "keyword.dbf",
                                   "files.dbf",   "words.dbf"};
constexpr const char* kDerivedFiles[] = {"kwaid.ndx", "kwkey.ndx", "araid.ndx", "ariss.ndx",
                                         "keywords.lst"};
// A keyword of the demo archive's vocabulary: in about one article of eight.
constexpr char kOneWord[] = "Sockets";
// A word of the bonus documents.
constexpr char kBonusWord[] = "WASTE";
constexpr std::int32_t kLastIssue = 72;
constexpr std::int32_t kResultsThreshold = 30;

// The progress text shown for each article of a page, followed by its number.
constexpr std::string_view kArticleProgress = "Generating results for article ";

// Answers every box with Yes or OK and shows nothing; keeps what a benchmark checks.
class QuietUi : public vantorel::core::Ui {
 public:
  vantorel::core::Answer Show(const vantorel::core::MessageBox& box) override {
    if (box.kind == vantorel::core::BoxKind::Error) {
      ++error_boxes;
      last_error = box.text;
    }
    return box.buttons == vantorel::core::Buttons::YesNo ? vantorel::core::Answer::Yes
                                                          : vantorel::core::Answer::Ok;
  }
  std::optional<std::string> AskForFile(const vantorel::core::FileRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskForFolder(const vantorel::core::FolderRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskForPassword(const vantorel::core::PasswordRequest&) override {
    return std::nullopt;
  }
  void ShowProgress(const std::string& text) override {
    if (text.starts_with(kArticleProgress)) ++page_articles;
  }
  void SetBusy(bool) override {}

  int error_boxes = 0;            // error boxes shown so far
  std::string last_error;         // the text of the last error box
  std::int64_t page_articles = 0; // articles written into pages so far
};

struct BenchData {
  fs::path archive;  // the demo archive, never written
  fs::path folder;   // the scratch data folder
  std::string skip;  // why the benchmarks cannot run; empty when they can
  QuietUi ui;
  vantorel::core::BrowserSettings settings;  // the scratch folder and the archive's folders

  BenchData() {
    vantorel::core::SetUi(&ui);
    const char* given = std::getenv("VANTOREL_BENCH_DEMO_ARCHIVE");
    archive = given != nullptr && *given != '\0' ? fs::path(given) : fs::path(kDefaultArchive);
    if (!fs::exists(archive / "index.htm")) {
      skip = "no demo archive in " + archive.string() + "; make it with: python3 " +
             VANTOREL_SOURCE_DIR + "/tools/make_demo_archive.py " + archive.string() +
             " --articles 100000 (or name one in VANTOREL_BENCH_DEMO_ARCHIVE)";
      return;
    }
    folder = fs::temp_directory_path() / ("vantorel-catalogue-bench-" + std::to_string(getpid()));
    fs::create_directories(folder);
    for (const char* table : kTables) {
      std::error_code linked;
      fs::create_hard_link(archive / table, folder / table, linked);
      if (linked) fs::copy_file(archive / table, folder / table);
    }
    settings.DataDir = folder.string() + "/";
    settings.PdfDir = (archive / "PDF").string() + "/";
    settings.SourceDir = (archive / "DISKS").string() + "/";
    settings.LastIssue = kLastIssue;
    settings.ResultsThreshold = kResultsThreshold;
  }
  ~BenchData() {
    if (folder.empty()) return;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  void RemoveDerivedFiles() const {
    for (const char* file : kDerivedFiles) fs::remove(folder / file);
  }
};

BenchData& Data() {
  static BenchData data;
  return data;
}

// False, with the benchmark skipped, when the archive is missing.
bool Ready(benchmark::State& state) {
  if (Data().skip.empty()) return true;
  state.SkipWithError(Data().skip.c_str());
  return false;
}

// False, with the benchmark failed, when an error box was shown since errors_before.
bool NoErrorBox(benchmark::State& state, int errors_before) {
  if (Data().ui.error_boxes == errors_before) return true;
  state.SkipWithError(("error box: " + Data().ui.last_error).c_str());
  return false;
}

void OpenCatalogue(Catalogue& catalogue) {
  catalogue.SetRaiseEngineErrors(true);
  catalogue.Open();
}

void BM_OpenWithReadyIndexes(benchmark::State& state) {
  if (!Ready(state)) return;
  {
    Catalogue warm_up(Data().settings.DataDir);
    OpenCatalogue(warm_up);
  }
  const int errors = Data().ui.error_boxes;
  std::size_t keywords = 0;
  for (auto _ : state) {
    Catalogue catalogue(Data().settings.DataDir);
    OpenCatalogue(catalogue);
    keywords = catalogue.KeywordItems().Count();
  }
  if (!NoErrorBox(state, errors)) return;
  state.counters["keywords"] = static_cast<double>(keywords);
}
BENCHMARK(BM_OpenWithReadyIndexes)->Unit(benchmark::kMillisecond);

void BM_OpenBuildingIndexes(benchmark::State& state) {
  if (!Ready(state)) return;
  const int errors = Data().ui.error_boxes;
  std::size_t keywords = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Data().RemoveDerivedFiles();
    state.ResumeTiming();
    Catalogue catalogue(Data().settings.DataDir);
    OpenCatalogue(catalogue);
    keywords = catalogue.KeywordItems().Count();
  }
  if (!NoErrorBox(state, errors)) return;
  state.counters["keywords"] = static_cast<double>(keywords);
}
BENCHMARK(BM_OpenBuildingIndexes)->Unit(benchmark::kMillisecond);

// One search per iteration on a catalogue opened once; "articles": the articles of its page.
void RunSearch(benchmark::State& state, const std::string& text) {
  if (!Ready(state)) return;
  Catalogue catalogue(Data().settings.DataDir);
  OpenCatalogue(catalogue);
  ResultPages pages(catalogue, Data().settings);
  ArticleSearch search(catalogue, pages, Data().settings);
  SearchRequest request;
  request.text = text;
  const int errors = Data().ui.error_boxes;
  const std::int64_t articles_before = Data().ui.page_articles;
  for (auto _ : state) {
    if (search.OkBtnClick(request) != SearchEnd::PageWritten) {
      state.SkipWithError("the search wrote no page");
      return;
    }
  }
  if (!NoErrorBox(state, errors)) return;
  state.counters["articles"] =
      static_cast<double>(Data().ui.page_articles - articles_before) /
      static_cast<double>(state.iterations());
}

void BM_SearchOneWord(benchmark::State& state) { RunSearch(state, kOneWord); }
BENCHMARK(BM_SearchOneWord)->Unit(benchmark::kMillisecond);

void BM_SearchCompleteList(benchmark::State& state) {
  RunSearch(state, vantorel::catalogue::kCompleteListKeyword);
}
BENCHMARK(BM_SearchCompleteList)->Unit(benchmark::kMillisecond);

void BM_BonusSearch(benchmark::State& state) {
  if (!Ready(state)) return;
  vantorel::catalogue::BonusSearch search;
  search.OpenTables(Data().settings.DataDir);
  const vantorel::catalogue::BonusSearchRequest request{kBonusWord};
  const int errors = Data().ui.error_boxes;
  search.OkBtnClick(request);  // builds words.wdx when missing
  for (auto _ : state) {
    if (search.OkBtnClick(request) != SearchEnd::PageWritten) {
      state.SkipWithError("the search wrote no page");
      return;
    }
  }
  NoErrorBox(state, errors);
}
BENCHMARK(BM_BonusSearch)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
