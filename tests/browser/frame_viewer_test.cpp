#include "browser/frame_viewer.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSplitter>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

#include "page_fixture_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

using testing::PointOfText;

class FrameViewerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  void SetUp() override {
    view.resize(800, 600);
    view.SetDefBackground(Qt::white);
    view.SetHistoryMaxCount(6);
    view.SetImageCacheCount(6);
    view.SetPrintMarginTop(3.0);
    view.OnProcessing = [this](FrameViewer&, bool on) { processing.push_back(on); };
    view.OnBlankWindowRequest = [this](FrameViewer&, const std::string& target, const std::string& url) {
      blank_requests.push_back(target + "|" + url);
    };
    view.show();
    QApplication::processEvents();
  }

  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write(name, bytes).string(); }

  // A start page: a contents frame on the left and the content frame "MAIN".
  std::string WriteFrameset() {
    Write("contents.htm",
          "<title>Contents</title><body bgcolor=ffffcc><a href=first.htm target=main>First page</a><br>"
          "<a href=second.htm target=MAIN>Second page</a><br><a href=third.htm target=Elsewhere>Elsewhere</a><br>"
          "<a href=\"ARTSRCH.HTM\">Search the articles</a><br><a href=second.htm target=_top>Whole window</a></body>");
    Write("first.htm", "<title>First</title><h1>First page</h1>");
    Write("second.htm", "<title>Second</title><h1>Second page</h1>");
    return Write("index.htm",
                 "<HTML><HEAD><TITLE>Archive Start</TITLE></HEAD><FRAMESET COLS=\"150,*\">"
                 "<FRAME NAME=\"CONTENTS\" SRC=\"contents.htm\" NORESIZE><FRAME NAME=\"MAIN\" SRC=\"first.htm\">"
                 "</FRAMESET></HTML>");
  }

  testing::ScriptedUi ui;
  testing::TempDir dir;
  FrameViewer view;
  std::vector<bool> processing;
  std::vector<std::string> blank_requests;
};

TEST_F(FrameViewerTest, NothingShownAtFirst) {
  EXPECT_EQ(view.ShownFileName(), "");
  EXPECT_EQ(view.ActiveFrameView(), nullptr);
  EXPECT_FALSE(view.FindNext("x", false));
  EXPECT_FALSE(view.FwdButtonEnabled());
  EXPECT_FALSE(view.BackButtonEnabled());
  view.CopySelection();
  view.SelectAllText();
}

TEST_F(FrameViewerTest, LoadsAFramesetWithItsFrames) {
  const std::string index = WriteFrameset();
  view.LoadDocument(index);
  QApplication::processEvents();
  EXPECT_TRUE(view.IsFrameset());
  EXPECT_EQ(view.ShownFileName(), index);
  EXPECT_EQ(view.ShownTitle(), "Archive Start");
  EXPECT_EQ(view.FrameNames(), (std::vector<std::string>{"CONTENTS", "MAIN"}));
  HtmlViewer* main = view.FrameView("main");
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->ShownTitle(), "First");
  EXPECT_EQ(view.FrameView("contents")->width(), 150);
  EXPECT_EQ(processing, (std::vector<bool>{true, false}));
  EXPECT_NE(view.ActiveFrameView(), nullptr);
}

