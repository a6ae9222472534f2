// Damaged tables and memo files end in the engine's error or read tolerantly, never in a
// crash, a hang or a read outside the file (run these under the sanitizers).
#include <gtest/gtest.h>

#include <random>

#include "engine_test_helpers.h"
#include "tables/memo_field.h"

namespace vantorel::tables {
namespace {

using testing::DBase4MemoHeader;
using testing::Le32;
using testing::MemoBytes;
using testing::Pad;
using testing::Rec;
using testing::TableBytes;
using testing::TempDir;

TableBytes Articles() {
  TableBytes t;
  t.version = 0x8B;
  t.fields = {{"ID", 'N', 6}, {"TITLE", 'C', 9}, {"PRICE", 'N', 6, 2}, {"DAY", 'D', 8},
              {"OK", 'L', 1}, {"SUMMARY", 'M', 10}};
  for (int i = 1; i <= 6; ++i)
    t.records.push_back(Rec({Pad(std::to_string(i), 6, true), "T\x81tle " + std::to_string(i) + "  ",
                             "  1.25", "20240307", "T", Pad(std::to_string(i % 3), 10, true)},
                            i == 4 ? '*' : ' '));
  return t;
}

std::string Memo() {
  return MemoBytes(64, DBase4MemoHeader(3, 64),
                   {{1, std::string("\xFF\xFF\x08\x00", 4) + Le32(8 + 12) + "ab\r\ncd\x8D\nef\r\n"},
                    {2, "plain text\r\nwithout end mark"}});
}

// Opens the table and visits everything: both directions, GO on every record, every memo.
void Exercise(const TempDir& dir) {
  const auto area = WorkArea::Open(ParseUseCommand(dir / "t.dbf"), OpenOptions{});
  const int limit = 100;
  int steps = 0;
  for (area->GoTop(); !area->Eof() && steps < limit; area->Skip(1), ++steps) {}
  steps = 0;
  for (area->GoBottom(); !area->Bof() && !area->Eof() && steps < limit; area->Skip(-1), ++steps) {}
  for (std::int64_t k = 1; k <= std::min<std::int64_t>(area->RecCount(), limit); ++k) {
    area->Go(k);
    for (int n = 1; n <= area->FieldCount(); ++n)
      if (area->FieldType(n) == 'M') MemoFieldLines(*area, area->FieldName(n));
  }
}

// Runs Exercise; only the engine's error may come out of it.
void ExpectOnlyEngineErrors(const TempDir& dir) {
  try {
    Exercise(dir);
  } catch (const EKvError& error) {
    EXPECT_NE(error.Code(), 254) << error.what();  // no read outside what was checked
  }
}

TEST(DamagedFiles, TruncatedAnywhere) {
  TempDir dir;
  const std::string table = Articles().Bytes();
  const std::string memo = Memo();
  dir.Write("t.dbt", memo);
  for (std::size_t size = 0; size <= table.size(); ++size) {
    SCOPED_TRACE(size);
    dir.Write("t.dbf", table.substr(0, size));
    ExpectOnlyEngineErrors(dir);
  }
  dir.Write("t.dbf", table);
  for (std::size_t size = 0; size <= memo.size(); ++size) {
    SCOPED_TRACE(size);
    dir.Write("t.dbt", memo.substr(0, size));
    ExpectOnlyEngineErrors(dir);
  }
}

TEST(DamagedFiles, RandomBytesChanged) {
  TempDir dir;
  const std::string table = Articles().Bytes();
  const std::string memo = Memo();
  std::mt19937 random(20240307);
  for (int round = 0; round < 1000; ++round) {
    std::string damaged_table = table;
    std::string damaged_memo = memo;
    std::string& target = round % 4 == 3 ? damaged_memo : damaged_table;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) {
      // Mostly the header and the first records, where the structure lives.
      const std::size_t span = std::min<std::size_t>(target.size(), round % 2 ? 64 : 320);
      target[random() % span] = static_cast<char>(random() % 256);
    }
    dir.Write("t.dbf", damaged_table);
    dir.Write("t.dbt", damaged_memo);
    SCOPED_TRACE(round);
    ExpectOnlyEngineErrors(dir);
  }
}

TEST(DamagedFiles, AbsurdHeaderValues) {
  TempDir dir;
  dir.Write("t.dbt", Memo());
  const struct {
    const char* what;
    std::optional<std::uint32_t> count;
    std::optional<std::uint16_t> header_length;
    std::optional<std::uint16_t> record_length;
  } cases[] = {
      {"huge record count", 0xFFFFFFFF, std::nullopt, std::nullopt},
      {"largest header length", std::nullopt, 0xFFFF, std::nullopt},
      {"largest record length", std::nullopt, std::nullopt, 0xFFFF},
      {"record length 0", std::nullopt, std::nullopt, 0},
      {"header length inside the descriptors", std::nullopt, 32 + 32 * 2, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TableBytes t = Articles();
    t.record_count = c.count;
    t.record_length = c.record_length;
    std::string bytes = t.Bytes();
    if (c.header_length) {
      bytes[8] = static_cast<char>(*c.header_length & 0xFF);
      bytes[9] = static_cast<char>(*c.header_length >> 8);
    }
    dir.Write("t.dbf", bytes);
    ExpectOnlyEngineErrors(dir);
  }
}

}  // namespace
}  // namespace vantorel::tables
