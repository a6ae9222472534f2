// The full-text index over a small archive made by real producers (fulltext_fixture_helpers.h):
// what each kind of query finds and on which page, the catalogue's ties, the incremental
// updates, damaged sources and damaged index files.
#include "fulltext/fulltext_index.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <stop_token>

#include "fulltext/fts_extensions.h"
#include "fulltext_fixture_helpers.h"

namespace vantorel::testing {
namespace {

namespace fs = std::filesystem;
using fulltext::FullTextIndex;
using Hits = std::vector<std::string>;

const std::string kPas = "DISKS/Issue12/MEMMGR/MEMMGR.PAS@0";
const std::string kNotes = "DISKS/Issue12/MEMMGR/NOTES@0";
const std::string kBonus = "EXTRAS/X004.HTM@0";

class FullTextIndexTest : public FullTextArchiveTest {};

TEST_F(FullTextIndexTest, QueriesFindWholeFilesAndTheirFirstPage) {
  if (FixturesDir().empty()) GTEST_SKIP() << "shared fixtures folder not found";
  UpdatedIndex();
  const bool cairo = HaveProgram("pdftocairo");
  const struct {
    const char* query;
    Hits hits;
    bool from_cairo = false;  // the hits lie in cairo's 0011.PDF
  } cases[] = {
      {"zebra", {"PDF/0009.PDF@3"}},
      // AND over the whole file: 0010 has the two words on two pages.
      {"memory manager", {"PDF/0009.PDF@1", "PDF/0010.PDF@1"}},
      {"memory AND manager", {"PDF/0009.PDF@1", "PDF/0010.PDF@1"}},
      // A phrase within a page: 0010's "memory" ends page 1, "manager" starts page 2.
      {"\"memory manager\"", {"PDF/0009.PDF@1"}},
      {"compil*", {"PDF/0009.PDF@2", "PDF/0010.PDF@2"}},
      {"compiling", {"PDF/0009.PDF@2", "PDF/0010.PDF@2"}},  // finds "compiled" too
      {"muller", {"PDF/0009.PDF@3"}},                      // "Müller"
      {"M\xC3\xBCLLER", {"PDF/0009.PDF@3"}},
      {"heap", {kPas, "PDF/0009.PDF@2", "PDF/0010.PDF@2"}},
      {"zebra OR wombat", {kBonus, "PDF/0009.PDF@3"}},
      {"heap NOT zebra", {kPas, "PDF/0010.PDF@2"}},
      {"NEAR(quickly heap, 3)", {"PDF/0009.PDF@2"}},
      {"freelist", {kPas, kNotes}},  // not the binaries
      {"cafe", {kBonus}},
      {"scriptword", {}},
      {"companion", {"DISKS/Issue02/LEGACY/L005.ZIP:F00_text.RED@0"}},  // a reduced member
      {"title:pointer", {"PDF/T009.PDF@1"}},
      // cairo's PDF: its words on their pages, a stem, a prefix, a phrase, AND over two pages.
      {"walrus", {"PDF/0011.PDF@1"}, true},
      {"colonies", {"PDF/0011.PDF@1"}, true},  // "colony"
      {"burrow", {"PDF/0011.PDF@3"}, true},  // "burrows"
      {"walr* burrows", {"PDF/0011.PDF@1"}, true},
      {"\"quokka sorting habits\"", {"PDF/0011.PDF@2"}, true},
      {"\"walrus quokka\"", {}, true},
      {"burrows OR zebra", {"PDF/0009.PDF@3", "PDF/0011.PDF@3"}, true},
      {"otters NOT quokka", {}, true},
  };
  for (const auto& c : cases) {
    if (cairo || !c.from_cairo) {
      EXPECT_EQ(HitSet(c.query), c.hits) << c.query;
    }
  }
  if (!cairo) GTEST_SKIP() << "pdftocairo is missing: the cases of cairo's PDF were not run";
}

TEST_F(FullTextIndexTest, HitsCarryTheCatalogueTiesAndSnippetsOfTheirPage) {
  FullTextIndex& index = UpdatedIndex();
  const fulltext::SearchResults zebra = index.Search("zebra", 10);
  ASSERT_EQ(zebra.total, 1u);
  const fulltext::Hit& hit = zebra.hits[0];
  EXPECT_EQ(hit.article_ids, std::vector<std::int32_t>{9});
  EXPECT_EQ(hit.title, "Memory Managers in Pascal");
  EXPECT_EQ(hit.issue, 12);
  EXPECT_EQ(hit.authors, "Ann Smith, Bob Jones");
  EXPECT_EQ(hit.kind, fulltext::DocumentKind::Pdf);
  EXPECT_NE(hit.snippets[0].find("the \x02zebra\x03 chapter"), std::string::npos) << hit.snippets[0];
  EXPECT_EQ(hit.snippets[0].find("heap"), std::string::npos) << "text of another page";

  const fulltext::SearchResults tips = index.Search("pointers", 10);
  ASSERT_EQ(tips.total, 1u);
  EXPECT_EQ(tips.hits[0].article_ids, (std::vector<std::int32_t>{100, 101}));
  EXPECT_EQ(tips.hits[0].title, "Quick Pointer Tip; Another Pointer Tip");
  EXPECT_EQ(tips.hits[0].issue, 9);

  const fulltext::SearchResults review = index.Search("title:review", 10);
  ASSERT_EQ(review.total, 1u);
  EXPECT_EQ(review.hits[0].authors, "J\xC3\xBCrgen Wei\xC3\x9F");

  const fulltext::SearchResults source = index.Search("walkthrough", 10);
  ASSERT_EQ(source.total, 1u);
  EXPECT_TRUE(source.hits[0].article_ids.empty());
  EXPECT_EQ(source.hits[0].title, "NOTES");
  EXPECT_EQ(source.hits[0].issue, 12);  // from the issue folder
  EXPECT_EQ(source.hits[0].page, 0);
}

TEST_F(FullTextIndexTest, ATitleWordCountsMoreThanABodyWord) {
  FullTextIndex& index = UpdatedIndex();
  // "compiling": in the title of 0010, and a body word of 0009 and 0010.
  const fulltext::SearchResults results = index.Search("compiling", 10);
  ASSERT_EQ(results.hits.size(), 2u);
  EXPECT_EQ(results.hits[0].path, "0010.PDF");
  EXPECT_GT(results.hits[0].score, results.hits[1].score);
}

TEST_F(FullTextIndexTest, QueriesFts5CannotReadGetAClearMessage) {
  FullTextIndex& index = UpdatedIndex();
  const struct {
    const char* query;
    const char* message;
  } cases[] = {
      {"C++",
       "The full-text search cannot read this query (syntax error near \"+\"). Type words, "
       "\"phrases in double quotes\" and prefix* words; AND, OR, NOT and NEAR are written in "
       "capitals; put a word with other characters in double quotes (\"C++\")."},
      {"author:smith",
       "The full-text search cannot read this query (no such column: author). Type words, "
       "\"phrases in double quotes\" and prefix* words; AND, OR, NOT and NEAR are written in "
       "capitals; put a word with other characters in double quotes (\"C++\")."},
      {"  ", "Type the words to search for."},
  };
  for (const auto& c : cases) {
    try {
      index.Search(c.query, 10);
      ADD_FAILURE() << c.query << " was read";
    } catch (const fulltext::EQueryNotUnderstood& error) {
      EXPECT_STREQ(error.what(), c.message);
    }
  }
}

TEST_F(FullTextIndexTest, UpdatesReadOnlyWhatChanged) {
  FullTextIndex& index = UpdatedIndex();
  EXPECT_TRUE(index.PlanUpdate().Empty());

  // A PDF replaced, a source removed, a ZIP archive added.
  ASSERT_TRUE(WriteGhostscriptPdf(data_ / "PDF" / "0010.PDF", {"a giraffe page", "and another"}));
  fs::remove(data_ / "DISKS" / "Issue12" / "MEMMGR" / "NOTES");
  ASSERT_TRUE(WritePythonZip(data_ / "DISKS" / "Issue12" / "NEW.ZIP",
                             {{"DOCS/README.TXT", "an okapi in the archive"}, {"LOGO.BMP", "BM"}}));
  const fulltext::UpdatePlan plan = index.PlanUpdate();
  EXPECT_EQ(plan.added, 1u);
  EXPECT_EQ(plan.changed, 1u);
  EXPECT_EQ(plan.removed.size(), 1u);
  EXPECT_FALSE(plan.catalogue_changed);
  std::vector<fulltext::Progress> progress;
  const fulltext::UpdateOutcome outcome =
      index.Update(plan, [&](const fulltext::Progress& p) { progress.push_back(p); });
  EXPECT_EQ(outcome.read, 2u);
  EXPECT_EQ(outcome.removed, 1u);
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress[0].total, 2u);
  EXPECT_EQ(progress[0].current, "PDF/0010.PDF");
  EXPECT_EQ(progress[1].current, "DISKS/Issue12/NEW.ZIP");
  EXPECT_EQ(progress[2].done, 2u);

