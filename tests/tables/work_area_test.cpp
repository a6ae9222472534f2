// Work areas: reading records, movement with BOF/EOF and record numbers, visibility.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine_test_helpers.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::OpenTable;
using testing::Pad;
using testing::Rec;
using testing::ShownPath;
using testing::TableBytes;
using testing::TempDir;

// Five records; 2 and 5 are marked deleted.
TableBytes FiveRecords() {
  TableBytes t;
  t.fields = {{"ID", 'N', 5}, {"NAME", 'C', 4}};
  t.records = {Rec({"    1", "aaaa"}), Rec({"    2", "bbbb"}, '*'), Rec({"    3", "cccc"}),
               Rec({"    4", "dddd"}), Rec({"    5", "eeee"}, '*')};
  return t;
}

std::int32_t Id(const WorkArea& area) { return area.Values().Integer(0); }
std::string Name(const WorkArea& area) { return std::string(area.Values().Text(1)); }

class WorkAreaTest : public ::testing::Test {
 protected:
  std::unique_ptr<WorkArea> Open(const TableBytes& t, OpenOptions options = {}) {
    return OpenTable(dir_, "t.dbf", t.Bytes(), options);
  }
  std::string Path() const { return ShownPath(dir_, "t.dbf"); }
  void ExpectBlank(const WorkArea& area) {
    EXPECT_EQ(Id(area), 0);
    EXPECT_EQ(Name(area), "    ");
    EXPECT_EQ(std::string(area.Record(), 10), std::string(10, ' '));
  }

  TempDir dir_;
};

TEST_F(WorkAreaTest, OpenReadsHeaderValuesAndStandsOnTheFirstRecord) {
  const auto area = Open(FiveRecords());
  EXPECT_EQ(area->FileName(), Path());
  EXPECT_EQ(area->Alias(), "T");
  EXPECT_EQ(area->RecCount(), 5);
  EXPECT_EQ(area->RecordLength(), 10);
  EXPECT_EQ(area->HeaderLength(), 32 + 64 + 1);
  EXPECT_EQ(area->UpdateDate(), "20240307");
  EXPECT_FALSE(area->HasMemo());
  EXPECT_EQ(area->RecNo(), 1);
  EXPECT_FALSE(area->Bof());
  EXPECT_FALSE(area->Eof());
  EXPECT_EQ(Id(*area), 1);
}

TEST_F(WorkAreaTest, DeletedRecordsTakePartWhenNotHidden) {
  const auto area = Open(FiveRecords());
  std::vector<std::int32_t> seen;
  for (area->GoTop(); !area->Eof(); area->Skip(1)) seen.push_back(Id(*area));
  EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 2, 3, 4, 5}));
  area->Go(2);
  EXPECT_EQ(area->Values().DeletionFlag(), '*');
}

TEST_F(WorkAreaTest, HideDeletedSkipsMarkedRecordsBothWays) {
  OpenOptions options;
  options.hide_deleted = true;
  TableBytes t = FiveRecords();
  t.records[0][0] = '*';  // now 1, 2 and 5 are deleted
  const auto area = Open(t, options);
  EXPECT_EQ(area->RecNo(), 3);  // the first visible record
  area->Skip(1);
  EXPECT_EQ(area->RecNo(), 4);
  area->Skip(1);  // past 5 (deleted): end of file
  EXPECT_TRUE(area->Eof());
  EXPECT_EQ(area->RecNo(), 6);
  area->GoBottom();
  EXPECT_EQ(area->RecNo(), 4);
  area->Skip(-1);
  EXPECT_EQ(area->RecNo(), 3);
  EXPECT_FALSE(area->Bof());
  area->Skip(-1);  // past the beginning: the first visible record with BOF
  EXPECT_TRUE(area->Bof());
  EXPECT_FALSE(area->Eof());
  EXPECT_EQ(area->RecNo(), 3);
  area->Go(1);  // GO does not test visibility
  EXPECT_EQ(area->RecNo(), 1);
  EXPECT_EQ(Id(*area), 1);
}

