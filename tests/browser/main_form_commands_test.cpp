#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "browser/find_dialog.h"
#include "browser/frame_viewer.h"
#include "browser/html_viewer.h"
#include "browser/main_form.h"
#include "core/settings.h"
#include "page_fixture_helpers.h"
#include "platform/help_page.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

using core::BoxKind;
using testing::ScriptedUi;
using testing::TempDir;

// The program around the window: the set-up prepares the history and drops, the start page
// is the archive's, and every window it is asked for is recorded.
class FakeHost : public MainFormHost, public MainFormWindows {
 public:
  bool RunSetup(MainFormSetupSteps& window) override {
    window.PrepareHistory();
    window.AcceptDroppedFiles();
    return true;
  }
  void RestorePlacement(const std::filesystem::path&, QMainWindow&) override {}
  void StorePlacement(const std::filesystem::path&, const QMainWindow&) override {}
  void ShowOptions() override { calls.push_back("options"); }
  std::string StartPage() override { return start_page; }
  MainFormWindows& Windows() override { return *this; }

  core::SearchOutcome ShowArticleSearch() override {
    calls.push_back("article search");
    return article_search ? article_search() : core::SearchOutcome{};
  }
  core::SearchOutcome ShowBonusSearch() override {
    calls.push_back("bonus search");
    return bonus_search ? bonus_search() : core::SearchOutcome{};
  }
  void OpenExtractDialog(const std::string& archive) override { calls.push_back("extract " + archive); }
  void BrowseDirectory(const std::string& directory) override { calls.push_back("browse " + directory); }
  void LoadViewerTextFile(const std::string& file, const std::string& caption,
                          const std::string& word) override {
    calls.push_back("viewer " + file + " " + caption);
    viewer_search_word = word;
  }
  void LoadViewerArchiveMember(const std::string& archive, const std::string& member,
                               const std::string& caption, const std::string& word) override {
    calls.push_back("viewer " + archive + " : " + member + " " + caption);
    viewer_search_word = word;
  }
  std::optional<std::string> AskFullTextQuery(const std::string& query) override {
    calls.push_back("full-text query box with " + query);
    return full_text_query ? full_text_query(query) : std::nullopt;
  }
  void ShowViewerModal() override { calls.push_back("viewer shown"); }
  void StartProgramCopy(const std::string& parameters) override { calls.push_back("copy " + parameters); }

  std::string start_page;                // what FormShow loads
  std::function<core::SearchOutcome()> article_search;  // the dialog's work: the pages written
  std::function<core::SearchOutcome()> bonus_search;
  std::function<std::optional<std::string>(const std::string&)> full_text_query;  // the query box
  std::string viewer_search_word;        // the word the viewer was given last
  std::vector<std::string> calls;        // every window asked for, in order
};

// The window with its print dialog answered: the job goes to a PDF file with the page range
// the test chose (none: all pages).
class TestForm : public MainForm {
 public:
  TestForm(MainFormHost& host, const core::BrowserSettings& settings) : MainForm(host, settings) {}

  std::string pdf_file;  // where the job goes
  int from = 0, to = 0;  // the chosen range; 0: all pages
  bool dialog_ok = true;

 protected:
  bool ExecPrintDialog(QPrinter& printer) override {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(QString::fromStdString(pdf_file));
    if (from > 0) {
      printer.setPrintRange(QPrinter::PageRange);
      printer.setFromTo(from, to);
    }
    return dialog_ok;
  }
};

