// words.dbf's own index against scanning the table: the same documents in the same order for
// every word, kept fresh when the table changes, and never trusted when its file is damaged.
#include "catalogue/bonus_word_index.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unordered_set>

#include "catalogue_fixture_helpers.h"
#include "core/texts.h"

namespace vantorel::testing {
namespace {

using catalogue::BonusWordIndex;
using Texts = std::vector<std::string>;

constexpr char kIndex[] = "words.wdx";

// Words in both fields, a hit in FILE_ID before one in WORD of the same record, occurrences
// across the two fields, keys that differ only by blanks, deleted records, OEM letters
// (0x81 u-umlaut, 0x94 o-umlaut) and a word filling its field.
std::vector<WordRow> MixedWords() {
  return {{"12", "HEAP"},  {"7", "HEAPSORT"}, {" 2", "MEMORY"}, {"2", "HEAP"},
          {"12", "312"},   {"3", "12HEAP"},   {"9", "POOL", '*'}, {"7", "HEAP"},
          {"5", "\x81" "BER"}, {"2", "SCH\x94N"}, {"123", "STACK"},  {"4", std::string(35, 'Q')},
          {"7", "MEMORY"}, {"3", "POOL"},     {"12", "HEAP"},     {"1", "2HEAP"}};
}

// The documents scanning finds for word: KvDbf::Search from the top, then on in the field of
// the first hit, each key (FILE_ID trimmed) once with the FILE_ID of its first record.
Texts Scanned(tables::KvDbf& words, const std::string& word) {
  Texts documents;
  std::unordered_set<std::string> keys;
  std::uint8_t field = 0;
  for (bool from_top = true; words.Search(word, field, from_top); from_top = false) {
    const std::string file_id = words.FieldAsString("FILE_ID");
    if (keys.insert(core::AllTrim(file_id)).second) documents.push_back(file_id);
  }
  return documents;
}

class BonusWordIndexTest : public ::testing::Test {
 protected:
  BonusWordIndexTest() : words_("WordsDBF") {
    words_.SetExclusive(false);
    words_.SetTableLanguage(tables::KvTableLanguage::tlOem);
    words_.SetHideDeletedRecs(false);
    words_.SetCreateIfNotFound(false);
    words_.SetRaiseEngineErrors(true);
  }

  std::string TablePath() const { return dir_ / "words.dbf"; }
  std::string IndexPath() const { return dir_ / kIndex; }

  void WriteTable(const std::vector<WordRow>& rows) {
    words_.SetActive(false);
    dir_.Write("words.dbf", WordsTable(rows));
    words_.SetDbfFileName(TablePath());
    words_.SetActive(true);
  }

  std::optional<BonusWordIndex> Open() {
    return BonusWordIndex::Open(words_, TablePath(), IndexPath());
  }

  // Every word of the list gives the scan's documents through the index.
  void ExpectSameAsScan(const BonusWordIndex& index, const Texts& words_to_try) {
    for (const std::string& word : words_to_try) {
      const std::optional<Texts> documents = index.DocumentsOf(word);
      ASSERT_TRUE(documents) << word;
      EXPECT_EQ(*documents, Scanned(words_, word)) << word;
    }
  }

  static Texts WordsToTry() {
    return {"HEAP", "heap", "12", "2", "1", "3", "7", "23", "2H", "PSO", "MEMORY", "POOL",
            "\xDC" "BER", "\xFC" "ber", "SCH\xD6N", "STACK", "123", std::string(35, 'Q'),
            std::string(36, 'Q'), "Z", "E", "R", "HEAP ", " ", "", "P\xD6"};
  }

  TempDir dir_{MemoryTempParent()};  // rebuilt indexes are pushed to the disk
  tables::KvDbf words_;
};

TEST_F(BonusWordIndexTest, GivesTheDocumentsOfAScan) {
  WriteTable(MixedWords());
  std::optional<BonusWordIndex> index = Open();
  ASSERT_TRUE(index);
  EXPECT_TRUE(std::filesystem::exists(IndexPath()));
  ExpectSameAsScan(*index, WordsToTry());
  // Read back from its file by the next search.
  index = Open();
  ASSERT_TRUE(index);
  ExpectSameAsScan(*index, WordsToTry());
  // A few of the cases spelled out: "12" is first found in FILE_ID (record 1), so only
  // FILE_IDs count, and " 2" is never a hit; "2" is first found in FILE_ID " 2" of record 3.
  EXPECT_EQ(index->DocumentsOf("12"), (Texts{"12 ", "123"}));
  EXPECT_EQ(index->DocumentsOf("2"), (Texts{"12 ", " 2 ", "123"}));
  EXPECT_EQ(index->DocumentsOf("23"), (Texts{"123"}));
}

TEST_F(BonusWordIndexTest, EmptyTableAndTableWithoutHits) {
  WriteTable({});
  std::optional<BonusWordIndex> index = Open();
  ASSERT_TRUE(index);
  EXPECT_EQ(index->DocumentsOf("HEAP"), Texts{});
}

// The index follows the table: a table written anew (other size, or the same size) is
// indexed again.
TEST_F(BonusWordIndexTest, FollowsTheTable) {
  WriteTable(MixedWords());
  ASSERT_TRUE(Open());
  WriteTable({{"8", "HEAP"}});
  std::optional<BonusWordIndex> index = Open();
  ASSERT_TRUE(index);
  EXPECT_EQ(index->DocumentsOf("HEAP"), (Texts{"8  "}));
  WriteTable({{"9", "HEAP"}});  // the same size
  index = Open();
  ASSERT_TRUE(index);
  EXPECT_EQ(index->DocumentsOf("HEAP"), (Texts{"9  "}));
}

// A damaged index file -- any byte changed, cut short, grown -- is never trusted: Open builds
// it again or DocumentsOf refuses (and removes it); the documents are always the scan's.
TEST_F(BonusWordIndexTest, DamagedFilesAreNeverTrusted) {
  WriteTable(MixedWords());
  ASSERT_TRUE(Open());
  const std::string good = TempDir::Read(IndexPath());
  std::vector<std::string> damaged;
  for (std::size_t at = 0; at < good.size(); ++at) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(bytes[at] ^ (at % 7 == 0 ? 0x80 : 0x01));
    damaged.push_back(bytes);
  }
  for (const std::size_t size : {std::size_t{0}, std::size_t{7}, std::size_t{135}, good.size() / 2,
                                 good.size() - 1})
    damaged.push_back(good.substr(0, size));
  damaged.push_back(good + '\0');
  damaged.push_back(good + good);
  const Texts words = {"HEAP", "2", "12", "MEMORY"};
  for (std::size_t i = 0; i < damaged.size(); ++i) {
    dir_.Write(kIndex, damaged[i]);
    std::optional<BonusWordIndex> index = Open();
    ASSERT_TRUE(index) << i;
    for (const std::string& word : words) {
      const std::optional<Texts> documents = index->DocumentsOf(word);
      if (documents) {
        EXPECT_EQ(*documents, Scanned(words_, word)) << i << " " << word;
      } else {
        EXPECT_FALSE(std::filesystem::exists(IndexPath())) << i;
        break;
      }
    }
  }
}

// Where the index cannot be written there is none, and the caller scans.
TEST_F(BonusWordIndexTest, NoneWhereItCannotBeWritten) {
  WriteTable(MixedWords());
  EXPECT_FALSE(BonusWordIndex::Open(words_, TablePath(), dir_ / "no such folder/words.wdx"));
}

}  // namespace
}  // namespace vantorel::testing
