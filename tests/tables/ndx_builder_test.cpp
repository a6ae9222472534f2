// MakeIndex: the header and node bytes of small builds, key sizes, UNIQUE, OEM keys, the
// option words, every error, the external merge and the progress step.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine_test_helpers.h"
#include "ndx_bytes_helpers.h"
#include "tables/ndx_builder.h"
#include "tables/ndx_names.h"
#include "tables/ndx_orders.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::Le16;
using testing::Le32;
using testing::NdxHeaderPage;
using testing::NumericKeyBytes;
using testing::OpenTable;
using testing::Pad;
using testing::Rec;
using testing::ShownPath;
using testing::TableBytes;
using testing::TempDir;

// A keyword-like table: ARTICLE_ID N 11, KEYWORD C 28.
TableBytes Keywords(const std::vector<std::pair<int, std::string>>& rows) {
  TableBytes t;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', 28}};
  for (const auto& [id, keyword] : rows)
    t.records.push_back(Rec({Pad(std::to_string(id), 11, true), Pad(keyword, 28)}));
  return t;
}

// A leaf page: the count, then (0, record, key padded with zeros to the entry size).
std::string LeafPage(const std::vector<std::pair<std::uint32_t, std::string>>& entries,
                     std::size_t entry_size) {
  std::string page = Le32(static_cast<std::uint32_t>(entries.size()));
  for (const auto& [record, key] : entries) {
    std::string entry = Le32(0) + Le32(record) + key;
    entry.resize(entry_size, '\0');
    page += entry;
  }
  page.resize(512, '\0');
  return page;
}

class MakeIndexTest : public ::testing::Test {
 protected:
  std::unique_ptr<WorkArea> Open(const TableBytes& t, OpenOptions options = {}) {
    return OpenTable(dir_, "t.dbf", t.Bytes(), options);
  }
  std::string IndexBytes(const std::string& name = "k.ndx") const {
    return TempDir::Read(dir_.path() / name);
  }
  std::string Shown(const std::string& name) const { return ShownPath(dir_, name); }

  TempDir dir_;
};

TEST_F(MakeIndexTest, EmptyTableGivesTheHeaderAndOneEmptyLeaf) {
  const auto area = Open(Keywords({}));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "k UNIQUE");
  const std::string bytes = IndexBytes();
  ASSERT_EQ(bytes.size(), 1024u);
  EXPECT_EQ(bytes.substr(0, 512), NdxHeaderPage(1, 'C', 28, true, "UPPER(KEYWORD)", 0, "T.DBF"));
  EXPECT_EQ(bytes.substr(512), std::string(512, '\0'));
}

TEST_F(MakeIndexTest, FewRecordsMakeOneLeafAsRoot) {
  const auto area = Open(Keywords({{7, "pascal"}, {3, "Basic"}, {9, "cobol"}}));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "k");
  const std::string bytes = IndexBytes();
  ASSERT_EQ(bytes.size(), 1024u);
  EXPECT_EQ(bytes.substr(0, 512), NdxHeaderPage(1, 'C', 28, false, "UPPER(KEYWORD)", 3, "T.DBF"));
  EXPECT_EQ(bytes.substr(512),
            LeafPage({{2, Pad("BASIC", 28)}, {3, Pad("COBOL", 28)}, {1, Pad("PASCAL", 28)}}, 36));
}

TEST_F(MakeIndexTest, NumericKeysAreDoublesWithTheirOwnEntrySize) {
  const auto area = Open(Keywords({{54, "a"}, {-3, "b"}, {12, "c"}, {54, "d"}}));
  MakeIndex(area.get(), "ARTICLE_ID", "k");
  const std::string bytes = IndexBytes();
  EXPECT_EQ(bytes.substr(0, 512), NdxHeaderPage(1, 'N', 8, false, "ARTICLE_ID", 4, "T.DBF"));
  EXPECT_EQ(bytes.substr(512), LeafPage({{2, NumericKeyBytes(-3)},
                                         {3, NumericKeyBytes(12)},
                                         {1, NumericKeyBytes(54)},
                                         {4, NumericKeyBytes(54)}},
                                        16));
}

