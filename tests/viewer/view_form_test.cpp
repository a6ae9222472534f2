#include "viewer/view_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "browser/find_dialog.h"
#include "browser/html_viewer.h"
#include "core/settings.h"
#include "page_fixture_helpers.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "program_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::viewer {
namespace {

using core::Answer;
using core::BoxKind;
using core::Buttons;
using platform::PathText;
using testing::ScriptedUi;
using testing::TempDir;

std::string Text(const QString& text) { return text.toStdString(); }

// The window with its print dialog answered: the job goes to a PDF file with the page range
// the test chose (none: all pages).
class TestViewForm : public ViewForm {
 public:
  using ViewForm::ViewForm;

  std::string pdf_file;  // where the job goes
  int from = 0, to = 0;  // the chosen range; 0: all pages

 protected:
  bool ExecPrintDialog(QPrinter& printer) override {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf_file));
    if (from > 0) {
      printer.setPrintRange(QPrinter::PageRange);
      printer.setFromTo(from, to);
    }
    return true;
  }
};

// Pages and source files in a temporary archive folder (DataDir, SourceDir under it), no CD-ROM
// drive, the desktop's programs recorded, and the viewer window.
class ViewFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  ViewFormTest() : no_cd_(dir.Write("mounts", ""), dir.path() / "fstab") {
    previous_mounts_ = platform::SetMountTable(&no_cd_);
    settings.DataDir = PathText(dir.path()) + "/";
    settings.SourceDir = settings.DataDir + "DISKS/";
    settings.LastIssue = 100;
    Write("DISKS/ISSUE12/A.PAS", "program A;\n{ A Stream of bytes }\n{ another stream }\nbegin end.\n");
    Write("DISKS/ISSUE12/B.PAS", "program B;\n");
    Write("DISKS/ISSUE12/C.PAS", "program C;\n");
    Write("help.htm",
          "<HTML><HEAD><TITLE>Help</TITLE></HEAD><BODY><H1>Help</H1><P>Start here.</P>"
          "<A NAME=\"Selfil\"></A><H2>File browser</H2><P>Each Stream is shown.</P></BODY></HTML>\r\n");
    form = std::make_unique<TestViewForm>(settings);
  }
  ~ViewFormTest() override {
    form.reset();
    platform::SetMountTable(previous_mounts_);
  }

  std::string Write(const std::string& name, const std::string& bytes) { return PathText(dir.Write(name, bytes)); }
  std::string DataFile(const std::string& name) const { return settings.DataDir + name; }

  // Clicks the link whose text is shown in the view.
  void ClickLink(const QString& text) {
    QTest::mouseClick(form->Viewer->viewport(), Qt::LeftButton, {}, testing::PointOfText(*form->Viewer, text));
  }

  // Runs show, which shows the window modally; once the window is active, runs while_shown and
  // then closes the window if it is still shown. False when the window never came.
  bool WhileShown(const std::function<void()>& show, const std::function<void()>& while_shown) {
    bool came = false;
    QTimer::singleShot(0, [&] {
      if (!form->isVisible() || !QTest::qWaitForWindowActive(form.get())) return;
      came = true;
      QApplication::processEvents();
      while_shown();
      if (form->isVisible()) form->close();
    });
    show();
    return came;
  }

  ScriptedUi ui;
  TempDir dir;
  platform::MountTableFiles no_cd_;
  const platform::MountTable* previous_mounts_ = nullptr;
  platform::FixedAssociations programs;
  core::BrowserSettings settings;  // the record the window reads
  std::unique_ptr<TestViewForm> form;
};

