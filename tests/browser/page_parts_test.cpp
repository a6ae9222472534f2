// Long pages shown in parts: the split of a page at element boundaries, and the single view
// moving through the parts as a reader does (scrolling, anchors, find, history, select all,
// printing). The part length is a view setting, so the pages here are small.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QScrollBar>
#include <QTest>
#include <QThread>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include "browser/html_viewer.h"
#include "browser/page_document.h"
#include "browser/page_parts.h"
#include "page_fixture_helpers.h"
#include "qtui/qt_text.h"
#include "result_page_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

constexpr std::size_t kTestPartBytes = 4096;

// What a reader can read of a document: its text, images and anchors left out, blanks and
// line ends collapsed.
QString ReadableText(const QTextDocument& document) {
  return document.toPlainText().remove(QChar::ObjectReplacementCharacter).simplified();
}

QString TextBuiltAtOnce(const std::string& bytes) {
  return ReadableText(*BuildHtmlDocument(ParseHtmlPage(bytes, {}, {}), {}, {}));
}

std::vector<ScannedPart> Split(const std::string& bytes, std::size_t part_bytes = kTestPartBytes) {
  std::vector<ScannedPart> parts;
  SplitPage(bytes, part_bytes, [&parts](ScannedPart part) {
    parts.push_back(std::move(part));
    return true;
  });
  return parts;
}

struct PageCase {
  const char* name;
  std::string bytes;
};

std::vector<PageCase> PageCases() {
  std::string no_tags = "<HTML><BODY>";
  while (no_tags.size() < 40 * kTestPartBytes) no_tags += "word ";
  std::string preformatted = "<P>Before<PRE>";
  for (int line = 0; line < 2000; ++line) preformatted += "line " + std::to_string(line) + " <B>bold</B>\r\n";
  preformatted += "</PRE><P>After";
  return {
      {"search results", testing::SearchResultsPage(60)},
      {"complete list", testing::AllArticlesPage(300)},
      {"article detail", testing::ArticleDetailPage(40)},
      {"text without tags", no_tags},
      {"a long PRE", preformatted},
  };
}

class PageSplitTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }
};

TEST_F(PageSplitTest, ThePartsHoldThePageWholeAndShowItsText) {
  for (const PageCase& c : PageCases()) {
    const std::vector<ScannedPart> parts = Split(c.bytes);
    ASSERT_GT(parts.size(), 3u) << c.name;
    std::size_t next = 0;
    QStringList texts;
    for (const ScannedPart& scanned : parts) {
      EXPECT_EQ(scanned.part.begin, next) << c.name;
      EXPECT_GT(scanned.part.end, scanned.part.begin) << c.name;
      EXPECT_LE(scanned.part.end - scanned.part.begin, 2 * kPartStretch * kTestPartBytes) << c.name;
      next = scanned.part.end;
      const std::string markup =
          scanned.part.prologue + c.bytes.substr(scanned.part.begin, scanned.part.end - scanned.part.begin);
      texts.append(TextBuiltAtOnce(markup));
    }
    EXPECT_EQ(next, c.bytes.size()) << c.name;
    EXPECT_EQ(texts.join(' ').simplified(), TextBuiltAtOnce(c.bytes)) << c.name;
  }
}

TEST_F(PageSplitTest, EachPartKeepsItsAnchorsAndItsTextForFind) {
  const std::string page = testing::ArticleDetailPage(40);
  const std::vector<ScannedPart> parts = Split(page);
  std::vector<std::string> anchors;
  for (const ScannedPart& scanned : parts) {
    anchors.insert(anchors.end(), scanned.anchors.begin(), scanned.anchors.end());
    // The part's text for find holds every word its document shows.
    const std::string markup = scanned.part.prologue + page.substr(scanned.part.begin, scanned.part.end - scanned.part.begin);
    const QStringList words = TextBuiltAtOnce(markup).split(' ', Qt::SkipEmptyParts);
    for (const QString& word : words) {
      const std::string bytes = qtui::FromQString(word);
      EXPECT_NE(FindInPartText(scanned.text, FindableText(bytes, false), false), std::string::npos) << bytes;
    }
  }
  ASSERT_EQ(anchors.size(), 41u);
  EXPECT_EQ(anchors.front(), "Top");
  EXPECT_EQ(anchors.back(), "40");
  // A table row of the complete list starts the next part inside the table it reopens.
  const std::vector<ScannedPart> list = Split(testing::AllArticlesPage(300));
  EXPECT_NE(list[2].part.prologue.find("<TABLE cellpadding=0 WIDTH=\"100%\">"), std::string::npos);
}