// A small archive: a frameset index.htm with a contents frame and "MAIN", pages to show and
// images; DataDir points at it.
class MainFormCommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  MainFormCommandsTest() {
    settings.DataDir = dir.path().string() + "/";
    settings.SourceDir = settings.DataDir + "DISKS/";
    Write("contents.htm",
          "<title>Contents</title><a href=\"SRCH:///page.htm|Stream\">Find stream</a><br>"
          "<a href=\"artsrch.htm\">Search the articles</a><br><a href=\"diry:///disks/issue12\">Disk</a>");
    Write("main.htm", "<title>Welcome</title><p>Welcome to the archive.</p>");
    Write("page.htm", "<title>Bonus page</title><p>A page about a Stream class.</p>");
    Write("index.htm",
          "<html><head><title>Archive</title></head><frameset cols=\"150,*\">"
          "<frame name=\"CONTENTS\" src=\"contents.htm\"><frame name=\"MAIN\" src=\"main.htm\"></frameset></html>");
    host.start_page = settings.DataDir + "index.htm";
    form.resize(799, 602);
  }

  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write(name, bytes).string(); }
  std::string DataFile(const std::string& name) const { return settings.DataDir + name; }
  HtmlViewer& Main() {
    HtmlViewer* main = form.FrameViewer->FrameView("MAIN");
    EXPECT_NE(main, nullptr);
    return *main;
  }

  ScriptedUi ui;
  TempDir dir;
  FakeHost host;
  core::BrowserSettings settings;  // the record the window reads
  TestForm form{host, settings};
};

TEST_F(MainFormCommandsTest, EditMenuFollowsTheShownPage) {
  form.Edit1Click();
  EXPECT_FALSE(form.Find1->isEnabled());
  EXPECT_FALSE(form.SelectAll1->isEnabled());
  EXPECT_TRUE(form.Copy1->isEnabled());
  form.File1Click();
  EXPECT_FALSE(form.Print1->isEnabled());

  form.show();
  form.Edit1Click();
  EXPECT_TRUE(form.Find1->isEnabled());
  EXPECT_TRUE(form.SelectAll1->isEnabled());
  EXPECT_TRUE(form.Copy1->isEnabled());
  form.File1Click();
  EXPECT_TRUE(form.Print1->isEnabled());
}

TEST_F(MainFormCommandsTest, ProcessingDisablesTheCommandsAndItsEndEnablesWhatTheViewAllows) {
  // Nothing shown: only Open and the commands that need no page.
  EXPECT_TRUE(form.Open1->isEnabled());
  EXPECT_TRUE(form.UnZipperBtn->isEnabled());
  EXPECT_FALSE(form.ReloadBtn->isEnabled());

  std::vector<std::vector<bool>> during;
  const auto handler = form.FrameViewer->OnProcessing;
  form.FrameViewer->OnProcessing = [&](FrameViewer& sender, bool on) {
    handler(sender, on);
    if (on)
      during.push_back({form.ForwardBtn->isEnabled(), form.BackBtn->isEnabled(), form.ReloadBtn->isEnabled(),
                        form.Print1->isEnabled(), form.Find1->isEnabled(), form.SelectAll1->isEnabled(),
                        form.Open1->isEnabled()});
  };
  form.show();
  form.FrameViewer->LoadDocumentIntoFrame("MAIN", DataFile("page.htm"));
  ASSERT_GE(during.size(), 2u);
  for (const auto& states : during) EXPECT_EQ(states, std::vector<bool>(7, false));

  struct State {
    bool forward, back, reload, print, open;
    bool operator==(const State&) const = default;
  };
  const auto state = [&] {
    return State{form.ForwardBtn->isEnabled(), form.BackBtn->isEnabled(), form.ReloadBtn->isEnabled(),
                 form.Print1->isEnabled(), form.Open1->isEnabled()};
  };
  EXPECT_EQ(state(), (State{false, true, true, true, true}));
  EXPECT_EQ(form.Find1->isEnabled(), form.Print1->isEnabled());
  EXPECT_EQ(form.SelectAll1->isEnabled(), form.Print1->isEnabled());
  form.BackBtn->click();
  EXPECT_EQ(Main().ShownTitle(), "Welcome");
  EXPECT_EQ(state(), (State{true, false, true, true, true}));
  form.ForwardBtn->click();
  EXPECT_EQ(Main().ShownTitle(), "Bonus page");
}