TEST_F(ViewFormTest, TheWindowAsDesigned) {
  EXPECT_EQ(Text(form->windowTitle()), "View");
  std::vector<std::string> buttons;
  auto* bar = form->ButtonBar->layout();
  for (int i = 0; i < bar->count(); ++i)
    if (auto* button = qobject_cast<QPushButton*>(bar->itemAt(i)->widget()))
      buttons.push_back(Text(button->text()) + "|" + Text(button->toolTip()));
  EXPECT_EQ(buttons, (std::vector<std::string>{"&Back|", "For&ward|", "&Find|Search for text in this file",
                                               "C&opy|Copy selected text to clipboard",
                                               "&Print|Print this file to current printer", "&Close|Close this form",
                                               "E&xtract this archive|Extract the files of the archive this file comes from"}));
  // Every button has an Alt key of its own (Copy and Close both began with "C").
  std::set<int> accelerators;
  for (int i = 0; i < bar->count(); ++i)
    if (auto* button = qobject_cast<QPushButton*>(bar->itemAt(i)->widget())) {
      EXPECT_TRUE(accelerators.insert(QKeySequence::mnemonic(button->text())[0].toCombined()).second)
          << Text(button->text());
    }
  // The last is there only while a member of a ZIP archive is shown.
  EXPECT_TRUE(form->ExtractBtn->isHidden());
  EXPECT_EQ(form->ButtonBar->height(), 33);
  EXPECT_EQ(form->Panel1->height(), 19);
  EXPECT_EQ(form->Copy1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_C));
  EXPECT_EQ(form->SelectAll1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
  browser::HtmlViewer& view = *form->Viewer;
  EXPECT_EQ(view.DefFontName(), "Courier New");
  EXPECT_EQ(view.DefPreFontName(), "Courier New");
  EXPECT_EQ(view.HistoryMaxCount(), 6);
  EXPECT_EQ(view.GetBorderStyle(), browser::BorderStyle::htFocused);
  EXPECT_FALSE(view.NoSelect());
  for (double margin : {view.PrintMarginLeft(), view.PrintMarginRight(), view.PrintMarginTop(),
                        view.PrintMarginBottom()})
    EXPECT_EQ(margin, 2.0);
  EXPECT_TRUE(form->acceptDrops());
  // Nothing shown yet: nothing to go back to, find or print.
  for (QPushButton* button : {form->BackBtn, form->ForwardBtn, form->FindBtn, form->PrintBtn})
    EXPECT_FALSE(button->isEnabled()) << Text(button->text());
  EXPECT_TRUE(form->CopyBtn->isEnabled());
}

// Images are looked up beside the shown page, and a GIF image is never shown.
TEST_F(ViewFormTest, ImageRequestsNeverShowAGif) {
  dir.Write("pages/pic.gif", testing::GifBytes());
  dir.Write("pages/pic.bmp", testing::BmpBytes(4, 4, 0xff0000));
  dir.Write("pages/gif-inside.bmp", testing::GifBytes());  // the kind comes from the content
  form->Viewer->LoadDocument(Write("pages/page.htm", "<title>Pictures</title>"));
  struct Case {
    std::string src;
    bool shown;
  };
  const Case cases[] = {{"pic.gif", false}, {"PIC.GIF", false}, {"pic.bmp", true}, {"gif-inside.bmp", true},
                        {"missing.bmp", false}};
  for (const Case& c : cases) {
    QImage bitmap;
    int color = -1;
    form->Viewer->OnBitmapRequest(*form->Viewer, c.src, bitmap, color);
    EXPECT_EQ(!bitmap.isNull(), c.shown) << c.src;
    EXPECT_EQ(color, -1) << c.src;
  }
}

TEST_F(ViewFormTest, AScreenWiderThan640PixelsPlacesTheWindowAt35By35) {
  struct Case {
    int screen_width;
    QRect geometry;
  };
  const QRect system(120, 90, 500, 400);  // where the system put the window
  const Case cases[] = {{640, system}, {641, QRect(35, 35, 700, 550)}, {1280, QRect(35, 35, 700, 550)}};
  for (const Case& c : cases) {
    ViewForm window(settings);
    window.setGeometry(system);
    window.FormCreate(c.screen_width);
    EXPECT_EQ(window.pos(), c.geometry.topLeft()) << c.screen_width;
    EXPECT_EQ(window.size(), c.geometry.size()) << c.screen_width;
  }
}

