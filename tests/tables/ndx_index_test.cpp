// Opening indexes (every check and error), Find and FindExact, movement in index order,
// synchronisation, damaged files and files written by other programs.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine_test_helpers.h"
#include "ndx_bytes_helpers.h"
#include "tables/filter.h"
#include "tables/ndx_builder.h"
#include "tables/ndx_index.h"
#include "tables/ndx_names.h"
#include "tables/ndx_orders.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::Le32;
using testing::NdxEntryBytes;
using testing::NdxFileBytes;
using testing::NdxNodeBytes;
using testing::NumericKeyBytes;
using testing::OpenTable;
using testing::Pad;
using testing::Rec;
using testing::ShownPath;
using testing::TableBytes;
using testing::TempDir;

// ID N 11, KEYWORD C 28, DAY D 8.
TableBytes Keywords(const std::vector<std::pair<int, std::string>>& rows) {
  TableBytes t;
  t.fields = {{"ID", 'N', 11}, {"KEYWORD", 'C', 28}, {"DAY", 'D', 8}};
  for (const auto& [id, keyword] : rows)
    t.records.push_back(Rec({Pad(std::to_string(id), 11, true), Pad(keyword, 28), "19990102"}));
  return t;
}

class IndexTest : public ::testing::Test {
 protected:
  std::unique_ptr<WorkArea> Open(const TableBytes& t, OpenOptions options = {}) {
    return OpenTable(dir_, "t.dbf", t.Bytes(), options);
  }
  std::string Shown(const std::string& name) const { return ShownPath(dir_, name); }
  // The records a walk visits: GoTop, then SKIP 1 until end of file.
  static std::vector<std::int64_t> Walk(WorkArea& area) {
    std::vector<std::int64_t> records;
    area.GoTop();
    while (!area.Eof()) {
      records.push_back(area.RecNo());
      area.Skip(1);
    }
    return records;
  }
  static std::vector<std::int64_t> WalkBack(WorkArea& area) {
    std::vector<std::int64_t> records;
    area.GoBottom();
    while (!area.Bof() && !area.Eof()) {
      records.push_back(area.RecNo());
      area.Skip(-1);
    }
    return records;
  }
  static std::string Keyword(const WorkArea& area) {
    return core::RightTrim(area.Values().Text(1));
  }

  TempDir dir_;
};

const std::vector<std::pair<int, std::string>> kLanguages = {
    {54, "Delphi"}, {12, "pascal"}, {54, "DEL"}, {7, "Basic"}, {99, "delete"}, {3, "cobol"}};

// --- Opening ---------------------------------------------------------------------------------

