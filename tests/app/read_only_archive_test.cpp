// The program on an archive it cannot write (a CD-ROM, a mounted image, a read-only share), and
// without any archive: what it shows, and that it writes nothing where it must not.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "app/no_archive_page.h"
#include "app/program_main_form.h"
#include "browser/frame_viewer.h"
#include "browser/html_viewer.h"
#include "core/settings.h"
#include "dialogs/arti_search_form.h"
#include "dialogs/html_search_form.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"
#include "program_window_fixture.h"
#include "scoped_environment.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "unprivileged.h"
#include "viewer/view_form.h"

namespace vantorel::app {
namespace {

namespace fs = std::filesystem;
using platform::PathText;
using testing::ScriptedUi;
using testing::TempDir;

// What a tree holds: each entry's bytes (none for a folder) and modification time, the top
// folder's own time under "".
struct EntryState {
  std::string bytes;
  fs::file_time_type time;
  bool operator==(const EntryState&) const = default;
};
std::map<std::string, EntryState> TreeState(const fs::path& folder) {
  std::map<std::string, EntryState> state;
  state[""] = {{}, fs::last_write_time(folder)};
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    state[entry.path().lexically_relative(folder).string()] = {
        entry.is_directory() ? std::string() : TempDir::Read(entry.path()), entry.last_write_time()};
  return state;
}

// Takes write permission from every file and folder of the tree, the deepest first.
void MakeReadOnly(const fs::path& folder) {
  std::vector<fs::path> entries;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) entries.push_back(entry.path());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    ::chmod(it->c_str(), fs::is_directory(*it) ? 0555 : 0444);
  ::chmod(folder.c_str(), 0555);
}

// $XDG_CACHE_HOME in the test's folder for the test's time.
class ReadOnlyArchiveTest : public ProgramWindowTest {
 protected:

  testing::ScopedEnvironment cache_home_{"XDG_CACHE_HOME", dir_ / "cache"};
};

TEST_F(ReadOnlyArchiveTest, BothSearchesTheCompleteListAndTheirLinksWorkAndNothingIsWritten) {
  if (testing::RunAgainUnprivileged()) return;
  ScriptedUi ui;
  WriteSampleCatalogue();
  WriteBonusCatalogue();
  const fs::path archive = dir_.path() / "archive";
  MakeReadOnly(archive);
  const auto before = TreeState(archive);

  ProgramMainForm form(program_, {archive_}, config_);
  form.ProgramSettings().ResultsThreshold = 100;
  dialogs::ArtiSearchForm search(form.ProgramSettings(), &form);
  form.SetArtiSearchForm(&search);
  dialogs::HtmlSearchForm bonus(form.ProgramSettings(), &form);
  form.SetHtmlSearchForm(&bonus);
  viewer::ViewForm view_form(form.ProgramSettings(), &form);
  form.SetViewForm(&view_form);
  form.show();
  ASSERT_TRUE(search.SearchAvailable()) << search.OpenError();
  browser::HtmlViewer* main = form.FrameViewer->FrameView("MAIN");
  const std::string cache = platform::ArchiveCacheFolder(archive_);

  // The results are named as pages of the archive and read from the cache folder.
  SearchThroughDialog(search, form.ArticleSearch1, QStringLiteral("heap"));
  EXPECT_EQ(main->ShownFileName(), archive_ + "SEARCHRESULT.HTM");
  EXPECT_EQ(main->ShownTitle(), "Search Results");
  EXPECT_TRUE(fs::exists(cache + "SEARCHRESULT.HTM"));

  // The complete list's links lead to its detail page in the cache folder.
  ui.Expect(core::BoxKind::Confirmation,
            "The *!* keyword will cause a complete list of\rall articles to be generated. This takes a while:\r"
            "are you sure you wish to continue?",
            core::Buttons::YesNo, core::Answer::Yes)
      .Expect(core::BoxKind::Information,
            "Complete articles list: to return to this list\ragain, click the Articles button under Browse");
  SearchThroughDialog(search, form.ArticleSearch1, QStringLiteral("*!*"));
  EXPECT_EQ(main->ShownFileName(), archive_ + "ALLARTS.HTM");
  main->LoadDocument(main->ExpandLinkPath("AADETAIL.HTM") + "#9");
  EXPECT_EQ(main->ShownFileName(), archive_ + "AADETAIL.HTM");
  EXPECT_EQ(main->ShownTitle(), "Vantorel: Complete Article Detail");

  // The bonus search's result link finds its page in the archive.
  SearchThroughDialog(bonus, form.SearchOtherInfo1, QStringLiteral("heap"));
  EXPECT_EQ(main->ShownFileName(), archive_ + "SEARCHRESULT.HTM");
  EXPECT_TRUE(form.HotSpotTargetClick("SRCH:///EXTRAS/X001.HTM|HEAP"));
  EXPECT_EQ(main->ShownFileName(), archive_ + "EXTRAS/X001.HTM");

  EXPECT_TRUE(TreeState(archive) == before);
}

// A page given as argument whose folder holds no catalogue: the page shows, the searches say
// why they are unavailable, and nothing is written into that folder.
TEST_F(ReadOnlyArchiveTest, ALoosePageShowsWithTheSearchesUnavailableAndWritesNothing) {
  ScriptedUi ui;
  const std::string page = PathText(dir_.Write("Downloads/page.htm",
                                               "<HTML><HEAD><TITLE>Loose</TITLE></HEAD><BODY>x</BODY></HTML>"));
  const fs::path downloads = dir_.path() / "Downloads";
  const auto before = TreeState(downloads);
  ProgramMainForm form(program_, {page}, config_);
  dialogs::ArtiSearchForm search(form.ProgramSettings(), &form);
  form.SetArtiSearchForm(&search);
  form.show();
  EXPECT_EQ(form.FrameViewer->ShownFileName(), page);
  EXPECT_FALSE(search.SearchAvailable());
  const std::string folder = PathText(downloads) + "/";
  ui.Expect(core::BoxKind::Error, std::string(dialogs::kCatalogueNotOpened) + dialogs::kNoCatalogue + folder);
  form.ArticleSearch1->trigger();
  EXPECT_TRUE(TreeState(downloads) == before);
}

// No data folder, none beside the program, no demo installed: the warning, then the page that
// tells how to open an archive; nothing beside the program.
TEST_F(ReadOnlyArchiveTest, WithoutAnArchiveThePageSaysHowToOpenOneAndNothingIsWrittenBesideTheProgram) {
  fs::remove_all(dir_.path() / "archive");
  ScriptedUi ui;
  ui.Expect(core::BoxKind::Warning, kNoArchiveMessage);
  ProgramMainForm form(program_, {}, config_);
  dialogs::ArtiSearchForm search(form.ProgramSettings(), &form);
  form.SetArtiSearchForm(&search);
  form.show();
  EXPECT_EQ(form.FrameViewer->ShownFileName(), platform::ProgramCacheFolder() + "no-archive.htm");
  EXPECT_EQ(form.FrameViewer->ShownTitle(), "Vantorel Article Browser: no archive");
  EXPECT_FALSE(search.SearchAvailable());
  EXPECT_EQ(platform::EntryNamesAt(dir_.path() / "bin"), std::vector<std::string>{"vantorel"});

  // A data folder given that holds no archive shows the same page, without the warning.
  fs::create_directory(dir_.path() / "empty");
  ProgramMainForm given(program_, {PathText(dir_.path() / "empty")}, config_);
  given.show();
  EXPECT_EQ(given.FrameViewer->ShownTitle(), "Vantorel Article Browser: no archive");
  EXPECT_TRUE(fs::is_empty(dir_.path() / "empty"));
}

}  // namespace
}  // namespace vantorel::app