TEST_F(ViewFormTest, AViewLinkShowsItsFileAndTheWindowLooksForTheWordWhenItBecomesActive) {
  const std::string file = settings.SourceDir + "ISSUE12/A.PAS";
  form->ShowTextFile(file, "Source Viewer: " + file);
  form->SetSearchWord("STREAM");
  const bool came = WhileShown([&] { form->ShowModal(); }, [&] {
    EXPECT_EQ(Text(form->Viewer->textCursor().selectedText()), "Stream");
    ASSERT_TRUE(form->FindDialog->isVisible());
    EXPECT_FALSE(form->FindDialog->isModal());
    EXPECT_EQ(form->FindDialog->FindText(), "STREAM");
    const QRect window = form->frameGeometry();
    EXPECT_EQ(form->FindDialog->pos(),
              QPoint(window.left() + window.width() / 2, window.top() + window.height() / 6));
    // Coming back from the find dialog does not move on to the next occurrence.
    form->activateWindow();
    QApplication::processEvents();
    EXPECT_EQ(Text(form->Viewer->textCursor().selectedText()), "Stream");
  });
  EXPECT_TRUE(came);
  EXPECT_EQ(Text(form->windowTitle()), "Source Viewer: " + file);
  EXPECT_EQ(form->Viewer->DefBackground(), QColor(Qt::white));
  EXPECT_EQ(form->Viewer->ShownKind(), browser::DocumentKind::Text);
  EXPECT_FALSE(form->FindDialog->isVisible());  // closed with the window
}

TEST_F(ViewFormTest, AViewLinkInsideTheWindowReplacesTheFileWithoutAnyError) {
  const std::string page = Write("DISKS/ISSUE12/INDEX.HTM",
                                 "<title>Disk</title><a href=\"VIEW:///DISKS/ISSUE12/B.PAS|Begin\">Program B</a>"
                                 "<br><a href=\"VIEW:///DISKS/ISSUE12/NONE.PAS\">Missing</a>");
  form->show();
  form->Viewer->LoadDocument(page);
  ClickLink("Program B");
  // The caption shows the path as the disk spells it.
  const std::string file = settings.SourceDir + "ISSUE12/B.PAS";
  EXPECT_EQ(Text(form->windowTitle()), "Source Viewer: " + file);
  EXPECT_EQ(form->Viewer->ShownFileName(), settings.SourceDir + "ISSUE12/B.PAS");
  EXPECT_EQ(form->SearchWord(), "BEGIN");
  EXPECT_TRUE(ui.boxes.empty());

  // A file that is not there: the view's error; file, caption and word stay.
  form->FwdBackBtnClick(form->BackBtn);
  ASSERT_EQ(form->Viewer->ShownFileName(), page);
  ui.Expect(BoxKind::Error, "Can't locate file: " + settings.SourceDir + "ISSUE12/NONE.PAS");
  ClickLink("Missing");
  EXPECT_TRUE(ui.Done());
  EXPECT_EQ(form->Viewer->ShownFileName(), page);
  EXPECT_EQ(Text(form->windowTitle()), "Source Viewer: " + file);
  EXPECT_EQ(form->SearchWord(), "BEGIN");
}

// The window neither extracts archives nor runs programs: the view follows such links itself.
TEST_F(ViewFormTest, ZipAndProgramLinksAreFollowedByTheView) {
  const std::string archive = Write("DISKS/ISSUE12/A.ZIP", "PK\x05\x06 not really an archive");
  const std::string page = Write("DISKS/ISSUE12/INDEX.HTM",
                                 "<title>Disk</title><a href=\"A.ZIP\">Archive</a><br>"
                                 "<a href=\"SETUP.EXE -q\">Setup</a>");
  form->show();
  form->Viewer->LoadDocument(page);
  ClickLink("Archive");
  EXPECT_EQ(form->Viewer->ShownFileName(), archive);

  form->FwdBackBtnClick(form->BackBtn);
  ui.Expect(BoxKind::Error, "Can't locate file: " + settings.SourceDir + "ISSUE12/SETUP.EXE -q");
  ClickLink("Setup");
  EXPECT_TRUE(ui.Done());
  EXPECT_EQ(form->Viewer->ShownFileName(), page);
  EXPECT_TRUE(programs.opened.empty());
}

