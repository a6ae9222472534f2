// NDX indexes on a keyword table of 1,000,000 records (ARTICLE_ID N 11, KEYWORD C 28, OEM):
//   - MakeIndex of "UPPER(KEYWORD)" with UNIQUE, and `LC_ALL=C sort -u` over the same keys
//     written one per line; BM_MakeIndexToSortRatio runs both alternately and reports
//     make_index_seconds / sort_seconds as "ratio" (target <= 1);
//   - Find and FindExact on that index (target >= 3,000,000 lookups per second where the
//     records found lie far apart; bench/compare_peers.sh runs that table): from a table and
//     index opened just before (the caches filling as the lookups go) and warm (every key
//     looked up once first); record_cache_MB and index_cache_MB are the caches' memory.
// The table is the demo archive's keyword.dbf when VANTOREL_BENCH_KEYWORD_DBF names one
// (tools/make_demo_archive.py OUT --articles 100000 gives about a million records), else a
// table of the same shape written here.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/code_pages.h"
#include "keyword_table.h"
#include "tables/ndx_builder.h"
#include "tables/ndx_index.h"
#include "tables/ndx_orders.h"
#include "tables/work_area.h"

namespace {

using vantorel::tables::WorkArea;
using vantorel::tables::bench::kKeywordWidth;

constexpr std::uint32_t kRecords = 1000000;

// A keyword table written byte by byte: about ten keywords per article from a vocabulary of
// 4,000 words in three capitalisations, some with OEM letters.
void WriteKeywordTable(const std::filesystem::path& path) {
  std::mt19937 random(1995);
  std::vector<std::string> words;
  const char* syllables[] = {"del", "phi", "pas", "cal", "ob", "ject", "win", "dows", "data",
                             "base", "m\x81n", "chen", "com", "pi", "ler", "net", "work", "gr\x94"};
  for (int i = 0; i < 4000; ++i) {
    std::string word;
    for (int s = 0; s < 2 + i % 3; ++s) word += syllables[random() % std::size(syllables)];
    word += std::to_string(i);
    words.push_back(word.substr(0, kKeywordWidth));
  }
  vantorel::tables::bench::WriteKeywordTable(path, kRecords, [&](std::uint32_t i) {
    std::string keyword = words[random() % words.size()];
    const unsigned roll = random() % 100;
    for (char& c : keyword) {
      if (roll < 8 && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
      if (roll >= 8 && roll < 50 && &c == &keyword[0] && c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return vantorel::tables::bench::KeywordRow{i / 10 + 1, keyword};
  });
}

// The folder of one run, removed at the end.
struct BenchData {
  std::filesystem::path folder;
  std::filesystem::path table;
  std::filesystem::path keys;     // the index keys, one per line
  // Existing keys in random order, as the program types them. Their texts lie one after
  // another in probe_texts, in the order they are looked up, as a key typed just now is at
  // hand: only the index and the table are far apart.
  std::string probe_texts;
  std::vector<std::string_view> probes;

  BenchData() {
    folder = std::filesystem::temp_directory_path() / ("vantorel-ndx-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    if (const char* given = std::getenv("VANTOREL_BENCH_KEYWORD_DBF")) {
      table = folder / "keyword.dbf";
      std::filesystem::copy_file(given, table);
    } else {
      table = folder / "keyword.dbf";
      WriteKeywordTable(table);
    }
    // The keys as MakeIndex stores them: UPPER of the ANSI text, back in OEM, 28 characters.
    auto area = Open();
    std::ofstream out(keys = folder / "keys.txt", std::ios::binary);
    std::set<std::string> distinct;
    const int keyword = area->FieldNo("KEYWORD");
    area->GoTop();
    while (!area->Eof()) {
      std::string key(area->Values().Text(static_cast<std::size_t>(keyword - 1)));
      key = vantorel::core::AnsiUpper(key);
      distinct.insert(key);
      out << vantorel::core::AnsiToOem(key) << '\n';
      area->Skip(1);
    }
    std::vector<std::string> keys(distinct.begin(), distinct.end());
    for (std::string& key : keys) key.erase(key.find_last_not_of(' ') + 1);
    std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
    for (const std::string& key : keys) probe_texts += key;
    std::size_t at = 0;
    for (const std::string& key : keys) {
      probes.push_back(std::string_view(probe_texts).substr(at, key.size()));
      at += key.size();
    }
  }
  ~BenchData() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  std::unique_ptr<WorkArea> Open() const {
    vantorel::tables::OpenOptions options;
    options.read_only = true;
    return WorkArea::Open(vantorel::tables::ParseUseCommand(table.string()), options);
  }
  double SortSeconds() const {
    const std::string command = "LC_ALL=C sort -u '" + keys.string() + "' -o '" +
                                (folder / "sorted.txt").string() + "'";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  double MakeIndexSeconds(WorkArea& area) const {
    const auto start = std::chrono::steady_clock::now();
    vantorel::tables::MakeIndex(&area, "UPPER(KEYWORD)", (folder / "kwkey").string() + " UNIQUE");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

BenchData& Data() {
  static BenchData data;
  return data;
}

void BM_MakeIndexKwkeyUnique(benchmark::State& state) {
  auto area = Data().Open();
  for (auto _ : state) state.SetIterationTime(Data().MakeIndexSeconds(*area));
  state.SetItemsProcessed(state.iterations() * area->RecCount());
}
BENCHMARK(BM_MakeIndexKwkeyUnique)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SortUniqueSameKeys(benchmark::State& state) {
  for (auto _ : state) state.SetIterationTime(Data().SortSeconds());
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SortUniqueSameKeys)->UseManualTime()->Unit(benchmark::kMillisecond);

// Both in turn, so that the ratio compares runs under the same machine load.
void BM_MakeIndexToSortRatio(benchmark::State& state) {
  auto area = Data().Open();
  double make = 0;
  double sort = 0;
  for (auto _ : state) {
    const double m = Data().MakeIndexSeconds(*area);
    const double s = Data().SortSeconds();
    make += m;
    sort += s;
    state.SetIterationTime(m + s);
  }
  state.counters["make_index_s"] = make / static_cast<double>(state.iterations());
  state.counters["sort_u_s"] = sort / static_cast<double>(state.iterations());
  state.counters["ratio"] = make / sort;
}
BENCHMARK(BM_MakeIndexToSortRatio)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// Lookups of the probes in turn on a table and index opened just before, so that the
// caches fill as they go; warm: after every probe was looked up once, so that only the
// lookups are timed (the caches then hold the whole index and every record found).
void FindBenchmark(benchmark::State& state, bool exact, bool warm = false) {
  auto area = Data().Open();
  Data().MakeIndexSeconds(*area);
  vantorel::tables::SetIndexTo(area.get(), (Data().folder / "kwkey").string());
  const std::vector<std::string_view>& probes = Data().probes;
  if (warm)
    for (const std::string_view key : probes) vantorel::tables::Find(*area, key);
  std::size_t i = 0;
  std::int64_t found = 0;
  for (auto _ : state) {
    const std::string_view key = probes[i++ % probes.size()];
    found += exact ? vantorel::tables::FindExact(*area, key) : vantorel::tables::Find(*area, key);
  }
  if (found != state.iterations()) state.SkipWithError("a key was not found");
  state.SetItemsProcessed(state.iterations());
  // The caches' memory once full: the record cache and the index's page cache.
  state.counters["record_cache_MB"] = static_cast<double>(area->RecordCacheBytes()) / (1 << 20);
  state.counters["index_cache_MB"] =
      static_cast<double>(area->Indexes()->At(1)->CacheBytes()) / (1 << 20);
}
void BM_FindKwkey(benchmark::State& state) { FindBenchmark(state, false); }
void BM_FindExactKwkey(benchmark::State& state) { FindBenchmark(state, true); }
void BM_FindKwkeyWarm(benchmark::State& state) { FindBenchmark(state, false, true); }
BENCHMARK(BM_FindKwkey);
BENCHMARK(BM_FindExactKwkey);
BENCHMARK(BM_FindKwkeyWarm);

}  // namespace

BENCHMARK_MAIN();