TEST_F(MainFormCommandsTest, FindSelectsEachOccurrenceThenSaysThereIsNoFurtherOne) {
  form.show();
  form.FrameViewer->LoadDocumentIntoFrame("MAIN", DataFile("page.htm"));
  form.Find1->trigger();
  ASSERT_TRUE(form.FindDialog1->isVisible());
  EXPECT_FALSE(form.FindDialog1->isModal());
  const QRect window = form.frameGeometry();
  EXPECT_EQ(form.FindDialog1->pos(), QPoint(window.left() + window.width() / 2, window.top() + window.height() / 6));
  form.FindDialog1->FindEdit->setText("stream");
  form.FindDialog1->FindNextBtn->click();
  EXPECT_EQ(Main().textCursor().selectedText(), "Stream");
  EXPECT_TRUE(ui.boxes.empty());

  ui.Expect(BoxKind::Information, "No further occurences of \"stream\"");
  form.FindDialog1->FindNextBtn->click();
  EXPECT_TRUE(ui.Done());

  // Match case: "stream" is not in the page at all.
  form.FindDialog1->MatchCaseBox->setChecked(true);
  Main().moveCursor(QTextCursor::Start);
  ui.Expect(BoxKind::Information, "No further occurences of \"stream\"");
  form.FindDialog1->FindNextBtn->click();
  EXPECT_TRUE(ui.Done());
}

TEST_F(MainFormCommandsTest, SelectAllAndCopyWorkOnTheActiveFrame) {
  form.show();
  form.FrameViewer->LoadDocumentIntoFrame("MAIN", DataFile("page.htm"));
  QApplication::clipboard()->clear();
  form.Copy1->trigger();  // nothing selected: nothing copied
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
  form.SelectAll1->trigger();
  form.Copy1->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().trimmed(), "A page about a Stream class.");
}

TEST_F(MainFormCommandsTest, PrintingPagesTwoToThreeGivesTheirFooters) {
  std::string long_page = "<title>Long page</title>";
  for (int i = 0; i < 250; ++i) long_page += "<p>Paragraph " + std::to_string(i) + " of a long page.</p>";
  const std::string file = Write("long.htm", long_page);
  form.show();
  form.FrameViewer->LoadDocument(file);
  form.pdf_file = (dir.path() / "out.pdf").string();
  form.from = 2;
  form.to = 3;

  std::vector<int> headers, footers;
  const auto header = form.FrameViewer->OnPrintHeader;
  const auto footer = form.FrameViewer->OnPrintFooter;
  form.FrameViewer->OnPrintHeader = [&](FrameViewer& sender, QPainter& canvas, int page, int w, int h, bool& stop) {
    headers.push_back(page);
    header(sender, canvas, page, w, h, stop);
    EXPECT_EQ(canvas.font().family(), "Arial");
    EXPECT_EQ(canvas.font().pointSizeF(), 8.0);
    EXPECT_EQ(canvas.backgroundMode(), Qt::TransparentMode);
  };
  form.FrameViewer->OnPrintFooter = [&](FrameViewer& sender, QPainter& canvas, int page, int w, int h, bool& stop) {
    footers.push_back(page);
    footer(sender, canvas, page, w, h, stop);
  };
  form.Print1->trigger();
  EXPECT_EQ(headers, (std::vector<int>{2, 3}));
  EXPECT_EQ(footers, (std::vector<int>{2, 3}));

  const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
  if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext is not installed; the printed text is not checked";
  QProcess process;
  process.start(pdftotext, {"-layout", QString::fromStdString(form.pdf_file), "-"});
  ASSERT_TRUE(process.waitForFinished());
  const QString text = QString::fromUtf8(process.readAllStandardOutput());
  const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
  ASSERT_EQ(pages.size(), 2) << text.toStdString();
  for (int i = 0; i < 2; ++i) {
    QStringList lines;
    for (const QString& line : pages[i].split('\n'))
      if (!line.trimmed().isEmpty()) lines << line;
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.front().contains(QRegularExpression("^\\s*Long page\\s+long\\.htm\\s*$")))
        << lines.front().toStdString();
    const QString last = lines.back();
    EXPECT_TRUE(last.contains(QRegularExpression(QString("^\\s*") + kPrintFooterNotice + "\\s+Page " +
                                                 QString::number(i + 2) + "\\s*$")))
        << last.toStdString();
  }
  EXPECT_TRUE(pages[0].contains("Paragraph"));
}

