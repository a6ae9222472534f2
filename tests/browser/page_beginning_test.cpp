// Long pages in the single view: the beginning shown at once, the whole page built on a worker
// thread and put in its place without moving what the reader sees; everything that needs the
// whole page waits for it.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QThread>

#include <gtest/gtest.h>

#include <map>

#include "browser/html_viewer.h"
#include "browser/image_loading.h"
#include "browser/page_document.h"
#include "page_fixture_helpers.h"
#include "result_page_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

// The search results page of the fewest articles that makes it longer than bytes.
struct ResultsPage {
  std::string bytes;
  int articles = 0;
};

ResultsPage ResultsPageLongerThan(std::size_t bytes) {
  ResultsPage page{testing::SearchResultsPage(100), 100};
  while (page.bytes.size() <= bytes) {
    page.articles += 100;
    page.bytes = testing::SearchResultsPage(page.articles);
  }
  return page;
}

// The text of bytes built in one piece, as a page up to the long-page bound is.
QString TextBuiltAtOnce(const std::string& bytes) {
  const HtmlPage page = ParseHtmlPage(bytes, {}, {});
  return BuildHtmlDocument(page, {}, {})->toPlainText();
}

class PageBeginningTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    testing::EnsureQtApplication();
    page = new ResultsPage(ResultsPageLongerThan(kLongPageBytes + (kLongPageBytes >> 2)));
  }
  static void TearDownTestSuite() { delete page; }

  void SetUp() override {
    view.resize(800, 600);
    view.SetDefBackground(Qt::white);
    view.SetHistoryMaxCount(6);
    view.show();
    QApplication::processEvents();
  }

  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write(name, bytes).string(); }

  std::string LastTitle() const { return "Writing a " + std::to_string(page->articles) + "-line"; }

  // The first text of the blocks from the top of the view down.
  static QString TextInView(HtmlViewer& view) {
    // The first hit test after a jump may answer the end of what is laid out; it lays out
    // what is in view, so the second answers right.
    view.cursorForPosition(QPoint(0, 0));
    for (QTextBlock block = view.cursorForPosition(QPoint(0, 0)).block(); block.isValid(); block = block.next()) {
      QString text = block.text();
      text.remove(QChar::ObjectReplacementCharacter);
      if (!text.trimmed().isEmpty()) return text.trimmed();
    }
    return {};
  }

  // Lets the event loop run until the view shows the whole page (a minute at most).
  static bool WholePageShownByEventLoop(HtmlViewer& view) {
    QElapsedTimer waited;
    waited.start();
    while (view.ShowsPagePart() && waited.elapsed() < 60000) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(5);
    }
    return !view.ShowsPagePart();
  }

  static ResultsPage* page;
  testing::ScriptedUi ui;
  testing::TempDir dir;
  HtmlViewer view;
};

ResultsPage* PageBeginningTest::page = nullptr;

TEST_F(PageBeginningTest, OnlyPagesLongerThanTheBoundShowTheirBeginningFirst) {
  const std::string head = "<HTML><BODY>";
  struct Case {
    std::size_t size;
    bool beginning_first;
  };
  for (const Case& c : {Case{kLongPageBytes, false}, Case{kLongPageBytes + 1, true}}) {
    // Paragraphs of 4 KB, so a tag follows the beginning's offset.
    std::string paragraph = "<P>";
    while (paragraph.size() < 4096) paragraph += "word ";
    paragraph.resize(4096);
    std::string bytes = head;
    while (bytes.size() + paragraph.size() <= c.size) bytes += paragraph;
    bytes += std::string(c.size - bytes.size(), ' ');
    ASSERT_EQ(bytes.size(), c.size);
    view.LoadDocument(Write("sized.htm", bytes));
    EXPECT_EQ(view.ShowsPagePart(), c.beginning_first) << c.size;
    view.ShowWholePage();
    EXPECT_FALSE(view.ShowsPagePart());
    EXPECT_EQ(view.document()->toPlainText(), TextBuiltAtOnce(bytes)) << c.size;
  }
  // A long page without a tag after the beginning's offset is built at once.
  std::string text;
  while (text.size() < kLongPageBytes) text += "word ";
  view.LoadDocument(Write("one_text.htm", head + text));
  EXPECT_FALSE(view.ShowsPagePart());
}

TEST_F(PageBeginningTest, TheEventLoopPutsTheWholePageInPlaceOfItsBeginning) {
  view.LoadDocument(Write("SEARCHRESULT.HTM", page->bytes) + "#TOP");
  ASSERT_TRUE(view.ShowsPagePart());
  const QString whole = TextBuiltAtOnce(page->bytes);
  const QString beginning = view.document()->toPlainText();
  EXPECT_LT(beginning.size(), whole.size() / 2);
  // The beginning reads as the whole page does, but for its last, cut paragraph.
  const QString complete_part = beginning.left(beginning.lastIndexOf(QChar::ParagraphSeparator));
  EXPECT_TRUE(whole.startsWith(complete_part));
  EXPECT_EQ(view.ShownTitle(), "Search Results");

  ASSERT_TRUE(WholePageShownByEventLoop(view));
  EXPECT_EQ(view.document()->toPlainText(), whole);
  EXPECT_EQ(view.ShownTitle(), "Search Results");
  EXPECT_EQ(view.HistoryFiles().size(), 1u);
}

