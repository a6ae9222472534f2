// The views on long generated result pages and on hostile pages: each step of showing a page
// (parsing and normalising, building the document, the first screen, the full layout), the
// longest pause of the event loop while the rest is laid out, and finding a word near the end.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <gumbo.h>

#include <filesystem>
#include <fstream>

#include "browser/html_viewer.h"
#include "browser/page_document.h"
#include "core/code_pages.h"
#include "hostile_page_helpers.h"
#include "result_page_helpers.h"

namespace {

using vantorel::browser::HtmlViewer;

enum PageShape { kSearchResults, kAllArticles };

std::string PageOfShape(PageShape shape, int articles) {
  return shape == kSearchResults ? vantorel::testing::SearchResultsPage(articles)
                                 : vantorel::testing::AllArticlesPage(articles);
}

// A generated page of at least megabytes MB and the number of articles it lists.
struct GeneratedPage {
  std::string bytes;
  int articles = 0;
};

GeneratedPage MakePage(PageShape shape, int megabytes) {
  GeneratedPage page{PageOfShape(shape, 64), 64};
  const std::size_t wanted = static_cast<std::size_t>(megabytes) << 20;
  while (page.bytes.size() < wanted) {
    page.articles = static_cast<int>(page.articles * (static_cast<double>(wanted) / page.bytes.size()) + 1);
    page.bytes = PageOfShape(shape, page.articles);
  }
  return page;
}

// The page written to a temporary file once per shape and size.
struct PageFile {
  std::string path;
  int articles = 0;
};

PageFile GeneratedPageFile(PageShape shape, int megabytes) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() /
      ("vantorel_bench_" + std::string(shape == kSearchResults ? "results_" : "allarts_") +
       std::to_string(megabytes) + "mb.htm");
  GeneratedPage page = MakePage(shape, megabytes);
  std::ofstream(file, std::ios::binary) << page.bytes;
  return {file.string(), page.articles};
}

// A view the size of a reader's window, shown on the offscreen screen.
struct ShownView {
  HtmlViewer view;
  ShownView() {
    view.resize(800, 600);
    view.SetDefBackground(Qt::white);
    view.SetHistoryMaxCount(6);
    view.show();
    QApplication::processEvents();
  }
};

// Lets the event loop run until the view shows the whole page and has laid it out, taken as
// the scroll range not growing for kSettledMs; the longest pause between two turns of the
// loop, in milliseconds.
double LongestPauseUntilLaidOut(HtmlViewer& view) {
  constexpr int kSettledMs = 300;
  double longest = 0;
  QElapsedTimer turn;
  QElapsedTimer settled;
  settled.start();
  int range = -1;
  while (settled.elapsed() < kSettledMs) {
    turn.start();
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    longest = std::max(longest, turn.nsecsElapsed() / 1e6);
    if (view.verticalScrollBar()->maximum() != range || view.ShowsPagePart()) settled.start();
    range = view.verticalScrollBar()->maximum();
  }
  return longest;
}