TEST_F(MainFormCommandsTest, ThePrintDialogOffersPagesOneTo9999StartingAtOne) {
  QPrinter printer;
  QPrintDialog dialog(&printer);
  MainForm::PrintDialogSetup(dialog);
  EXPECT_TRUE(dialog.testOption(QAbstractPrintDialog::PrintPageRange));
  EXPECT_EQ(dialog.minPage(), 1);
  EXPECT_EQ(dialog.maxPage(), 9999);
  EXPECT_EQ(dialog.fromPage(), 1);
  EXPECT_EQ(dialog.toPage(), 1);
}

TEST_F(MainFormCommandsTest, TheStatusBarShowsTheWordOfALinkAndInDebugModeEveryLink) {
  struct Case {
    bool debug_mode;
    std::vector<std::string> covered;  // link references, "" when the pointer leaves
    std::string status;
  };
  const Case cases[] = {
      {false, {"SRCH:///B1.HTM|Stream"}, "Found the word: Stream"},
      {false, {"SRCH:///B1.HTM|Stream", ""}, "Found the word: Stream"},
      {false, {"SRCH:///B1.HTM|a|b"}, "Found the word: a|b"},
      {false, {"page.htm"}, ""},
      {true, {"page.htm"}, "page.htm"},
      {true, {"SRCH:///B1.HTM|Stream", ""}, ""},
      {true, {"VIEW:///DISKS/X/A.PAS|Stream"}, "Found the word: Stream"},
  };
  for (const Case& c : cases) {
    settings.DebugMode = c.debug_mode;
    form.ShowStatusText("");
    for (const std::string& url : c.covered) form.HotSpotTargetChange(url);
    EXPECT_EQ(form.StatusText(), c.status) << c.covered.front();
  }
}

TEST_F(MainFormCommandsTest, OfDroppedFilesOnlyTheFirstIsLoadedAsTheWholeDocument) {
  form.show();
  const std::string first = Write("dropped.txt", "<title>Dropped</title>dropped");
  const std::string second = Write("second.htm", "<title>Second</title>");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(first)), QUrl::fromLocalFile(QString::fromStdString(second)),
                QUrl::fromLocalFile(QString::fromStdString(DataFile("page.htm")))});
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  // Delivered to the window itself: the application passes on only drops of a drag in progress.
  static_cast<QObject&>(form).event(&drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_FALSE(form.FrameViewer->IsFrameset());
  EXPECT_EQ(form.FrameViewer->ShownFileName(), first);
  EXPECT_EQ(form.FrameViewer->ShownTitle(), "Dropped");
  EXPECT_EQ(form.FrameViewer->HistoryFiles().size(), 2u);  // the start page, then the first file
}

