// A natural-order pass (GoTop, then SKIP 1 to EOF) over a keyword-shaped table: one N 11
// and one C 28 field in OEM, 1,000,000 records, every record converted and decoded.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "keyword_table.h"
#include "tables/work_area.h"

namespace {

constexpr std::uint32_t kRecords = 1000000;

// keyword.dbf as the catalogue has it: ARTICLE_ID N 11, KEYWORD C 28.
std::filesystem::path WriteKeywordTable() {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("vantorel-bench-keyword-" + std::to_string(getpid()) + ".dbf");
  vantorel::tables::bench::WriteKeywordTable(path, kRecords, [](std::uint32_t i) {
    return vantorel::tables::bench::KeywordRow{i / 7 + 1, i % 3 ? "M\x81NCHEN DATABASE" : "TURBO PASCAL"};
  });
  return path;
}

void BM_NaturalOrderPass(benchmark::State& state) {
  const std::filesystem::path path = WriteKeywordTable();
  vantorel::tables::OpenOptions options;
  options.read_only = true;
  const auto area = vantorel::tables::WorkArea::Open(
      vantorel::tables::ParseUseCommand(path.string()), options);
  std::int64_t sum = 0;
  for (auto _ : state) {
    std::int64_t records = 0;
    for (area->GoTop(); !area->Eof(); area->Skip(1)) {
      sum += area->Values().Integer(0) + static_cast<unsigned char>(area->Values().Text(1)[1]);
      ++records;
    }
    if (records != kRecords) state.SkipWithError("the pass missed records");
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * kRecords);
  std::filesystem::remove(path);
}
BENCHMARK(BM_NaturalOrderPass)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
