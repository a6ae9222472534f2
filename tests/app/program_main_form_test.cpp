#include "app/program_main_form.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>

#include "browser/find_dialog.h"
#include "browser/frame_viewer.h"
#include "browser/html_viewer.h"
#include "core/settings.h"
#include "dialogs/arti_search_form.h"
#include "dialogs/html_search_form.h"
#include "dialogs/unzipper_form.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "program_window_fixture.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "viewer/view_form.h"
#include "viewer/sel_file_form.h"

namespace vantorel::app {
namespace {

// The first match of pattern in text; empty when there is none. text must outlive the result.
std::smatch FirstMatch(const std::string& text, const char* pattern) {
  std::smatch match;
  std::regex_search(text, match, std::regex(pattern));
  return match;
}

// Once the next modal dialog runs, notes its title and closes it. title must outlive the
// dialog.
void CloseModalDialogWhenShown(QString& title) {
  QTimer::singleShot(0, [&title] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (dialog == nullptr) return;
    title = dialog->windowTitle();
    dialog->close();
  });
}

using platform::PathText;
using testing::ScriptedUi;
using testing::TempDir;

class ProgramMainFormTest : public ProgramWindowTest {};

TEST_F(ProgramMainFormTest, APageArgumentIsShownInsteadOfTheStartPage) {
  ScriptedUi ui;
  ProgramMainForm form(program_, {archive_ + "WELCOME.HTM#Top"}, config_);
  EXPECT_EQ(form.ProgramSettings().DataDir, archive_);
  form.show();
  EXPECT_FALSE(form.FrameViewer->IsFrameset());
  EXPECT_EQ(form.FrameViewer->ShownFileName(), archive_ + "welcome.htm");
  EXPECT_EQ(form.FrameViewer->ShownTitle(), "Welcome");
}

// A VIEW: link shows its source file in the viewer window, modally, which finds the link's word;
// without a viewer window the link does nothing.
TEST_F(ProgramMainFormTest, AViewLinkShowsTheSourceFileInTheViewerWindow) {
  ScriptedUi ui;
  dir_.Write("archive/DISKS/ISSUE12/A.PAS", "program A;\n{ A Stream of bytes }\n");
  ProgramMainForm form(program_, {archive_}, config_);
  form.ProgramSettings().SourceDir = archive_ + "DISKS/";
  form.show();
  EXPECT_TRUE(form.HotSpotTargetClick("VIEW:///DISKS/ISSUE12/A.PAS|Stream"));

  viewer::ViewForm view_form(form.ProgramSettings(), &form);
  form.SetViewForm(&view_form);
  QString caption;
  std::string found;
  QTimer::singleShot(0, [&] {
    if (QApplication::activeModalWidget() != &view_form || !QTest::qWaitForWindowActive(&view_form)) return;
    caption = view_form.windowTitle();
    found = view_form.Viewer->textCursor().selectedText().toStdString();
    view_form.close();
  });
  EXPECT_TRUE(form.HotSpotTargetClick("VIEW:///DISKS/ISSUE12/A.PAS|Stream"));
  // The caption names the file as the disk spells it, with "/".
  const std::string file = form.ProgramSettings().SourceDir + "ISSUE12/A.PAS";
  EXPECT_EQ(caption.toStdString(), "Source Viewer: " + file);
  EXPECT_EQ(found, "Stream");
  EXPECT_EQ(view_form.Viewer->ShownFileName(), archive_ + "DISKS/ISSUE12/A.PAS");
}

// The UnZip button and a ZIP link open the extraction dialog, without and with the archive.
TEST_F(ProgramMainFormTest, UnZipAndZipLinksOpenTheExtractionDialog) {
  ScriptedUi ui;
  const std::string archive = PathText(dir_.Write("archive/DISKS/ISSUE12/EMPTY.ZIP",
                                                  std::string("PK\x05\x06") + std::string(18, '\0')));
  ProgramMainForm form(program_, {archive_}, config_);
  form.show();
  struct Case {
    std::function<void()> command;
    std::string archive;  // what the dialog was opened on
  };
  const Case cases[] = {
      {[&] { form.UnZipperBtn->click(); }, ""},
      {[&] { form.HotSpotTargetClick("DISKS/ISSUE12/EMPTY.ZIP"); }, archive},
  };
  for (const Case& c : cases) {
    QString title;
    std::string opened_on = "not opened";
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<dialogs::UnzipperForm*>(QApplication::activeModalWidget());
      if (dialog == nullptr) return;
      title = dialog->windowTitle();
      opened_on = dialog->ArchiveName();
      dialog->close();
    });
    c.command();
    EXPECT_EQ(title, QStringLiteral("Extract files from Zipfile"));
    if (c.archive.empty()) {
      EXPECT_EQ(opened_on, "");
    } else {
      EXPECT_EQ(PathText(platform::ResolvePath(opened_on)), c.archive);
    }
  }
}