TEST_F(MainFormCommandsTest, ImageRequestsNeverShowAGif) {
  dir.Write("pic.gif", testing::GifBytes());
  dir.Write("PIC2.GIF", testing::GifBytes());
  dir.Write("pic.bmp", testing::BmpBytes(4, 4, 0xff0000));
  dir.Write("gif-inside.bmp", testing::GifBytes());  // the kind comes from the content
  dir.Write("pic.jpg", testing::JpegBytes(4, 4, 0x00ff00));
  form.show();
  HtmlViewer& main = Main();
  struct Case {
    std::string src;
    bool shown;
  };
  const Case cases[] = {{"pic.gif", false}, {"PIC2.GIF", false}, {"pic.bmp", true},
                        {"gif-inside.bmp", true}, {"pic.jpg", true}, {"missing.bmp", false}};
  for (const Case& c : cases) {
    QImage bitmap;
    int color = -1;
    form.FrameViewer->OnBitmapRequest(main, c.src, bitmap, color);
    EXPECT_EQ(!bitmap.isNull(), c.shown) << c.src;
    EXPECT_EQ(color, -1) << c.src;
  }
}

TEST_F(MainFormCommandsTest, ArticleSearchShowsThePageTheDialogWrote) {
  struct Case {
    core::SearchOutcome outcome;
    const char* message;  // the box before the page, if any
    std::string page;     // shown in MAIN; empty: the view is unchanged
  };
  const Case cases[] = {
      {{false, false, false}, nullptr, ""},
      {{false, true, false}, nullptr, ""},
      {{true, false, false}, nullptr, "SEARCHRESULT.HTM"},
      {{true, true, false},
       "Complete articles list: to return to this list\ragain, click the Articles button under Browse",
       "ALLARTS.HTM"},
      {{true, false, true}, nullptr, "ERRORS.HTM"},
  };
  for (const char* page : {"SEARCHRESULT.HTM", "ALLARTS.HTM", "ERRORS.HTM"})
    Write(page, std::string("<title>") + page + "</title><a name=TOP></a>" + page);
  form.show();
  for (const Case& c : cases) {
    form.FrameViewer->LoadDocumentIntoFrame("MAIN", DataFile("main.htm"));
    host.article_search = [&] { return c.outcome; };
    if (c.message) ui.Expect(BoxKind::Information, c.message);
    form.ArticleSearch1->trigger();
    EXPECT_TRUE(ui.Done());
    EXPECT_EQ(Main().ShownFileName(), c.page.empty() ? DataFile("main.htm") : DataFile(c.page)) << c.page;
    EXPECT_TRUE(form.ReloadBtn->isEnabled());
  }
}

TEST_F(MainFormCommandsTest, TwoSearchesInARowShowTheirOwnResults) {
  form.show();
  std::string title;
  host.article_search = [&] {
    Write("SEARCHRESULT.HTM", "<title>" + title + "</title><a name=TOP></a>results");
    return core::SearchOutcome{true, false, false};
  };
  for (const char* search : {"First search", "Second search"}) {
    title = search;
    form.ArticleSearch();
    EXPECT_EQ(Main().ShownTitle(), search);
  }
}

TEST_F(MainFormCommandsTest, SearchOtherReadsOnlyItsFlagAndAlwaysShowsTheResults) {
  Write("SEARCHRESULT.HTM", "<title>Bonus results</title>");
  Write("ALLARTS.HTM", "<title>All</title>");
  form.show();
  host.bonus_search = [&] { return core::SearchOutcome{false, true, true}; };
  form.SearchOtherInfo1->trigger();
  EXPECT_EQ(Main().ShownTitle(), "Welcome");  // nothing written

  host.bonus_search = [&] { return core::SearchOutcome{true, true, true}; };
  form.SearchOther();
  EXPECT_EQ(Main().ShownFileName(), DataFile("SEARCHRESULT.HTM"));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"bonus search", "bonus search"}));
}