TEST_F(MakeIndexTest, EntrySizeAndKeysPerNodeFollowTheKeyLength) {
  struct Case {
    const char* expression;
    char type;
    int key_length, entry_size, keys_per_node;
  };
  const Case cases[] = {
      {"KEYWORD", 'C', 28, 36, 14},         {"ARTICLE_ID", 'N', 8, 16, 31},
      {"CTOD('01/02/1999')", 'D', 8, 16, 31}, {"LEFT(KEYWORD,1)", 'C', 1, 12, 42},
      {"KEYWORD+KEYWORD+KEYWORD+LEFT(KEYWORD,16)", 'C', 100, 108, 4},
      {"LEFT(KEYWORD,5)", 'C', 5, 16, 31},
  };
  const auto area = Open(Keywords({{1, "x"}}));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    MakeIndex(area.get(), c.expression, "k");
    const std::string bytes = IndexBytes();
    EXPECT_EQ(bytes[9], c.type);
    EXPECT_EQ(bytes.substr(12, 2), Le16(static_cast<std::uint16_t>(c.key_length)));
    EXPECT_EQ(bytes.substr(14, 2), Le16(static_cast<std::uint16_t>(c.keys_per_node)));
    EXPECT_EQ(bytes.substr(16, 2), Le16(c.type == 'C' ? 0 : 1));
    EXPECT_EQ(bytes.substr(18, 2), Le16(static_cast<std::uint16_t>(c.entry_size)));
  }
}

TEST_F(MakeIndexTest, UniqueKeepsTheLowestRecordNumberOfEachKey) {
  const auto area = Open(Keywords({{1, "xyz"}, {2, "abc"}, {3, "Abc"}, {4, "xyz"}, {5, "ABC"}}));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "k UNIQUE");
  EXPECT_EQ(IndexBytes().substr(512), LeafPage({{2, Pad("ABC", 28)}, {1, Pad("XYZ", 28)}}, 36));
  MakeIndex(area.get(), "UPPER(KEYWORD)", "k");
  EXPECT_EQ(IndexBytes().substr(512), LeafPage({{2, Pad("ABC", 28)},
                                                {3, Pad("ABC", 28)},
                                                {5, Pad("ABC", 28)},
                                                {1, Pad("XYZ", 28)},
                                                {4, Pad("XYZ", 28)}},
                                               36));
}

TEST_F(MakeIndexTest, OemTableKeysAndTextsAreStoredInOem) {
  // OEM 0x81 is u with diaeresis; the table's name on disk holds a with diaeresis (UTF-8),
  // ANSI 0xE4 in the index file's header.
  dir_.Write("\xC3\xA4t.dbf", Keywords({{1, "m\x81hle"}, {2, "zebra"}}).Bytes());
  const auto area = WorkArea::Open(ParseUseCommand(dir_.path().string() + "/\xC3\xA4t.dbf"), {});
  MakeIndex(area.get(), "UPPER(KEYWORD)", "k");
  const std::string bytes = IndexBytes();
  // UPPER on ANSI 0xFC gives 0xDC, stored in OEM as 0x9A; the table name in OEM (0x84).
  EXPECT_EQ(bytes.substr(496, 7), std::string("\x84T.DBF\0", 7));
  EXPECT_EQ(bytes.substr(512),
            LeafPage({{1, Pad("M\x9AHLE", 28)}, {2, Pad("ZEBRA", 28)}}, 36));
}

