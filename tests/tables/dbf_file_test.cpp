// Opening a table: header and descriptor validation with the engine's exact error texts.
#include <gtest/gtest.h>

#include "engine_test_helpers.h"
#include "tables/dbf_file.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::FieldSpec;
using testing::OpenTable;
using testing::Pad;
using testing::Rec;
using testing::ShownPath;
using testing::TableBytes;
using testing::TempDir;

TableBytes ThreeFields() {
  TableBytes t;
  t.fields = {{"ID", 'N', 5}, {"NAME", 'C', 4}, {"OK", 'L', 1}};
  t.records = {Rec({"    1", "abcd", "T"})};
  return t;
}

struct BadHeaderCase {
  const char* what;
  std::string bytes;
  int code;
  std::string detail_after_path;  // the detail is the shown path followed by this
};

TEST(DbfHeader, DamagedHeadersFailWithTheirCodeAndText) {
  TempDir dir;
  const std::string path = ShownPath(dir, "t.dbf");
  std::vector<BadHeaderCase> cases;
  cases.push_back({"empty file", "", 210,
                   " is not a dBASE database. (Prolog is less than 32 bytes) [USE/OpenDBF]"});
  cases.push_back({"31 bytes", ThreeFields().Bytes().substr(0, 31), 210,
                   " is not a dBASE database. (Prolog is less than 32 bytes) [USE/OpenDBF]"});
  {
    TableBytes t = ThreeFields();
    t.version = 0x30;  // Visual FoxPro
    cases.push_back({"version 0x30", t.Bytes(), 210,
                     " is not a dBASE database.(Invalid version byte)+ [USE/OpenDBF]"});
  }
  {
    TableBytes t = ThreeFields();
    t.version = 0x02;
    cases.push_back({"dBASE II", t.Bytes(), 1300, " [USE/OpenDBF]"});
  }
  cases.push_back({"descriptors cut short", ThreeFields().Bytes().substr(0, 32 + 40), 100, ""});
  {
    TableBytes t = ThreeFields();
    t.record_length = 8;  // the fields need 1 + 5 + 4 + 1
    cases.push_back({"record too short for its fields", t.Bytes(), 210,
                     " is not a dBASE database. (Record length is shorter than its fields) "
                     "[USE/OpenDBF]"});
  }
  for (const BadHeaderCase& c : cases) {
    SCOPED_TRACE(c.what);
    const EKvError error = ErrorOf([&] { OpenTable(dir, "t.dbf", c.bytes); });
    EXPECT_EQ(error.Code(), c.code);
    if (c.code == 100)
      EXPECT_EQ(error.Detail(), "Error reading " + path + " [Use/OpenDbf]");
    else
      EXPECT_EQ(error.Detail(), path + c.detail_after_path);
  }
}

TEST(DbfHeader, FieldCountOutOfRangeNamesTheFileWithoutItsFolder) {
  TempDir dir;
  for (const int header_length : {32, 33 + 32 * 256, 20}) {
    SCOPED_TRACE(header_length);
    TableBytes t = ThreeFields();
    t.header_length = static_cast<std::uint16_t>(header_length);
    const EKvError error = ErrorOf([&] { OpenTable(dir, "t.dbf", t.Bytes()); });
    EXPECT_EQ(error.Code(), 210);
    EXPECT_EQ(error.Detail(),
              "t.dbf is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]");
  }
}

TEST(DbfHeader, TerminatorAsFirstDescriptorIsCode222) {
  TempDir dir;
  TableBytes t;
  t.fields = {};
  t.header_length = 32 + 32 + 1;  // room for one descriptor, which starts with 0x0D
  t.record_length = 1;
  std::string bytes = t.Bytes();
  bytes[32] = 0x0D;
  const EKvError error = ErrorOf([&] { OpenTable(dir, "t.dbf", bytes); });
  EXPECT_EQ(error.Code(), 222);
  EXPECT_EQ(error.Detail(), "Error reading " + ShownPath(dir, "t.dbf") + " [Use/OpenDbf]");
}

TEST(DbfHeader, InvalidFieldTypeNamesFieldAndLetter) {
  TempDir dir;
  TableBytes t = ThreeFields();
  t.fields[1].type = 'c';  // lower-case letters other than b, g, p are not field types
  const EKvError error = ErrorOf([&] { OpenTable(dir, "t.dbf", t.Bytes()); });
  EXPECT_EQ(error.Code(), 211);
  EXPECT_EQ(error.Detail(),
            "Field: NAME [c] in " + ShownPath(dir, "t.dbf") + " is not a valid field type");
  EXPECT_EQ(error.what(), "Error # 211 (Invalid database field type encountered)\r\n" +
                              error.Detail());
}

