// Search on a keyword table of 1,000,000 records (ARTICLE_ID N 11, KEYWORD C 28, OEM):
//   - BM_SearchNowhere: KvDbf::Search for a word that occurs nowhere, from the top: one scan
//     of the whole table;
//   - BM_SearchArticleLoop: the article search's loop (from the top, then from the next record
//     with the field returned) for a keyword that occurs in many records;
//   - BM_SearchToolToGrepRatio: whole processes, in turn: `vantorel-dbf search TABLE WORD`
//     and `grep -c -i -F WORD TABLE` over the same file for the word that occurs nowhere;
//     reports search_s / grep_s as "ratio". grep over the table file itself has no line
//     breaks to work with; the fair comparison, over the records one per line, is
//     bench/compare_peers.sh (target <= 1).
// The table is the demo archive's keyword.dbf when VANTOREL_BENCH_KEYWORD_DBF names one
// (tools/make_demo_archive.py OUT --articles 100000 gives about a million records), else a
// table of the same shape written here.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "keyword_table.h"
#include "tables/kv_dbf.h"

extern char** environ;

namespace {

using vantorel::tables::KvDbf;

constexpr std::uint32_t kRecords = 1000000;
constexpr const char* kNowhere = "ZYGOMORPHIC";
constexpr const char* kFrequent = "DELPHI";

// keyword.dbf written byte by byte: about ten keywords per article from a small vocabulary in
// mixed capitalisation, some with OEM letters.
void WriteKeywordTable(const std::filesystem::path& path) {
  const char* keywords[] = {"Delphi", "Turbo Pascal", "Borland C++", "Objects", "Streams",
                            "Memory", "Heap", "Windows API", "Database", "M\x81nchen",
                            "Gr\x94\xE1" "e", "Compiler", "Network", "Graphics", "OOP"};
  std::mt19937 random(1995);
  vantorel::tables::bench::WriteKeywordTable(path, kRecords, [&](std::uint32_t i) {
    return vantorel::tables::bench::KeywordRow{i / 10 + 1, keywords[random() % std::size(keywords)]};
  });
}

struct BenchData {
  std::filesystem::path folder;
  std::filesystem::path table;

  BenchData() {
    folder = std::filesystem::temp_directory_path() / ("vantorel-search-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    table = folder / "keyword.dbf";
    if (const char* given = std::getenv("VANTOREL_BENCH_KEYWORD_DBF"))
      std::filesystem::copy_file(given, table);
    else
      WriteKeywordTable(table);
  }
  ~BenchData() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  void Open(KvDbf& dbf) const {
    dbf.SetRaiseEngineErrors(true);
    dbf.SetReadOnly(true);
    dbf.SetCreateIfNotFound(false);
    dbf.SetDbfFileName(table.string());
    dbf.SetActive(true);
  }
};

BenchData& Data() {
  static BenchData data;
  return data;
}

// Runs a program to its end with its output thrown away; the wall-clock seconds it took.
double ProcessSeconds(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SearchNowhere(benchmark::State& state) {
  KvDbf dbf("KeywordDBF");
  Data().Open(dbf);
  for (auto _ : state) {
    std::uint8_t field = 0;
    if (dbf.Search(kNowhere, field, true)) state.SkipWithError("the word was found");
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<std::int64_t>(std::filesystem::file_size(Data().table)));
}
BENCHMARK(BM_SearchNowhere)->Unit(benchmark::kMillisecond);

void BM_SearchArticleLoop(benchmark::State& state) {
  KvDbf dbf("KeywordDBF");
  Data().Open(dbf);
  std::int64_t hits = 0;
  for (auto _ : state) {
    std::uint8_t field = 0;
    for (bool from_top = true; dbf.Search(kFrequent, field, from_top); from_top = false) {
      benchmark::DoNotOptimize(dbf.FieldAsInteger("ARTICLE_ID"));
      ++hits;
    }
  }
  state.counters["hits"] = static_cast<double>(hits) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SearchArticleLoop)->Unit(benchmark::kMillisecond);

// Both in turn, so that the ratio compares runs under the same machine load.
void BM_SearchToolToGrepRatio(benchmark::State& state) {
  const std::string table = Data().table.string();
  double search = 0;
  double grep = 0;
  for (auto _ : state) {
    const double s = ProcessSeconds({VANTOREL_DBF_TOOL, "search", table, kNowhere});
    const double g = ProcessSeconds({"grep", "-c", "-i", "-F", kNowhere, table});
    if (s < 0 || g < 0) state.SkipWithError("a program could not be started");
    search += s;
    grep += g;
    state.SetIterationTime(s + g);
  }
  state.counters["search_s"] = search / static_cast<double>(state.iterations());
  state.counters["grep_s"] = grep / static_cast<double>(state.iterations());
  state.counters["ratio"] = search / grep;
}
BENCHMARK(BM_SearchToolToGrepRatio)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