TEST_F(MainFormCommandsTest, LinkClicksGoThroughTheDispatcher) {
  form.show();
  HtmlViewer* contents = form.FrameViewer->FrameView("CONTENTS");
  ASSERT_NE(contents, nullptr);
  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, testing::PointOfText(*contents, "Find stream"));
  EXPECT_EQ(Main().ShownTitle(), "Bonus page");
  EXPECT_EQ(Main().textCursor().selectedText(), "Stream");
  ASSERT_TRUE(form.FindDialog1->isVisible());
  EXPECT_EQ(form.FindDialog1->FindText(), "Stream");
  const QRect window = form.frameGeometry();
  EXPECT_EQ(form.FindDialog1->pos(), QPoint(window.left() + window.width() / 2, window.top() + window.height() / 6));

  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, testing::PointOfText(*contents, "Search the articles"));
  ui.Expect(BoxKind::Error, "Sorry, the requested directory " + settings.SourceDir + "ISSUE12 does not exist");
  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, testing::PointOfText(*contents, "Disk"));
  EXPECT_EQ(host.calls, (std::vector<std::string>{"article search"}));
}

TEST_F(MainFormCommandsTest, TheWindowsOfOtherCommandsComeFromTheHost) {
  std::vector<std::string> help_pages;
  const auto previous = platform::SetHelpPageHandler([&](const std::string& page) { help_pages.push_back(page); });
  form.show();
  form.UnZipperBtn->click();
  form.Options1->trigger();
  form.About1->trigger();
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  QTest::keyClick(&form, Qt::Key_F1);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"extract ", "options"}));
  EXPECT_EQ(help_pages, (std::vector<std::string>{"help.htm", "help.htm"}));
  platform::SetHelpPageHandler(previous);
}

TEST_F(MainFormCommandsTest, AFrameThePageLacksStartsACopyOfTheProgramWithThePage) {
  form.show();
  form.FrameViewer->LoadDocument(DataFile("page.htm"));  // no frames now
  const std::string expanded = form.FrameViewer->ExpandLinkPath("MAIN.HTM");
  form.FrameViewer->LoadDocumentIntoFrame("MAIN", "main.htm#Part2");
  form.FrameViewer->LoadDocumentIntoFrame("MAIN", "missing.htm");
  EXPECT_EQ(host.calls, (std::vector<std::string>{"copy \"" + expanded + "#Part2\""}));
  EXPECT_EQ(form.FrameViewer->ShownTitle(), "Bonus page");
}

TEST_F(MainFormCommandsTest, TheHistoryMenuListsTheViewsHistoryNewestFirst) {
  EXPECT_FALSE(form.History1->menuAction()->isVisible());
  form.show();
  form.FrameViewer->LoadDocumentIntoFrame("MAIN", DataFile("page.htm"));
  ASSERT_EQ(form.HistoryEntries.size(), 6u);
  EXPECT_TRUE(form.History1->menuAction()->isVisible());
  std::vector<std::string> shown;
  for (QAction* entry : form.HistoryEntries)
    if (entry->isVisible()) shown.push_back(entry->text().toStdString() + (entry->isChecked() ? " *" : ""));
  EXPECT_EQ(shown, (std::vector<std::string>{"Bonus page *", "Archive"}));

  form.HistoryEntries[1]->trigger();
  EXPECT_EQ(Main().ShownTitle(), "Welcome");
  EXPECT_TRUE(form.ForwardBtn->isEnabled());
  EXPECT_TRUE(form.HistoryEntries[1]->isChecked());
  EXPECT_FALSE(form.HistoryEntries[0]->isChecked());
}

TEST_F(MainFormCommandsTest, OpenLoadsTheChosenFileIntoMainAndTakesItsTitle) {
  form.show();
  QStringList filters;
  QString directory;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    directory = dialog->directory().absolutePath();
    dialog->selectFile(QString::fromStdString(DataFile("page.htm")));
    QMetaObject::invokeMethod(dialog, "accept");
  });
  form.Open1->trigger();
  EXPECT_EQ(filters, (QStringList{"html files (*.htm *.html)", "all files (*)"}));
  EXPECT_EQ(directory.toStdString() + "/", settings.DataDir);
  EXPECT_EQ(Main().ShownTitle(), "Bonus page");
  EXPECT_EQ(form.windowTitle(), "Archive");  // the frameset's title
}

}  // namespace
}  // namespace vantorel::browser