TEST_F(MakeIndexTest, TheStoredExpressionIsNormalised) {
  const auto area = Open(Keywords({{1, "x"}}));
  struct Case {
    const char* given;
    const char* stored;
  };
  const Case cases[] = {
      {"upper( keyword )  ", "UPPER(KEYWORD)"},
      {"keyword + 'a b'", "KEYWORD+\"a b\""},
      {"keyword + 'say \"hi\"'", "KEYWORD+'say \"hi\"'"},
      {"IIF(ARTICLE_ID = 1 .AND. ARTICLE_ID < 2, 'A', 'B')",
       "IIF(ARTICLE_ID=1 .AND. ARTICLE_ID<2,\"A\",\"B\")"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    MakeIndex(area.get(), c.given, "k");
    const std::string bytes = IndexBytes();
    EXPECT_EQ(std::string(bytes.data() + 24), c.stored);
    // The stored text compiles again.
    SetIndexTo(area.get(), "k");
    SetIndexTo(area.get(), "");
  }
}

TEST_F(MakeIndexTest, SpecificationNamesAndOptionWords) {
  struct Case {
    const char* spec;
    const char* path;  // relative to the table's folder, or absolute when it starts with "/"
    bool unique;
  };
  const Case cases[] = {
      {"kwkey UNIQUE", "kwkey.ndx", true},
      {"kwkey unique", "kwkey.ndx", true},
      {" KWKEY  ", "KWKEY.NDX", false},
      {"k.idx SOUNDEX DESCENDING NOCACHE", "k.idx", false},
      {"kw UNIQUEX", "kw UNIQUEX.ndx", false},
      {"kw UNIQUE_", "kw UNIQUE_.ndx", false},
      {"kw UNIQUE.", "kw UNIQUE.", false},  // an option word is a word at the end
      {"/x/y/k UNIQUE UNIQUE", "/x/y/k.ndx", true},
      {"k UNIQUE NOCACHE ", "k.ndx", true},
      // A blank or an option word inside the path is part of it.
      {"/x/My Archive/kwkey UNIQUE", "/x/My Archive/kwkey.ndx", true},
      {"/x/A UNIQUE/k", "/x/A UNIQUE/k.ndx", false},
      {"/x/UNIQUE NOCACHE/k UNIQUE", "/x/UNIQUE NOCACHE/k.ndx", true},
      {"/x/\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2/kwkey UNIQUE",
       "/x/\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2/kwkey.ndx", true},
  };
  const std::string table = dir_ / "t.dbf";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spec);
    const IndexFileSpec spec = ParseIndexFileSpec(c.spec, table);
    const std::string expected = c.path[0] == '/' ? c.path : dir_ / c.path;
    EXPECT_EQ(spec.path, expected);
    EXPECT_EQ(spec.name, expected) << "shown as the disk spells it";
    EXPECT_EQ(spec.unique, c.unique);
  }
}

TEST_F(MakeIndexTest, ErrorsCarryTheirCodeAndText) {
  auto area = Open(Keywords({{1, "x"}, {2, ""}}));
  const std::string k = Shown("k.ndx");
  const std::string suffix = " [MakeIndex(<...>," + k + ")]";
  struct Case {
    const char* expression;
    const char* spec;
    int code;
    std::string detail;
  };
  const Case cases[] = {
      {"KEYWORD", "  ", 220, "index filename not specified [MakeIndex(<...>,)]"},
      {"  ", "k", 254, "Neither Expression nor KeyMaker defined" + suffix},
      {"ARTICLE_ID = 1", "k", 254, "Wrong parser return type" + suffix},
      {"KEYWORD+KEYWORD+KEYWORD+LEFT(KEYWORD,17)", "k", 266,
       "Incorrect key length: Must be 1 to 100." + suffix},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    const EKvError error = ErrorOf([&] { MakeIndex(area.get(), c.expression, c.spec); });
    EXPECT_EQ(error.Code(), c.code);
    EXPECT_EQ(error.Detail(), c.detail);
  }
  EXPECT_EQ(ErrorOf([&] { MakeIndex(area.get(), std::string(101, 'A'), "k"); }).Detail(),
            "Expression length exceeds 100 bytes" + suffix);
  EXPECT_EQ(ErrorOf([&] { MakeIndex(area.get(), "KEYWORD +", "k"); }).Code(), 351);
  EXPECT_EQ(ErrorOf([&] { MakeIndex(nullptr, "KEYWORD", "/d/k"); }).Detail(),
            "database not open attempting to index to/d/k.ndx. [MakeIndex(<...>,/d/k.ndx)]");
  // An empty C key on the current record: record 2 holds a blank keyword.
  area->Go(2);
  const EKvError empty_key = ErrorOf([&] { MakeIndex(area.get(), "TRIM(KEYWORD)", "k"); });
  EXPECT_EQ(empty_key.Code(), 266);
  // A failed build leaves no file behind.
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "k.ndx"));

  MakeIndex(area.get(), "KEYWORD", "k");
  SetIndexTo(area.get(), "k");
  const EKvError open = ErrorOf([&] { MakeIndex(area.get(), "KEYWORD", "k"); });
  EXPECT_EQ(open.Code(), 214);
  EXPECT_EQ(open.Detail(), "Index file already open: " + k + suffix);
}