TEST(DbfHeader, DescriptorsGiveNamesTypesWidthsAndOffsets) {
  TableBytes t;
  t.version = 0x83;
  t.year = 99;
  t.month = 12;
  t.day = 31;
  t.fields = {{"article_id", 'N', 11}, {"ELEVENCHARS", 'C', 28}, {"PRICE", 'F', 8, 2},
              {"PIC", 'b', 10}, {"OLE", 'G', 10}, {"IMG", 'P', 10}, {"D", 'D', 8},
              {"NOTE", 'M', 10}};
  t.records = {};
  const DbfHeader header = DecodeDbfHeader(t.Bytes(), "X");
  EXPECT_EQ(header.version, 0x83);
  EXPECT_TRUE(header.has_memo);
  EXPECT_EQ(header.update_date, "19991231");
  EXPECT_EQ(header.header_length, 32 + 32 * 8 + 1);
  EXPECT_EQ(header.record_length, 1 + 11 + 28 + 8 + 10 + 10 + 10 + 8 + 10);
  struct Expected {
    const char* name;
    char type;
    int width, decimals, offset;
  };
  const Expected expected[] = {{"ARTICLE_ID", 'N', 11, 0, 1}, {"ELEVENCHARS", 'C', 28, 0, 12},
                               {"PRICE", 'F', 8, 2, 40},      {"PIC", 'M', 10, 0, 48},
                               {"OLE", 'M', 10, 0, 58},       {"IMG", 'M', 10, 0, 68},
                               {"D", 'D', 8, 0, 78},          {"NOTE", 'M', 10, 0, 86}};
  ASSERT_EQ(header.fields.size(), std::size(expected));
  for (std::size_t i = 0; i < header.fields.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(header.fields[i].name, expected[i].name);
    EXPECT_EQ(header.fields[i].type, expected[i].type);
    EXPECT_EQ(header.fields[i].width, expected[i].width);
    EXPECT_EQ(header.fields[i].decimals, expected[i].decimals);
    EXPECT_EQ(header.fields[i].offset, expected[i].offset);
  }
}

TEST(DbfHeader, EarlyTerminatorEndsTheDescriptors) {
  // The header length leaves room for five descriptors; the fourth starts with 0x0D.
  TableBytes t = ThreeFields();
  t.header_length = 32 + 32 * 5 + 1;
  std::string bytes = t.Bytes();
  bytes[32 + 32 * 4] = 'Z';  // a stray byte after the terminator is not read
  const DbfHeader header = DecodeDbfHeader(bytes, "X");
  EXPECT_EQ(header.fields.size(), 3u);

  TableBytes exact = ThreeFields();  // 32 + 32 * 3 + 1: three fields and the terminator
  EXPECT_EQ(DecodeDbfHeader(exact.Bytes(), "X").fields.size(), 3u);
}

TEST(DbfHeader, MissingFileReportsTheSystemCode) {
  TempDir dir;
  const EKvError error = ErrorOf(
      [&] { WorkArea::Open(ParseUseCommand(dir / "missing.dbf"), OpenOptions{}); });
  EXPECT_EQ(error.Code(), 2);
  EXPECT_EQ(error.Detail(), "Failure to open " + ShownPath(dir, "missing.dbf") + " [USE/OpenDbf]");
}

TEST(DbfHeader, ExclusiveOpenKeepsOtherOpensOut) {
  TempDir dir;
  dir.Write("t.dbf", ThreeFields().Bytes());
  const auto first = WorkArea::Open(ParseUseCommand(dir / "t.dbf EXCLUSIVE"), OpenOptions{});
  EXPECT_TRUE(first->Exclusive());
  OpenOptions read_only;
  read_only.read_only = true;
  const EKvError error =
      ErrorOf([&] { WorkArea::Open(ParseUseCommand(dir / "t.dbf ALIAS OTHER"), read_only); });
  EXPECT_EQ(error.Code(), 32);
  EXPECT_EQ(error.Detail(), "Failure to open " + ShownPath(dir, "t.dbf") + " [USE/OpenDbf]");
}