TEST_F(PageSplitTest, ALongTableIsClosedAndOpenedAgainWithinAPart) {
  const std::string page = testing::AllArticlesPage(3000);
  const std::vector<ScannedPart> parts = Split(page, 8 * kTablePieceBytes);
  ASSERT_GT(parts.size(), 1u);
  std::size_t breaks = 0;
  for (const ScannedPart& scanned : parts) {
    const PagePart& part = scanned.part;
    const std::string markup = PartMarkup(page, part);
    std::string plain = part.prologue + page.substr(part.begin, part.end - part.begin);
    // Only rows start a piece, each at least a piece's length after the last.
    std::size_t last = part.begin;
    std::string rebuilt = part.prologue;
    for (const auto& [offset, table] : part.table_breaks) {
      EXPECT_EQ(page.compare(offset, 3, "<TR"), 0);
      EXPECT_GE(offset - last, kTablePieceBytes);
      EXPECT_EQ(table, "<TABLE cellpadding=0 WIDTH=\"100%\">");
      rebuilt += page.substr(last, offset - last) + "</TABLE>" + table;
      last = offset;
    }
    rebuilt += page.substr(last, part.end - last);
    EXPECT_EQ(markup, rebuilt);
    EXPECT_EQ(TextBuiltAtOnce(markup), TextBuiltAtOnce(plain));
    breaks += part.table_breaks.size();
  }
  EXPECT_GT(breaks, parts.size());
  // Small parts have none.
  for (const ScannedPart& scanned : Split(page)) EXPECT_TRUE(scanned.part.table_breaks.empty());
}

TEST_F(PageSplitTest, FindFoldsLettersAndBlanksAsTheViewDoes) {
  struct Case {
    std::string text;
    std::string pattern;
    bool match_case;
    bool found;
  };
  const Case cases[] = {
      {"Caf\xE9 Queues in Delphi", "CAF\xC9 QUEUES", false, true},
      {"Caf\xE9 Queues in Delphi", "CAF\xC9 QUEUES", true, false},
      {"Caf\xE9 Queues in Delphi", "Queues   in", true, true},
      {"Caf\xE9 Queues in Delphi", "Queues\r\nin", false, true},
      {"Caf\xE9 Queues in Delphi", "Queuesin", false, false},
      {"\x8Aome text", "\x9Aome", false, true},
      {"some text", "TEXT", false, true},
      {"some text", "some texts", false, false},
      {"some text", "x", true, true},
      {"abab abba", "ABBA", false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindInPartText(FindableText(c.text, true), FindableText(c.pattern, c.match_case), c.match_case) !=
                  std::string::npos,
              c.found)
        << c.pattern;
  }
}

class PagePartsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  void SetUp() override {
    ViewSettings settings = view.Settings();
    settings.long_page_bytes = 2 * kTestPartBytes;
    settings.page_part_bytes = kTestPartBytes;
    settings.history_max_count = 6;
    view.SetSettings(settings);
    view.SetDefBackground(Qt::white);
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();
  }

  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write(name, bytes).string(); }

  // Lets the event loop run until the view shows the part it heads for (ten seconds at most).
  bool Settle() {
    QElapsedTimer waited;
    waited.start();
    while ((view.Busy() || view.PartShown() < 0) && waited.elapsed() < 10000) {
      QApplication::processEvents(QEventLoop::AllEvents, 20);
      QThread::msleep(2);
    }
    QApplication::processEvents();
    return !view.Busy();
  }

  bool AtPartEnd() {
    QScrollBar& bar = *view.verticalScrollBar();
    return bar.value() == bar.maximum();
  }

  void Wheel(int delta) {
    const QPointF at(100, 100);
    QWheelEvent wheel(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &wheel);
  }

  // Whether the document position is in view.
  bool InView(int position) {
    QTextCursor cursor(view.document());
    cursor.setPosition(position);
    const QRect rect = view.cursorRect(cursor);
    return rect.top() >= 0 && rect.bottom() <= view.viewport()->height();
  }

  testing::ScriptedUi ui;
  testing::TempDir dir;
  HtmlViewer view;
};

TEST_F(PagePartsTest, OnlyPagesLongerThanTheBoundAreShownInParts) {
  const std::string short_page = testing::ArticleDetailPage(3);
  ASSERT_LT(short_page.size(), 2 * kTestPartBytes);
  view.LoadDocument(Write("short.htm", short_page));
  EXPECT_FALSE(view.ShowsPagePart());
  EXPECT_EQ(view.PartIndicatorText(), QString());

  const std::string page = testing::ArticleDetailPage(40);
  view.LoadDocument(Write("AADETAIL.HTM", page) + "#TOP");
  ASSERT_TRUE(view.ShowsPagePart());
  EXPECT_EQ(view.ShownTitle(), "Vantorel: Complete Article Detail");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 0);
  EXPECT_EQ(view.PartCount(), static_cast<int>(Split(page).size()));
  EXPECT_EQ(view.PartIndicatorText(), QStringLiteral("Part 1 of %1").arg(view.PartCount()));
  EXPECT_EQ(view.HistoryFiles().size(), 2u);
}