TEST_F(FrameViewerTest, SizesFramesByPixelsPercentagesAndShares) {
  for (const char* name : {"a.htm", "b.htm", "c.htm", "d.htm"}) Write(name, name);
  view.LoadDocument(Write("grid.htm",
                          "<frameset rows=\"100,25%,*,2*\" border=0><frame name=a src=a.htm><frame name=b src=b.htm>"
                          "<frame name=c src=c.htm><frame name=d src=d.htm></frameset>"));
  QApplication::processEvents();
  const int height = view.height();
  EXPECT_EQ(view.FrameView("a")->height(), 100);
  EXPECT_NEAR(view.FrameView("b")->height(), height / 4, 1);
  const int rest = height - 100 - height / 4;
  EXPECT_NEAR(view.FrameView("c")->height(), rest / 3, 2);
  EXPECT_NEAR(view.FrameView("d")->height(), 2 * rest / 3, 2);
  // Rows and columns together make a grid, filled row by row.
  view.LoadDocument(Write("grid2.htm",
                          "<frameset rows=\"50%,50%\" cols=\"200,*\" border=0><frame name=a src=a.htm>"
                          "<frame name=b src=b.htm><frame name=c src=c.htm><frame name=d src=d.htm></frameset>"));
  QApplication::processEvents();
  EXPECT_EQ(view.FrameView("a")->width(), 200);
  EXPECT_EQ(view.FrameView("c")->width(), 200);
  EXPECT_EQ(view.FrameView("d")->width(), view.width() - 200);
  EXPECT_EQ(view.FrameView("b")->geometry().top(), view.FrameView("a")->geometry().top());
}

TEST_F(FrameViewerTest, LoadsIntoTheNamedFrameAndMakesItActive) {
  view.LoadDocument(WriteFrameset());
  std::string page;
  for (int i = 0; i < 200; ++i) page += "<p>Line " + std::to_string(i) + "</p>";
  page += "<A NAME=\"Top\"></A>Results";
  const std::string results = Write("SEARCHRESULT.HTM", page);
  processing.clear();
  view.LoadDocumentIntoFrame("MAIN", results + "#TOP");
  HtmlViewer* main = view.FrameView("MAIN");
  EXPECT_EQ(main->ShownFileName(), results);
  EXPECT_GT(main->verticalScrollBar()->value(), 1000);
  EXPECT_EQ(view.ActiveFrameView(), main);
  EXPECT_EQ(view.ShownFileName(), dir / "index.htm");  // still the frameset
  EXPECT_EQ(processing, (std::vector<bool>{true, false}));

  const std::string missing = dir / "ALLARTS.HTM";
  try {
    view.LoadDocumentIntoFrame("Main", missing + "#TOP");
    FAIL() << "no error";
  } catch (const ViewError& error) {
    EXPECT_STREQ(error.what(), ("Can't locate file: " + missing).c_str());
  }
  EXPECT_EQ(main->ShownFileName(), results);
}

TEST_F(FrameViewerTest, LoadIntoAFrameOfAPageWithoutFramesAsksForABlankWindow) {
  const std::string page = Write("page.htm", "<title>Plain</title>plain");
  view.LoadDocument(page);
  const std::string other = Write("other.htm", "other");
  processing.clear();
  view.LoadDocumentIntoFrame("MAIN", other + "#TOP");
  EXPECT_EQ(blank_requests, (std::vector<std::string>{"MAIN|" + other + "#TOP"}));
  EXPECT_EQ(view.ShownFileName(), page);
  EXPECT_TRUE(processing.empty());
  // The targets of the whole view load the whole view.
  for (const char* target : {"", "_top", "_PARENT", "_self"}) {
    view.LoadDocumentIntoFrame(target, page);
    view.LoadDocumentIntoFrame(target, other);
    EXPECT_EQ(view.ShownFileName(), other) << target;
  }
  EXPECT_EQ(blank_requests.size(), 1u);
}

TEST_F(FrameViewerTest, LoadDocumentReplacesTheFramesetAndKeepsItOnAnError) {
  const std::string index = WriteFrameset();
  view.LoadDocument(index);
  EXPECT_THROW(view.LoadDocument(dir / "nothing.htm"), ViewError);
  EXPECT_TRUE(view.IsFrameset());
  const std::string page = Write("page.htm", "<title>Plain</title>plain");
  view.LoadDocument(page);
  EXPECT_FALSE(view.IsFrameset());
  EXPECT_EQ(view.ShownTitle(), "Plain");
  EXPECT_EQ(view.FrameView("MAIN"), nullptr);
  EXPECT_EQ(view.ActiveFrameView()->ShownFileName(), page);
}