TEST(DbfHeader, SharedOpensLiveTogether) {
  TempDir dir;
  dir.Write("t.dbf", ThreeFields().Bytes());
  OpenOptions read_only;
  read_only.read_only = true;
  const auto first = WorkArea::Open(ParseUseCommand(dir / "t.dbf"), read_only);
  const auto second = WorkArea::Open(ParseUseCommand(dir / "t.dbf"), OpenOptions{});
  EXPECT_EQ(second->RecCount(), 1);
}

// Records read through a page cache far smaller than the table, in order forward and backward,
// at random and again after the file changed: every read gives the record's bytes, converted.
TEST(DbfRecords, ReadsThroughASmallCacheGiveEveryRecord) {
  TempDir dir;
  TableBytes t;
  t.fields = {{"ID", 'N', 7}, {"NAME", 'C', 12}};
  const int count = 5000;
  const auto name = [](std::int64_t k) { return "\x81" + std::to_string(k * 7) + "\x94"; };
  for (int k = 1; k <= count; ++k)
    t.records.push_back(Rec({Pad(std::to_string(k), 7, true), Pad(name(k), 12)}));
  dir.Write("t.dbf", t.Bytes());
  const auto converted = [&](std::int64_t k) {
    return " " + Pad(std::to_string(k), 7, true) + Pad("\xFC" + std::to_string(k * 7) + "\xF6", 12);
  };
  const std::size_t length = 20;
  DbfFile file = DbfFile::Open(dir / "t.dbf", "t.dbf", DbfAccess::ReadOnlyShared, true, 16 * 1024);
  const auto record = [&](std::int64_t k, bool from_disk = false) {
    return std::string(file.Record(k, from_disk), length);
  };
  for (int pass = 0; pass < 2; ++pass) {
    for (std::int64_t k = 1; k <= count; ++k) ASSERT_EQ(record(k), converted(k)) << k;
    for (std::int64_t k = count; k >= 1; --k) ASSERT_EQ(record(k), converted(k)) << k;
  }
  std::uint64_t state = 11;
  for (int i = 0; i < 20000; ++i) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto k = static_cast<std::int64_t>(state >> 33) % count + 1;
    ASSERT_EQ(record(k), converted(k)) << k;
    if (i % 7 == 0 && k < count) {
      ASSERT_EQ(record(k + 1), converted(k + 1)) << k + 1;
    }
  }
  t.records[2499] = Rec({Pad("2500", 7, true), Pad("new", 12)});
  dir.Write("t.dbf", t.Bytes());
  EXPECT_EQ(record(2500), converted(2500));  // cached as first read
  EXPECT_EQ(record(2500, true), " " + Pad("2500", 7, true) + Pad("new", 12));
  EXPECT_EQ(record(2500), " " + Pad("2500", 7, true) + Pad("new", 12));
  EXPECT_EQ(record(2501), converted(2501));
}

// Records read through a cache that holds the whole table (page p in slot p) and through
// one that holds a part of it (slots reused): the last record first, the records on either
// side of page boundaries, in order (pages read in growing runs) both ways, at random, and
// one read again from the file after it changed. A prefetch hint outside the table or on a
// page not read yet changes nothing.
TEST(DbfRecords, WholeAndPartialCachesGiveEveryRecordInAnyOrder) {
  struct Case {
    const char* what;
    int count;
    std::size_t cache_bytes;
  };
  const Case cases[] = {{"whole", 1000, kDbfCacheBytes}, {"partial", 20000, 16 * 1024}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    TableBytes t;
    t.fields = {{"ID", 'N', 7}, {"NAME", 'C', 12}};
    for (int k = 1; k <= c.count; ++k)
      t.records.push_back(Rec({Pad(std::to_string(k), 7, true), Pad("n" + std::to_string(k), 12)}));
    dir.Write("t.dbf", t.Bytes());
    const auto expected = [](std::int64_t k) {
      return " " + Pad(std::to_string(k), 7, true) + Pad("n" + std::to_string(k), 12);
    };
    DbfFile file =
        DbfFile::Open(dir / "t.dbf", "t.dbf", DbfAccess::ReadOnlyShared, false, c.cache_bytes);
    const auto record = [&](std::int64_t k, bool from_disk = false) {
      return std::string(file.Record(k, from_disk), 20);
    };
    const std::int64_t count = c.count;
    for (const std::int64_t k : {std::int64_t{0}, std::int64_t{1}, count / 2, count, count + 1})
      file.Prefetch(k);
    EXPECT_EQ(record(count), expected(count));
    const std::int64_t per_page = 1024 / 20;
    for (std::int64_t boundary = per_page; boundary < count; boundary += 7 * per_page) {
      ASSERT_EQ(record(boundary + 1), expected(boundary + 1)) << boundary;
      ASSERT_EQ(record(boundary), expected(boundary)) << boundary;
      file.Prefetch(boundary + 2 * per_page);
    }
    for (std::int64_t k = 1; k <= count; ++k) ASSERT_EQ(record(k), expected(k)) << k;
    for (std::int64_t k = count; k >= 1; --k) ASSERT_EQ(record(k), expected(k)) << k;
    std::uint64_t state = 5;
    for (int i = 0; i < 5000; ++i) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      const auto k = static_cast<std::int64_t>(state >> 33) % count + 1;
      file.Prefetch(k);
      ASSERT_EQ(record(k), expected(k)) << k;
    }
    ASSERT_EQ(record(count - 1), expected(count - 1));
    t.records[static_cast<std::size_t>(count - 1)] = Rec({Pad("1", 7, true), Pad("changed", 12)});
    dir.Write("t.dbf", t.Bytes());
    EXPECT_EQ(record(count, true), " " + Pad("1", 7, true) + Pad("changed", 12));
    EXPECT_EQ(record(count), " " + Pad("1", 7, true) + Pad("changed", 12));
    EXPECT_EQ(record(count - 1), expected(count - 1));
    EXPECT_EQ(ErrorOf([&] { file.Record(count + 1); }).Code(), 212);
  }
}