TEST_F(ViewFormTest, APdfLinkIsTakenRelativeToTheShownPage) {
  const std::string beside = Write("BONUS/pdf/abc.pdf", "%PDF-1.4 beside the page");
  Write("PDF/abc.pdf", "%PDF-1.4 the article folder");
  settings.PdfDir = DataFile("PDF/");
  settings.AcrobatPath = platform::WriteArgumentsScript(dir, "bin/reader.sh");
  settings.ShowCommands = true;  // the viewer shows no command messages all the same
  const std::string page = Write("BONUS/page.htm",
                                 "<title>Bonus</title><a href=\"file:///pdf/abc.pdf\">Article</a><br>"
                                 "<a href=\"file:///pdf/none.pdf\">Missing</a>");
  form->show();
  form->Viewer->LoadDocument(page);
  ClickLink("Article");
  EXPECT_EQ(platform::WaitForArguments(dir), std::vector<std::string>{beside});

  ui.Expect(BoxKind::Error, "Unable to find file: " + DataFile("BONUS/pdf/none.pdf"));
  ClickLink("Missing");
  EXPECT_TRUE(ui.Done());
}

TEST_F(ViewFormTest, ADirectoryLinkPresetsTheFolderPickerAndIgnoresItsAnswer) {
  const std::string page = Write("links.htm",
                                 "<title>Links</title><a href=\"diry:///disks/issue12\">Disk</a><br>"
                                 "<a href=\"diry:///disks/issue99\">Other</a>");
  form->show();
  form->Viewer->LoadDocument(page);
  ui.AnswerFolderRequest(DataFile("elsewhere"));
  ClickLink("Disk");
  ASSERT_EQ(ui.folder_requests.size(), 1u);
  EXPECT_EQ(ui.folder_requests[0], (core::FolderRequest{"Select Folder", settings.SourceDir + "ISSUE12"}));
  EXPECT_EQ(form->Viewer->ShownFileName(), page);

  ui.Expect(BoxKind::Error, "Sorry, the requested directory " + settings.SourceDir + "ISSUE99 does not exist");
  ClickLink("Other");
  EXPECT_TRUE(ui.Done());
}

TEST_F(ViewFormTest, OfDroppedFilesOnlyTheFirstCountsAndOnlyByItsExtension) {
  const std::string text = Write("drop/notes.txt", "<b>plain</b> notes");
  const std::string page = Write("drop/page.HTML", "<title>Dropped page</title>page");
  const std::string image = Write("drop/picture.jpeg", testing::JpegBytes(4, 4, 0x00ff00));
  const std::string bitmap = Write("drop/picture.bmp", testing::BmpBytes(4, 4, 0xff0000));
  const std::string gif = Write("drop/picture.gif", testing::GifBytes());
  const std::string document = Write("drop/letter.doc", "a word-processor document");
  form->setWindowTitle("Source Viewer: before");
  struct Case {
    std::vector<std::string> dropped;
    std::string shown;  // empty: what was shown before
    browser::DocumentKind kind;
  };
  const Case cases[] = {
      {{text, page, image}, text, browser::DocumentKind::Text},
      {{page}, page, browser::DocumentKind::Html},
      {{image, text}, image, browser::DocumentKind::Image},
      {{bitmap}, bitmap, browser::DocumentKind::Image},
      {{gif, text}, "", browser::DocumentKind::Image},
      {{document}, "", browser::DocumentKind::Image},
  };
  std::string before;
  for (const Case& c : cases) {
    QMimeData data;
    QList<QUrl> urls;
    for (const std::string& file : c.dropped) urls << QUrl::fromLocalFile(QString::fromStdString(file));
    data.setUrls(urls);
    QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Delivered to the window itself: the application passes on only drops of a drag in progress.
    static_cast<QObject&>(*form).event(&drop);
    const std::string expected = c.shown.empty() ? before : c.shown;
    EXPECT_EQ(form->Viewer->ShownFileName(), expected) << c.dropped.front();
    EXPECT_EQ(form->Viewer->ShownKind(), c.kind) << c.dropped.front();
    before = form->Viewer->ShownFileName();
  }
  EXPECT_EQ(Text(form->windowTitle()), "Source Viewer: before");
  EXPECT_EQ(form->Viewer->HistoryFiles().size(), 4u);
}