TEST_F(WorkAreaTest, SkipPastTheEndSetsEofAndBlanksTheRecord) {
  const auto area = Open(FiveRecords());
  area->GoBottom();
  EXPECT_EQ(area->RecNo(), 5);
  area->Skip(1);
  EXPECT_TRUE(area->Eof());
  EXPECT_FALSE(area->Bof());
  EXPECT_EQ(area->RecNo(), 6);
  ExpectBlank(*area);

  const EKvError error = ErrorOf([&] { area->Skip(1); });
  EXPECT_EQ(error.Code(), 212);
  EXPECT_EQ(error.Detail(), "Database \"" + Path() + "\" is past EOF. [SKIP]");

  area->Skip(-1);  // back from the end: the last record
  EXPECT_FALSE(area->Eof());
  EXPECT_EQ(area->RecNo(), 5);
  EXPECT_EQ(Id(*area), 5);
}

TEST_F(WorkAreaTest, SkipByMoreThanOneCountsRecords) {
  const auto area = Open(FiveRecords());
  area->Skip(3);
  EXPECT_EQ(area->RecNo(), 4);
  area->Skip(-2);
  EXPECT_EQ(area->RecNo(), 2);
  area->Skip(10);
  EXPECT_TRUE(area->Eof());
  EXPECT_EQ(area->RecNo(), 6);
  area->Skip(-10);
  EXPECT_TRUE(area->Bof());
  EXPECT_EQ(area->RecNo(), 1);
  EXPECT_EQ(Id(*area), 1);
}

TEST_F(WorkAreaTest, SkipZeroReadsTheRecordAgainFromTheFile) {
  const auto area = Open(FiveRecords());
  area->Go(3);
  TableBytes changed = FiveRecords();
  changed.records[2] = Rec({"   33", "CCCC"});
  dir_.Write("t.dbf", changed.Bytes());
  area->Skip(0);
  EXPECT_EQ(Id(*area), 33);
  EXPECT_EQ(Name(*area), "CCCC");

  area->GoBottom();
  area->Skip(1);
  area->Skip(0);  // at EOF: blank values, no error
  EXPECT_TRUE(area->Eof());
  ExpectBlank(*area);
}

TEST_F(WorkAreaTest, GoReadsAnyRecordAndRejectsNumbersOutsideTheTable) {
  const auto area = Open(FiveRecords());
  area->Go(4);
  EXPECT_EQ(Id(*area), 4);
  for (const std::int64_t k : {0, 6, -1}) {
    SCOPED_TRACE(k);
    area->Go(2);
    const EKvError error = ErrorOf([&] { area->Go(k); });
    EXPECT_EQ(error.Code(), 212);
    EXPECT_EQ(error.Detail(), "Invalid record number = " + std::to_string(k) + " Database \"" +
                                  Path() + "\" [GO]");
    EXPECT_TRUE(area->Eof());
    EXPECT_EQ(area->RecNo(), 6);
    ExpectBlank(*area);
  }
  area->Go(1);  // GO clears EOF again
  EXPECT_FALSE(area->Eof());
}

TEST_F(WorkAreaTest, RawGoTreatsNumbersPastTheEndAsEndOfFile) {
  const auto area = Open(FiveRecords());
  area->RawGo(6);
  EXPECT_TRUE(area->Eof());
  EXPECT_EQ(area->RecNo(), 6);
  area->RawGo(2);
  EXPECT_FALSE(area->Eof());
  EXPECT_EQ(Id(*area), 2);
  const EKvError error = ErrorOf([&] { area->RawGo(0); });
  EXPECT_EQ(error.Code(), 212);
  EXPECT_EQ(error.Detail(), "Invalid record number = 0 Database \"" + Path() + "\" [Dbf4RawGo]");
}