void SetPageCounters(benchmark::State& state, const std::string& path) {
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

// --- The steps of showing a long page ---------------------------------------------------------

void GumboParse(benchmark::State& state) {
  const GeneratedPage page = MakePage(static_cast<PageShape>(state.range(0)), static_cast<int>(state.range(1)));
  const std::string utf8 = vantorel::core::Cp1252ToUtf8(page.bytes);
  for (auto _ : state) {
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
    gumbo_destroy_output(&kGumboDefaultOptions, output);
  }
}

// Gumbo's parse and the normaliser's walk together.
void ParseAndNormalise(benchmark::State& state) {
  const GeneratedPage page = MakePage(static_cast<PageShape>(state.range(0)), static_cast<int>(state.range(1)));
  std::size_t markup = 0;
  for (auto _ : state) {
    const vantorel::browser::HtmlPage parsed = vantorel::browser::ParseHtmlPage(page.bytes, {}, {});
    markup = parsed.markup.size();
  }
  state.counters["markup_bytes"] = static_cast<double>(markup);
}

// QTextDocument from the whole normalised markup, not laid out.
void BuildWholeDocument(benchmark::State& state) {
  const GeneratedPage page = MakePage(static_cast<PageShape>(state.range(0)), static_cast<int>(state.range(1)));
  const vantorel::browser::HtmlPage parsed = vantorel::browser::ParseHtmlPage(page.bytes, {}, {});
  for (auto _ : state) {
    auto document = vantorel::browser::BuildHtmlDocument(parsed, {}, {});
    benchmark::DoNotOptimize(document->characterCount());
  }
}

// LoadDocument until the page shows: read, parsed, normalised, built and the first screen
// laid out and painted.
void LoadPageShown(benchmark::State& state) {
  const PageFile file = GeneratedPageFile(static_cast<PageShape>(state.range(0)), static_cast<int>(state.range(1)));
  ShownView shown;
  for (auto _ : state) {
    shown.view.LoadDocument(file.path + "#TOP");
    shown.view.repaint();
  }
  SetPageCounters(state, file.path);
}

// LoadDocument and then the event loop until the whole page is laid out; the longest pause
// of the loop on the way is the longest the window does not answer input.
void LoadPageLaidOut(benchmark::State& state) {
  const PageFile file = GeneratedPageFile(static_cast<PageShape>(state.range(0)), static_cast<int>(state.range(1)));
  ShownView shown;
  double longest_pause = 0;
  for (auto _ : state) {
    shown.view.LoadDocument(file.path + "#TOP");
    shown.view.repaint();
    longest_pause = std::max(longest_pause, LongestPauseUntilLaidOut(shown.view));
  }
  SetPageCounters(state, file.path);
  state.counters["longest_pause_ms"] = longest_pause;
  state.counters["height_px"] = shown.view.document()->documentLayout()->documentSize().height();
}

// LoadDocument, then at once FindNext of the title of the last article, which stands near
// the end of the page.
void LoadPageAndFindNearEnd(benchmark::State& state) {
  const PageFile file = GeneratedPageFile(static_cast<PageShape>(state.range(0)), static_cast<int>(state.range(1)));
  const std::string last_title = "Writing a " + std::to_string(file.articles) + "-line";
  ShownView shown;
  bool found = false;
  for (auto _ : state) {
    shown.view.LoadDocument(file.path + "#TOP");
    shown.view.repaint();
    found = shown.view.FindNext(last_title, false);
    shown.view.repaint();
  }
  SetPageCounters(state, file.path);
  state.counters["found"] = found;
}

void LongPageArguments(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"all_articles", "mb"});
  for (int shape : {kSearchResults, kAllArticles}) {
    for (int megabytes : {1, 5, 10}) benchmark->Args({shape, megabytes});
  }
  benchmark->Unit(benchmark::kMillisecond)->Iterations(2);
}

BENCHMARK(GumboParse)->Apply(LongPageArguments);
BENCHMARK(ParseAndNormalise)->Apply(LongPageArguments);
BENCHMARK(BuildWholeDocument)->Apply(LongPageArguments);
BENCHMARK(LoadPageShown)->Apply(LongPageArguments);
BENCHMARK(LoadPageLaidOut)->Apply(LongPageArguments);
BENCHMARK(LoadPageAndFindNearEnd)->Apply(LongPageArguments);

// --- Hostile pages ----------------------------------------------------------------------------

// LoadDocument of a 1 MB hostile page of each kind until it is shown and laid out.
void LoadHostilePage(benchmark::State& state) {
  const auto& kind = vantorel::testing::HostilePageKinds()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(std::string(kind.name));
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "vantorel_bench_hostile";
  std::filesystem::create_directories(folder);
  const std::filesystem::path file = folder / (std::string(kind.name) + ".htm");
  std::ofstream(file, std::ios::binary) << vantorel::testing::HostilePage(kind.kind, 1 << 20);
  std::ofstream(folder / "frame.htm", std::ios::binary) << "<P>Frame</P>";
  QImage picture(4, 3, QImage::Format_RGB32);
  picture.fill(Qt::green);
  picture.save(QString::fromStdString((folder / vantorel::testing::kHostileImageName).string()), "BMP");
  ShownView shown;
  for (auto _ : state) {
    shown.view.LoadDocument(file.string());
    shown.view.repaint();
    LongestPauseUntilLaidOut(shown.view);
  }
  SetPageCounters(state, file.string());
}
BENCHMARK(LoadHostilePage)
    ->DenseRange(0, static_cast<int>(vantorel::testing::HostilePageKinds().size()) - 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
