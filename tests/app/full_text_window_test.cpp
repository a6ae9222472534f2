// The full-text search in the program's windows: its three ways in, the build on a worker
// thread with its question, progress and Esc, the page in MAIN, and the hits' links to the
// PDF reader at a page, the viewer with the word selected and a ZIP member in the viewer.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <thread>

#include "app/program_main_form.h"
#include "browser/find_dialog.h"
#include "browser/frame_viewer.h"
#include "browser/full_text_runner.h"
#include "browser/html_viewer.h"
#include "core/settings.h"
#include "dialogs/arti_search_form.h"
#include "dialogs/full_text_form.h"
#include "dialogs/unzipper_form.h"
#include "fulltext/full_text_session.h"
#include "fulltext/source_scan.h"
#include "fulltext_fixture_helpers.h"
#include "platform/file_system.h"
#include "program_helpers.h"
#include "program_window_fixture.h"
#include "scoped_environment.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "unprivileged.h"
#include "viewer/view_form.h"

namespace vantorel::app {
namespace {

namespace fs = std::filesystem;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using platform::PathText;
using testing::ScriptedUi;
using testing::TempDir;

// Once a modal window of type Dialog is active (within ten seconds), runs act on it once.
template <typename Dialog>
void WhenModal(std::function<void(Dialog&)> act) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
    auto* dialog = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr && ++*tries < 1000) return;
    timer->stop();
    timer->deleteLater();
    if (dialog == nullptr) {
      ADD_FAILURE() << "the dialog did not come";
      return;
    }
    act(*dialog);
  });
  timer->start();
}

// The query box, when it comes, searches for query.
void TypeQuery(const QString& query) {
  WhenModal<dialogs::FullTextForm>([query](dialogs::FullTextForm& box) {
    box.QueryText->setText(query);
    box.SearchBtn->click();
  });
}

// The first match of pattern in text; empty when there is none.
std::string FirstMatch(const std::string& text, const char* pattern) {
  std::smatch match;
  return std::regex_search(text, match, std::regex(pattern)) ? match.str() : std::string();
}

class FullTextWindowTest : public ProgramWindowTest {
 protected:
  FullTextWindowTest() {
    testing::WriteFullTextArchive(dir_, "archive");
    dir_.Write("archive/keyword.dbf", testing::KeywordTable(testing::SampleKeywords()));
  }

  // The window on the archive with its viewer, shown and active.
  void Open() {
    form_ = std::make_unique<ProgramMainForm>(program_, std::vector<std::string>{archive_}, config_);
    view_form_ = std::make_unique<viewer::ViewForm>(form_->ProgramSettings(), form_.get());
    form_->SetViewForm(view_form_.get());
    form_->ProgramSettings().PdfDir = archive_ + "PDF/";
    form_->ProgramSettings().SourceDir = archive_ + "DISKS/";
    form_->ProgramSettings().LastIssue = 72;
    form_->show();
    form_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  }

  std::size_t FilesToRead() const {
    fulltext::ArchiveFolders folders{archive_, archive_ + "PDF/", archive_ + "DISKS/"};
    return fulltext::ScanSources(folders).size();
  }

  // Waits for the running full-text search to end.
  void WaitForSearch() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form_->FullTextBusy(); }, 60000));
  }

  std::string MainPage() const { return form_->FrameViewer->FrameView("MAIN")->ShownFileName(); }

  std::unique_ptr<ProgramMainForm> form_;
  std::unique_ptr<viewer::ViewForm> view_form_;
};