TEST_F(ViewFormTest, CopyingFrom32001SelectedCharactersAsksFirst) {
  const std::string file = Write("long.txt", std::string(32001, 'x'));
  form->ShowTextFile(file, "Source Viewer: " + file);
  const auto select = [&](int length) {
    QTextCursor cursor(form->Viewer->document());
    cursor.setPosition(0);
    cursor.setPosition(length, QTextCursor::KeepAnchor);
    form->Viewer->setTextCursor(cursor);
    ASSERT_EQ(form->Viewer->SelectionLength(), length);
  };
  QClipboard& clipboard = *QApplication::clipboard();

  select(32000);
  clipboard.clear();
  form->CopyBtn->click();
  EXPECT_EQ(clipboard.text().size(), 32000);

  select(32001);
  clipboard.setText("before");
  ui.Expect(BoxKind::Warning, "Selection exceeds buffer size and may be truncated", Buttons::OkCancel, Answer::Cancel);
  form->CopyBtn->click();
  EXPECT_EQ(clipboard.text(), "before");
  ui.Expect(BoxKind::Warning, "Selection exceeds buffer size and may be truncated", Buttons::OkCancel, Answer::Ok);
  form->CopyBtn->click();
  EXPECT_EQ(clipboard.text().size(), 32001);
  EXPECT_TRUE(ui.Done());

  // Ctrl+C copies without asking; Ctrl+A selects everything.
  select(10);
  form->SelectAll1->trigger();
  clipboard.clear();
  form->Copy1->trigger();
  EXPECT_EQ(clipboard.text().size(), 32001);
}

TEST_F(ViewFormTest, AFileListOfOneFileShowsCloseFromTheStart) {
  const std::string file = settings.SourceDir + "ISSUE12/A.PAS";
  const std::vector<std::string> files = {file};
  const bool came = WhileShown([&] { form->ShowFileList(files); }, [&] {
    EXPECT_EQ(Text(form->windowTitle()), "Source Viewer: " + file);
    EXPECT_EQ(Text(form->ExitBtn->text()), "Close");
    EXPECT_EQ(Text(form->ExitBtn->toolTip()), "Return to file list");
    EXPECT_EQ(form->FileList().Remaining(), 0);
    EXPECT_EQ(form->FileList().Next(), 1);
    form->ExitBtn->click();
    EXPECT_FALSE(form->isVisible());
  });
  EXPECT_TRUE(came);
  EXPECT_TRUE(form->FileList().ListMode());
  EXPECT_EQ(Text(form->ExitBtn->text()), "&Close");
}

TEST_F(ViewFormTest, AFileListOfThreeFilesIsWalkedWithNext) {
  const std::string folder = settings.SourceDir + "ISSUE12/";
  const std::vector<std::string> files = {folder + "A.PAS", folder + "B.PAS", folder + "C.PAS"};
  struct Step {
    std::string file, caption, hint;
  };
  const Step steps[] = {{"A.PAS", "Next...", "View next file"},
                        {"B.PAS", "&Next...", "View next file"},
                        {"C.PAS", "&Close", "Return to file list"}};
  const bool came = WhileShown([&] { form->ShowFileList(files); }, [&] {
    for (const Step& step : steps) {
      EXPECT_EQ(Text(form->windowTitle()), "Source Viewer: " + folder + step.file);
      EXPECT_EQ(form->Viewer->ShownFileName(), folder + step.file);
      EXPECT_EQ(Text(form->ExitBtn->text()), step.caption);
      EXPECT_EQ(Text(form->ExitBtn->toolTip()), step.hint);
      ASSERT_TRUE(form->isVisible()) << step.file;
      form->ExitBtn->click();
    }
    EXPECT_FALSE(form->isVisible());
  });
  EXPECT_TRUE(came);
  EXPECT_EQ(form->FileList().Remaining(), 0);
  EXPECT_EQ(form->FileList().Next(), 3);
}

