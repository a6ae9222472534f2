// A natural-order pass (GoTop, then SKIP 1 to EOF) over a keyword-shaped table: one N 11
// and one C 28 field in OEM, 1,000,000 records, every record converted and decoded.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tables/work_area.h"

namespace {

constexpr std::uint32_t kRecords = 1000000;

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

// keyword.dbf as the catalogue has it, written byte by byte: ARTICLE_ID N 11, KEYWORD C 28.
std::filesystem::path WriteKeywordTable() {
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("vantorel-bench-keyword-" + std::to_string(getpid()) + ".dbf");
  constexpr int kRecordLength = 1 + 11 + 28;
  std::string header;
  header += '\x03';
  header += '\x7C';
  header += '\x01';
  header += '\x01';
  PutLe(header, kRecords, 4);
  PutLe(header, 32 + 2 * 32 + 1, 2);
  PutLe(header, kRecordLength, 2);
  header.append(20, '\0');
  const struct {
    const char* name;
    char type;
    int width;
  } fields[] = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
  for (const auto& field : fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, std::string(field.name).size(), field.name);
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.width);
    header += descriptor;
  }
  header += '\x0D';

  std::ofstream out(path, std::ios::binary);
  out << header;
  std::string record;
  for (std::uint32_t i = 1; i <= kRecords; ++i) {
    char text[64];
    std::snprintf(text, sizeof text, " %11u%-28s", i / 7 + 1, i % 3 ? "M\x81NCHEN DATABASE" : "TURBO PASCAL");
    record.assign(text, kRecordLength);
    out << record;
  }
  out << '\x1A';
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