TEST_F(PagePartsTest, ScrollingOnPastAPartsEndsMovesIntoTheNextAndBack) {
  view.LoadDocument(Write("AADETAIL.HTM", testing::ArticleDetailPage(40)));
  ASSERT_TRUE(Settle());
  const QString first = ReadableText(*view.document());
  // End and Home lead to the end of the last part and the top of the first.
  QTest::keyClick(&view, Qt::Key_End, Qt::NoModifier);
  ASSERT_TRUE(Settle());
  const int last = view.PartCount() - 1;
  EXPECT_EQ(view.PartShown(), last);
  EXPECT_TRUE(AtPartEnd());
  QTest::keyClick(&view, Qt::Key_Home, Qt::NoModifier);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 0);
  EXPECT_EQ(view.verticalScrollBar()->value(), 0);

  // Scrolling within a part stays in it; at its end the wheel leads on.
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
  ASSERT_GT(view.verticalScrollBar()->maximum(), 0);
  Wheel(-120);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 1);
  EXPECT_EQ(view.verticalScrollBar()->value(), 0);
  EXPECT_NE(ReadableText(*view.document()), first);
  EXPECT_EQ(view.PartIndicatorText(), QStringLiteral("Part 2 of %1").arg(view.PartCount()));
  // Up at its top goes back into the first part, at its end.
  Wheel(120);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 0);
  EXPECT_TRUE(AtPartEnd());
  EXPECT_EQ(ReadableText(*view.document()), first);
  // The keys and the scroll bar's arrow do the same.
  QTest::keyClick(&view, Qt::Key_PageDown, Qt::NoModifier);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 1);
  QTest::keyClick(&view, Qt::Key_Up, Qt::NoModifier);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 0);
  view.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 1);
}

TEST_F(PagePartsTest, AnchorsLeadIntoAnyPart) {
  const std::string file = Write("AADETAIL.HTM", testing::ArticleDetailPage(40));
  view.LoadDocument(file + "#35");
  ASSERT_TRUE(Settle());
  EXPECT_GT(view.PartShown(), 0);
  const int position = FindAnchor(*view.document(), "35");
  ASSERT_GE(position, 0);
  EXPECT_TRUE(InView(position));
  // A reference within the page, back to the top of the first part, and an unknown anchor.
  view.LoadDocument("#Top");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 0);
  EXPECT_TRUE(InView(FindAnchor(*view.document(), "Top")));
  EXPECT_FALSE(view.PositionTo("none"));
  EXPECT_TRUE(view.PositionTo("20"));
  ASSERT_TRUE(Settle());
  EXPECT_TRUE(InView(FindAnchor(*view.document(), "20")));
}

TEST_F(PagePartsTest, FindSearchesOnThroughThePartsFromTheCaret) {
  const std::string page = testing::ArticleDetailPage(40);
  view.LoadDocument(Write("AADETAIL.HTM", page));
  ASSERT_TRUE(Settle());
  // Each title of a detail block stands once in the page.
  const std::string title = "Writing a 37-line";
  ASSERT_TRUE(view.FindNext(title, false));
  ASSERT_TRUE(Settle());
  EXPECT_GT(view.PartShown(), 1);
  EXPECT_EQ(view.SelectedText(), title);
  const int found_in = view.PartShown();
  QTextCursor start(view.document());
  start.setPosition(view.textCursor().selectionStart());
  EXPECT_TRUE(InView(start.position()));
  // Not again after it; nor, from here, one that stands before it (find goes forward only,
  // and the view stays where it was).
  EXPECT_FALSE(view.FindNext(title, false));
  EXPECT_FALSE(view.FindNext("Writing a 2-line", false));
  EXPECT_EQ(view.PartShown(), found_in);
  EXPECT_FALSE(view.FindNext("WRITING A 38-LINE", true));
  // From the top again it is found again, letter case ignored.
  QTest::keyClick(&view, Qt::Key_Home, Qt::NoModifier);
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(view.FindNext("WRITING A 2-LINE", false));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.SelectedText(), "Writing a 2-line");
  ASSERT_TRUE(view.FindNext("writing a 38-line", false));
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.SelectedText(), "Writing a 38-line");
}

TEST_F(PagePartsTest, BackAndForwardReturnToTheSamePlace) {
  const std::string file = Write("AADETAIL.HTM", testing::ArticleDetailPage(40));
  const std::string other = Write("other.htm", "<P>Another page");
  view.LoadDocument(file + "#30");
  ASSERT_TRUE(Settle());
  view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + 37);
  const int part = view.PartShown();
  const int scroll = view.verticalScrollBar()->value();
  ASSERT_GT(part, 0);
  view.LoadDocument(other);
  EXPECT_FALSE(view.ShowsPagePart());
  view.SetHistoryPosition(1);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), part);
  EXPECT_EQ(view.verticalScrollBar()->value(), scroll);
  view.SetHistoryPosition(0);
  EXPECT_EQ(view.ShownFileName(), other);
  view.SetHistoryPosition(1);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), part);
  EXPECT_EQ(view.verticalScrollBar()->value(), scroll);
}