// Closing the window in the middle of a list ends the list; a later use keeps "Return to file
// list" on its Close button.
TEST_F(ViewFormTest, ClosingTheWindowEndsTheFileList) {
  const std::string folder = settings.SourceDir + "ISSUE12/";
  const std::vector<std::string> files = {folder + "A.PAS", folder + "B.PAS", folder + "C.PAS"};
  EXPECT_TRUE(WhileShown([&] { form->ShowFileList(files); }, [&] { form->close(); }));
  EXPECT_EQ(form->FileList().Remaining(), 0);
  EXPECT_EQ(Text(form->ExitBtn->text()), "&Close");

  form->ShowTextFile(folder + "B.PAS", "Source Viewer: B");
  EXPECT_TRUE(WhileShown([&] { form->ShowModal(); }, [&] {
    EXPECT_EQ(Text(form->ExitBtn->toolTip()), "Return to file list");
    form->ExitBtn->click();
    EXPECT_FALSE(form->isVisible());
  }));
}

// A file of the list that cannot be shown (a folder, a file gone since) is reported, and Next
// goes on to the files after it.
TEST_F(ViewFormTest, NextPassesOverAFileThatCannotBeShown) {
  const std::string folder = settings.SourceDir + "ISSUE12/";
  const std::vector<std::string> files = {folder + "A.PAS", folder + "GONE.PAS", folder + "C.PAS"};
  EXPECT_TRUE(WhileShown([&] { form->ShowFileList(files); }, [&] {
    ui.Expect(BoxKind::Error, "Can't locate file: " + folder + "GONE.PAS");
    form->ExitBtn->click();
    EXPECT_TRUE(ui.Done());
    EXPECT_EQ(form->Viewer->ShownFileName(), folder + "A.PAS");
    EXPECT_EQ(Text(form->ExitBtn->text()), "&Next...");
    form->ExitBtn->click();
    EXPECT_EQ(form->Viewer->ShownFileName(), folder + "C.PAS");
    EXPECT_EQ(Text(form->ExitBtn->text()), "&Close");
    EXPECT_TRUE(form->isVisible());
  }));
}

TEST_F(ViewFormTest, AFileListWhoseFirstFileCannotBeShownShowsNoWindow) {
  const std::vector<std::string> files = {settings.SourceDir + "ISSUE12"};
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = form->isVisible();
    form->close();
  });
  EXPECT_THROW(form->ShowFileList(files), browser::ViewError);
  QApplication::processEvents();
  EXPECT_FALSE(shown);
}

TEST_F(ViewFormTest, AHelpPageAfterAViewLinkLooksForTheLinksWordAgain) {
  form->show();
  form->Viewer->LoadDocument(Write("links.htm", "<title>Links</title><a href=\"VIEW:///DISKS/ISSUE12/A.PAS|Stream\">Program A</a>"));
  ClickLink("Program A");
  ASSERT_EQ(form->SearchWord(), "STREAM");
  form->close();

  const bool came = WhileShown([&] { form->ShowHelpPage("help.htm#Selfil"); }, [&] {
    EXPECT_EQ(Text(form->windowTitle()), "Help using Ostravel");
    EXPECT_EQ(form->Viewer->ShownFileName(), DataFile("help.htm"));
    EXPECT_EQ(Text(form->Viewer->textCursor().selectedText()), "Stream");
    EXPECT_TRUE(form->FindDialog->isVisible());
    EXPECT_EQ(form->FindDialog->FindText(), "STREAM");
  });
  EXPECT_TRUE(came);
  EXPECT_EQ(form->Viewer->DefFontName(), "Times New Roman");
  EXPECT_EQ(form->Viewer->DefBackground(), QColor(Qt::white));

  // The help font stays for the source files shown later.
  form->ShowTextFile(settings.SourceDir + "ISSUE12/B.PAS", "Source Viewer: B");
  EXPECT_EQ(form->Viewer->DefFontName(), "Times New Roman");
}

TEST_F(ViewFormTest, AMissingHelpPageIsReportedAndNoWindowShown) {
  settings.DataDir = DataFile("nowhere/");
  ui.Expect(BoxKind::Error, "Can't locate file: " + settings.DataDir + "help.htm");
  bool shown = false;
  QTimer::singleShot(0, [&] {
    shown = form->isVisible();
    form->close();
  });
  form->ShowHelpPage("help.htm");
  QApplication::processEvents();
  EXPECT_FALSE(shown);
  EXPECT_EQ(Text(form->windowTitle()), "View");
}