// Ctrl+T (Edit, "Full-text search...") asks for a query; the first search asks before it builds
// the index, shows the progress meanwhile, and then shows FULLTEXT.HTM in MAIN.
TEST_F(FullTextWindowTest, CtrlTBuildsTheIndexAfterAskingAndShowsThePageInMain) {
  ScriptedUi ui;
  Open();
  EXPECT_TRUE(form_->Edit1->actions().contains(form_->FullTextSearch1));
  EXPECT_EQ(form_->FullTextSearch1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
  const std::size_t files = FilesToRead();
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(files), Buttons::YesNo, Answer::Yes);
  std::vector<std::string> shown;
  bool cancel_shown = false;
  TypeQuery(QStringLiteral("zebra"));
  QTest::keyClick(form_.get(), Qt::Key_T, Qt::ControlModifier);
  while (form_->FullTextBusy()) {
    cancel_shown = cancel_shown || form_->FullTextCancelBtn->isVisible();
    const std::string status = form_->StatusText();
    if (shown.empty() || shown.back() != status) shown.push_back(status);
    QTest::qWait(1);
  }
  EXPECT_TRUE(ui.Done());
  EXPECT_TRUE(cancel_shown);
  EXPECT_FALSE(form_->FullTextCancelBtn->isVisible());
  EXPECT_EQ(MainPage(), archive_ + "FULLTEXT.HTM");
  EXPECT_EQ(form_->StatusText(), "Full-text index: " + std::to_string(files) + " files read");
  for (const std::string& text : shown)
    EXPECT_TRUE(text.empty() || text.starts_with("Full-text index: ")) << text;

  // The next search finds the index up to date: no question, no build.
  TypeQuery(QStringLiteral("freelist"));
  form_->FullTextSearch1->trigger();
  EXPECT_FALSE(form_->FullTextCancelBtn->isVisible());
  WaitForSearch();
  EXPECT_NE(TempDir::Read(archive_ + "FULLTEXT.HTM").find("MEMMGR.PAS"), std::string::npos);
}

// The article search's Free Text Search and the contents' free-text link open the query box;
// the help page's link to freetextsearch.pdf, with a page or plain, still opens the PDF.
TEST_F(FullTextWindowTest, TheArticleSearchButtonAndTheFreeTextLinkOpenTheQueryBox) {
  ScriptedUi ui;
  Open();
  dialogs::ArtiSearchForm search(form_->ProgramSettings(), form_.get());
  form_->SetArtiSearchForm(&search);
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(FilesToRead()), Buttons::YesNo, Answer::No);
  WhenModal<dialogs::ArtiSearchForm>([](dialogs::ArtiSearchForm& dialog) {
    TypeQuery(QStringLiteral("zebra"));
    dialog.FreeTextBtn->click();
  });
  form_->ArticleSearch1->trigger();
  WaitForSearch();
  EXPECT_TRUE(ui.Done());
  EXPECT_FALSE(search.isVisible());
  EXPECT_FALSE(fs::exists(archive_ + "FULLTEXT.HTM"));  // the build was declined

  QString title;
  QString query;
  WhenModal<dialogs::FullTextForm>([&](dialogs::FullTextForm& box) {
    title = box.windowTitle();
    query = box.QueryText->text();
    box.CancelBtn->click();
  });
  EXPECT_TRUE(form_->HotSpotTargetClick("file:///pdf/freetextsearch.pdf"));
  EXPECT_EQ(title, QStringLiteral("Full-Text Search"));
  EXPECT_EQ(query, QStringLiteral("zebra"));  // the last query comes back
  EXPECT_FALSE(form_->FullTextBusy());

  const std::string guide = PathText(dir_.Write("archive/PDF/freetextsearch.pdf", "%PDF-1.4\n"));
  form_->ProgramSettings().AcrobatPath = platform::WriteArgumentsScript(dir_, "bin/evince");
  EXPECT_TRUE(form_->HotSpotTargetClick("file:///pdf/freetextsearch.pdf#page=1"));
  EXPECT_EQ(platform::WaitForArguments(dir_), (std::vector<std::string>{"--page-index=1", guide}));

  // The plain link on a page of the content frame (a real archive's help page) is the PDF's.
  form_->FrameViewer->LoadDocumentIntoFrame("MAIN", archive_ + "help.htm");
  EXPECT_TRUE(form_->HotSpotTargetClick("file:///pdf/freetextsearch.pdf"));
  EXPECT_EQ(platform::WaitForArguments(dir_), (std::vector<std::string>{guide}));
  EXPECT_FALSE(form_->FullTextBusy());
}

