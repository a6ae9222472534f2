// The bonus search over small hand-made files.dbf and words.dbf: the words it looks for, the
// order and link words of its results, where it stops, its messages and the page's bytes.
#include "catalogue/bonus_search.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/bonus_result_page.h"
#include "catalogue/search_words.h"
#include "catalogue_fixture_helpers.h"
#include "core/settings.h"
#include "tables/kv_error.h"

namespace vantorel::testing {
namespace {

using catalogue::BonusSearch;
using catalogue::MatchMode;
using catalogue::SearchEnd;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using Texts = std::vector<std::string>;

constexpr char kSorry[] = "Sorry, no matches were found:\rplease try again";
constexpr char kShortWordWarning[] =
    "Searches for long words are much quicker.\r"
    "Looking for one and two letter words can be slow.\r"
    "Are you sure you wish to continue?";
constexpr char kLinkFileMissing[] = "Unable to find link file when creating search results";
constexpr char kPage[] = "SEARCHRESULT.HTM";

TEST(BonusSearchTextTest, UpperCasesAToZOnlyAndKeepsBlanks) {
  EXPECT_EQ(catalogue::BonusSearchText(" heap, M\xE9moire "), " HEAP, M\xE9MOIRE ");
  EXPECT_EQ(catalogue::BonusSearchText(std::string(300, 'x')), std::string(255, 'X'));
}

TEST(SplitBonusSearchWordsTest, Cases) {
  const struct {
    const char* text;
    Texts words;
  } cases[] = {
      {"HEAP,MEMORY", {"HEAP", "MEMORY"}},
      {"HEAP MEMORY", {"HEAP", "MEMORY"}},
      {" ,HEAP,, MEMORY , ", {"HEAP", "MEMORY"}},  // no empty word at the ends or between
      {"\"MEMORY MANAGER\" HEAP", {"MEMORY", "MANAGER", "HEAP"}},  // a phrase gives its words
      {"A\"B", {"A", "B"}},
      {"R&D|X\tY", {"R&D|X\tY"}},  // only blank, comma and double quote separate
      {"", {}},
      {" , \"\" ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(catalogue::SplitBonusSearchWords(c.text), c.words) << c.text;
}

// The documents: 1 and 2 contain HEAP (1 as part of HEAPSORT), 1 to 3 MEMORY, 3 POOL.
std::vector<DocumentRow> SampleDocuments() {
  return {{"1", "DISKS/ISSUE01/README.HTM", "Read me"},
          {"2", "EXTRAS/X002.HTM", "Heap tricks"},
          {"3", "EXTRAS/X003.HTM", "Memory pools"}};
}

std::vector<WordRow> SampleWords() {
  return {{"3", "MEMORY"}, {"2", "HEAP"}, {"1", "MEMORY"},
          {"2", "MEMORY"}, {"1", "HEAPSORT"}, {"3", "POOL"}};
}

class BonusSearchTest : public ::testing::Test {
 protected:
  std::string DataDir() const { return dir_.path().string() + "/"; }

  void WriteTables(const std::vector<DocumentRow>& documents, const std::vector<WordRow>& words) {
    dir_.Write("files.dbf", FilesTable(documents));
    dir_.Write("words.dbf", WordsTable(words));
  }

  // Opens the tables of DataDir and searches; the progress texts of this search only.
  SearchEnd Search(const std::string& text, MatchMode mode) {
    if (!search_.TablesOpen()) search_.OpenTables(DataDir());
    ui_.progress.clear();
    return search_.OkBtnClick({text, mode});
  }

  bool PageWritten() const { return std::filesystem::exists(dir_.path() / kPage); }
  std::string Page() const { return TempDir::Read(dir_.path() / kPage); }
  // The page's result lines, "<LI>..." each.
  Texts Links() const {
    Texts links;
    const std::string page = Page();
    for (std::size_t at = page.find("<LI>"); at != std::string::npos;
         at = page.find("<LI>", at + 1))
      links.push_back(page.substr(at, page.find("\r\n", at) - at));
    return links;
  }

  TempDir dir_;
  ScriptedUi ui_;
  BonusSearch search_;
};

// The page of "heap,memory" in "Match any word" mode, byte for byte: HEAP and MEMORY are
// searched in that order; document 1 has both and is listed once, with HEAP; all three
// documents match after MEMORY's first record, so the search ends there.
TEST_F(BonusSearchTest, AnyWordPageByteForByte) {
  WriteTables(SampleDocuments(), SampleWords());
  EXPECT_EQ(Search("heap,memory", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_EQ(Page(),
            "<HTML><HEAD><TITLE>Search Results</TITLE></HEAD>\r\n"
            "<BODY LINK=\"0000ff\" BGPROPERTIES=\"FIXED\" BGCOLOR=\"ffffff\">\r\n"
            "<BASEFONT SIZE=\"3\">\r\n"
            "<FONT COLOR=RED><P ALIGN=\"LEFT\"><FONT SIZE=\"+3\" FACE=\"ARIAL\">\r\n"
            "<A NAME=\"Top\"></A><B>Search Results<BR></FONT>\r\n"
            "<FONT COLOR=BLACK><P ALIGN=\"LEFT\"><FONT SIZE=\"+1\" FACE=\"ARIAL\">\r\n"
            "3 files found matching one or more of specified words:</B><BR>\r\n"
            "<I>heap,memory</I></FONT></P>\r\n"
            "<UL><P>\r\n"
            "<LI><A HREF=\"SRCH:///EXTRAS/X002.HTM|HEAP\">Heap tricks</A></LI>\r\n"
            "<LI><A HREF=\"SRCH:///DISKS/ISSUE01/README.HTM|HEAP\">Read me</A></LI>\r\n"
            "<LI><A HREF=\"SRCH:///EXTRAS/X003.HTM|MEMORY\">Memory pools</A></LI>\r\n"
            "</UL><P><A HREF=\"#Top\">Back to top</A></P><hr align=center size=4 "
            "color=\"008000\">\r\n"
            "</P></UL> </BODY> </HTML>\r\n");
  EXPECT_EQ(ui_.progress, (Texts{"Checking word number 1, 1 files match",
                                 "Checking word number 1, 2 files match",
                                 "Checking word number 2, 3 files match", ""}));
  EXPECT_TRUE(search_.Outcome().SearchPageWritten);
  EXPECT_EQ(ui_.busy_depth, 0);
  EXPECT_TRUE(ui_.boxes.empty());
}

// "Match all words": the longest word is searched first and is the link word of every
// result, also where a shorter word confirmed the document last; the page keeps the order of
// the last confirmation.
TEST_F(BonusSearchTest, AllWordsLinksCarryTheLongestWord) {
  WriteTables(SampleDocuments(), SampleWords());
  EXPECT_EQ(Search("pool memory", MatchMode::AllWords), SearchEnd::PageWritten);
  EXPECT_EQ(Links(), (Texts{"<LI><A HREF=\"SRCH:///EXTRAS/X003.HTM|MEMORY\">Memory pools</A></LI>"}));
  EXPECT_NE(Page().find("1 files found matching all specified words:</B><BR>\r\n<I>pool memory</I>"),
            std::string::npos);
  // MEMORY matches every document, and POOL is still searched.
  EXPECT_EQ(ui_.progress, (Texts{"Checking word number 1, 1 files match",
                                 "Checking word number 1, 2 files match",
                                 "Checking word number 1, 3 files match",
                                 "Checking word number 2, 1 files match", ""}));

  std::filesystem::remove(dir_.path() / kPage);
  EXPECT_EQ(Search("heap memory", MatchMode::AllWords), SearchEnd::PageWritten);
  EXPECT_EQ(Links(), (Texts{"<LI><A HREF=\"SRCH:///EXTRAS/X002.HTM|MEMORY\">Heap tricks</A></LI>",
                            "<LI><A HREF=\"SRCH:///DISKS/ISSUE01/README.HTM|MEMORY\">Read me</A></LI>"}));
}

// Searches that end in a message and write no page.
TEST_F(BonusSearchTest, EndsWithoutAPage) {
  struct Case {
    std::string text;
    MatchMode mode;
    Answer warning;  // the answer to the short-word warning; Cancel: no warning
    SearchEnd end;
  };
  const Case cases[] = {
      {"", MatchMode::AllWords, Answer::Cancel, SearchEnd::NothingFound},
      {"", MatchMode::AnyWord, Answer::Cancel, SearchEnd::NothingFound},
      {" , ", MatchMode::AllWords, Answer::Cancel, SearchEnd::NothingFound},
      {"nothing", MatchMode::AnyWord, Answer::Cancel, SearchEnd::NothingFound},
      {"heap nothing", MatchMode::AllWords, Answer::Cancel, SearchEnd::NothingFound},
      {"ab heap x", MatchMode::AnyWord, Answer::No, SearchEnd::ShortWordsDeclined},
      {"ab xy", MatchMode::AnyWord, Answer::Yes, SearchEnd::NothingFound},
  };
  WriteTables(SampleDocuments(), SampleWords());
  for (const Case& c : cases) {
    if (c.warning != Answer::Cancel)
      ui_.Expect(BoxKind::Warning, kShortWordWarning, Buttons::YesNo, c.warning);
    if (c.end == SearchEnd::NothingFound) ui_.Expect(BoxKind::Information, kSorry);
    EXPECT_EQ(Search(c.text, c.mode), c.end) << c.text;
    EXPECT_TRUE(ui_.Done()) << c.text;
    EXPECT_FALSE(PageWritten()) << c.text;
    EXPECT_FALSE(search_.Outcome().SearchPageWritten) << c.text;
  }
}

// A short word accepted once is not asked about again, and the search goes on.
TEST_F(BonusSearchTest, AcceptedShortWordsAreSearched) {
  WriteTables(SampleDocuments(), {{"2", "C"}, {"1", "GO"}});
  ui_.Expect(BoxKind::Warning, kShortWordWarning, Buttons::YesNo, Answer::Yes);
  EXPECT_EQ(Search("go c", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_EQ(Links().size(), 2u);
}

// Keys of words.dbf with no document: an error box per such key, and a link to
// "**File not Found**" with the word. They do not count towards every document matching, so
// the search goes on to the word that finds document 2.
TEST_F(BonusSearchTest, KeysWithoutADocument) {
  WriteTables({{"1", "A.HTM", "Doc A"}, {"2", "B.HTM", "Doc B"}},
              {{"9", "ALPHA"}, {"1", "ALPHA"}, {"9", "ALPHA"}, {"8", "ALPHA"}, {"2", "BETA"}});
  ui_.Expect(BoxKind::Error, kLinkFileMissing).Expect(BoxKind::Error, kLinkFileMissing);
  EXPECT_EQ(Search("alpha beta", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_EQ(Links(),
            (Texts{"<LI><A HREF=\"SRCH:///**File not Found**|ALPHA\">**File not Found**</A></LI>",
                   "<LI><A HREF=\"SRCH:///A.HTM|ALPHA\">Doc A</A></LI>",
                   "<LI><A HREF=\"SRCH:///**File not Found**|ALPHA\">**File not Found**</A></LI>",
                   "<LI><A HREF=\"SRCH:///B.HTM|BETA\">Doc B</A></LI>"}));
}

// Deleted records of both tables take part; once every document matches, "Match any word"
// searches no further word.
TEST_F(BonusSearchTest, DeletedRecordsCountAndAllDocumentsEndTheSearch) {
  WriteTables({{"1", "A.HTM", "Doc A"}, {"2", "B.HTM", "Doc B", '*'}},
              {{"1", "ALPHA"}, {"2", "ALPHA", '*'}, {"1", "BETA"}, {"3", "BETA"}});
  EXPECT_EQ(Search("alpha beta", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_EQ(Links(), (Texts{"<LI><A HREF=\"SRCH:///A.HTM|ALPHA\">Doc A</A></LI>",
                            "<LI><A HREF=\"SRCH:///B.HTM|ALPHA\">Doc B</A></LI>"}));
  EXPECT_EQ(ui_.progress, (Texts{"Checking word number 1, 1 files match",
                                 "Checking word number 1, 2 files match", ""}));
}

// A key is FILE_ID trimmed: " 2" in words.dbf is document "2", found and counted as such.
TEST_F(BonusSearchTest, KeysAreTrimmed) {
  WriteTables({{"2", "B.HTM", "Doc B"}, {"3", "C.HTM", "Doc C"}},
              {{"3", "DELTA"}, {" 2", "GAMMA"}, {"2", "GAMMA"}});
  EXPECT_EQ(Search("gamma delta", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_EQ(Links(), (Texts{"<LI><A HREF=\"SRCH:///C.HTM|DELTA\">Doc C</A></LI>",
                            "<LI><A HREF=\"SRCH:///B.HTM|GAMMA\">Doc B</A></LI>"}));
  EXPECT_EQ(ui_.progress, (Texts{"Checking word number 1, 1 files match",
                                 "Checking word number 2, 2 files match", ""}));
}

// The typed text and the link word keep their markup characters as text.
TEST_F(BonusSearchTest, MarkupCharactersAreWrittenAsReferences) {
  WriteTables(SampleDocuments(), {{"2", "R&D"}, {"3", "<X>"}});
  EXPECT_EQ(Search("r&d \"<x>\"", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_NE(Page().find("<I>r&amp;d &quot;&lt;x&gt;&quot;</I>"), std::string::npos);
  EXPECT_EQ(Links(), (Texts{"<LI><A HREF=\"SRCH:///EXTRAS/X003.HTM|&lt;X&gt;\">Memory pools</A></LI>",
                            "<LI><A HREF=\"SRCH:///EXTRAS/X002.HTM|R&amp;D\">Heap tricks</A></LI>"}));
}

// Without words.dbf's own index (its name taken by a folder) the table is scanned, with the
// same page.
TEST_F(BonusSearchTest, ScansWhereTheWordIndexCannotBeWritten) {
  WriteTables(SampleDocuments(), SampleWords());
  std::filesystem::create_directory(dir_.path() / "words.wdx");
  EXPECT_EQ(Search("heap,memory", MatchMode::AnyWord), SearchEnd::PageWritten);
  const std::string scanned = Page();
  std::filesystem::remove(dir_.path() / "words.wdx");
  std::filesystem::remove(dir_.path() / kPage);
  EXPECT_EQ(Search("heap,memory", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_.path() / "words.wdx"));
  EXPECT_EQ(Page(), scanned);
}

// Opening the tables again reads them anew; a missing table is an engine error and is not
// created.
TEST_F(BonusSearchTest, TablesAreOpenedAnewAndNeverCreated) {
  WriteTables(SampleDocuments(), SampleWords());
  EXPECT_EQ(Search("pool", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_EQ(Links().size(), 1u);
  dir_.Write("words.dbf", WordsTable({{"1", "POOL"}, {"3", "POOL"}}));
  search_.OpenTables(DataDir());
  EXPECT_EQ(Search("pool", MatchMode::AnyWord), SearchEnd::PageWritten);
  EXPECT_EQ(Links().size(), 2u);

  std::filesystem::remove(dir_.path() / "files.dbf");
  BonusSearch fresh;
  EXPECT_THROW(fresh.OpenTables(DataDir()), tables::EKvError);
  EXPECT_FALSE(fresh.TablesOpen());
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "files.dbf"));
}

}  // namespace
}  // namespace vantorel::testing
