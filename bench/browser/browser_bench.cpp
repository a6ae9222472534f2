// LoadDocument of generated search-results pages until the page is laid out completely.
#include <QAbstractTextDocumentLayout>
#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "browser/html_viewer.h"
#include "result_page_helpers.h"

namespace {

using vantorel::browser::HtmlViewer;

// A results page of at least megabytes MB, written to a temporary file once per size.
std::string ResultsPageFile(int megabytes) {
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("vantorel_bench_results_" + std::to_string(megabytes) + "mb.htm");
  int articles = 64;
  std::string page = vantorel::testing::SearchResultsPage(articles);
  const std::size_t wanted = static_cast<std::size_t>(megabytes) << 20;
  while (page.size() < wanted) {
    articles = static_cast<int>(articles * (static_cast<double>(wanted) / page.size()) + 1);
    page = vantorel::testing::SearchResultsPage(articles);
  }
  std::ofstream(file, std::ios::binary) << page;
  return file.string();
}

// LoadDocument until the page shows: read, parsed, normalised, built and the first screen
// laid out and painted (the rest is laid out as the reader scrolls).
void LoadResultsPageShown(benchmark::State& state) {
  const std::string file = ResultsPageFile(static_cast<int>(state.range(0)));
  HtmlViewer view;
  view.resize(800, 600);
  view.SetDefBackground(Qt::white);
  view.SetHistoryMaxCount(6);
  view.show();
  QApplication::processEvents();
  for (auto _ : state) {
    view.LoadDocument(file + "#TOP");
    view.repaint();
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(LoadResultsPageShown)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(3);

// LoadDocument until the whole page is laid out.
void LoadResultsPageLaidOut(benchmark::State& state) {
  const std::string file = ResultsPageFile(static_cast<int>(state.range(0)));
  HtmlViewer view;
  view.resize(800, 600);
  view.SetDefBackground(Qt::white);
  view.SetHistoryMaxCount(6);
  view.show();
  QApplication::processEvents();
  double height = 0;
  for (auto _ : state) {
    view.LoadDocument(file + "#TOP");
    height = view.document()->documentLayout()->documentSize().height();  // completes the layout
    view.repaint();
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
  state.counters["height_px"] = height;
}
BENCHMARK(LoadResultsPageLaidOut)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