TEST_F(PageBeginningTest, TheWholePageKeepsTheScrollPositionAndTheSelection) {
  view.LoadDocument(Write("SEARCHRESULT.HTM", page->bytes));
  ASSERT_TRUE(view.ShowsPagePart());
  const QTextCursor selected = view.document()->find("Writing a 57-line Delphi");
  ASSERT_FALSE(selected.isNull());
  view.setTextCursor(selected);
  const std::string selected_text = view.SelectedText();
  view.verticalScrollBar()->setValue(1500);
  const int scroll = view.verticalScrollBar()->value();
  ASSERT_EQ(scroll, 1500);

  view.ShowWholePage();
  EXPECT_EQ(view.verticalScrollBar()->value(), scroll);
  for (int turn = 0; turn < 20; ++turn) QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(view.verticalScrollBar()->value(), scroll);
  EXPECT_EQ(view.SelectedText(), selected_text);
  EXPECT_EQ(view.textCursor().anchor(), selected.anchor());
  EXPECT_EQ(view.textCursor().position(), selected.position());
}

TEST_F(PageBeginningTest, WhatNeedsTheWholePageWaitsForIt) {
  const std::string file = Write("SEARCHRESULT.HTM", page->bytes);
  const std::string last_anchor = std::to_string(page->articles);
  struct Case {
    const char* what;
    std::function<void(HtmlViewer&)> act;
  };
  const Case cases[] = {
      {"find in the last detail block",
       [&](HtmlViewer& v) {
         ASSERT_TRUE(v.FindNext(LastTitle(), false));  // in the list of titles
         ASSERT_TRUE(v.FindNext(LastTitle(), false));  // in the last detail block
         EXPECT_EQ(v.SelectedText(), LastTitle());
       }},
      {"an anchor beyond the beginning", [&](HtmlViewer& v) { EXPECT_TRUE(v.PositionTo(last_anchor)); }},
      {"a reference to it", [&](HtmlViewer& v) { v.LoadDocument("#" + last_anchor); }},
      {"select all",
       [&](HtmlViewer& v) {
         v.SelectAllText();
         EXPECT_NE(v.SelectedText().find(LastTitle()), v.SelectedText().rfind(LastTitle()));
       }},
  };
  for (const Case& c : cases) {
    view.LoadDocument(file);
    ASSERT_TRUE(view.ShowsPagePart()) << c.what;
    c.act(view);
    EXPECT_FALSE(view.ShowsPagePart()) << c.what;
    EXPECT_EQ(view.document()->characterCount(), static_cast<int>(TextBuiltAtOnce(page->bytes).size()) + 1)
        << c.what;
  }
  // Loading the page with an anchor beyond the beginning shows it at that anchor.
  view.LoadDocument(file + "#" + last_anchor);
  EXPECT_FALSE(view.ShowsPagePart());
  EXPECT_GT(view.verticalScrollBar()->value(), 0);
}

TEST_F(PageBeginningTest, AnAnchorBeyondTheBeginningShowsThePartFromThereOn) {
  const std::string file = Write("SEARCHRESULT.HTM", page->bytes);
  const std::string middle = std::to_string(page->articles / 2);
  const QString middle_title = QString::fromStdString("Writing a " + middle + "-line Delphi");
  view.LoadDocument(file + "#" + middle);
  ASSERT_TRUE(view.ShowsPagePart());
  QApplication::processEvents();
  EXPECT_TRUE(TextInView(view).startsWith(middle_title));
  EXPECT_FALSE(view.document()->toPlainText().contains("Search Results"));
  // The part stays while the reader reads in it, also after the whole page is built.
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 4000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(view.ShowsPagePart());

  // Reading on to its end shows the whole page, the same text in view and selected.
  QScrollBar* bar = view.verticalScrollBar();
  view.document()->documentLayout()->documentSize();
  bar->setValue(bar->maximum() - 300);
  QTextCursor selection = view.cursorForPosition(QPoint(0, 0));
  selection.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor, 3);
  view.setTextCursor(selection);
  const std::string selected = view.SelectedText();
  bar->setValue(bar->maximum() - 299);
  const QString in_view = TextInView(view);
  bar->setValue(bar->maximum());
  QApplication::processEvents();
  EXPECT_FALSE(view.ShowsPagePart());
  EXPECT_EQ(view.document()->toPlainText(), TextBuiltAtOnce(page->bytes));
  EXPECT_EQ(view.SelectedText(), selected);
  bar->setValue(bar->value() - 300 + 1);
  EXPECT_EQ(TextInView(view), in_view);
}