  EXPECT_EQ(HitSet("giraffe"), Hits{"PDF/0010.PDF@1"});
  EXPECT_EQ(HitSet("body:compiled"), Hits{"PDF/0009.PDF@2"});
  EXPECT_EQ(HitSet("walkthrough"), Hits{});
  EXPECT_EQ(HitSet("okapi"), Hits{"DISKS/Issue12/NEW.ZIP:DOCS/README.TXT@0"});
  EXPECT_TRUE(index.PlanUpdate().Empty());
}

TEST_F(FullTextIndexTest, ATimeOnlyChangeAndARenameAreSeen) {
  FullTextIndex& index = UpdatedIndex();
  const fs::path pas = data_ / "DISKS" / "Issue12" / "MEMMGR" / "MEMMGR.PAS";
  fs::last_write_time(pas, fs::last_write_time(pas) + std::chrono::seconds(90));  // same size
  fs::rename(data_ / "DISKS" / "Issue12" / "MEMMGR" / "NOTES",
             data_ / "DISKS" / "Issue12" / "MEMMGR" / "NOTES.TXT");
  const fulltext::UpdatePlan plan = index.PlanUpdate();
  EXPECT_EQ(plan.added, 1u);
  EXPECT_EQ(plan.changed, 1u);
  EXPECT_EQ(plan.removed.size(), 1u);
  std::vector<std::string> paths;
  for (const fulltext::SourceFile& file : plan.to_read) paths.push_back(file.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"Issue12/MEMMGR/MEMMGR.PAS",
                                             "Issue12/MEMMGR/NOTES.TXT"}));
  index.Update(plan);
  EXPECT_EQ(HitSet("walkthrough"), Hits{"DISKS/Issue12/MEMMGR/NOTES.TXT@0"});
  EXPECT_TRUE(index.PlanUpdate().Empty());
}