TEST_F(FrameViewerTest, LinkClicksAreReportedAsWrittenAndFollowedWhenNotHandled) {
  view.LoadDocument(WriteFrameset());
  HtmlViewer* contents = view.FrameView("CONTENTS");
  HtmlViewer* main = view.FrameView("MAIN");
  std::vector<std::string> clicks;
  std::vector<std::string> handled_urls = {"ARTSRCH.HTM"};
  view.OnHotSpotTargetClick = [&](FrameViewer& sender, const std::string& target, const std::string& url, bool& handled) {
    EXPECT_EQ(&sender, &view);
    EXPECT_FALSE(handled);
    clicks.push_back(target + "|" + url);
    handled = std::find(handled_urls.begin(), handled_urls.end(), url) != handled_urls.end();
  };
  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, PointOfText(*contents, "Second page"));
  EXPECT_EQ(main->ShownTitle(), "Second");
  EXPECT_EQ(view.ActiveFrameView(), main);

  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, PointOfText(*contents, "Search the articles"));
  EXPECT_EQ(main->ShownTitle(), "Second");  // handled by the program
  EXPECT_EQ(view.FrameView("CONTENTS")->ShownTitle(), "Contents");

  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, PointOfText(*contents, "Elsewhere"));
  EXPECT_EQ(blank_requests, (std::vector<std::string>{"Elsewhere|third.htm"}));

  QTest::mouseClick(contents->viewport(), Qt::LeftButton, {}, PointOfText(*contents, "Whole window"));
  QApplication::processEvents();
  EXPECT_FALSE(view.IsFrameset());
  EXPECT_EQ(view.ShownTitle(), "Second");
  EXPECT_EQ(clicks, (std::vector<std::string>{"MAIN|second.htm", "|ARTSRCH.HTM", "Elsewhere|third.htm",
                                              "_top|second.htm"}));
}

TEST_F(FrameViewerTest, ThePageBaseTargetAppliesToItsLinks) {
  Write("menu.htm", "<base target=\"MAIN\"><a href=\"first.htm\">Go</a>");
  Write("first.htm", "<title>First</title>first");
  Write("blank.htm", "blank");
  view.LoadDocument(Write("index.htm", "<frameset rows=\"100,*\"><frame name=menu src=menu.htm><frame name=main src=blank.htm></frameset>"));
  std::string target_seen;
  view.OnHotSpotTargetClick = [&](FrameViewer&, const std::string& target, const std::string&, bool&) { target_seen = target; };
  HtmlViewer* menu = view.FrameView("menu");
  QTest::mouseClick(menu->viewport(), Qt::LeftButton, {}, PointOfText(*menu, "Go"));
  EXPECT_EQ(target_seen, "MAIN");
  EXPECT_EQ(view.FrameView("main")->ShownTitle(), "First");
}

TEST_F(FrameViewerTest, CoveringALinkReportsItAndLeavingReportsEmpty) {
  view.LoadDocument(WriteFrameset());
  HtmlViewer* contents = view.FrameView("CONTENTS");
  std::vector<std::string> covered;
  view.OnHotSpotTargetCovered = [&](FrameViewer&, const std::string& target, const std::string& url) {
    covered.push_back(target + "|" + url);
  };
  QTest::mouseMove(contents->viewport(), PointOfText(*contents, "Second page"));
  QTest::mouseMove(contents->viewport(), QPoint(140, contents->viewport()->height() - 5));
  EXPECT_EQ(covered, (std::vector<std::string>{"MAIN|second.htm", "|"}));
}