TEST_F(PageBeginningTest, WhatNeedsTheWholePageLeavesAPartForIt) {
  const std::string file = Write("SEARCHRESULT.HTM", page->bytes);
  const std::string middle = std::to_string(page->articles / 2);
  view.LoadDocument(file + "#" + middle);
  ASSERT_TRUE(view.ShowsPagePart());
  // The title list at the top of the page lies before the part; the last detail block after it.
  ASSERT_TRUE(view.FindNext(LastTitle(), false));
  EXPECT_FALSE(view.ShowsPagePart());
  const int found_at = view.textCursor().selectionStart();
  EXPECT_GT(found_at, view.document()->find(QString::fromStdString("Writing a " + middle + "-line")).position());

  view.LoadDocument(file + "#" + middle);
  ASSERT_TRUE(view.ShowsPagePart());
  // The top of the page: its beginning again, then the whole page.
  EXPECT_TRUE(view.PositionTo("Top"));
  EXPECT_TRUE(TextInView(view).startsWith("Search Results"));
  ASSERT_TRUE(WholePageShownByEventLoop(view));
  EXPECT_TRUE(TextInView(view).startsWith("Search Results"));
}

TEST_F(PageBeginningTest, APageTooLongToBuildAheadIsBuiltWhenNeeded) {
  const ResultsPage huge = ResultsPageLongerThan(kLongestPageBuiltAhead);
  const std::string file = Write("HUGE.HTM", huge.bytes);
  view.LoadDocument(file);
  ASSERT_TRUE(view.ShowsPagePart());
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 1500) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_TRUE(view.ShowsPagePart());
  // A part from an anchor near the end, at once.
  const std::string last = std::to_string(huge.articles);
  EXPECT_TRUE(view.PositionTo(std::to_string(huge.articles - 100)));
  EXPECT_TRUE(view.ShowsPagePart());
  EXPECT_TRUE(view.document()->toPlainText().contains(QString::fromStdString("Writing a " + last + "-line")));
}

TEST_F(PageBeginningTest, ImagesAreRequestedOnceAndOnTheGuiThread) {
  Write("a.bmp", testing::BmpBytes(4, 3, 0xFF0000));
  Write("b.bmp", testing::BmpBytes(5, 2, 0x00FF00));
  std::map<std::string, int> requests;
  bool other_thread = false;
  view.SetImageCacheCount(0);
  view.OnBitmapRequest = [&](HtmlViewer& sender, const std::string& src, QImage& bitmap, int&) {
    ++requests[src];
    other_thread = other_thread || QThread::currentThread() != QApplication::instance()->thread();
    bitmap = LoadImageFileAsBitmap(sender.ExpandLinkPath(src));
  };
  struct Case {
    const char* name;
    std::string bytes;
    std::map<std::string, int> requested;
  };
  std::string in_beginning = page->bytes;
  in_beginning.insert(in_beginning.find("<BODY"), "<IMG SRC=a.bmp>");
  std::string in_both = in_beginning;
  in_both.insert(in_both.rfind("</BODY>"), "<IMG SRC=b.bmp>");
  const Case cases[] = {
      {"an image in the beginning", in_beginning, {{"a.bmp", 1}}},
      {"one in the beginning and one after it", in_both, {{"a.bmp", 1}, {"b.bmp", 1}}},
  };
  for (const Case& c : cases) {
    requests.clear();
    view.LoadDocument(Write("images.htm", c.bytes));
    ASSERT_TRUE(view.ShowsPagePart()) << c.name;
    ASSERT_TRUE(WholePageShownByEventLoop(view)) << c.name;
    EXPECT_EQ(requests, c.requested) << c.name;
    EXPECT_FALSE(other_thread) << c.name;
    int images = 0;
    for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
      for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat format = it.fragment().charFormat();
        images += format.isImageFormat() && format.toImageFormat().name().startsWith("vimg:");
      }
    }
    EXPECT_EQ(images, static_cast<int>(c.requested.size())) << c.name;
  }
}

TEST_F(PageBeginningTest, LeavingThePageOrTheViewWhileItIsBuilt) {
  const std::string long_page = Write("SEARCHRESULT.HTM", page->bytes);
  const std::string short_page = Write("short.htm", "<P>Short page");
  view.LoadDocument(long_page);
  ASSERT_TRUE(view.ShowsPagePart());
  view.LoadDocument(short_page);
  EXPECT_FALSE(view.ShowsPagePart());
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 3000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(view.document()->toPlainText(), "Short page");
  {
    HtmlViewer closed_soon;
    closed_soon.LoadDocument(long_page);
    EXPECT_TRUE(closed_soon.ShowsPagePart());
  }
  QApplication::processEvents();
  // Back to the long page: its beginning again, then the whole page.
  view.SetHistoryPosition(1);
  EXPECT_TRUE(WholePageShownByEventLoop(view));
  EXPECT_EQ(view.ShownFileName(), long_page);
}

}  // namespace
}  // namespace vantorel::browser