TEST_F(FullTextIndexTest, ACatalogueChangeTiesTheFilesAgain) {
  FullTextIndex& index = UpdatedIndex();
  WriteArchiveTables(data_, "Heap Walkers Revisited");
  const fulltext::UpdatePlan plan = index.PlanUpdate();
  EXPECT_TRUE(plan.catalogue_changed);
  EXPECT_TRUE(plan.to_read.empty());
  index.Update(plan);
  const fulltext::SearchResults results = index.Search("title:walkers", 10);
  ASSERT_EQ(results.total, 1u);
  EXPECT_EQ(results.hits[0].title, "Heap Walkers Revisited");
  EXPECT_EQ(HitSet("zebra"), Hits{"PDF/0009.PDF@3"});
  EXPECT_EQ(HitSet("title:pascal"), Hits{});
  EXPECT_TRUE(index.PlanUpdate().Empty());
}

TEST_F(FullTextIndexTest, DamagedPdfsAndZipsAreSkippedAndReported) {
  dir_.Write("Архив data/PDF/0011.PDF", "%PDF-1.4\nnot really a PDF at all");
  dir_.Write("Архив data/DISKS/Issue12/BAD.ZIP", "PK\x03\x04 this archive is cut short");
  FullTextIndex& index = UpdatedIndex();
  const std::vector<fulltext::Problem> problems = index.Problems();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].path, "PDF/0011.PDF");
  EXPECT_EQ(problems[0].text, "Damaged PDF file: damaged or not a PDF file");
  EXPECT_EQ(problems[1].path, "DISKS/Issue12/BAD.ZIP");
  EXPECT_EQ(problems[1].text, "Damaged ZIP archive: Not a valid zip file!");
  EXPECT_EQ(HitSet("zebra"), Hits{"PDF/0009.PDF@3"});
  EXPECT_TRUE(index.PlanUpdate().Empty()) << "a damaged file is read again only once changed";

  ASSERT_TRUE(WritePythonZip(data_ / "DISKS" / "Issue12" / "BAD.ZIP", {{"A.TXT", "refactored"}}));
  index.Update(index.PlanUpdate());
  ASSERT_EQ(index.Problems().size(), 1u);
  EXPECT_EQ(HitSet("refactored"), Hits{"DISKS/Issue12/BAD.ZIP:A.TXT@0"});
}

