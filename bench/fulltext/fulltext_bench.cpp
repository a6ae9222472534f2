// The full-text index on the demo archive of 100,000 articles (about 100,000 files: article
// PDFs, companion-disk sources and ZIP archives, bonus pages):
//   - BM_ScanSources: the walk over the archive's folders that every update starts with;
//   - BM_NoChangeUpdate: PlanUpdate on an index that is up to date, which finds nothing to do
//     (target <= 0.5 s);
//   - BM_QueryAndPage: a query with at least 1,000 hits, its best 1,000 with pages and
//     snippets, and FULLTEXT.HTM written (target <= 50 ms).
//
// The archive is the folder VANTOREL_BENCH_DEMO_ARCHIVE names, else
// /tmp/vantorel-fulltext-bench-archive; make it once (about a minute) with
//   python3 tools/make_demo_archive.py DIR --articles 100000
// Without it every benchmark is skipped with that command as the message. The archive is left
// as it is; the index is built (once, a few minutes) in DIR-index/ beside it.
//
// Medians of wall and CPU time: --benchmark_repetitions=5 --benchmark_report_aggregates_only.
// Time is wall time, CPU the whole process's (the walk of the companion disks runs on a second
// thread beside the walk of the PDF folder).
//
// Where BM_NoChangeUpdate's time goes (perf, 103,177 files in 63,484 PDF files and 37,146
// companion-disk folders): about 70% in the kernel, in one fstatat per file, and one openat,
// two getdents64 and one close per folder; the rest in the walk and in reading the sources
// table. A bare walk of the same calls costs about 80% of the whole. The walk runs on two
// threads (the companion disks in parts, a folder of DISKS each, beside the PDF folder): the
// calling thread's CPU, BM_NoChangeUpdate/real_time, is about half the process's.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "fulltext/fulltext_index.h"
#include "fulltext/fulltext_pages.h"
#include "fulltext/source_scan.h"

namespace {

namespace fs = std::filesystem;
using vantorel::fulltext::ArchiveFolders;
using vantorel::fulltext::FullTextIndex;

constexpr char kDefaultArchive[] = "/tmp/vantorel-fulltext-bench-archive";
// A word on the third page of every tenth article: well over 1,000 hits.
constexpr char kQuery[] = "benchmark";
constexpr std::size_t kHitsWanted = 1000;

fs::path Archive() {
  const char* named = std::getenv("VANTOREL_BENCH_DEMO_ARCHIVE");
  return named != nullptr && *named != '\0' ? fs::path(named) : fs::path(kDefaultArchive);
}

ArchiveFolders Folders() {
  ArchiveFolders folders;
  folders.data_dir = Archive().string() + "/";
  folders.pdf_dir = folders.data_dir + "PDF/";
  folders.source_dir = folders.data_dir + "DISKS/";
  return folders;
}

fs::path IndexFolder() { return fs::path(Archive().string() + "-index"); }

bool SkipWithoutArchive(benchmark::State& state) {
  if (fs::exists(Archive() / "article.dbf")) return false;
  state.SkipWithError(("no demo archive: python3 tools/make_demo_archive.py " +
                       Archive().string() + " --articles 100000")
                          .c_str());
  return true;
}

// The index over the archive, brought up to date once per run.
FullTextIndex& UpToDateIndex() {
  static const std::unique_ptr<FullTextIndex> index = [] {
    fs::create_directories(IndexFolder());
    auto opened = std::make_unique<FullTextIndex>(IndexFolder() / "fulltext.db", Folders());
    opened->Update(opened->PlanUpdate());
    return opened;
  }();
  return *index;
}

void BM_ScanSources(benchmark::State& state) {
  if (SkipWithoutArchive(state)) return;
  std::size_t files = 0;
  for (auto _ : state) files = vantorel::fulltext::ScanSources(Folders()).size();
  state.counters["files"] = static_cast<double>(files);
}
BENCHMARK(BM_ScanSources)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
// CPU of the calling thread alone: about the wall time on an idle machine of two cores.
BENCHMARK(BM_ScanSources)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NoChangeUpdate(benchmark::State& state) {
  if (SkipWithoutArchive(state)) return;
  FullTextIndex& index = UpToDateIndex();
  for (auto _ : state) {
    const vantorel::fulltext::UpdatePlan plan = index.PlanUpdate();
    if (!plan.Empty()) {
      state.SkipWithError("the index is not up to date");
      return;
    }
  }
  state.counters["documents"] = static_cast<double>(index.DocumentCount());
}
BENCHMARK(BM_NoChangeUpdate)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
// CPU of the calling thread alone: about the wall time on an idle machine of two cores.
BENCHMARK(BM_NoChangeUpdate)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_QueryAndPage(benchmark::State& state) {
  if (SkipWithoutArchive(state)) return;
  FullTextIndex& index = UpToDateIndex();
  const std::string page = (IndexFolder() / vantorel::fulltext::kFullTextPageName).string();
  std::size_t total = 0;
  for (auto _ : state) {
    const vantorel::fulltext::SearchResults results = index.Search(kQuery, kHitsWanted);
    vantorel::fulltext::WriteFullTextPage(page, kQuery, results, index);
    total = results.total;
    if (results.hits.size() < kHitsWanted) {
      state.SkipWithError("fewer than 1,000 hits");
      return;
    }
  }
  state.counters["hits"] = static_cast<double>(total);
}
BENCHMARK(BM_QueryAndPage)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
