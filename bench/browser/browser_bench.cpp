// The views on long generated result pages and on hostile pages: each step of showing a page
// (parsing and normalising, building the document, the first screen, the full layout), the
// longest pause of the event loop while the rest is laid out, and finding a word near the end.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>

#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <gumbo.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

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
    if (view.verticalScrollBar()->maximum() != range || view.Busy()) settled.start();
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

// --- A reader's actions on the demo archive's pages -------------------------------------------
//
// VANTOREL_BENCH_PAGES names a folder with the 100,000-article demo's SEARCHRESULT.HTM (one
// word, about 17 MB), ALLARTS.HTM (13 MB) and AADETAIL.HTM (135 MB):
//   python3 tools/make_demo_archive.py DEMO --articles 100000
//   build/src/tools/search/vantorel-search --yes DEMO '*!*'     # ALLARTS.HTM, AADETAIL.HTM
//   build/src/tools/search/vantorel-search --yes DEMO Sockets   # SEARCHRESULT.HTM
// Each action is timed from the call until the view has settled (its document, scroll range
// and position unchanged for kSettledMs); pause_ms is the longest the event loop (or a loop
// nested in the action, which paints the window as well) did not turn on the way, measured
// by a timer's ticks; done_ms is when the view last changed. maxrss_mb is
// the process's peak memory so far: run one page per process to read it for that page.
// Medians: --benchmark_repetitions=5 --benchmark_report_aggregates_only=true.