TEST_F(FullTextIndexTest, ACancelledBuildLeavesAUsablePartialIndex) {
  index_ = std::make_unique<FullTextIndex>(IndexFile(), Folders());
  std::stop_source stop;
  const fulltext::UpdatePlan plan = index_->PlanUpdate();
  ASSERT_GT(plan.to_read.size(), 3u);
  const fulltext::UpdateOutcome outcome = index_->Update(
      plan,
      [&](const fulltext::Progress& p) {
        if (p.done == 2) stop.request_stop();
      },
      stop.get_token());
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_EQ(outcome.read, 2u);
  index_.reset();  // the file as a later run finds it
  index_ = std::make_unique<FullTextIndex>(IndexFile(), Folders());
  EXPECT_EQ(HitSet("zebra"), Hits{"PDF/0009.PDF@3"});  // the first file read
  EXPECT_EQ(index_->PlanUpdate().to_read.size(), plan.to_read.size() - 2);
  UpdatedIndex();
  EXPECT_EQ(HitSet("pointers"), Hits{"PDF/T009.PDF@1"});
}

TEST_F(FullTextIndexTest, ManyFilesAndHardLinksAreStoredInScanOrder) {
  // More files than the reading threads run ahead, and two more names of one PDF file.
  constexpr int kFiles = 80;
  for (int i = 0; i < kFiles; ++i)
    dir_.Write("Архив data/DISKS/Issue12/MANY/F" + std::to_string(100 + i) + ".TXT",
               "file tok" + std::to_string(i) + " of many");
  fs::create_hard_link(data_ / "PDF" / "0009.PDF", data_ / "PDF" / "0012.PDF");
  fs::create_hard_link(data_ / "PDF" / "0009.PDF", data_ / "PDF" / "0013.PDF");
  index_ = std::make_unique<FullTextIndex>(IndexFile(), Folders());
  const fulltext::UpdatePlan plan = index_->PlanUpdate();
  index_->Update(plan);
  std::vector<std::string> planned;
  for (const fulltext::SourceFile& file : plan.to_read) planned.push_back(file.path);
  std::vector<std::string> stored;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(IndexFile().c_str(), &db), SQLITE_OK);
  sqlite3_stmt* rows = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT path FROM sources ORDER BY id", -1, &rows, nullptr),
            SQLITE_OK);
  while (sqlite3_step(rows) == SQLITE_ROW)
    stored.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(rows, 0)));
  sqlite3_finalize(rows);
  sqlite3_close(db);
  EXPECT_EQ(stored, planned);
  for (int i = 0; i < kFiles; ++i)
    EXPECT_EQ(HitSet("tok" + std::to_string(i)),
              Hits{"DISKS/Issue12/MANY/F" + std::to_string(100 + i) + ".TXT@0"});
  EXPECT_EQ(HitSet("zebra"), (Hits{"PDF/0009.PDF@3", "PDF/0012.PDF@3", "PDF/0013.PDF@3"}));
}

// Makes a SQLite file of another program at path.
void WriteForeignDatabase(const fs::path& path) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE notes(text); INSERT INTO notes VALUES ('mine')", nullptr,
               nullptr, nullptr);
  sqlite3_close(db);
}

TEST_F(FullTextIndexTest, AForeignOrDamagedIndexFileIsBuiltAgain) {
  const struct {
    const char* what;
    bool seen_at_opening;  // else only once SQLite reads the damaged pages
    std::function<void(const fs::path&)> make;
  } cases[] = {
      {"not SQLite", true,
       [](const fs::path& p) { std::ofstream(p) << "a text file, not an index"; }},
      {"another program's database", true, WriteForeignDatabase},
      {"a damaged index", false,
       [this](const fs::path& p) {
         {
           FullTextIndex index(p, Folders());
           index.Update(index.PlanUpdate());
         }
         std::fstream file(p, std::ios::in | std::ios::out | std::ios::binary);
         file.seekp(4096 * 2);
         const std::string garbage(4096 * 4, '\xA5');
         file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(IndexFile().parent_path());
    fs::create_directories(IndexFile().parent_path());
    c.make(IndexFile());
    if (c.seen_at_opening) {
      EXPECT_THROW(FullTextIndex(IndexFile(), Folders(), FullTextIndex::OpenMode::ExistingOnly),
                   fulltext::EIndexDamaged);
    }
    index_ = std::make_unique<FullTextIndex>(IndexFile(), Folders());
    // Damage SQLite meets only while reading shows as EIndexDamaged; the index is built again.
    for (int attempt = 0;; ++attempt) {
      try {
        index_->Update(index_->PlanUpdate());
        EXPECT_EQ(HitSet("zebra"), Hits{"PDF/0009.PDF@3"});
        break;
      } catch (const fulltext::EIndexDamaged&) {
        ASSERT_EQ(attempt, 0);
        index_->Rebuild();
      }
    }
    index_.reset();
  }
  EXPECT_THROW(FullTextIndex(dir_.path() / "none.db", Folders(), FullTextIndex::OpenMode::ExistingOnly),
               fulltext::EFullTextError);
}

}  // namespace
}  // namespace vantorel::testing