// No matches, and a query FTS5 cannot read, are told in a box; then the query box comes back
// with the query.
TEST_F(FullTextWindowTest, NoMatchesAndAnUnreadableQueryAreToldAndTheBoxComesBack) {
  ScriptedUi ui;
  Open();
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(FilesToRead()), Buttons::YesNo, Answer::Yes);
  ui.Expect(BoxKind::Information, "Sorry, no matches were found:\rplease try again");
  ui.Expect(BoxKind::Warning,
            "The full-text search cannot read this query (syntax error near \"+\"). Type words, "
            "\"phrases in double quotes\" and prefix* words; AND, OR, NOT and NEAR are written in "
            "capitals; put a word with other characters in double quotes (\"C++\").");
  TypeQuery(QStringLiteral("xylophone"));
  QString again;
  // After the message the box comes back with the query; this time a query FTS5 rejects.
  QTimer::singleShot(0, [&] {
    WhenModal<dialogs::FullTextForm>([&](dialogs::FullTextForm& box) {
      again = box.QueryText->text();
      box.QueryText->setText(QStringLiteral("C++"));
      WhenModal<dialogs::FullTextForm>([](dialogs::FullTextForm& last) { last.CancelBtn->click(); });
      box.SearchBtn->click();
    });
  });
  form_->FullTextSearch1->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !again.isEmpty(); }, 60000));
  EXPECT_EQ(again, QStringLiteral("xylophone"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ui.Done(); }, 10000));
  EXPECT_FALSE(fs::exists(archive_ + "FULLTEXT.HTM"));
}

// The hits' links: the article PDF opens in the reader at the page of the found word, a source
// file in the viewer with the word selected, a ZIP member in the viewer (copied out, removed
// afterwards) with "Extract this archive" opening the extraction dialog on the archive.
TEST_F(FullTextWindowTest, HitsOpenThePdfAtItsPageTheSourceFileAndTheZipMember) {
  ScriptedUi ui;
  Open();
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(FilesToRead()), Buttons::YesNo, Answer::Yes);
  TypeQuery(QStringLiteral("zebra OR freelist OR companion"));
  form_->FullTextSearch1->trigger();
  WaitForSearch();
  ASSERT_EQ(MainPage(), archive_ + "FULLTEXT.HTM");
  const std::string page = TempDir::Read(archive_ + "FULLTEXT.HTM");

  const std::string pdf = FirstMatch(page, R"(file:///pdf/0009\.PDF#page=\d+)");
  ASSERT_EQ(pdf, "file:///pdf/0009.PDF#page=3") << page;
  form_->ProgramSettings().AcrobatPath = platform::WriteArgumentsScript(dir_, "bin/evince");
  EXPECT_TRUE(form_->HotSpotTargetClick(pdf));
  EXPECT_EQ(platform::WaitForArguments(dir_),
            (std::vector<std::string>{"--page-index=3", archive_ + "PDF/0009.PDF"}));

  const std::string source = FirstMatch(page, R"(VIEW:///DISKS/[^"?]*MEMMGR\.PAS\|[^"]*)");
  ASSERT_FALSE(source.empty()) << page;
  std::string selected;
  QString caption;
  WhenModal<viewer::ViewForm>([&](viewer::ViewForm& view) {
    if (!QTest::qWaitForWindowActive(&view)) ADD_FAILURE() << "the viewer is not active";
    selected = view.Viewer->textCursor().selectedText().toStdString();
    caption = view.windowTitle();
    EXPECT_FALSE(view.ExtractBtn->isVisible());
    view.close();
  });
  EXPECT_TRUE(form_->HotSpotTargetClick(source));
  EXPECT_EQ(selected, "freelist");
  EXPECT_EQ(caption.toStdString(), "Source Viewer: " + archive_ + "DISKS/Issue12/MEMMGR/MEMMGR.PAS");

  const std::string member = FirstMatch(page, R"(VIEW:///DISKS/[^"]*L005\.ZIP\?[^"]*)");
  ASSERT_FALSE(member.empty()) << page;
  EXPECT_NE(page.find(">Extract this archive</A>"), std::string::npos);
  const std::string zip = archive_ + "DISKS/Issue02/LEGACY/L005.ZIP";
  std::string copy, extracted_from;
  bool extract_shown = false;
  selected.clear();
  WhenModal<viewer::ViewForm>([&](viewer::ViewForm& view) {
    if (!QTest::qWaitForWindowActive(&view)) ADD_FAILURE() << "the viewer is not active";
    selected = view.Viewer->textCursor().selectedText().toStdString();
    caption = view.windowTitle();
    copy = view.MemberCopyPath();
    extract_shown = view.ExtractBtn->isVisible();
    WhenModal<dialogs::UnzipperForm>([&](dialogs::UnzipperForm& unzipper) {
      extracted_from = unzipper.ArchiveName();
      unzipper.close();
    });
    view.ExtractBtn->click();
    view.close();
  });
  EXPECT_TRUE(form_->HotSpotTargetClick(member));
  EXPECT_EQ(core::LowerCaseAscii(selected), "companion");
  EXPECT_EQ(caption.toStdString(), "Source Viewer: " + zip + " : F00_text.RED");
  EXPECT_TRUE(extract_shown);
  EXPECT_EQ(PathText(platform::ResolvePath(extracted_from)), zip);
  EXPECT_FALSE(copy.empty());
  EXPECT_FALSE(fs::exists(copy));  // gone with the viewer's closing, and from its history
  for (const std::string& file : view_form_->Viewer->HistoryFiles()) EXPECT_NE(file, copy);
  EXPECT_TRUE(ui.Done());
}

