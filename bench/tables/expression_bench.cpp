// Evaluating compiled expressions over 1,000,000 article records: the keyword index key
// UPPER(KEYWORD) and the article search's author and issue filter, on records in memory
// and through a work area's filtered walk over a table file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "tables/dbf_field.h"
#include "tables/expression/expression_parser.h"
#include "tables/filter.h"
#include "tables/work_area.h"

namespace {

using vantorel::tables::AssignExpr;
using vantorel::tables::DbfField;
using vantorel::tables::ParsedExpression;

constexpr int kRecords = 1'000'000;
constexpr const char* kAuthorFilter =
    "(AUTHOR_1 = 12 .OR. AUTHOR_2 = 12 .OR. AUTHOR_3 = 12) .AND. ISSUE__ =   7";

const std::vector<DbfField>& Fields() {
  static const std::vector<DbfField> fields = [] {
    std::vector<DbfField> list = {{"ARTICLE_ID", 'N', 11}, {"AUTHOR_1", 'N', 11},
                                  {"AUTHOR_2", 'N', 11},   {"AUTHOR_3", 'N', 11},
                                  {"ISSUE__", 'N', 11},    {"KEYWORD", 'C', 28}};
    int offset = 1;
    for (DbfField& field : list) {
      field.offset = offset;
      offset += field.width;
    }
    return list;
  }();
  return fields;
}

constexpr int kRecordLength = 1 + 5 * 11 + 28;

std::string RightAligned(long value, int width) {
  std::string text = std::to_string(value);
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

// kRecords records back to back; authors 0..99, issues 1..60, mixed-case keywords.
const std::string& Records() {
  static const std::string records = [] {
    static const char* const kKeywords[] = {"Delphi", "object pascal", "Threads and Locks",
                                            "Windows API", "database", "Gr\xFC\xDF" "e"};
    std::string all;
    all.reserve(static_cast<std::size_t>(kRecords) * kRecordLength);
    std::uint32_t seed = 1;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    for (int i = 0; i < kRecords; ++i) {
      std::string keyword = kKeywords[next() % 6];
      keyword.resize(28, ' ');
      all += ' ';
      all += RightAligned(i + 1, 11);
      for (int a = 0; a < 3; ++a) all += RightAligned(static_cast<long>(next() % 100), 11);
      all += RightAligned(static_cast<long>(1 + next() % 60), 11);
      all += keyword;
    }
    return all;
  }();
  return records;
}

void BM_AuthorFilterInMemory(benchmark::State& state) {
  const std::string& records = Records();
  ParsedExpression filter = AssignExpr(kAuthorFilter, Fields());
  std::int64_t selected = 0;
  for (auto _ : state) {
    for (int i = 0; i < kRecords; ++i) {
      selected += filter.IsTrue(records.data() + static_cast<std::size_t>(i) * kRecordLength,
                                static_cast<std::uint32_t>(i + 1));
    }
  }
  benchmark::DoNotOptimize(selected);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_AuthorFilterInMemory)->Unit(benchmark::kMillisecond);

void BM_UpperKeywordInMemory(benchmark::State& state) {
  const std::string& records = Records();
  ParsedExpression key = AssignExpr("UPPER(KEYWORD)", Fields());
  std::size_t bytes = 0;
  for (auto _ : state) {
    for (int i = 0; i < kRecords; ++i) {
      bytes += key.Evaluate(records.data() + static_cast<std::size_t>(i) * kRecordLength).text[0];
    }
  }
  benchmark::DoNotOptimize(bytes);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_UpperKeywordInMemory)->Unit(benchmark::kMillisecond);

// The same records as a table file (written here byte by byte), walked with GoTop and
// SKIP 1 under the author filter: file reading, OEM conversion and the visibility test
// included. The file is removed when the program ends.
class TableFile {
 public:
  TableFile()
      : path_((std::filesystem::temp_directory_path() /
               ("vantorel_expression_bench_" + std::to_string(getpid()) + ".dbf"))
                  .string()) {
    std::ofstream file(path_, std::ios::binary);
    const std::vector<DbfField>& fields = Fields();
    const int header_length = 32 + 32 * static_cast<int>(fields.size()) + 1;
    std::string header(32, '\0');
    header[0] = 0x03;
    header[1] = 124;
    header[2] = 1;
    header[3] = 1;
    for (int i = 0; i < 4; ++i) header[4 + i] = static_cast<char>((kRecords >> (8 * i)) & 0xFF);
    header[8] = static_cast<char>(header_length & 0xFF);
    header[9] = static_cast<char>(header_length >> 8);
    header[10] = static_cast<char>(kRecordLength & 0xFF);
    header[11] = static_cast<char>(kRecordLength >> 8);
    for (const DbfField& field : fields) {
      std::string descriptor(32, '\0');
      descriptor.replace(0, field.name.size(), field.name);
      descriptor[11] = field.type;
      descriptor[16] = static_cast<char>(field.width);
      header += descriptor;
    }
    header += '\x0D';
    file << header << Records() << '\x1A';
  }
  ~TableFile() { std::filesystem::remove(path_); }
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  static const std::string& Path() {
    static const TableFile file;
    return file.path_;
  }

 private:
  std::string path_;  // in the temporary directory, named after the process
};

void BM_AuthorFilterWorkAreaWalk(benchmark::State& state) {
  using namespace vantorel::tables;
  auto area = WorkArea::Open(ParseUseCommand(TableFile::Path()), OpenOptions{true});
  SetFilterTo(*area, kAuthorFilter);
  std::int64_t selected = 0;
  for (auto _ : state) {
    area->GoTop();
    while (!area->Eof()) {
      ++selected;
      area->Skip(1);
    }
  }
  benchmark::DoNotOptimize(selected);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_AuthorFilterWorkAreaWalk)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