TEST_F(FrameViewerTest, TheCombinedHistoryStepsThroughFramesAndWholeViews) {
  const std::string index = WriteFrameset();
  view.LoadDocument(index);
  EXPECT_FALSE(view.BackButtonEnabled());
  view.LoadDocumentIntoFrame("MAIN", dir / "second.htm");
  EXPECT_TRUE(view.BackButtonEnabled());
  EXPECT_FALSE(view.FwdButtonEnabled());
  const std::string plain = Write("plain.htm", "<title>Plain</title>plain");
  view.LoadDocument(plain);
  EXPECT_EQ(view.HistoryFiles(), (std::vector<std::string>{plain, index, index}));

  processing.clear();
  view.HistoryBack();  // the frameset again, MAIN showing the second page
  EXPECT_EQ(processing, (std::vector<bool>{true, false}));
  ASSERT_TRUE(view.IsFrameset());
  EXPECT_EQ(view.FrameView("MAIN")->ShownTitle(), "Second");
  EXPECT_TRUE(view.FwdButtonEnabled());
  EXPECT_TRUE(view.BackButtonEnabled());

  view.HistoryBack();  // only the frame steps back
  EXPECT_EQ(view.FrameView("MAIN")->ShownTitle(), "First");
  EXPECT_FALSE(view.BackButtonEnabled());
  processing.clear();
  view.HistoryBack();  // nothing older
  EXPECT_TRUE(processing.empty());

  view.HistoryForward();
  view.HistoryForward();
  EXPECT_EQ(view.ShownFileName(), plain);
  EXPECT_FALSE(view.FwdButtonEnabled());

  view.SetHistoryPosition(2);
  EXPECT_EQ(view.FrameView("MAIN")->ShownTitle(), "First");
  view.SetHistoryMaxCount(2);
  EXPECT_EQ(view.HistoryFiles().size(), 2u);
}

TEST_F(FrameViewerTest, EachHistoryEntryNamesThePageItWasRecordedFor) {
  const std::string index = WriteFrameset();
  view.LoadDocument(index);
  view.LoadDocumentIntoFrame("MAIN", dir / "second.htm");
  Write("untitled.htm", "no title");
  view.LoadDocumentIntoFrame("MAIN", dir / "untitled.htm");
  view.LoadDocument(Write("plain.htm", "<title>Plain</title>plain"));
  EXPECT_EQ(view.HistoryPageTitles(), (std::vector<std::string>{"Plain", "Archive Start", "Second", "Archive Start"}));
  EXPECT_EQ(view.HistoryTitles(), (std::vector<std::string>{"Plain", "Archive Start", "Archive Start", "Archive Start"}));
}

TEST_F(FrameViewerTest, ReloadShowsTheFilesAsTheyAreNow) {
  view.LoadDocument(WriteFrameset());
  const std::string results = Write("SEARCHRESULT.HTM", "<title>Search Results</title>first search");
  view.LoadDocumentIntoFrame("MAIN", results + "#TOP");
  Write("SEARCHRESULT.HTM", "<title>Search Results</title>second search");
  processing.clear();
  view.ReloadDocument();
  EXPECT_EQ(processing, (std::vector<bool>{true, false}));
  EXPECT_TRUE(view.FrameView("MAIN")->toPlainText().contains("second search"));
  EXPECT_EQ(view.FrameView("MAIN")->ShownFileName(), results);
  EXPECT_EQ(view.FrameView("CONTENTS")->ShownTitle(), "Contents");
}

TEST_F(FrameViewerTest, EveryFrameHasTheFrameViewsProperties) {
  view.SetDefFontName("Arial");
  view.SetNoSelect(true);
  view.SetServerRoot("/srv/archive/");
  view.SetfvOptions(fvNoLinkUnderline);
  view.LoadDocument(WriteFrameset());  // frames made after the properties were set
  view.SetDefPreFontName("Courier");    // and properties set while the frames show
  view.SetCharSet(2);
  view.SetPrintMarginLeft(1.5);
  ASSERT_EQ(view.FrameViews().size(), 2u);
  for (HtmlViewer* frame : view.FrameViews()) {
    EXPECT_EQ(frame->DefFontName(), "Arial");
    EXPECT_EQ(frame->DefPreFontName(), "Courier");
    EXPECT_EQ(frame->DefBackground(), QColor(Qt::white));
    EXPECT_EQ(frame->HistoryMaxCount(), 6);
    EXPECT_EQ(frame->ImageCacheCount(), 6);
    EXPECT_TRUE(frame->NoSelect());
    EXPECT_EQ(frame->CharSet(), 2);
    EXPECT_EQ(frame->ServerRoot(), "/srv/archive/");
    EXPECT_EQ(frame->PrintMarginLeft(), 1.5);
    EXPECT_EQ(frame->PrintMarginTop(), 3.0);
    EXPECT_EQ(frame->htOptions(), htNoLinkUnderline);
    EXPECT_EQ(frame->GetBorderStyle(), BorderStyle::htNone);
  }
  EXPECT_EQ(view.fvOptions(), fvNoLinkUnderline);
}