// A hit in a member of a bonus file that is a ZIP archive opens the member in the viewer with
// the word selected and the find dialog shown, and offers the archive for extraction.
TEST_F(FullTextWindowTest, ABonusZipArchivesMemberOpensInTheViewer) {
  dir_.Write("archive/files.dbf", testing::FilesTable({{"4", "EXTRAS/X004.HTM", "A Bonus Page"},
                                                       {"5", "EXTRAS/Tools.ZIP", "Bonus Tools"}}));
  ASSERT_TRUE(testing::WritePythonZip(fs::path(archive_) / "EXTRAS" / "Tools.ZIP",
                                      {{"Src/Read Me.txt", "the marmot tool"}}));
  ScriptedUi ui;
  Open();
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(FilesToRead()), Buttons::YesNo, Answer::Yes);
  TypeQuery(QStringLiteral("marmot"));
  form_->FullTextSearch1->trigger();
  WaitForSearch();
  ASSERT_EQ(MainPage(), archive_ + "FULLTEXT.HTM");
  const std::string page = TempDir::Read(archive_ + "FULLTEXT.HTM");
  const std::string member = FirstMatch(page, R"(VIEW:///EXTRAS\\Tools\.ZIP\?[^"]*)");
  ASSERT_EQ(member, R"(VIEW:///EXTRAS\Tools.ZIP?Src/Read%20Me.txt|marmot)") << page;

  const std::string zip = archive_ + "EXTRAS/Tools.ZIP";
  std::string selected, extracted_from, destination;
  QString caption;
  bool extract_shown = false;
  bool find_shown = false;
  WhenModal<viewer::ViewForm>([&](viewer::ViewForm& view) {
    if (!QTest::qWaitForWindowActive(view.FindDialog)) ADD_FAILURE() << "no active find dialog";
    selected = view.Viewer->textCursor().selectedText().toStdString();
    caption = view.windowTitle();
    extract_shown = view.ExtractBtn->isVisible();
    find_shown = view.FindDialog->isVisible();
    WhenModal<dialogs::UnzipperForm>([&](dialogs::UnzipperForm& unzipper) {
      extracted_from = unzipper.ArchiveName();
      destination = unzipper.DestinationEdit->text().toStdString();
      unzipper.close();
    });
    view.ExtractBtn->click();
    view.close();
  });
  EXPECT_TRUE(form_->HotSpotTargetClick(member));
  EXPECT_EQ(core::LowerCaseAscii(selected), "marmot");
  EXPECT_TRUE(find_shown);
  EXPECT_EQ(caption.toStdString(), "Source Viewer: " + zip + " : Src/Read Me.txt");
  EXPECT_TRUE(extract_shown);
  EXPECT_EQ(PathText(platform::ResolvePath(extracted_from)), zip);
  EXPECT_EQ(destination, archive_ + "EXTRAS/");  // a writable archive: its own folder
  EXPECT_TRUE(ui.Done());
}