TEST_F(IndexTest, SetIndexToStandsOnTheFirstRecordInKeyOrder) {
  const auto area = Open(Keywords(kLanguages));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  area->Go(2);
  SetIndexTo(area.get(), "kw");
  EXPECT_EQ(ControllingOrder(*area), 1);
  EXPECT_EQ(area->RecNo(), 4);  // BASIC
  EXPECT_EQ(IndexOfOrder(*area, 1)->Name(), Shown("kw.ndx"));
  EXPECT_EQ(IndexOfOrder(*area, 1)->Expression(), "UPPER(KEYWORD)");
  SetIndexTo(area.get(), "");
  EXPECT_EQ(ControllingOrder(*area), 0);
  EXPECT_EQ(area->Order(), nullptr);
  EXPECT_EQ(Walk(*area), (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(IndexTest, OpeningErrors) {
  const auto area = Open(Keywords(kLanguages));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  const std::string kw = Shown("kw.ndx");
  const std::string nothing = Shown("nothing.ndx");

  EXPECT_EQ(ErrorOf([&] { SetIndexTo(nullptr, "/d/kw"); }).Detail(),
            "Attempt to open /d/kw.ndx index file with no DBF file open. [SetIndexTo(<>,/d/kw.ndx,1)]");
  const EKvError missing = ErrorOf([&] { SetIndexTo(area.get(), "nothing"); });
  EXPECT_EQ(missing.Code(), 2);
  EXPECT_EQ(missing.Detail(), "Attempt to open " + nothing + " [SetIndexTo(...,1)]");
  const EKvError twice = ErrorOf([&] { SetIndexTo(area.get(), "kw KW.NDX"); });
  EXPECT_EQ(twice.Code(), 214);
  EXPECT_EQ(twice.Detail().rfind("Index file already open: " + kw, 0), 0u) << twice.Detail();

  std::string seventeen;
  for (int i = 1; i <= 16; ++i) {
    MakeIndex(area.get(), "KEYWORD", "i" + std::to_string(i));
    seventeen += "i" + std::to_string(i) + " ";
  }
  const EKvError range = ErrorOf([&] { SetIndexTo(area.get(), seventeen + "kw"); });
  EXPECT_EQ(range.Code(), 220);
  EXPECT_EQ(range.Detail(), "Index Order parameter out of range [SetIndexTo(<>," + kw + ",17)]");
  SetIndexTo(area.get(), seventeen);
  EXPECT_NE(IndexOfOrder(*area, 16), nullptr);
}

TEST(IndexList, NamesAreSplitAtBlanksAfterNormalising) {
  struct Case {
    const char* list;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"", {}},
      {" \t ", {}},
      {"  kwkey", {"kwkey"}},
      {"a  b\tC.ndx ", {"a", "b", "C.ndx"}},
      {"a \"b\" c", {"a\"b\"", "c"}},
      {"a = b", {"a=", "b"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.list);
    EXPECT_EQ(SplitIndexList(c.list), c.names);
  }
  EXPECT_EQ(SplitIndexList(std::string(250, 'x') + " abcdefghij"),
            (std::vector<std::string>{std::string(250, 'x'), "abcd"}));
}

TEST_F(IndexTest, AnIndexIsOpenInOneWorkAreaAtATime) {
  const auto first = Open(Keywords(kLanguages));
  MakeIndex(first.get(), "KEYWORD", "kw");
  SetIndexTo(first.get(), "kw");
  auto second = WorkArea::Open(ParseUseCommand(dir_ / "t.dbf ALIAS OTHER"), {});
  EXPECT_EQ(ErrorOf([&] { SetIndexTo(second.get(), "kw"); }).Code(), 214);
  SetIndexTo(first.get(), "");
  SetIndexTo(second.get(), "kw");
  EXPECT_EQ(second->RecNo(), 4);
}

// Header damage found when the index is opened.
TEST_F(IndexTest, HeadersThatCannotBeRightAreRejected) {
  const auto area = Open(Keywords(kLanguages));
  const std::string kw = Shown("kw.ndx");
  const std::string corrupted = "Invalid dBASE key expression or corrupted index file " + kw;
  auto base = [] {
    NdxFileBytes f;
    f.key_length = 28;
    f.expression = "KEYWORD";
    f.nodes = {NdxNodeBytes{{{0, 1, Pad("Delphi", 28)}}, {}, {}}};
    return f;
  };
  struct Case {
    const char* what;
    std::function<void(NdxFileBytes&)> damage;
    int code;
    std::string detail;
  };
  const Case cases[] = {
      {"field removed", [](NdxFileBytes& f) { f.expression = "TITLE"; }, 222, corrupted},
      {"no expression", [](NdxFileBytes& f) { f.expression = ""; }, 222, corrupted},
      {"syntax", [](NdxFileBytes& f) { f.expression = "KEYWORD+"; }, 222, corrupted},
      {"logical", [](NdxFileBytes& f) { f.expression = "KEYWORD='A'"; }, 222, corrupted},
      {"key length 0", [](NdxFileBytes& f) { f.key_length = 0; }, 222, corrupted},
      {"key length 101", [](NdxFileBytes& f) { f.key_length = 101; }, 222, corrupted},
      {"entry too small", [](NdxFileBytes& f) { f.entry_size = 30; }, 222, corrupted},
      {"entry too large", [](NdxFileBytes& f) { f.entry_size = 600; }, 222, corrupted},
      {"numeric of 4 bytes",
       [](NdxFileBytes& f) {
         f.expression = "ID";
         f.key_length = 4;
       },
       222, corrupted},
      {"C key of another length", [](NdxFileBytes& f) { f.key_length = 10; }, 266,
       ":Incorrect key length: Must be 1 to 100.\n\rExpected Length= 10 \"" + std::string(28, ' ') +
           "\" [SetIndexTo/OpenIndex]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NdxFileBytes f = base();
    c.damage(f);
    dir_.Write("kw.ndx", f.Bytes());
    const EKvError error = ErrorOf([&] { SetIndexTo(area.get(), "kw"); });
    EXPECT_EQ(error.Code(), c.code);
    EXPECT_EQ(error.Detail(), c.detail);
    EXPECT_FALSE(IndexFileIsOpen(dir_ / "kw.ndx"));
  }
  dir_.Write("kw.ndx", base().Bytes().substr(0, 1023));
  const EKvError small = ErrorOf([&] { SetIndexTo(area.get(), "kw"); });
  EXPECT_EQ(small.Code(), 222);
  EXPECT_EQ(small.Detail(), "Unable to open index: " + kw);
}

TEST_F(IndexTest, TheExpressionIsReadFromOem) {
  TableBytes t;
  t.fields = {{"K", 'C', 4}};
  t.records = {Rec({"b   "}), Rec({"a   "})};
  const auto area = Open(t);
  NdxFileBytes f;
  f.key_length = 5;
  f.expression = "k + '\x8E'";  // OEM 0x8E: A with diaeresis, ANSI 0xC4
  f.nodes = {NdxNodeBytes{{{0, 2, "a   \x8E"}, {0, 1, "b   \x8E"}}, {}, {}}};
  dir_.Write("k.ndx", f.Bytes());
  SetIndexTo(area.get(), "k");
  EXPECT_EQ(IndexOfOrder(*area, 1)->Expression(), "K+\"\xC4\"");
  EXPECT_EQ(Walk(*area), (std::vector<std::int64_t>{2, 1}));
  EXPECT_TRUE(FindExact(*area, "b   \xC4"));
  EXPECT_EQ(area->RecNo(), 1);
}

TEST_F(IndexTest, TheNextFreePageIsCorrectedFromTheFileSize) {
  NdxFileBytes f;
  f.key_length = 28;
  f.expression = "KEYWORD";
  f.next_free = 9;
  f.nodes = {NdxNodeBytes{{{0, 1, Pad("Delphi", 28)}}, {}, {}}};
  for (const bool read_only : {false, true}) {
    SCOPED_TRACE(read_only);
    const auto area = Open(Keywords(kLanguages), {.read_only = read_only});
    dir_.Write("kw.ndx", f.Bytes());
    SetIndexTo(area.get(), "kw");
    EXPECT_EQ(IndexOfOrder(*area, 1)->Header().next_free, 2u);
    EXPECT_EQ(TempDir::Read(dir_.path() / "kw.ndx").substr(4, 4), Le32(read_only ? 9 : 2));
  }
}

// --- Find -----------------------------------------------------------------------------------

TEST_F(IndexTest, FindMatchesTheBeginningAndFindExactTheWholeKey) {
  const auto area = Open(Keywords(kLanguages));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  SetIndexTo(area.get(), "kw");
  struct Case {
    std::string key;
    bool exact;
    std::int64_t record;  // 0: not found
  };
  const Case cases[] = {
      {"DEL", false, 3},  {"DEL", true, 3},  {"DELE", false, 5}, {"DELP", false, 1},
      {"del", true, 0},   {"DELX", false, 0}, {"A", false, 0},   {"ZZZ", false, 0},
      {"DELPHI", true, 1}, {"DELPH", true, 0}, {"PASCAL" + std::string(30, ' '), true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    area->Go(6);
    const bool found = c.exact ? FindExact(*area, c.key) : Find(*area, c.key);
    EXPECT_EQ(found, c.record != 0);
    if (c.record != 0) {
      EXPECT_EQ(area->RecNo(), c.record);
      EXPECT_FALSE(area->Eof());
    } else {
      EXPECT_TRUE(area->Eof());
      EXPECT_EQ(area->RecNo(), 7);
      EXPECT_EQ(Keyword(*area), "");
    }
  }
  // Without DEL itself, Find DEL finds the first keyword that begins with it.
  const auto other = OpenTable(dir_, "u.dbf", Keywords({{1, "DELPHI"}, {2, "DELETE"}}).Bytes());
  MakeIndex(other.get(), "UPPER(KEYWORD)", "ukw");
  SetIndexTo(other.get(), "ukw");
  EXPECT_TRUE(Find(*other, "DEL"));
  EXPECT_EQ(other->RecNo(), 2);
  EXPECT_FALSE(FindExact(*other, "DEL"));
}

TEST_F(IndexTest, FindOnNumbersAndDates) {
  TableBytes t = Keywords(kLanguages);
  t.records[5].replace(40, 8, "20010315");
  const auto area = Open(t);
  MakeIndex(area.get(), "ID", "id");
  MakeIndex(area.get(), "DAY", "day");
  SetIndexTo(area.get(), "id day");
  EXPECT_TRUE(Find(*area, "54"));
  EXPECT_EQ(area->RecNo(), 1);  // the first of the two records with 54
  area->Skip(1);
  EXPECT_EQ(area->RecNo(), 3);
  EXPECT_TRUE(Find(*area, " 7.0"));
  EXPECT_EQ(area->RecNo(), 4);
  EXPECT_FALSE(Find(*area, "55"));
  EXPECT_TRUE(area->Eof());
  SetControllingOrder(*area, 2);
  EXPECT_TRUE(Find(*area, " 03/15/2001 "));
  EXPECT_EQ(area->RecNo(), 6);
  EXPECT_FALSE(FindExact(*area, "03/16/2001"));
}

TEST_F(IndexTest, FindSkipsInvisibleRecords) {
  TableBytes t = Keywords({{1, "ABC"}, {2, "ABC"}, {3, "ABD"}, {4, "ABC"}});
  t.records[0][0] = '*';
  const auto area = Open(t, {.hide_deleted = true});
  MakeIndex(area.get(), "KEYWORD", "kw");
  SetIndexTo(area.get(), "kw");
  EXPECT_TRUE(Find(*area, "ABC"));
  EXPECT_EQ(area->RecNo(), 2);
  SetFilterTo(*area, "ID > 3");
  EXPECT_TRUE(Find(*area, "ABC"));
  EXPECT_EQ(area->RecNo(), 4);
  SetFilterTo(*area, "ID = 3");
  EXPECT_FALSE(FindExact(*area, "ABC"));  // the next visible key is ABD
  EXPECT_TRUE(area->Eof());
  EXPECT_TRUE(Find(*area, "AB"));
  EXPECT_EQ(area->RecNo(), 3);
}

TEST_F(IndexTest, FindNeedsAControllingIndex) {
  const auto area = Open(Keywords(kLanguages));
  const EKvError none = ErrorOf([&] { Find(*area, "DEL"); });
  EXPECT_EQ(none.Code(), 221);
  EXPECT_EQ(none.Detail(), "Index not open. (DBF=" + Shown("t.dbf") + ")");
  MakeIndex(area.get(), "KEYWORD", "kw");
  SetIndexTo(area.get(), "kw");
  SetControllingOrder(*area, 0);
  const EKvError natural = ErrorOf([&] { FindExact(*area, "DEL"); });
  EXPECT_EQ(natural.Code(), 254);
  EXPECT_EQ(natural.Detail(), "Cannot use Find() with index order 0 (natural order) [Find]");
  SetControllingOrder(*area, 1);
  area->Go(2);
  EXPECT_FALSE(Find(*area, ""));
  EXPECT_EQ(area->RecNo(), 2);
  EXPECT_FALSE(area->Eof());
  EXPECT_EQ(ErrorOf([&] { SetControllingOrder(*area, 2); }).Code(), 221);
}

TEST_F(IndexTest, FindConvertsTheKeyToOem) {
  const auto area = Open(Keywords({{1, "Zebra"}, {2, "M\x81hle"}}));  // OEM u with diaeresis
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  SetIndexTo(area.get(), "kw");
  EXPECT_TRUE(FindExact(*area, "M\xDCHLE"));  // ANSI U with diaeresis
  EXPECT_EQ(area->RecNo(), 2);
}

// --- Movement in index order ------------------------------------------------------------------

TEST_F(IndexTest, TopBottomAndSkipFollowTheKeyOrder) {
  TableBytes t = Keywords(kLanguages);
  t.records[2][0] = '*';  // DEL
  const auto area = Open(t);
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  SetIndexTo(area.get(), "kw");
  // BASIC 4, COBOL 6, DEL 3, DELETE 5, DELPHI 1, PASCAL 2
  EXPECT_EQ(Walk(*area), (std::vector<std::int64_t>{4, 6, 3, 5, 1, 2}));
  EXPECT_EQ(WalkBack(*area), (std::vector<std::int64_t>{2, 1, 5, 3, 6, 4}));
  area->SetHideDeleted(true);
  SetFilterTo(*area, "ID <> 99");
  EXPECT_EQ(Walk(*area), (std::vector<std::int64_t>{4, 6, 1, 2}));
  EXPECT_TRUE(area->Eof());
  EXPECT_EQ(area->RecNo(), 7);
  area->Skip(-1);  // from the end to the last visible record
  EXPECT_EQ(area->RecNo(), 2);
  area->GoTop();
  area->Skip(-1);
  EXPECT_TRUE(area->Bof());
  EXPECT_EQ(area->RecNo(), 4);
  area->GoBottom();
  area->Skip(-2);
  EXPECT_EQ(area->RecNo(), 6);
  SetFilterTo(*area, "ID = 1000");
  area->GoTop();
  EXPECT_TRUE(area->Eof());
  area->GoBottom();
  EXPECT_TRUE(area->Bof());
  EXPECT_TRUE(area->Eof());
}

TEST_F(IndexTest, AMoveInRecordOrderIsFollowedByTheIndex) {
  const auto area = Open(Keywords(kLanguages));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  SetIndexTo(area.get(), "kw");
  area->Go(5);  // DELETE
  area->Skip(1);
  EXPECT_EQ(area->RecNo(), 1);  // DELPHI
  area->Go(6);  // COBOL
  area->Skip(-1);
  EXPECT_EQ(area->RecNo(), 4);  // BASIC
  EXPECT_FALSE(Find(*area, "X"));
  area->Go(3);  // DEL, after end of file
  area->Skip(1);
  EXPECT_EQ(area->RecNo(), 5);
  area->Go(6);
  EXPECT_EQ(ErrorOf([&] { area->Go(99); }).Code(), 212);  // end of file in record order
  area->Skip(-1);
  EXPECT_EQ(area->RecNo(), 2);  // PASCAL, the last key
}

TEST_F(IndexTest, AnEmptyTableWalksNothing) {
  const auto area = Open(Keywords({}));
  MakeIndex(area.get(), "KEYWORD", "kw");
  SetIndexTo(area.get(), "kw");
  EXPECT_TRUE(area->Eof());
  EXPECT_TRUE(Walk(*area).empty());
  EXPECT_FALSE(Find(*area, "A"));
  EXPECT_TRUE(area->Eof());
}

TEST_F(IndexTest, EveryOrderIsSynchronisedToTheCurrentRecord) {
  const auto area = Open(Keywords(kLanguages));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  MakeIndex(area.get(), "ID", "id");
  SetIndexTo(area.get(), "kw id");
  EXPECT_EQ(area->RecNo(), 4);  // BASIC, ID 7
  SetControllingOrder(*area, 2);
  area->Skip(1);
  EXPECT_EQ(area->RecNo(), 2);  // ID 12
  area->Skip(-2);
  EXPECT_EQ(area->RecNo(), 6);  // ID 3
  EXPECT_FALSE(area->Bof());
  area->Skip(-1);
  EXPECT_EQ(area->RecNo(), 6);  // before the first: the first again, BOF
  EXPECT_TRUE(area->Bof());
}

TEST_F(IndexTest, ARecordMissingFromAnIndexFailsTheSynchronisation) {
  const auto area = Open(Keywords(kLanguages));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "kw");
  // An index on ID that lacks the key 7 (record 4, BASIC, the first in kw order).
  NdxFileBytes ids;
  ids.key_type = 'N';
  ids.key_length = 8;
  ids.numeric = true;
  ids.expression = "ID";
  ids.nodes = {NdxNodeBytes{{{0, 6, NumericKeyBytes(3)}, {0, 2, NumericKeyBytes(12)}}, {}, {}}};
  dir_.Write("id.ndx", ids.Bytes());
  const EKvError key = ErrorOf([&] { SetIndexTo(area.get(), "kw id"); });
  EXPECT_EQ(key.Code(), 212);
  EXPECT_EQ(key.Detail(), "Key: \"7\" not in index: " + Shown("id.ndx") + ". [SyncIndex-1] Record: 4");
  // The key 7 with another record number.
  ids.nodes = {NdxNodeBytes{{{0, 6, NumericKeyBytes(3)}, {0, 5, NumericKeyBytes(7)}}, {}, {}}};
  dir_.Write("id.ndx", ids.Bytes());
  const EKvError record = ErrorOf([&] { SetIndexTo(area.get(), "kw id"); });
  EXPECT_EQ(record.Detail(), "Record with key: \"7\" not in index: " + Shown("id.ndx") + ". [SyncIndex-2]");
  // With UNIQUE the key is enough.
  ids.unique = true;
  dir_.Write("id.ndx", ids.Bytes());
  SetIndexTo(area.get(), "kw id");
  EXPECT_EQ(area->RecNo(), 4);
}

TEST_F(IndexTest, ManyKeysWalkInOrderBothWays) {
  std::vector<std::pair<int, std::string>> rows;
  std::uint32_t seed = 3;
  for (int i = 0; i < 5000; ++i) {
    seed = seed * 1664525 + 1013904223;
    rows.push_back({static_cast<int>(seed >> 20), "W" + std::to_string(seed % 1500)});
  }
  const auto area = Open(Keywords(rows));
  MakeIndex(area.get(), "KEYWORD", "kw");
  MakeIndex(area.get(), "KEYWORD", "kwu UNIQUE");
  std::vector<std::int64_t> expected(rows.size());
  for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<std::int64_t>(i + 1);
  std::stable_sort(expected.begin(), expected.end(), [&](std::int64_t a, std::int64_t b) {
    return Pad(rows[static_cast<std::size_t>(a - 1)].second, 28) < Pad(rows[static_cast<std::size_t>(b - 1)].second, 28);
  });
  SetIndexTo(area.get(), "kw");
  EXPECT_EQ(Walk(*area), expected);
  std::vector<std::int64_t> backward(expected.rbegin(), expected.rend());
  EXPECT_EQ(WalkBack(*area), backward);
  for (int i = 0; i < 1500; i += 37) {
    const std::string key = "W" + std::to_string(i);
    const auto first = std::find_if(expected.begin(), expected.end(), [&](std::int64_t r) {
      return rows[static_cast<std::size_t>(r - 1)].second == key;
    });
    EXPECT_EQ(FindExact(*area, key), first != expected.end()) << key;
    if (first != expected.end()) {
      EXPECT_EQ(area->RecNo(), *first) << key;
    }
  }
  SetIndexTo(area.get(), "kwu");
  std::vector<std::int64_t> unique;
  std::string last;
  for (const std::int64_t r : expected) {
    const std::string& k = rows[static_cast<std::size_t>(r - 1)].second;
    if (unique.empty() || k != last) unique.push_back(r);
    last = k;
  }
  EXPECT_EQ(Walk(*area), unique);
}

// --- Damaged files and other programs' files ---------------------------------------------------

TEST_F(IndexTest, DamagedNodesAreReportedNotFollowed) {
  const auto area = Open(Keywords(kLanguages));
  auto leaf = [](std::initializer_list<std::pair<std::uint32_t, const char*>> entries) {
    NdxNodeBytes node;
    for (const auto& [record, key] : entries) node.entries.push_back({0, record, Pad(key, 28)});
    return node;
  };
  auto interior = [](std::initializer_list<std::pair<std::uint32_t, const char*>> entries,
                     std::uint32_t rightmost) {
    NdxNodeBytes node;
    for (const auto& [child, key] : entries) node.entries.push_back({child, 0, Pad(key, 28)});
    node.rightmost = rightmost;
    return node;
  };
  NdxNodeBytes too_many = leaf({{4, "BASIC"}});
  too_many.key_count = 15;  // 4 + 15 * 36 bytes do not fit in a page
  NdxNodeBytes no_rightmost = interior({{2, "BASIC"}}, 2);
  no_rightmost.key_count = 14;  // the entries fit, the rightmost pointer does not
  struct Case {
    const char* what;
    std::uint32_t root;
    std::vector<NdxNodeBytes> nodes;
    std::optional<std::size_t> truncate;
    // Which of these meet the damage: o open (first key), w walk to the end, b bottom,
    // f Find BASIC, p Find PASCAL. The others succeed.
    const char* failing;
  };
  const Case cases[] = {
      {"root beyond the file", 7, {leaf({{4, "BASIC"}})}, {}, "owbfp"},
      {"root 0", 0, {leaf({{4, "BASIC"}})}, {}, "owbfp"},
      {"child beyond the file", 1, {interior({{9, "BASIC"}}, 2), leaf({{2, "PASCAL"}})}, {}, "owf"},
      {"truncated", 1, {interior({{2, "BASIC"}}, 3), leaf({{4, "BASIC"}}), leaf({{2, "PASCAL"}})},
       1024 + 100, "owbfp"},
      {"cycle to itself", 1, {interior({{1, "BASIC"}}, 2), leaf({{2, "PASCAL"}})}, {}, "owf"},
      {"cycle through two", 1,
       {interior({{2, "BASIC"}}, 3), interior({{1, "BASIC"}}, 1), leaf({{2, "PASCAL"}})}, {}, "owf"},
      {"too many keys", 1, {too_many}, {}, "owbfp"},
      {"no room for the rightmost", 1, {no_rightmost, leaf({{4, "BASIC"}})}, {}, "owbfp"},
      {"child 0 after the first entry", 1,
       {interior({{2, "BASIC"}, {0, "COBOL"}}, 0), leaf({{4, "BASIC"}})}, {}, "wbp"},
      {"record 0 in a leaf", 1, {leaf({{0, "BASIC"}})}, {}, "owbf"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NdxFileBytes f;
    f.root = c.root;
    f.key_length = 28;
    f.expression = "UPPER(KEYWORD)";
    f.nodes = c.nodes;
    std::string bytes = f.Bytes();
    if (c.truncate) bytes.resize(*c.truncate);
    dir_.Write("kw.ndx", bytes);
    SetIndexTo(area.get(), "");
    area->Go(4);
    const std::string failing = c.failing;
    for (const char step : std::string("owbfp")) {
      SCOPED_TRACE(step);
      auto run = [&] {
        switch (step) {
          case 'o': SetIndexTo(area.get(), "kw"); break;
          case 'w': Walk(*area); break;
          case 'b': area->GoBottom(); break;
          case 'f': Find(*area, "BASIC"); break;
          default: Find(*area, "PASCAL"); break;
        }
      };
      if (failing.find(step) == std::string::npos) {
        run();
      } else {
        const EKvError error = ErrorOf(run);
        EXPECT_EQ(error.Code(), 222) << error.Detail();
      }
      ASSERT_NE(IndexOfOrder(*area, 1), nullptr);
    }
  }
}

// A file as another dBASE program writes it: no key type letter, no check value, record
// count or table name, nodes filled with two keys only, interior keys the highest of their
// subtree.
TEST_F(IndexTest, IndexesOfOtherProgramsOpenAndSearch) {
  const auto area = Open(Keywords(kLanguages));
  NdxFileBytes f;
  f.key_type = 0;
  f.engine_bytes = false;
  f.key_length = 28;
  f.keys_per_node = 14;
  f.expression = "UPPER(KEYWORD)";
  auto key = [](const char* k) { return Pad(k, 28); };
  f.root = 3;
  f.nodes = {
      NdxNodeBytes{{{0, 4, key("BASIC")}, {0, 6, key("COBOL")}}, {}, {}},
      NdxNodeBytes{{{0, 3, key("DEL")}, {0, 5, key("DELETE")}}, {}, {}},
      NdxNodeBytes{{{1, 0, key("COBOL")}, {2, 0, key("DELETE")}}, 4, {}},
      NdxNodeBytes{{{0, 1, key("DELPHI")}, {0, 2, key("PASCAL")}}, {}, {}},
  };
  dir_.Write("kw.ndx", f.Bytes());
  SetIndexTo(area.get(), "kw");
  EXPECT_EQ(Walk(*area), (std::vector<std::int64_t>{4, 6, 3, 5, 1, 2}));
  EXPECT_EQ(WalkBack(*area), (std::vector<std::int64_t>{2, 1, 5, 3, 6, 4}));
  EXPECT_TRUE(Find(*area, "DELP"));
  EXPECT_EQ(area->RecNo(), 1);
  EXPECT_TRUE(FindExact(*area, "COBOL"));
  EXPECT_EQ(area->RecNo(), 6);
  EXPECT_TRUE(Find(*area, "DELE"));
  EXPECT_EQ(area->RecNo(), 5);
  EXPECT_FALSE(Find(*area, "Q"));
  EXPECT_EQ(IndexOfOrder(*area, 1)->KeyType(), 'C');
}

TEST_F(IndexTest, ClosingTheTableClosesItsIndexes) {
  auto area = Open(Keywords(kLanguages));
  MakeIndex(area.get(), "KEYWORD", "kw");
  SetIndexTo(area.get(), "kw");
  EXPECT_TRUE(IndexFileIsOpen(dir_ / "kw.ndx"));
  area.reset();
  EXPECT_FALSE(IndexFileIsOpen(dir_ / "kw.ndx"));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "t.@s@"));
}

}  // namespace
}  // namespace vantorel::tables
