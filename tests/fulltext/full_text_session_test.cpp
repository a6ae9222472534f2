// The full-text search as the windows run it: the texts they show, the question before the
// first build, a stopped build, the outcomes of a search and the page's links.
#include "fulltext/full_text_session.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <stop_token>
#include <string>

#include "catalogue_fixture_helpers.h"
#include "fulltext/fulltext_pages.h"
#include "fulltext_fixture_helpers.h"
#include "scoped_environment.h"
#include "unprivileged.h"

namespace vantorel::testing {
namespace {

namespace fs = std::filesystem;
using fulltext::FullTextSession;
using End = fulltext::SearchAnswer::End;

TEST(FullTextTexts, WhatTheWindowShows) {
  EXPECT_EQ(fulltext::BuildQuestion(1234),
            "The full-text index of this archive has not been built yet.\rBuilding it reads "
            "1,234 files; you can go on reading meanwhile.\rBuild it now?");
  EXPECT_NE(fulltext::BuildQuestion(1).find("reads 1 file;"), std::string::npos);
  EXPECT_EQ(fulltext::ProgressText({2, 1500, "PDF/0009.PDF"}),
            "Full-text index: reading file 3 of 1,500: PDF/0009.PDF");
  struct Case {
    fulltext::UpdateOutcome outcome;
    std::size_t total;
    const char* text;
  };
  const Case cases[] = {
      {{1500, 0, false}, 1500, "Full-text index: 1,500 files read"},
      {{1, 3, false}, 1, "Full-text index: 1 file read, 3 removed"},
      {{2, 0, true}, 9,
       "Full-text index stopped after 2 of 9 files: the next full-text search reads the rest"},
  };
  for (const Case& c : cases) EXPECT_EQ(fulltext::UpdateEndText(c.outcome, c.total), c.text);
}

class FullTextSessionTest : public FullTextArchiveTest {
 protected:
  std::string DataDir() const { return data_.string() + "/"; }
  std::string Page() const { return TempDir::Read(data_ / fulltext::kFullTextPageName); }
};

// The first build asks first; a build stopped after two files answers for those and the next
// request reads the rest without asking.
TEST_F(FullTextSessionTest, AStoppedFirstBuildLeavesAnIndexThatTheNextRequestCompletes) {
  FullTextSession session(Folders());
  EXPECT_EQ(session.WriteFolder(), DataDir());
  const fulltext::Preparation first = session.Prepare();
  EXPECT_TRUE(first.ask_first);
  const std::size_t files = first.plan.to_read.size();
  ASSERT_GT(files, 4u);

  std::stop_source stop;
  std::vector<std::string> shown;
  const fulltext::UpdateOutcome stopped = session.Update(
      first.plan,
      [&](const fulltext::Progress& p) {
        shown.push_back(fulltext::ProgressText(p));
        if (p.done == 2) stop.request_stop();
      },
      stop.get_token());
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_EQ(stopped.read, 2u);
  ASSERT_EQ(shown.size(), 3u);
  EXPECT_EQ(shown.front().rfind("Full-text index: reading file 1 of " + std::to_string(files) + ": PDF/", 0), 0u)
      << shown.front();
  // The PDF files come first: the two read answer already.
  EXPECT_EQ(session.Search("zebra").end, End::PageWritten);
  EXPECT_TRUE(fs::exists(data_ / fulltext::kReportPageName));

  const fulltext::Preparation second = session.Prepare();
  EXPECT_FALSE(second.ask_first);
  EXPECT_EQ(second.plan.to_read.size(), files - 2);
  EXPECT_FALSE(session.Update(second.plan, {}, {}).cancelled);
  EXPECT_TRUE(session.Prepare().plan.Empty());
  EXPECT_EQ(session.Search("freelist").end, End::PageWritten);
}

// Every hit's link names where it goes: an article PDF at its page, a source file with its
// word, a ZIP member with its word and the archive to extract; a file the index could not read
// is counted in the header, which links the report.
TEST_F(FullTextSessionTest, ThePageLinksPagesSourceFilesAndZipMembers) {
  dir_.Write("Архив data/PDF/0011.PDF", "not a PDF at all");
  FullTextSession session(Folders());
  session.Update(session.Prepare().plan, {}, {});
  ASSERT_EQ(session.Search("zebra OR freelist OR companion").end, End::PageWritten);
  const std::string page = Page();
  for (const char* link :
       {R"(<A HREF="file:///pdf/0009.PDF#page=3">View article</A>)",
        R"(<A HREF="VIEW:///DISKS/Issue12\MEMMGR\MEMMGR.PAS|freelist">)",
        R"(<A HREF="VIEW:///DISKS/Issue02\LEGACY\L005.ZIP?F00_text.RED|companion">)"
        R"(DISKS/Issue02/LEGACY/L005.ZIP : F00_text.RED</A> )"
        R"((<A HREF="DISKS/Issue02/LEGACY/L005.ZIP">Extract this archive</A>))",
        "</I>\r\n<BR><A HREF=\"FTERRORS.HTM\">1 file could not be read in full</A>\r\n"})
    EXPECT_NE(page.find(link), std::string::npos) << link << "\n---\n" << page;
}

// A bonus file that is a ZIP archive: its text members are searched, and a hit opens the
// member in the viewer through a link relative to the page, with the archive to extract beside.
TEST_F(FullTextSessionTest, ABonusZipArchivesMembersAreFoundAndLinkedForTheViewer) {
  dir_.Write("Архив data/files.dbf",
             FilesTable({{"4", "EXTRAS/X004.HTM", "A Bonus Page"}, {"5", "EXTRAS/Tools.ZIP", "Bonus Tools"}}));
  ASSERT_TRUE(WritePythonZip(data_ / "EXTRAS" / "Tools.ZIP",
                             {{"Src/Read Me.txt", "the marmot tool"}, {"LOGO.BMP", "BM marmot"}}));
  FullTextSession session(Folders());
  session.Update(session.Prepare().plan, {}, {});
  ASSERT_EQ(session.Search("marmot").end, End::PageWritten);
  const std::string page = Page();
  EXPECT_NE(page.find("1 file found matching the query:"), std::string::npos) << page;
  EXPECT_NE(page.find(R"(<A HREF="VIEW:///EXTRAS\Tools.ZIP?Src/Read%20Me.txt|marmot">)"
                      R"(EXTRAS/Tools.ZIP : Src/Read Me.txt</A> )"
                      R"((<A HREF="EXTRAS/Tools.ZIP">Extract this archive</A>))"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("Bonus Tools"), std::string::npos) << page;
}

TEST_F(FullTextSessionTest, NoMatchesAndUnreadableQueriesAreTold) {
  FullTextSession session(Folders());
  session.Update(session.Prepare().plan, {}, {});
  const fulltext::SearchAnswer none = session.Search("xylophone");
  EXPECT_EQ(none.end, End::NoMatches);
  EXPECT_EQ(none.message, "Sorry, no matches were found:\rplease try again");
  const fulltext::SearchAnswer unreadable = session.Search("C++");
  EXPECT_EQ(unreadable.end, End::QueryNotUnderstood);
  EXPECT_EQ(unreadable.message.find("The full-text search cannot read this query"), 0u)
      << unreadable.message;
  EXPECT_FALSE(fs::exists(data_ / fulltext::kFullTextPageName));
}

// An archive that cannot be written gets its index and pages in its cache folder.
TEST_F(FullTextSessionTest, AReadOnlyArchiveIsIndexedInItsCacheFolder) {
  if (RunAgainUnprivileged()) return;
  const ScopedEnvironment cache_home("XDG_CACHE_HOME", dir_.path() / "cache");
  for (const auto& entry : fs::recursive_directory_iterator(data_))
    ::chmod(entry.path().c_str(), entry.is_directory() ? 0555 : 0444);
  ::chmod(data_.c_str(), 0555);
  FullTextSession session(Folders());
  const std::string cache = session.WriteFolder();
  EXPECT_EQ(cache.rfind((dir_.path() / "cache" / "vantorel").string() + "/", 0), 0u) << cache;
  session.Update(session.Prepare().plan, {}, {});
  EXPECT_EQ(session.Search("heap").end, End::PageWritten);
  for (const char* name : {"fulltext.db", "FULLTEXT.HTM", "FTERRORS.HTM"}) {
    EXPECT_TRUE(fs::exists(cache + name)) << name;
    EXPECT_FALSE(fs::exists(data_ / name)) << name;
  }
  for (const auto& entry : fs::recursive_directory_iterator(data_))
    ::chmod(entry.path().c_str(), entry.is_directory() ? 0755 : 0644);
  ::chmod(data_.c_str(), 0755);
}

}  // namespace
}  // namespace vantorel::testing