TEST_F(WorkAreaTest, EmptyTableSitsAtBofAndEof) {
  TableBytes t = FiveRecords();
  t.records.clear();
  const auto area = Open(t);
  EXPECT_TRUE(area->Bof());
  EXPECT_TRUE(area->Eof());
  EXPECT_EQ(area->RecNo(), 0);
  ExpectBlank(*area);
  area->GoTop();
  area->GoBottom();
  EXPECT_EQ(area->RecNo(), 0);
  area->Skip(0);

  EKvError error = ErrorOf([&] { area->Skip(1); });
  EXPECT_EQ(error.Code(), 212);
  EXPECT_EQ(error.Detail(), "Database \"" + Path() + "\" is past EOF. [SKIP]");
  error = ErrorOf([&] { area->Skip(-1); });
  EXPECT_EQ(error.Code(), 212);
  EXPECT_EQ(error.Detail(), "Database \"" + Path() + "\" is empty. [SKIP]");
  EXPECT_TRUE(area->Bof());
  EXPECT_TRUE(area->Eof());
  error = ErrorOf([&] { area->Go(1); });
  EXPECT_EQ(error.Code(), 212);
  EXPECT_EQ(error.Detail(), "Invalid record number = 1 Database \"" + Path() + "\" [GO]");
}

TEST_F(WorkAreaTest, RecordCountBeyondTheFileFailsOnlyWhenAMissingRecordIsRead) {
  TableBytes t = FiveRecords();
  t.record_count = 8;
  t.end_mark = false;
  std::string bytes = t.Bytes();
  bytes.resize(bytes.size() - 3);  // record 5 is cut as well
  dir_.Write("t.dbf", bytes);
  const auto area = WorkArea::Open(ParseUseCommand(dir_ / "t.dbf"), OpenOptions{});
  EXPECT_EQ(area->RecCount(), 8);
  area->Go(4);
  EXPECT_EQ(Id(*area), 4);
  for (const std::int64_t k : {5, 8}) {
    const EKvError error = ErrorOf([&] { area->Go(k); });
    EXPECT_EQ(error.Code(), 213);
    EXPECT_EQ(error.Detail(), "File:  " + Path() + "  [GetDbfRecord]");
  }
  // Walking off the records that exist ends in the same error, not in a hang.
  area->Go(1);
  const EKvError error = ErrorOf([&] {
    while (!area->Eof()) area->Skip(1);
  });
  EXPECT_EQ(error.Code(), 213);

  const EKvError beyond = ErrorOf([&] { area->GetDbfRecord(9); });
  EXPECT_EQ(beyond.Code(), 212);
  EXPECT_EQ(beyond.Detail(), "Invalid record number = 9 (" + Path() + ")  [GetDbfRecord]");
}

TEST_F(WorkAreaTest, AutoFixRecCountTakesTheCountFromTheFileSize) {
  TableBytes t = FiveRecords();
  t.record_count = 1000;
  OpenOptions options;
  options.auto_fix_rec_count = true;
  EXPECT_EQ(Open(t, options)->RecCount(), 5);  // the end mark is not a record
  t.record_count = 0;
  EXPECT_EQ(Open(t, options)->RecCount(), 5);
}

TEST_F(WorkAreaTest, TableWithRecordsButNoneInTheFileFailsToOpen) {
  TableBytes t = FiveRecords();
  t.records.clear();
  t.record_count = 3;
  const EKvError error = ErrorOf([&] { Open(t); });
  EXPECT_EQ(error.Code(), 213);
}

TEST_F(WorkAreaTest, FilterDecidesVisibilityAndSeesTheCurrentRecord) {
  const auto area = Open(FiveRecords());
  const WorkArea* seen_by = area.get();
  std::vector<std::int64_t> asked;
  area->SetFilter([&](const char* record) {
    asked.push_back(seen_by->RecNo());
    EXPECT_EQ(record, seen_by->Record());
    return record[6] == 'c' || record[6] == 'e';  // NAME starts at offset 6
  });
  EXPECT_TRUE(area->HasFilter());
  area->GoTop();
  EXPECT_EQ(area->RecNo(), 3);
  EXPECT_EQ(asked, (std::vector<std::int64_t>{1, 2, 3}));
  area->Skip(1);
  EXPECT_EQ(area->RecNo(), 5);
  area->GoBottom();
  EXPECT_EQ(area->RecNo(), 5);
  area->Skip(-1);
  EXPECT_EQ(area->RecNo(), 3);

  area->SetFilter([](const char*) { return false; });
  area->GoTop();
  EXPECT_TRUE(area->Eof());
  EXPECT_EQ(area->RecNo(), 6);
  ExpectBlank(*area);
  area->GoBottom();
  EXPECT_TRUE(area->Bof());
  EXPECT_TRUE(area->Eof());

  area->SetFilter({});
  EXPECT_FALSE(area->HasFilter());
  area->GoTop();
  EXPECT_EQ(area->RecNo(), 1);
}