enum DemoPage { kDemoResults, kDemoAllArticles, kDemoDetail };
enum ReaderAction { kLoad, kScrollToEnd, kAnchor, kFind, kSelectAll, kPrint, kBack };
constexpr const char* kDemoPageNames[] = {"SEARCHRESULT.HTM", "ALLARTS.HTM", "AADETAIL.HTM"};
constexpr const char* kActionNames[] = {"load", "scroll_to_end", "anchor", "find", "select_all", "print", "back"};

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The last NAME anchor of the page (the last article's detail); empty when it names only Top.
std::string LastAnchor(const std::string& bytes) {
  const std::size_t at = bytes.rfind("<A NAME=\"");
  if (at == std::string::npos) return {};
  const std::size_t start = at + 9;
  std::string name = bytes.substr(start, bytes.find('"', start) - start);
  return name == "Top" ? std::string() : name;
}

// A text of the page near its end that occurs once: the last text between two tags, at
// least 20 characters long, that the page holds only once.
std::string UniqueTextNearEnd(const std::string& bytes) {
  std::size_t end = bytes.size();
  while (end > 0) {
    const std::size_t close = bytes.rfind('<', end - 1);
    if (close == std::string::npos || close == 0) break;
    const std::size_t open = bytes.rfind('>', close - 1);
    if (open == std::string::npos) break;
    std::string text = bytes.substr(open + 1, close - open - 1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    std::size_t first = 0;
    while (first < text.size() && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
    text = text.substr(first);
    if (text.size() >= 20 && text.find('\n') == std::string::npos && bytes.find(text) == bytes.rfind(text)) {
      return text;
    }
    end = open;
  }
  return {};
}

struct ActionTimes {
  double pause_ms = 0;
  double done_ms = 0;
};

// The longest time between two turns of the event loop, nested loops included: a timer due
// every few milliseconds, and the longest gap between its ticks.
class Heartbeat {
 public:
  Heartbeat() {
    clock_.start();
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start(2);
  }
  double LongestMs() {
    Tick();
    return longest_ / 1e6;
  }

 private:
  void Tick() {
    const qint64 now = clock_.nsecsElapsed();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
  }
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 longest_ = 0;
};

// Whether the view is still at work on its page.
bool Busy(const HtmlViewer& view) { return view.Busy(); }

// Runs the event loop until the view has settled; pause and done measured from start.
void SettleAfter(HtmlViewer& view, const QElapsedTimer& start, ActionTimes& times) {
  constexpr int kSettledMs = 400;
  constexpr int kMostMs = 600000;
  QElapsedTimer settled;
  settled.start();
  auto state = [&view] {
    return std::tuple(view.document(), view.verticalScrollBar()->maximum(), view.verticalScrollBar()->value());
  };
  auto last = state();
  times.done_ms = start.nsecsElapsed() / 1e6;
  while (settled.elapsed() < kSettledMs && start.elapsed() < kMostMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (state() != last || Busy(view)) {
      last = state();
      settled.start();
      times.done_ms = start.nsecsElapsed() / 1e6;
    }
  }
}

void SendKey(HtmlViewer& view, int key, Qt::KeyboardModifiers modifiers) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(&view, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(&view, &release);
}

double PeakMemoryMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

void DemoPageAction(benchmark::State& state) {
  const char* folder = std::getenv("VANTOREL_BENCH_PAGES");
  const auto page = static_cast<DemoPage>(state.range(0));
  const auto action = static_cast<ReaderAction>(state.range(1));
  state.SetLabel(std::string(kDemoPageNames[page]) + " " + kActionNames[action]);
  const std::filesystem::path path = folder ? std::filesystem::path(folder) / kDemoPageNames[page] : "";
  if (!folder || !std::filesystem::exists(path)) {
    state.SkipWithError("set VANTOREL_BENCH_PAGES to a folder with the demo's pages (see browser_bench.cpp)");
    return;
  }
  std::string anchor;
  std::string find_text;
  {
    const std::string bytes = ReadWholeFile(path);
    anchor = LastAnchor(bytes);
    find_text = UniqueTextNearEnd(bytes);
  }
  if (action == kAnchor && anchor.empty()) {
    state.SkipWithError("the page has no anchor but Top");
    return;
  }
  const std::filesystem::path other = std::filesystem::temp_directory_path() / "vantorel_bench_other.htm";
  std::ofstream(other, std::ios::binary) << "<HTML><BODY><P>Another page</P></BODY></HTML>";
  const std::filesystem::path printed = std::filesystem::temp_directory_path() / "vantorel_bench_print.pdf";
  const std::string file = path.string();
  ActionTimes worst;
  double found = 0;
  for (auto _ : state) {
    ShownView shown;
    HtmlViewer& view = shown.view;
    ActionTimes times;
    QElapsedTimer start;
    if (action != kLoad) {
      view.LoadDocument(file + "#TOP");
      if (action != kFind) SettleAfter(view, start, times);
      times = {};
    }
    start.start();
    std::optional<Heartbeat> heartbeat(std::in_place);
    switch (action) {
      case kLoad:
        view.LoadDocument(file + "#TOP");
        break;
      case kScrollToEnd:
        SendKey(view, Qt::Key_End, Qt::ControlModifier);
        SettleAfter(view, start, times);
        SendKey(view, Qt::Key_End, Qt::ControlModifier);
        break;
      case kAnchor:
        view.LoadDocument("#" + anchor);
        break;
      case kFind:
        found = view.FindNext(find_text, false);
        break;
      case kSelectAll:
        view.SelectAllText();
        break;
      case kPrint: {
        QPrinter printer(QPrinter::ScreenResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(printed.string()));
        view.PrintPages(printer, 1, 2);
        break;
      }
      case kBack: {
        SendKey(view, Qt::Key_End, Qt::ControlModifier);
        SettleAfter(view, start, times);
        view.LoadDocument(other.string());
        SettleAfter(view, start, times);
        times = {};
        start.start();
        heartbeat.emplace();
        view.SetHistoryPosition(1);
        break;
      }
    }
    SettleAfter(view, start, times);
    times.pause_ms = heartbeat->LongestMs();
    worst.pause_ms = std::max(worst.pause_ms, times.pause_ms);
    worst.done_ms = std::max(worst.done_ms, times.done_ms);
    state.SetIterationTime(times.done_ms / 1000);
  }
  state.counters["pause_ms"] = worst.pause_ms;
  state.counters["done_ms"] = worst.done_ms;
  state.counters["maxrss_mb"] = PeakMemoryMb();
  if (action == kFind) state.counters["found"] = found;
}
BENCHMARK(DemoPageAction)
    ->ArgNames({"page", "action"})
    ->ArgsProduct({{kDemoResults, kDemoAllArticles, kDemoDetail}, {kLoad, kScrollToEnd, kAnchor, kFind, kSelectAll, kPrint, kBack}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

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

// With VANTOREL_BENCH_TRACE_MS set, every event that keeps the event loop longer than that
// many milliseconds is written to standard error: its type and receiver, to find what pauses.
class TracingApplication : public QApplication {
 public:
  using QApplication::QApplication;
  bool notify(QObject* receiver, QEvent* event) override {
    static const int threshold = qEnvironmentVariableIntValue("VANTOREL_BENCH_TRACE_MS");
    if (threshold <= 0) return QApplication::notify(receiver, event);
    QElapsedTimer timer;
    timer.start();
    const int type = event->type();
    const char* kind = receiver->metaObject()->className();
    const bool result = QApplication::notify(receiver, event);
    if (timer.elapsed() >= threshold) std::fprintf(stderr, "slow event %d to %s: %lld ms\n", type, kind, timer.elapsed());
    return result;
  }
};

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TracingApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
