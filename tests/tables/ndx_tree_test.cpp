// Multi-level builds: every page of the file against the layout the bulk-load rules give,
// computed here leaf by leaf from the sorted keys (not with the builder's code).
//
// The rules, as this model reads them: the sorted entries fill leaves of keys-per-node
// entries in turn (an empty table gives one empty leaf). Pages are numbered from 1 in the
// order they are written. Each leaf but the last is written when the next entry comes, and
// hands its last key up: on the level above it becomes an entry pointing to the leaf, unless
// that level's node is full, in which case the leaf becomes the node's rightmost child, the
// node is written and the key goes one level higher, pointing to that node. At the end the
// last leaf is written, then each level above that holds entries, lowest first, each with
// the page written just before it as its rightmost child. The last page is the root.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine_test_helpers.h"
#include "ndx_bytes_helpers.h"
#include "tables/ndx_builder.h"

namespace vantorel::tables {
namespace {

using testing::Le32;
using testing::NdxHeaderPage;
using testing::NumericKeyBytes;
using testing::OpenTable;
using testing::Pad;
using testing::Rec;
using testing::TableBytes;
using testing::TempDir;

struct ModelEntry {
  std::string key;         // the stored key bytes
  std::uint32_t record;    // the record number
};

class TreeModel {
 public:
  TreeModel(std::size_t entry_size) : entry_size_(entry_size), per_node_(504 / entry_size) {}

  // The pages 1, 2, ... of the build of sorted entries.
  std::vector<std::string> Pages(const std::vector<ModelEntry>& sorted) {
    pages_.clear();
    std::vector<std::vector<ModelEntry>> leaves;
    for (std::size_t i = 0; i < sorted.size(); i += per_node_)
      leaves.emplace_back(sorted.begin() + static_cast<std::ptrdiff_t>(i),
                          sorted.begin() + static_cast<std::ptrdiff_t>(std::min(sorted.size(), i + per_node_)));
    if (leaves.empty()) leaves.emplace_back();

    std::vector<std::vector<ModelEntry>> levels;  // levels[0] is the level above the leaves
    for (std::size_t j = 0; j < leaves.size(); ++j) {
      std::uint32_t child = Write(Node(leaves[j], std::nullopt));
      if (j + 1 == leaves.size()) break;
      const std::string key = leaves[j].back().key;
      for (std::size_t level = 0;; ++level) {
        if (levels.size() == level) levels.emplace_back();
        if (levels[level].size() < per_node_) {
          levels[level].push_back({key, child});  // the record field holds the child here
          break;
        }
        child = Write(Node(levels[level], child));
        levels[level].clear();
      }
    }
    for (const auto& level : levels) {
      if (level.empty()) continue;
      Write(Node(level, static_cast<std::uint32_t>(pages_.size())));
    }
    return pages_;
  }

 private:
  // A node page; interior when rightmost is given (then each entry's record field is the
  // child page and the record number written is 0).
  std::string Node(const std::vector<ModelEntry>& entries, std::optional<std::uint32_t> rightmost) {
    std::string page = Le32(static_cast<std::uint32_t>(entries.size()));
    for (const ModelEntry& e : entries) {
      std::string entry = rightmost ? Le32(e.record) + Le32(0) : Le32(0) + Le32(e.record);
      entry += e.key;
      entry.resize(entry_size_, '\0');
      page += entry;
    }
    if (rightmost) page += Le32(*rightmost);
    page.resize(512, '\0');
    return page;
  }
  std::uint32_t Write(std::string page) {
    pages_.push_back(std::move(page));
    return static_cast<std::uint32_t>(pages_.size());
  }