TEST_F(PagePartsTest, NothingIsLostBetweenTheParts) {
  for (const PageCase& c : PageCases()) {
    PreparedDocument prepared =
        PrepareDocument(Write("page.htm", c.bytes), DocumentKind::Html, view.Settings(), {});
    ASSERT_TRUE(prepared.long_page) << c.name;
    QStringList texts;
    for (int part = 0;; ++part) {
      std::optional<PreparedDocument> built = prepared.long_page->TakePart(part, {}, true);
      if (!built) break;
      texts.append(ReadableText(*built->document));
    }
    EXPECT_EQ(texts.size(), prepared.long_page->PartCount()) << c.name;
    EXPECT_EQ(texts.join(' ').simplified(), TextBuiltAtOnce(c.bytes)) << c.name;
  }
}

TEST_F(PagePartsTest, SelectAllTakesThePartShownAndPrintingEveryPart) {
  view.LoadDocument(Write("AADETAIL.HTM", testing::ArticleDetailPage(40)));
  ASSERT_TRUE(Settle());
  view.SelectAllText();
  EXPECT_EQ(qtui::ToQString(view.SelectedText()).simplified(),
            ReadableText(*view.document()));
  std::vector<int> numbers;
  view.OnPrintFooter = [&numbers](HtmlViewer&, QPainter&, int num_page, int, int, bool&) { numbers.push_back(num_page); };
  QPrinter printer(QPrinter::ScreenResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString((dir.path() / "printed.pdf").string()));
  const int printed = view.PrintPages(printer, 1, 9999);
  EXPECT_GE(printed, view.PartCount());
  ASSERT_EQ(static_cast<int>(numbers.size()), printed);
  for (int page = 0; page < printed; ++page) EXPECT_EQ(numbers[page], page + 1);
  numbers.clear();
  EXPECT_EQ(view.PrintPages(printer, 2, 3), 2);
  EXPECT_EQ(numbers, (std::vector<int>{2, 3}));
}

}  // namespace
}  // namespace vantorel::browser

namespace vantorel::browser {
namespace {

// Parts long enough to hold tables of several pieces, laid out a piece at a time.
class LaidOutInPiecesTest : public PagePartsTest {
 protected:
  void SetUp() override {
    PagePartsTest::SetUp();
    ViewSettings settings = view.Settings();
    settings.long_page_bytes = 16 * kTablePieceBytes;
    settings.page_part_bytes = 8 * kTablePieceBytes;
    view.SetSettings(settings);
  }
};

TEST_F(LaidOutInPiecesTest, EndAndFindWaitForTheLayoutOfThePart) {
  const std::string page = testing::AllArticlesPage(4000);
  view.LoadDocument(Write("ALLARTS.HTM", page));
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(view.ShowsPagePart());
  // A title near the end of the first part: selected and in view once found.
  const QString text = view.document()->toPlainText();
  QString title;
  for (const QString& line : text.split(QChar('\n'), Qt::SkipEmptyParts)) {
    if (line.trimmed().size() > 15 && !line.contains(QStringLiteral(" : "))) title = line.trimmed();
  }
  ASSERT_FALSE(title.isEmpty());
  ASSERT_TRUE(view.FindNext(qtui::FromQString(title), false)) << qtui::FromQString(title);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(view.PartShown(), 0);
  EXPECT_EQ(view.SelectedText(), qtui::FromQString(title));
  EXPECT_TRUE(InView(view.textCursor().selectionStart()));
  // Found again in the part shown (a word in view): the view stays where it is.
  QTextCursor back(view.document());
  back.setPosition(view.textCursor().selectionStart() - 200);
  view.setTextCursor(back);
  const int scroll = view.verticalScrollBar()->value();
  ASSERT_TRUE(view.FindNext(qtui::FromQString(title), false));
  EXPECT_EQ(view.verticalScrollBar()->value(), scroll);
  // End goes to the bottom of the last part, laid out to its end.
  QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
  ASSERT_TRUE(Settle());
  for (int i = 0; i < 50; ++i) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  EXPECT_EQ(view.PartShown(), view.PartCount() - 1);
  EXPECT_TRUE(AtPartEnd());
  const int bottom = static_cast<int>(view.document()->documentLayout()->documentSize().height());
  EXPECT_EQ(view.verticalScrollBar()->maximum(), std::max(0, bottom - view.viewport()->height()));
}

}  // namespace
}  // namespace vantorel::browser