TEST_F(MakeIndexTest, TheCurrentRecordAndOrderStayAsTheyWere) {
  const auto area = Open(Keywords({{1, "c"}, {2, "a"}, {3, "b"}}));
  area->Go(3);
  MakeIndex(area.get(), "KEYWORD", "k");
  EXPECT_EQ(area->RecNo(), 3);
  EXPECT_EQ(area->Values().Text(1).substr(0, 1), "b");
  EXPECT_EQ(ControllingOrder(*area), 0);
  EXPECT_FALSE(area->Eof());
}

TEST_F(MakeIndexTest, RecordsMarkedDeletedAndFilteredOutAreIndexedToo) {
  TableBytes t = Keywords({{1, "b"}, {2, "a"}});
  t.records[1][0] = '*';
  const auto area = Open(t, {.hide_deleted = true});
  area->SetFilter([](const char*) { return false; });
  MakeIndex(area.get(), "KEYWORD", "k");
  EXPECT_EQ(IndexBytes().substr(512), LeafPage({{2, Pad("a", 28)}, {1, Pad("b", 28)}}, 36));
}

// Many keys in runs of 97: the runs go through a temporary file "KVP..." in the given folder
// and the merged result is byte for byte the in-memory one. The progress step looks into the
// folder while the build runs.
TEST_F(MakeIndexTest, ExternalMergeGivesTheSameFile) {
  std::vector<std::pair<int, std::string>> rows;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 3000; ++i) {
    seed = seed * 1103515245 + 12345;
    rows.push_back({i, "K" + std::to_string(seed % 700)});
  }
  const auto area = Open(Keywords(rows));
  MakeIndex(area.get(), "KEYWORD", "memory");
  MakeIndex(area.get(), "KEYWORD", "memoryu UNIQUE");

  TempDir temp;
  bool saw_temporary_file = false;
  auto look = [&] {
    for (const auto& entry : std::filesystem::directory_iterator(temp.path()))
      if (entry.path().filename().string().rfind("KVP", 0) == 0) saw_temporary_file = true;
  };
  MakeIndexOptions options;
  options.progress_step = look;
  options.max_run_keys = 97;
  options.temp_dir = temp.path().string();
  MakeIndex(area.get(), "KEYWORD", "merged", options);
  EXPECT_TRUE(saw_temporary_file);
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
  EXPECT_EQ(IndexBytes("merged.ndx"), IndexBytes("memory.ndx"));
  MakeIndex(area.get(), "KEYWORD", "mergedu UNIQUE", options);
  EXPECT_EQ(IndexBytes("mergedu.ndx"), IndexBytes("memoryu.ndx"));
}

TEST_F(MakeIndexTest, TheProgressStepIsCalledOneHundredTimes) {
  for (const int records : {0, 1, 3, 150, 1000, 2345}) {
    SCOPED_TRACE(records);
    std::vector<std::pair<int, std::string>> rows;
    for (int i = 0; i < records; ++i) rows.push_back({i, "same"});
    const auto area = Open(Keywords(rows));
    int calls = 0;
    MakeIndexOptions options;
    options.progress_step = [&] { ++calls; };
    MakeIndex(area.get(), "KEYWORD", "k UNIQUE", options);
    EXPECT_EQ(calls, 100);
  }
}

TEST_F(MakeIndexTest, AnOldFileIsReplaced) {
  const auto area = Open(Keywords({{1, "a"}}));
  dir_.Write("k.ndx", std::string(5000, 'x'));
  MakeIndex(area.get(), "KEYWORD", "k");
  EXPECT_EQ(IndexBytes().size(), 1024u);
}

}  // namespace
}  // namespace vantorel::tables