// An index order over a fixed list of record numbers.
class ListOrder : public RecordOrder {
 public:
  explicit ListOrder(std::vector<std::int64_t> records) : records_(std::move(records)) {}
  std::int64_t First() override { return At(at_ = 0); }
  std::int64_t Last() override { return At(at_ = static_cast<int>(records_.size()) - 1); }
  std::int64_t Next() override { return At(++at_); }
  std::int64_t Prior() override { return At(--at_); }

 private:
  std::int64_t At(int i) const {
    return i >= 0 && i < static_cast<int>(records_.size()) ? records_[static_cast<std::size_t>(i)]
                                                          : 0;
  }
  std::vector<std::int64_t> records_;
  int at_ = 0;
};

TEST_F(WorkAreaTest, ControllingOrderDecidesTheOrderOfMovement) {
  const auto area = Open(FiveRecords());
  ListOrder order({4, 1, 5, 3});
  area->SetOrder(&order);
  std::vector<std::int64_t> seen;
  for (area->GoTop(); !area->Eof(); area->Skip(1)) seen.push_back(area->RecNo());
  EXPECT_EQ(seen, (std::vector<std::int64_t>{4, 1, 5, 3}));
  EXPECT_EQ(area->RecNo(), 6);
  area->GoBottom();
  EXPECT_EQ(area->RecNo(), 3);
  area->Skip(-2);
  EXPECT_EQ(area->RecNo(), 1);
  area->Skip(-5);
  EXPECT_TRUE(area->Bof());
  EXPECT_EQ(area->RecNo(), 4);
}

TEST_F(WorkAreaTest, FieldInfoByNumberAndNumberByName) {
  const auto area = Open(FiveRecords());
  EXPECT_EQ(area->FieldType(1), 'N');
  EXPECT_EQ(area->FieldLen(2), 4);
  EXPECT_EQ(area->FieldDec(1), 0);
  EXPECT_EQ(area->FieldName(2), "NAME");
  EXPECT_EQ(area->FieldAddress(2), area->Values().Address(1));
  EXPECT_EQ(area->FieldNo("name"), 2);
  EXPECT_EQ(area->FieldNo("ID"), 1);
  EXPECT_EQ(area->FieldNo("NAMES"), 0);

  struct Case {
    const char* operation;
    std::function<void(int)> call;
  };
  const Case cases[] = {
      {"FieldType", [&](int n) { area->FieldType(n); }},
      {"FieldLen", [&](int n) { area->FieldLen(n); }},
      {"FieldDec", [&](int n) { area->FieldDec(n); }},
      {"FieldName", [&](int n) { area->FieldName(n); }},
      {"FieldAddress", [&](int n) { area->FieldAddress(n); }},
  };
  for (const Case& c : cases) {
    for (const int n : {0, 3}) {
      const EKvError error = ErrorOf([&] { c.call(n); });
      EXPECT_EQ(error.Code(), 220);
      EXPECT_EQ(error.Detail(), "Invalid field number. [" + std::string(c.operation) + "(" +
                                    std::to_string(n) + ")]");
    }
  }
}

TEST_F(WorkAreaTest, OemTablesAreConvertedAfterTheDeletionFlag) {
  TableBytes t;
  t.fields = {{"NAME", 'C', 4}};
  t.records = {Rec({"\x81\x84\xC4x"}, '\x81')};
  const auto oem = Open(t);
  EXPECT_EQ(std::string(oem->Record(), 5), "\x81\xFC\xE4-x");
  EXPECT_EQ(oem->Values().Text(0), "\xFC\xE4-x");
  EXPECT_EQ(oem->Values().DeletionFlag(), '\x81');

  OpenOptions ansi;
  ansi.language = KvTableLanguage::tlAnsi;
  const auto plain = OpenTable(dir_, "u.dbf", t.Bytes(), ansi);
  EXPECT_FALSE(plain->Oem());
  EXPECT_EQ(plain->Values().Text(0), "\x81\x84\xC4x");
}