  std::size_t entry_size_;
  std::size_t per_node_;
  std::vector<std::string> pages_;
};

class TreeTest : public ::testing::Test {
 protected:
  // Builds key "KEY" over a table of one C field and compares every page.
  void ExpectCharacterBuild(const std::vector<std::string>& keys, int width, bool unique) {
    TableBytes t;
    t.fields = {{"KEY", 'C', width}};
    std::vector<ModelEntry> entries;
    for (std::size_t i = 0; i < keys.size(); ++i) {
      t.records.push_back(Rec({Pad(keys[i], width)}));
      entries.push_back({Pad(keys[i], width), static_cast<std::uint32_t>(i + 1)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ModelEntry& a, const ModelEntry& b) { return a.key < b.key; });
    if (unique) {
      entries.erase(std::unique(entries.begin(), entries.end(),
                                [](const ModelEntry& a, const ModelEntry& b) { return a.key == b.key; }),
                    entries.end());
    }
    Check(t, "KEY", 'C', static_cast<std::uint16_t>(width), unique, entries);
  }

  void Check(const TableBytes& t, const std::string& expression, char type,
             std::uint16_t key_length, bool unique, const std::vector<ModelEntry>& entries) {
    const auto area = OpenTable(dir_, "t.dbf", t.Bytes(), {.language = KvTableLanguage::tlAnsi});
    MakeIndex(area.get(), expression, unique ? "k UNIQUE" : "k");
    const std::string bytes = TempDir::Read(dir_.path() / "k.ndx");
    const std::vector<std::string> pages =
        TreeModel(static_cast<std::size_t>((key_length + 3) / 4 * 4 + 8)).Pages(entries);
    ASSERT_EQ(bytes.size(), 512 * (pages.size() + 1));
    root_ = static_cast<std::uint32_t>(pages.size());
    EXPECT_EQ(bytes.substr(0, 512),
              NdxHeaderPage(root_, type, key_length, unique, expression,
                            static_cast<std::uint32_t>(t.records.size()), "T.DBF"));
    for (std::size_t p = 0; p < pages.size(); ++p)
      ASSERT_EQ(bytes.substr(512 * (p + 1), 512), pages[p]) << "page " << p + 1;
  }

  // Deterministic pseudo-random keys of letters, with repeats.
  static std::vector<std::string> Keys(int count, int distinct, int length) {
    std::vector<std::string> keys;
    std::uint32_t seed = 7;
    for (int i = 0; i < count; ++i) {
      seed = seed * 1664525 + 1013904223;
      std::uint32_t value = (seed >> 8) % static_cast<std::uint32_t>(distinct);
      std::string key;
      for (int c = 0; c < length; ++c, value /= 7) key += static_cast<char>('A' + value % 7);
      keys.push_back(key);
    }
    return keys;
  }

  TempDir dir_;
  std::uint32_t root_ = 0;
};

// Ten keys of 100 characters (4 per node): leaves 1 and 2 full, the last leaf (3) with the
// remaining two keys, and the root (4) pointing to 1 and 2 with 3 as its rightmost child.
TEST_F(TreeTest, TenKeysOfFourPerNode) {
  std::vector<std::string> keys;
  for (char c = 'J'; c >= 'A'; --c) keys.push_back(std::string(3, c));
  ExpectCharacterBuild(keys, 100, false);
  EXPECT_EQ(root_, 4u);
}

// Every table size from 0 to 130 keys at 4 keys per node, which includes trees where a level
// ends empty and a leaf hangs directly under a higher level.
TEST_F(TreeTest, EverySizeUpToThreeLevelsAtFourPerNode) {
  for (int n = 0; n <= 130; ++n) {
    SCOPED_TRACE(n);
    ExpectCharacterBuild(Keys(n, 1000, 3), 100, false);
    if (HasFatalFailure()) return;
  }
}

TEST_F(TreeTest, ThousandKeysOfTwentyEightCharacters) {
  ExpectCharacterBuild(Keys(1000, 300, 28), 28, false);
  ExpectCharacterBuild(Keys(1000, 300, 28), 28, true);
}

TEST_F(TreeTest, HundredThousandNumericKeys) {
  TableBytes t;
  t.fields = {{"N", 'N', 11}};
  std::vector<ModelEntry> entries;
  std::vector<std::pair<double, std::uint32_t>> sorted;
  std::uint32_t seed = 99;
  for (std::uint32_t i = 1; i <= 100000; ++i) {
    seed = seed * 1664525 + 1013904223;
    const int value = static_cast<int>((seed >> 8) % 60000) - 30000;
    t.records.push_back(Rec({Pad(std::to_string(value), 11, true)}));
    sorted.push_back({value, i});
  }
  std::sort(sorted.begin(), sorted.end());
  for (const auto& [value, record] : sorted) entries.push_back({NumericKeyBytes(value), record});
  Check(t, "N", 'N', 8, false, entries);
  EXPECT_GT(root_, 3000u);
}

TEST_F(TreeTest, HundredThousandCharacterKeys) {
  ExpectCharacterBuild(Keys(100000, 90000, 10), 10, false);
}

}  // namespace
}  // namespace vantorel::tables