// A table cached whole reads a page looked up alone together with its aligned group of
// pages, once: records of the group keep the bytes of that read after the file changed,
// records of a group not read yet come as the file holds them now.
TEST(DbfRecords, AWholeTableCacheReadsAPageWithItsGroupOnce) {
  TempDir dir;
  TableBytes t;
  t.fields = {{"ID", 'N', 7}, {"NAME", 'C', 12}};
  const int count = 1000;  // 51 records of 20 bytes a page: 20 pages, groups 0-7, 8-15, 16-19
  for (int k = 1; k <= count; ++k)
    t.records.push_back(Rec({Pad(std::to_string(k), 7, true), Pad("old", 12)}));
  dir.Write("t.dbf", t.Bytes());
  DbfFile file = DbfFile::Open(dir / "t.dbf", "t.dbf", DbfAccess::ReadOnlyShared, false);
  const auto name = [&](std::int64_t k) { return std::string(file.Record(k) + 8, 12); };
  const auto first_of_page = [](std::int64_t page) { return page * 51 + 1; };
  EXPECT_EQ(name(first_of_page(10) + 3), Pad("old", 12));
  for (const std::int64_t page : {3, 9, 15, 17})
    t.records[static_cast<std::size_t>(first_of_page(page) - 1)] =
        Rec({Pad(std::to_string(first_of_page(page)), 7, true), Pad("new", 12)});
  dir.Write("t.dbf", t.Bytes());
  EXPECT_EQ(name(first_of_page(9)), Pad("old", 12));
  EXPECT_EQ(name(first_of_page(15)), Pad("old", 12));
  EXPECT_EQ(name(first_of_page(17)), Pad("new", 12));
  EXPECT_EQ(name(first_of_page(3)), Pad("new", 12));
  EXPECT_EQ(name(count), Pad("old", 12));
}

// A header that counts more records than the file holds: the records there are read, the
// others are error 213.
TEST(DbfRecords, RecordsPastTheEndOfTheFileAreCode213) {
  TempDir dir;
  TableBytes t;
  t.fields = {{"ID", 'N', 7}};
  for (int k = 1; k <= 100; ++k) t.records.push_back(Rec({Pad(std::to_string(k), 7, true)}));
  std::string bytes = t.Bytes();
  bytes[4] = static_cast<char>(0xFF);  // the record count: 0x000000FF... far more
  bytes[6] = 0x01;
  dir.Write("t.dbf", bytes.substr(0, bytes.size() - 1 - 8 * 30));  // 70 whole records kept
  DbfFile file = DbfFile::Open(dir / "t.dbf", "t.dbf", DbfAccess::ReadOnlyShared, false);
  EXPECT_EQ(std::string(file.Record(70), 8), " " + Pad("70", 7, true));
  for (const std::int64_t k : {71, 72, 200, 5000, 65000}) {
    SCOPED_TRACE(k);
    EXPECT_EQ(ErrorOf([&] { file.Record(k); }).Code(), 213);
  }
  EXPECT_EQ(std::string(file.Record(1), 8), " " + Pad("1", 7, true));
}

}  // namespace
}  // namespace vantorel::tables