TEST_F(WorkAreaTest, LongTablesReadInBlocksGiveEveryRecordInBothDirections) {
  TableBytes t;
  t.fields = {{"ID", 'N', 7}, {"NAME", 'C', 3}};
  const int count = 30000;  // several read blocks
  for (int i = 1; i <= count; ++i)
    t.records.push_back(Rec({Pad(std::to_string(i), 7, true), "\x81\x81\x81"}));
  const auto area = Open(t);
  std::int64_t expected = 0;
  for (area->GoTop(); !area->Eof(); area->Skip(1)) {
    ASSERT_EQ(Id(*area), ++expected);
    ASSERT_EQ(Name(*area), "\xFC\xFC\xFC");
  }
  EXPECT_EQ(expected, count);
  for (area->GoBottom(); !area->Bof(); area->Skip(-1)) ASSERT_EQ(Id(*area), expected--);
  EXPECT_EQ(expected, 0);  // stepping back from record 1 leaves BOF on record 1
  EXPECT_EQ(area->RecNo(), 1);
  for (const std::int64_t k : {17777, 3, 29999, 15000, 15001, 14999})  {
    area->Go(k);
    ASSERT_EQ(Id(*area), k);
  }
}

// Records visited one at a time, far apart and again and again, more of them than the record
// cache holds: each visit gives that record, converted; one read again from the file after
// it changed stays changed on the next visit.
TEST_F(WorkAreaTest, RecordsVisitedAtRandomComeBackRightAfterManyOthers) {
  TableBytes t;
  t.fields = {{"ID", 'N', 7}, {"NAME", 'C', 3}};
  const int count = 60000;
  for (int i = 1; i <= count; ++i)
    t.records.push_back(Rec({Pad(std::to_string(i), 7, true), "\x81\x94" + std::string(1, 'a' + i % 26)}));
  const auto area = Open(t);
  std::uint64_t state = 7;
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 40000; ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      // A few hundred records first, then any of them.
      const std::int64_t spread = round == 0 ? 500 : count;
      const auto k = static_cast<std::int64_t>(state >> 33) % spread * 97 % count + 1;
      area->Go(k);
      ASSERT_EQ(Id(*area), k);
      ASSERT_EQ(Name(*area), "\xFC\xF6" + std::string(1, static_cast<char>('a' + k % 26)));
    }
  }
  area->Go(4001);
  area->Go(97);
  t.records[96] = Rec({Pad("97", 7, true), "new"});
  dir_.Write("t.dbf", t.Bytes());
  area->Skip(0);
  EXPECT_EQ(Name(*area), "new");
  area->Go(4001);
  area->Go(97);
  EXPECT_EQ(Name(*area), "new");
}

// Another process may rewrite the table shorter while it is open: a record past the new end
// that was not read before fails with error 213 when it is visited on its own; the records
// before the new end still read.
TEST_F(WorkAreaTest, ATableCutShortWhileOpenFailsForTheRecordsItLost) {
  TableBytes t;
  t.fields = {{"ID", 'N', 7}, {"NAME", 'C', 3}};
  for (int i = 1; i <= 60000; ++i) t.records.push_back(Rec({Pad(std::to_string(i), 7, true), "abc"}));
  const auto area = Open(t);
  area->Go(50000);
  t.records.resize(40000);
  dir_.Write("t.dbf", t.Bytes());
  for (const std::int64_t k : {45000, 40001, 59999}) {
    const EKvError error = ErrorOf([&] { area->Go(k); });
    EXPECT_EQ(error.Code(), 213) << k;
  }
  area->Go(39999);
  EXPECT_EQ(Id(*area), 39999);
}

}  // namespace
}  // namespace vantorel::tables