// Article Search shows the search dialog modally; a search there that writes the results page
// has the main window show it in MAIN.
TEST_F(ProgramMainFormTest, ArticleSearchShowsTheDialogAndThenItsResultsPage) {
  ScriptedUi ui;
  WriteSampleCatalogue();
  ProgramMainForm form(program_, {archive_}, config_);
  form.ProgramSettings().ResultsThreshold = 100;
  dialogs::ArtiSearchForm search(form.ProgramSettings(), &form);
  form.SetArtiSearchForm(&search);
  viewer::ViewForm view_form(form.ProgramSettings(), &form);
  form.SetViewForm(&view_form);
  form.show();
  const std::string shown = form.FrameViewer->FrameView("MAIN")->ShownFileName();

  QString title;
  CloseModalDialogWhenShown(title);
  form.ArticleSearch1->trigger();
  EXPECT_EQ(title, QStringLiteral("Search articles"));
  EXPECT_EQ(form.FrameViewer->FrameView("MAIN")->ShownFileName(), shown);

  form.ProgramSettings().LastIssue = 100;
  form.ProgramSettings().PdfDir = archive_ + "PDF/";
  form.ProgramSettings().SourceDir = archive_ + "DISKS/";
  dir_.Write("archive/DISKS/Issue12/MEMMGR/A.PAS", "program A;");  // "Memory manager"'s disk
  SearchThroughDialog(search, form.ArticleSearch1, QStringLiteral("heap"));
  EXPECT_FALSE(search.isVisible());
  EXPECT_EQ(form.FrameViewer->FrameView("MAIN")->ShownFileName(), archive_ + "SEARCHRESULT.HTM");

  // The page's "View article" and "View source code" links reach the PDF and directory
  // routes: a PDF that is not there is named in the error box, the disk's folder goes to the
  // file browser.
  const std::string page = TempDir::Read(archive_ + "SEARCHRESULT.HTM");
  const std::smatch pdf = FirstMatch(page, R"(file:///pdf/[^"]*)");
  const std::smatch disk = FirstMatch(page, R"(diry:///disks/[^"]*)");
  ASSERT_FALSE(pdf.empty());
  ASSERT_FALSE(disk.empty()) << page;
  const std::string missing_pdf = form.ProgramSettings().PdfDir + pdf.str().substr(12);
  ui.Expect(core::BoxKind::Error, "Unable to find file: " + missing_pdf);
  EXPECT_TRUE(form.HotSpotTargetClick(pdf.str()));
  QString browser_title;
  CloseModalDialogWhenShown(browser_title);
  EXPECT_TRUE(form.HotSpotTargetClick(disk.str()));
  EXPECT_EQ(browser_title, QStringLiteral("File Browser"));
}

// A directory link opens the file browser on the folder; its View command shows the selected
// file in the viewer window.
TEST_F(ProgramMainFormTest, DirectoryLinksOpenTheFileBrowser) {
  ScriptedUi ui;
  dir_.Write("archive/DISKS/Issue12/A.PAS", "program A;");
  ProgramMainForm form(program_, {archive_}, config_);
  viewer::ViewForm view_form(form.ProgramSettings(), &form);
  form.SetViewForm(&view_form);
  form.show();
  const std::string shown = form.FrameViewer->FrameView("MAIN")->ShownFileName();

  std::string folder;
  QString viewer_caption;
  QTimer::singleShot(0, [&] {
    auto* browser = qobject_cast<viewer::SelFileForm*>(QApplication::activeModalWidget());
    if (browser == nullptr) return;
    folder = browser->FolderPath();
    if (!QTest::qWaitFor([browser] { return browser->Items().size() == 1; }))
      ADD_FAILURE() << "the file browser lists no file";
    browser->ShellList1->selectAll();
    QTimer::singleShot(0, [&] {
      if (QApplication::activeModalWidget() != &view_form) return;
      viewer_caption = view_form.windowTitle();
      view_form.close();
    });
    browser->BitBtn2->click();
    browser->BitBtn3->click();
  });
  EXPECT_TRUE(form.HotSpotTargetClick("diry:///disks/issue12"));
  EXPECT_EQ(folder, PathText(dir_.path() / "archive" / "DISKS" / "Issue12"));
  EXPECT_TRUE(viewer_caption.startsWith(QStringLiteral("Source Viewer: ")) &&
              viewer_caption.endsWith(QStringLiteral("A.PAS")))
      << viewer_caption.toStdString();
  EXPECT_EQ(form.FrameViewer->FrameView("MAIN")->ShownFileName(), shown);
}

// Search Other Info shows the bonus search dialog modally and then its results page in
// MAIN; a result opens its document in MAIN, finds the word there and shows the find dialog
// with it, a sixth of the window down from the middle of the window's top edge.
TEST_F(ProgramMainFormTest, BonusSearchShowsItsResultsAndAResultFindsTheWord) {
  ScriptedUi ui;
  WriteBonusCatalogue();
  ProgramMainForm form(program_, {archive_}, config_);
  dialogs::HtmlSearchForm search(form.ProgramSettings(), &form);
  form.SetHtmlSearchForm(&search);
  form.show();
  form.setGeometry(100, 50, 801, 605);

  SearchThroughDialog(search, form.SearchOtherInfo1, QStringLiteral("heap"));
  EXPECT_FALSE(search.isVisible());
  EXPECT_EQ(form.FrameViewer->FrameView("MAIN")->ShownFileName(), archive_ + "SEARCHRESULT.HTM");

  const std::string page = TempDir::Read(archive_ + "SEARCHRESULT.HTM");
  const std::smatch link = FirstMatch(page, R"(SRCH:///[^"]*)");
  ASSERT_EQ(link.str(), "SRCH:///EXTRAS/X001.HTM|HEAP");
  EXPECT_TRUE(form.HotSpotTargetClick(link.str()));
  EXPECT_EQ(form.FrameViewer->FrameView("MAIN")->ShownFileName(), archive_ + "EXTRAS/X001.HTM");
  EXPECT_TRUE(form.FindDialog1->isVisible());
  EXPECT_EQ(form.FindDialog1->FindText(), "HEAP");
  const QRect window = form.frameGeometry();
  EXPECT_EQ(form.FindDialog1->pos(),
            QPoint(window.left() + window.width() / 2, window.top() + window.height() / 6));
}

}  // namespace
}  // namespace vantorel::app