// Esc stops the build; the search then runs over what was read, and the next search reads the
// rest without asking. Closing the window during a build stops it and shows nothing more.
TEST_F(FullTextWindowTest, EscStopsTheBuildLeavingAUsableIndexAndClosingStopsIt) {
  ScriptedUi ui;
  Open();
  const std::size_t files = FilesToRead();
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(files), Buttons::YesNo, Answer::Yes);
  // The worker waits before its third file until Esc was pressed.
  std::atomic<bool> at_third{false}, go_on{false};
  const auto hold_at_third = [&](const fulltext::Progress& progress) {
    if (progress.done != 2) return;
    at_third = true;
    for (int i = 0; i < 1000 && !go_on; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  };
  form_->FullTextRequests().SetReadingObserver(hold_at_third);
  TypeQuery(QStringLiteral("zebra"));
  form_->FullTextSearch1->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return at_third.load(); }, 60000));
  EXPECT_TRUE(form_->FullTextCancelBtn->isVisible());
  form_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  QTest::keyClick(form_.get(), Qt::Key_Escape);
  go_on = true;
  WaitForSearch();
  EXPECT_EQ(form_->StatusText(), "Full-text index stopped after 2 of " + std::to_string(files) +
                                     " files: the next full-text search reads the rest");
  // The article PDFs come first: the two read find the word.
  EXPECT_EQ(MainPage(), archive_ + "FULLTEXT.HTM");
  EXPECT_NE(TempDir::Read(archive_ + "FULLTEXT.HTM").find("zebra"), std::string::npos);

  form_->FullTextRequests().SetReadingObserver({});
  TypeQuery(QStringLiteral("freelist"));
  form_->FullTextSearch1->trigger();
  WaitForSearch();
  EXPECT_EQ(form_->StatusText(), "Full-text index: " + std::to_string(files - 2) + " files read");
  EXPECT_NE(TempDir::Read(archive_ + "FULLTEXT.HTM").find("MEMMGR.PAS"), std::string::npos);
  EXPECT_TRUE(ui.Done());

  // A build held at its third file when the window closes: it stops, and nothing follows.
  view_form_.reset();
  form_.reset();
  fs::remove(archive_ + "fulltext.db");
  fs::remove(archive_ + "FULLTEXT.HTM");
  Open();
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(files), Buttons::YesNo, Answer::Yes);
  at_third = false;
  go_on = false;
  form_->FullTextRequests().SetReadingObserver(hold_at_third);
  TypeQuery(QStringLiteral("zebra"));
  form_->FullTextSearch1->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return at_third.load(); }, 60000));
  go_on = true;
  form_->close();
  EXPECT_FALSE(form_->FullTextBusy());
  QTest::qWait(50);
  EXPECT_FALSE(fs::exists(archive_ + "FULLTEXT.HTM"));
  EXPECT_TRUE(ui.Done());
}

// An archive that cannot be written: the index and the page go to its cache folder, the page
// shows in MAIN as if it stood in the archive, and the archive is left as it was.
TEST_F(FullTextWindowTest, AReadOnlyArchiveIsSearchedFromItsCacheFolder) {
  if (testing::RunAgainUnprivileged()) return;
  const testing::ScopedEnvironment cache_home("XDG_CACHE_HOME", (dir_.path() / "cache").string());
  const fs::path archive = dir_.path() / "archive";
  std::vector<fs::path> entries;
  for (const auto& entry : fs::recursive_directory_iterator(archive)) entries.push_back(entry.path());
  for (auto it = entries.rbegin(); it != entries.rend(); ++it)
    ::chmod(it->c_str(), fs::is_directory(*it) ? 0555 : 0444);
  ::chmod(archive.c_str(), 0555);
  const std::size_t entries_before = entries.size();

  ScriptedUi ui;
  Open();
  ui.Expect(BoxKind::Confirmation, fulltext::BuildQuestion(FilesToRead()), Buttons::YesNo, Answer::Yes);
  TypeQuery(QStringLiteral("zebra"));
  form_->FullTextSearch1->trigger();
  WaitForSearch();
  EXPECT_EQ(MainPage(), archive_ + "FULLTEXT.HTM");
  EXPECT_FALSE(fs::exists(archive / "FULLTEXT.HTM"));
  EXPECT_FALSE(fs::exists(archive / "fulltext.db"));
  std::size_t entries_after = 0;
  for (const auto& entry : fs::recursive_directory_iterator(archive)) entries_after += entry.exists() ? 1 : 0;
  EXPECT_EQ(entries_after, entries_before);
  bool cached = false;
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path() / "cache"))
    cached = cached || entry.path().filename() == "fulltext.db";
  EXPECT_TRUE(cached);
  view_form_.reset();
  form_.reset();
  ::chmod(archive.c_str(), 0755);
  for (const fs::path& entry : entries) ::chmod(entry.c_str(), fs::is_directory(entry) ? 0755 : 0644);
}

}  // namespace
}  // namespace vantorel::app