TEST_F(FrameViewerTest, AFramesScrollingStaysWhenAnotherPropertyChanges) {
  Write("a.htm", "a");
  Write("b.htm", "b");
  view.LoadDocument(Write("index.htm", "<frameset cols=\"*,*\"><frame name=a src=a.htm scrolling=no>"
                                       "<frame name=b src=b.htm scrolling=yes></frameset>"));
  view.SetDefFontName("Arial");
  view.SetNoSelect(true);
  EXPECT_EQ(view.FrameView("a")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  EXPECT_EQ(view.FrameView("b")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

TEST_F(FrameViewerTest, CopyRefusesMoreThan31999Characters) {
  const std::string page = Write("big.htm", "<pre>" + std::string(32000, 'x') + "</pre>");
  view.LoadDocument(page);
  view.SelectAllText();
  try {
    view.CopySelection();
    FAIL() << "no error";
  } catch (const ViewError& error) {
    EXPECT_STREQ(error.what(), "Selected text exceeds buffer size");
  }
  view.LoadDocument(Write("small.htm", "<pre>" + std::string(31999, 'y') + "</pre>"));
  view.SelectAllText();
  view.CopySelection();
  EXPECT_EQ(QApplication::clipboard()->text().size(), 31999);
}

TEST_F(FrameViewerTest, TheFocusGoesToTheActiveFrame) {
  view.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
  view.LoadDocument(WriteFrameset());
  view.LoadDocumentIntoFrame("MAIN", dir / "second.htm");
  view.setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(view.FrameView("MAIN")->hasFocus());
  view.FrameView("CONTENTS")->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(view.ActiveFrameView(), view.FrameView("CONTENTS"));  // the frame last focused
}

TEST_F(FrameViewerTest, FindWorksInTheActiveFrame) {
  view.LoadDocument(WriteFrameset());
  view.LoadDocumentIntoFrame("MAIN", dir / "second.htm");
  EXPECT_TRUE(view.FindNext("second PAGE", false));
  EXPECT_FALSE(view.FindNext("Search the articles", false));  // that is in the other frame
  EXPECT_EQ(view.ExpandLinkPath("x.htm"), dir / "x.htm");
}

TEST_F(FrameViewerTest, ImagesAreRequestedWithTheFrameAsSender) {
  Write("LOGO.JPG", testing::JpegBytes(64, 32, 0x3366CC));
  Write("BANNER.GIF", testing::GifBytes());
  Write("pics.htm", "<img src=LOGO.JPG><img src=\"BANNER.GIF\">pictures");
  view.LoadDocument(Write("index.htm", "<frameset cols=\"*,*\"><frame name=a src=pics.htm><frame name=main src=pics.htm></frameset>"));
  // Without a handler the frames load their images themselves.
  EXPECT_EQ(view.FrameView("a")->document()->toHtml().count("vimg:"), 2);
  std::vector<std::pair<HtmlViewer*, std::string>> requests;
  view.OnBitmapRequest = [&](HtmlViewer& sender, const std::string& src, QImage& bitmap, int& color) {
    requests.emplace_back(&sender, src);
    RequestArchiveBitmap(sender, src, bitmap, color);
  };
  view.SetImageCacheCount(0);
  view.LoadDocumentIntoFrame("main", dir / "pics.htm");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].first, view.FrameView("main"));
  EXPECT_EQ(requests[1].second, "BANNER.GIF");
  EXPECT_EQ(view.FrameView("main")->document()->toHtml().count("vimg:"), 1);  // no GIF
}

// --- Pictures of the pages for review ------------------------------------------------------

// The pictures are also checked: the page's text is drawn (dark pixels on the white page),
// its links in the pages' link colour (blue), and a picture taken at an anchor shows another
// part of the page than the one taken at its top.
class PageScreenshotTest : public FrameViewerTest {
 protected:
  struct Ink {
    int dark = 0;  // text
    int blue = 0;  // links
  };
  static Ink InkOf(const QImage& picture) {
    Ink ink;
    for (int y = 0; y < picture.height(); ++y) {
      for (int x = 0; x < picture.width(); ++x) {
        const QColor c = picture.pixelColor(x, y);
        if (c.red() < 96 && c.green() < 96 && c.blue() < 96) ++ink.dark;
        if (c.blue() > 160 && c.red() < 96 && c.green() < 96) ++ink.blue;
      }
    }
    return ink;
  }
  static void ExpectTextAndLinks(const QImage& picture, const char* name) {
    const Ink ink = InkOf(picture);
    EXPECT_GT(ink.dark, 200) << name << ": no text drawn";
    EXPECT_GT(ink.blue, 50) << name << ": no link drawn in blue";
  }
};

TEST_F(PageScreenshotTest, GeneratedResultPages) {
  view.OnBitmapRequest = RequestArchiveBitmap;
  view.LoadDocument(Write("SEARCHRESULT.HTM", testing::SearchResultsPage(6)));
  const QImage results = testing::SaveScreenshot(view, "search_results.png");
  ExpectTextAndLinks(results, "search_results");
  view.LoadDocument(dir / "SEARCHRESULT.HTM#3");
  const QImage detail = testing::SaveScreenshot(view, "search_results_detail.png");
  EXPECT_GT(InkOf(detail).dark, 200);
  EXPECT_NE(detail, results) << "the anchor shows the page's top";
  Write("AADETAIL.HTM", testing::ArticleDetailPage(12));
  view.LoadDocument(Write("ALLARTS.HTM", testing::AllArticlesPage(40)));
  ExpectTextAndLinks(testing::SaveScreenshot(view, "complete_list.png"), "complete_list");
  view.LoadDocument(dir / "AADETAIL.HTM#TOP");
  EXPECT_GT(InkOf(testing::SaveScreenshot(view, "complete_detail.png")).dark, 200);
}

TEST_F(PageScreenshotTest, FramesetStartPage) {
  view.LoadDocument(WriteFrameset());
  const QImage before = view.grab().toImage();
  Write("SEARCHRESULT.HTM", testing::SearchResultsPage(4));
  view.LoadDocumentIntoFrame("MAIN", dir / "SEARCHRESULT.HTM#TOP");
  const QImage frameset = testing::SaveScreenshot(view, "frameset_results.png");
  ExpectTextAndLinks(frameset, "frameset_results");
  EXPECT_NE(frameset, before) << "the results did not replace the frame's page";
}

TEST_F(PageScreenshotTest, DemoArchiveStartPage) {
  const std::string script = std::string(VANTOREL_SOURCE_DIR) + "/tools/make_demo_archive.py";
  if (!std::filesystem::exists(script)) GTEST_SKIP() << "no demo archive generator";
  const std::string out = dir / "demo";
  const std::string command = "python3 '" + script + "' '" + out + "' --articles 30 > /dev/null 2>&1";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "the demo archive generator failed";
  view.OnBitmapRequest = RequestArchiveBitmap;
  view.LoadDocument(out + "/index.htm");
  ASSERT_TRUE(view.IsFrameset());
  ASSERT_NE(view.FrameView("MAIN"), nullptr);
  EXPECT_FALSE(view.FrameView("MAIN")->ShownFileName().empty());
  testing::SaveScreenshot(view, "demo_start.png");
  view.LoadDocumentIntoFrame("MAIN", out + "/help.htm#Options");
  testing::SaveScreenshot(view, "demo_help.png");
}

}  // namespace
}  // namespace vantorel::browser