TEST_F(ViewFormTest, FindSaysWhenThereIsNoFurtherOccurrence) {
  form->show();
  form->ShowTextFile(settings.SourceDir + "ISSUE12/A.PAS", "Source Viewer: A");
  ASSERT_TRUE(form->FindBtn->isEnabled());
  form->FindBtn->click();
  ASSERT_TRUE(form->FindDialog->isVisible());
  form->FindDialog->FindEdit->setText("program");
  form->FindDialog->FindNextBtn->click();
  EXPECT_EQ(Text(form->Viewer->textCursor().selectedText()), "program");
  ui.Expect(BoxKind::Information, "No further occurrences of \"program\"");
  form->FindDialog->FindNextBtn->click();
  EXPECT_TRUE(ui.Done());

  form->FindDialog->MatchCaseBox->setChecked(true);
  form->Viewer->moveCursor(QTextCursor::Start);
  ui.Expect(BoxKind::Information, "No further occurrences of \"PROGRAM\"");
  form->FindDialog->FindEdit->setText("PROGRAM");
  form->FindDialog->FindNextBtn->click();
  EXPECT_TRUE(ui.Done());
}

TEST_F(ViewFormTest, BackAndForwardFollowTheHistory) {
  const std::string folder = settings.SourceDir + "ISSUE12/";
  std::vector<std::vector<bool>> during;
  const auto handler = form->Viewer->OnProcessing;
  form->Viewer->OnProcessing = [&](browser::HtmlViewer& sender, bool on) {
    handler(sender, on);
    if (on)
      during.push_back({form->BackBtn->isEnabled(), form->ForwardBtn->isEnabled(), form->FindBtn->isEnabled(),
                        form->PrintBtn->isEnabled()});
  };
  form->show();
  for (const char* file : {"A.PAS", "B.PAS", "C.PAS"}) form->ShowTextFile(folder + file, file);
  for (const auto& states : during) EXPECT_EQ(states, std::vector<bool>(4, false));

  struct Step {
    QPushButton* button;  // null: the state before any click
    std::string shown;
    bool back, forward;
  };
  const Step steps[] = {{nullptr, "C.PAS", true, false},      {form->BackBtn, "B.PAS", true, true},
                        {form->BackBtn, "A.PAS", false, true}, {form->ForwardBtn, "B.PAS", true, true},
                        {form->ForwardBtn, "C.PAS", true, false}};
  for (const Step& step : steps) {
    if (step.button != nullptr) step.button->click();
    EXPECT_EQ(form->Viewer->ShownFileName(), folder + step.shown);
    EXPECT_EQ(form->BackBtn->isEnabled(), step.back) << step.shown;
    EXPECT_EQ(form->ForwardBtn->isEnabled(), step.forward) << step.shown;
    EXPECT_TRUE(form->FindBtn->isEnabled());
    EXPECT_TRUE(form->PrintBtn->isEnabled());
  }
}

TEST_F(ViewFormTest, TheStatusLineShowsTheLinkUnderThePointer) {
  for (const std::string& src : {std::string("VIEW:///DISKS/X/A.PAS|Stream"), std::string("page.htm"),
                                 std::string()}) {
    form->HotSpotChange(src);
    EXPECT_EQ(form->StatusText(), src);
  }
}

TEST_F(ViewFormTest, PrintPrintsTheChosenPagesOrAll) {
  std::string lines;
  for (int i = 0; i < 400; ++i) lines += "line " + std::to_string(i) + "\n";
  form->ShowTextFile(Write("long.pas", lines), "Source Viewer: long");
  std::vector<int> pages;
  form->Viewer->OnPrintFooter = [&](browser::HtmlViewer&, QPainter&, int page, int, int, bool&) {
    pages.push_back(page);
  };
  form->pdf_file = dir / "out.pdf";
  form->from = 2;
  form->to = 3;
  form->PrintBtn->click();
  EXPECT_EQ(pages, (std::vector<int>{2, 3}));

  pages.clear();
  form->from = 0;
  form->PrintBtn->click();
  ASSERT_GT(pages.size(), 3u);
  EXPECT_EQ(pages.front(), 1);
}

}  // namespace
}  // namespace vantorel::viewer
