#include "browser/html_viewer.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>

#include <gtest/gtest.h>

#include "page_fixture_helpers.h"
#include "qtui/qt_text.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

class HtmlViewerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  void SetUp() override {
    view.resize(640, 400);
    view.SetHistoryMaxCount(6);
    view.OnProcessing = [this](HtmlViewer&, bool on) { processing.push_back(on); };
    view.OnHistoryChange = [this](HtmlViewer&) { ++history_changes; };
    view.show();
    QApplication::processEvents();
  }

  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write(name, bytes).string(); }

  // The character format of the first occurrence of text in the shown document.
  QTextCharFormat FormatOf(const QString& text) {
    const QTextCursor found = view.document()->find(text);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor at(view.document());
    at.setPosition(found.selectionStart() + 1);
    return at.charFormat();
  }

  // The point in the viewport over the first occurrence of text.
  QPoint PointOf(const QString& text) {
    const QTextCursor found = view.document()->find(text);
    EXPECT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor at(view.document());
    at.setPosition(found.selectionStart() + 1);
    return view.cursorRect(at).center();
  }

  testing::ScriptedUi ui;
  testing::TempDir dir;
  HtmlViewer view;
  std::vector<bool> processing;
  int history_changes = 0;
};

TEST_F(HtmlViewerTest, LoadsAPageAndBracketsTheWork) {
  const std::string file = Write("page.htm", "<html><head><title>First Page</title></head><body>Hello</body></html>");
  view.LoadDocument(file);
  EXPECT_EQ(view.ShownFileName(), file);
  EXPECT_EQ(view.ShownTitle(), "First Page");
  EXPECT_EQ(processing, (std::vector<bool>{true, false}));
  EXPECT_TRUE(view.toPlainText().contains("Hello"));
}

TEST_F(HtmlViewerTest, OnlyAPageWiderThanTheViewGetsAHorizontalScrollBar) {
  // Tables sharing their width among spanned columns, as the result pages have them, which Qt
  // can lay out a pixel wider than the page.
  std::string spanned;
  for (int i = 0; i < 40; ++i) {
    spanned += "<TABLE border cellpadding=3 width=\"100%\"><TR><TH COLSPAN=4>Title</TH></TR>"
               "<TR><TD>a</TD><TD COLSPAN=2>b</TD><TD>c</TD></TR></TABLE>";
  }
  const std::string fitting = Write("spanned.htm", spanned);
  const std::string wide = Write("wide.htm", "<TABLE WIDTH=3000><TR><TD>wide</TD></TR></TABLE>");
  for (int width = 600; width < 700; width += 7) {
    view.resize(width, 400);
    view.LoadDocument(fitting);
    QApplication::processEvents();
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0) << width;
  }
  view.LoadDocument(wide);
  QApplication::processEvents();
  EXPECT_GT(view.horizontalScrollBar()->maximum(), 2000);
}

TEST_F(HtmlViewerTest, APageShownBeforeIsReleased) {
  for (int i = 0; i < 5; ++i) view.LoadDocument(Write("page" + std::to_string(i) + ".htm", "page"));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(view.findChildren<QTextDocument*>(Qt::FindDirectChildrenOnly).size(), 1);
  EXPECT_TRUE(view.toPlainText().contains("page"));
}

TEST_F(HtmlViewerTest, AMissingFileRaisesTheErrorAndKeepsThePage) {
  const std::string file = Write("page.htm", "<title>Kept</title>Kept text");
  view.LoadDocument(file);
  processing.clear();
  const std::string missing = dir / "NOPAGE.HTM";
  try {
    view.LoadDocument(missing + "#TOP");
    FAIL() << "no error";
  } catch (const ViewError& error) {
    EXPECT_STREQ(error.what(), ("Can't locate file: " + missing).c_str());
  }
  EXPECT_EQ(processing, (std::vector<bool>{true, false}));
  EXPECT_EQ(view.ShownFileName(), file);
  EXPECT_EQ(view.ShownTitle(), "Kept");
  EXPECT_THROW(view.LoadTextDocument(missing), ViewError);
  EXPECT_EQ(view.HistoryFiles().size(), 1u);
}

TEST_F(HtmlViewerTest, FindsFilesInAnyLetterCaseWithBackslashes) {
  Write("Sub/Page.HTM", "<title>Found</title>x");
  view.LoadDocument(dir.path().string() + "\\SUB\\page.htm");
  EXPECT_EQ(view.ShownTitle(), "Found");
}

TEST_F(HtmlViewerTest, AnAnchorWrittenInOtherCaseIsReached) {
  std::string page = "<title>Long</title><body>";
  for (int i = 0; i < 200; ++i) page += "<p>Line " + std::to_string(i) + "</p>\r\n";
  page += "<A NAME=\"Top\"></A><B>Search Results</B>";
  for (int i = 0; i < 200; ++i) page += "<p>More " + std::to_string(i) + "</p>\r\n";
  const std::string file = Write("long.htm", page);
  view.LoadDocument(file + "#TOP");
  EXPECT_GT(view.verticalScrollBar()->value(), 1000);
  const QPoint at = PointOf("Search Results");
  EXPECT_GE(at.y(), 0);
  EXPECT_LT(at.y(), 40);  // the anchor's line stands at the top
  view.LoadDocument(file);
  EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

TEST_F(HtmlViewerTest, AnAnchorLoadedBeforeTheViewIsShownIsReachedWhenItIs) {
  HtmlViewer hidden;
  hidden.resize(400, 300);
  std::string page;
  for (int i = 0; i < 200; ++i) page += "<p>Line " + std::to_string(i) + "</p>";
  page += "<a name=end></a>End";
  hidden.LoadDocument(Write("hidden.htm", page) + "#END");
  hidden.show();
  QApplication::processEvents();
  EXPECT_GT(hidden.verticalScrollBar()->value(), 1000);
}

TEST_F(HtmlViewerTest, KeepsAHistoryOfAtMostHistoryMaxCountEntries) {
  view.SetHistoryMaxCount(3);
  std::vector<std::string> files;
  for (int i = 0; i < 4; ++i) {
    files.push_back(Write("p" + std::to_string(i) + ".htm", "<title>Page " + std::to_string(i) + "</title>x"));
    view.LoadDocument(files.back());
  }
  EXPECT_EQ(view.HistoryFiles(), (std::vector<std::string>{files[3], files[2], files[1]}));
  EXPECT_EQ(view.HistoryTitles(), (std::vector<std::string>{"Page 3", "Page 2", "Page 1"}));
  EXPECT_EQ(view.HistoryPosition(), 0);
  EXPECT_EQ(history_changes, 4);

  view.SetHistoryPosition(2);
  EXPECT_EQ(view.ShownFileName(), files[1]);
  EXPECT_EQ(view.HistoryPosition(), 2);
  EXPECT_EQ(history_changes, 5);

  processing.clear();
  view.SetHistoryPosition(2);   // the current entry
  view.SetHistoryPosition(3);   // outside
  view.SetHistoryPosition(-1);  // outside
  EXPECT_EQ(history_changes, 5);
  EXPECT_TRUE(processing.empty());
  EXPECT_EQ(view.ShownFileName(), files[1]);

  // A new page drops the entries newer than the one shown.
  const std::string next = Write("next.htm", "<title>Next</title>x");
  view.LoadDocument(next);
  EXPECT_EQ(view.HistoryFiles(), (std::vector<std::string>{next, files[1]}));
  EXPECT_EQ(view.HistoryPosition(), 0);
}

TEST_F(HtmlViewerTest, HistoryEntriesKeepTheirScrollPosition) {
  std::string page;
  for (int i = 0; i < 300; ++i) page += "<p>Line " + std::to_string(i) + "</p>";
  const std::string first = Write("first.htm", page);
  view.LoadDocument(first);
  view.verticalScrollBar()->setValue(700);
  view.LoadDocument(Write("second.htm", "second"));
  view.SetHistoryPosition(1);
  EXPECT_EQ(view.ShownFileName(), first);
  EXPECT_EQ(view.verticalScrollBar()->value(), 700);
}

TEST_F(HtmlViewerTest, WithoutHistoryNothingIsKept) {
  view.SetHistoryMaxCount(0);
  view.LoadDocument(Write("a.htm", "a"));
  view.LoadDocument(Write("b.htm", "b"));
  EXPECT_TRUE(view.HistoryFiles().empty());
  EXPECT_EQ(view.HistoryPosition(), 0);
}

TEST_F(HtmlViewerTest, PropertiesSetAsOneValueTakeEffectAsThroughTheirSetters) {
  for (const char* name : {"a.htm", "b.htm", "c.htm"}) view.LoadDocument(Write(name, "<p>Some text</p>"));
  view.SelectAllText();
  ViewSettings settings = view.Settings();
  settings.page.font_name = "Arial";
  view.SetSettings(settings);
  EXPECT_EQ(view.DefFontName(), "Arial");
  EXPECT_GT(view.SelectionLength(), 0);  // NoSelect did not change
  settings.history_max_count = 1;
  settings.no_select = true;
  settings.show_vscroll = true;
  view.SetSettings(settings);
  EXPECT_EQ(view.HistoryFiles().size(), 1u);
  EXPECT_EQ(view.SelectionLength(), 0);
  EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(view.htOptions(), htShowVScroll);
  view.SethtOptions(htNoLinkUnderline);
  EXPECT_FALSE(view.Settings().page.link_underline);
  EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
}

TEST_F(HtmlViewerTest, RendersTheMarkupOfTheGeneratedPages) {
  view.LoadDocument(Write("SEARCHRESULT.HTM", testing::SearchResultsPage(3)));
  EXPECT_EQ(view.ShownTitle(), "Search Results");

  // FONT COLOR=RED around P, FONT SIZE="+3" relative to BASEFONT 3, B carried over the BR.
  const QTextCharFormat heading = FormatOf("Search Results");
  EXPECT_EQ(heading.foreground().color(), QColor(255, 0, 0));
  EXPECT_DOUBLE_EQ(heading.fontPointSize(), 24);
  EXPECT_EQ(heading.fontWeight(), QFont::Bold);
  EXPECT_TRUE(heading.fontFamilies().toStringList().contains("ARIAL"));
  // FONT COLOR=BLACK inside the still open red FONT; SIZE="+1".
  const QTextCharFormat count = FormatOf("3 articles found");
  EXPECT_EQ(count.foreground().color(), QColor(0, 0, 0));
  EXPECT_DOUBLE_EQ(count.fontPointSize(), 13.5);
  EXPECT_EQ(count.fontWeight(), QFont::Bold);
  const QTextCharFormat criteria = FormatOf("Issue: ");
  EXPECT_EQ(criteria.foreground().color(), QColor(255, 0, 0));
  EXPECT_TRUE(FormatOf("components; streaming").fontItalic());
  // Links in the LINK colour "0000ff", underlined; the unquoted-free list entries.
  const QTextCharFormat link = FormatOf("Writing a 2-line");
  EXPECT_TRUE(link.isAnchor());
  EXPECT_EQ(link.foreground().color(), QColor(0, 0, 255));
  EXPECT_TRUE(link.fontUnderline());
  // The detail table: BORDER without a value, CELLPADDING=3, WIDTH="100%", TH COLSPAN=4.
  QTextCursor in_table(view.document());
  in_table.setPosition(view.document()->find("Authors").selectionStart());
  QTextTable* table = in_table.currentTable();
  ASSERT_NE(table, nullptr);
  EXPECT_GE(table->format().border(), 1);
  EXPECT_DOUBLE_EQ(table->format().cellPadding(), 3);
  EXPECT_EQ(table->format().width(), QTextLength(QTextLength::PercentageLength, 100));
  EXPECT_EQ(table->columns(), 4);
  EXPECT_EQ(table->cellAt(0, 0).columnSpan(), 4);
  QTextCursor title(view.document());
  title.setPosition(view.document()->find("Writing a 1-line", view.document()->find("Back to top")).selectionStart() + 1);
  EXPECT_EQ(title.charFormat().foreground().color(), QColor(255, 0, 0));  // title in the TH
  EXPECT_TRUE(title.charFormat().anchorHref().isEmpty());
  EXPECT_TRUE(view.PositionTo("1"));  // the A NAME before the table
  // A table starts with the page's plain style although a red FONT is still open around it.
  view.LoadDocument(Write("ALLARTS.HTM", testing::AllArticlesPage(2)));
  EXPECT_EQ(FormatOf("2 : June 1995").foreground().color(), QColor(0, 0, 0));
  EXPECT_NE(FormatOf("2 : June 1995").fontWeight(), QFont::Bold);
  EXPECT_EQ(FormatOf("Title").foreground().color(), QColor(255, 0, 0));  // its own FONT
  // BGCOLOR="ffffff".
  EXPECT_EQ(view.document()->rootFrame()->frameFormat().background().color(), QColor(255, 255, 255));
}

TEST_F(HtmlViewerTest, ShowsPlainTextAsWritten) {
  view.SetDefPreFontName("Courier New");
  const std::string file = Write("unit1.pas", "program <b>Demo</b>;\r\n\tbegin end.\r\n");
  view.LoadTextDocument(file);
  EXPECT_EQ(view.ShownKind(), DocumentKind::Text);
  EXPECT_EQ(view.ShownFileName(), file);
  EXPECT_TRUE(view.toPlainText().contains("program <b>Demo</b>;"));
  EXPECT_EQ(view.document()->defaultFont().family(), "Courier New");
  EXPECT_EQ(view.HistoryFiles().front(), file);
}

TEST_F(HtmlViewerTest, ShowsAnImageAlone) {
  view.LoadImageDocument(Write("picture.jpg", testing::JpegBytes(30, 20, 0x808080)));
  EXPECT_EQ(view.ShownKind(), DocumentKind::Image);
  QTextCursor cursor(view.document());
  cursor.setPosition(1);
  ASSERT_TRUE(cursor.charFormat().isImageFormat());
  EXPECT_EQ(cursor.charFormat().toImageFormat().width(), 30);
}

TEST_F(HtmlViewerTest, AsksForImagesNotInTheCacheAndShowsNothingForAnEmptyAnswer) {
  Write("a.jpg", testing::JpegBytes(8, 8, 0xFF0000));
  const std::string page = Write("img.htm", "<img src=a.jpg><img src=\"none.bmp\">text");
  std::vector<std::string> requests;
  view.SetImageCacheCount(6);
  view.OnBitmapRequest = [&](HtmlViewer& sender, const std::string& src, QImage& bitmap, int& color) {
    EXPECT_EQ(&sender, &view);
    EXPECT_TRUE(bitmap.isNull());
    EXPECT_EQ(color, -1);
    requests.push_back(src);
    if (src == "a.jpg") RequestArchiveBitmap(sender, src, bitmap, color);
  };
  view.LoadDocument(page);
  EXPECT_EQ(requests, (std::vector<std::string>{"a.jpg", "none.bmp"}));
  int images = 0;
  for (QTextBlock block = view.document()->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) images += it.fragment().charFormat().isImageFormat();
  }
  EXPECT_EQ(images, 1);
  EXPECT_TRUE(view.toPlainText().contains("text"));
  view.LoadDocument(page);  // a.jpg comes from the cache now
  EXPECT_EQ(requests, (std::vector<std::string>{"a.jpg", "none.bmp", "none.bmp"}));
}

TEST_F(HtmlViewerTest, ATransparentColourIsHonoured) {
  view.OnBitmapRequest = [](HtmlViewer&, const std::string&, QImage& bitmap, int& color) {
    bitmap = QImage(2, 1, QImage::Format_RGB32);
    bitmap.setPixel(0, 0, qRgb(0, 255, 0));
    bitmap.setPixel(1, 0, qRgb(1, 2, 3));
    color = 0x00FF00;
  };
  view.LoadDocument(Write("t.htm", "<img src=x.bmp>"));
  QTextCursor cursor(view.document());
  cursor.setPosition(1);
  const QImage shown = view.document()->resource(QTextDocument::ImageResource,
                                                 QUrl(cursor.charFormat().toImageFormat().name())).value<QImage>();
  ASSERT_FALSE(shown.isNull());
  EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(shown.pixel(1, 0)), 255);
}

TEST_F(HtmlViewerTest, ReportsLinksAsWrittenOnEnterAndLeave) {
  view.LoadDocument(Write("links.htm", "<p>Plain words here</p><p><a href=diry:///disks/Issue07\\TIPTRIX\\>Tip link</a></p>"));
  std::vector<std::string> covered;
  view.OnHotSpotCovered = [&](HtmlViewer&, const std::string& src) { covered.push_back(src); };
  QTest::mouseMove(view.viewport(), PointOf("Tip link"));
  QTest::mouseMove(view.viewport(), PointOf("Plain words"));
  EXPECT_EQ(covered, (std::vector<std::string>{"diry:///disks/Issue07\\TIPTRIX\\", ""}));
}

TEST_F(HtmlViewerTest, AClickIsOfferedToTheHandlerFirst) {
  const std::string target = Write("target.htm", "<title>Target</title>arrived");
  const std::string page = Write("links.htm", "<a href=\"TARGET.HTM\">Go there</a>");
  view.LoadDocument(page);
  std::vector<std::string> clicks;
  bool handle = true;
  view.OnHotSpotClick = [&](HtmlViewer&, const std::string& src, bool& handled) {
    EXPECT_FALSE(handled);
    clicks.push_back(src);
    handled = handle;
  };
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOf("Go there"));
  EXPECT_EQ(clicks, (std::vector<std::string>{"TARGET.HTM"}));
  EXPECT_EQ(view.ShownFileName(), page);  // handled: the view did nothing

  handle = false;
  processing.clear();
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOf("Go there"));
  EXPECT_EQ(view.ShownFileName(), target);  // found in another letter case
  EXPECT_EQ(processing, (std::vector<bool>{true, false}));
}

TEST_F(HtmlViewerTest, AnUnhandledClickOnAMissingFileShowsTheError) {
  view.LoadDocument(Write("links.htm", "<a href=\"gone.htm\">Gone</a>"));
  ui.Expect(core::BoxKind::Error, "Can't locate file: " + (dir / "gone.htm"));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOf("Gone"));
  EXPECT_TRUE(ui.Done());
}

TEST_F(HtmlViewerTest, AnAnchorLinkMovesWithinThePage) {
  std::string page = "<a href=\"#End\">To the end</a>";
  for (int i = 0; i < 200; ++i) page += "<p>Line " + std::to_string(i) + "</p>";
  page += "<a name=end></a>The end";
  view.LoadDocument(Write("anchors.htm", page));
  QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, PointOf("To the end"));
  EXPECT_GT(view.verticalScrollBar()->value(), 1000);
  EXPECT_EQ(view.HistoryFiles().size(), 2u);
  view.SetHistoryPosition(1);
  EXPECT_EQ(view.verticalScrollBar()->value(), 0);
}

TEST_F(HtmlViewerTest, FindNextSearchesFromTheCaretAndScrollsTheOccurrenceToTheMiddle) {
  std::string page = "<p>alpha Beta</p>";
  for (int i = 0; i < 200; ++i) page += "<p>filler " + std::to_string(i) + "</p>";
  page += "<p>far beta</p>";
  for (int i = 0; i < 100; ++i) page += "<p>more filler</p>";
  view.LoadDocument(Write("find.htm", page));

  EXPECT_FALSE(view.FindNext("", false));
  EXPECT_FALSE(view.FindNext("gamma", false));
  EXPECT_TRUE(view.FindNext("BETA", false));  // visible: no scrolling
  EXPECT_EQ(view.SelectedText(), "Beta");
  EXPECT_EQ(view.verticalScrollBar()->value(), 0);

  EXPECT_TRUE(view.FindNext("beta", false));  // far below: centred
  EXPECT_EQ(view.SelectedText(), "beta");
  QTextCursor start(view.document());
  start.setPosition(view.textCursor().selectionStart());
  const int middle = view.viewport()->height() / 2;
  EXPECT_NEAR(view.cursorRect(start).center().y(), middle, 3);
  EXPECT_FALSE(view.FindNext("beta", false));  // nothing after the caret

  view.LoadDocument(Write("case.htm", "Beta beta"));
  EXPECT_TRUE(view.FindNext("beta", true));
  EXPECT_EQ(view.textCursor().selectionStart(), 5);
  // Only the first 259 characters of a longer text are looked for.
  view.LoadDocument(Write("long.htm", std::string(259, 'x')));
  EXPECT_TRUE(view.FindNext(std::string(300, 'x'), false));
}

TEST_F(HtmlViewerTest, TheOccurrenceNearTheBottomEdgeIsCentred) {
  std::string page;
  for (int i = 0; i < 100; ++i) page += "<p>row " + std::to_string(i) + "</p>";
  view.LoadDocument(Write("rows.htm", page));
  // Find the first row whose line ends within 20 pixels of the bottom edge.
  const int height = view.viewport()->height();
  int row = 0;
  for (; row < 100; ++row) {
    const QRect rect = view.cursorRect(view.document()->find("row " + QString::number(row)));
    if (rect.bottom() > height - 20) break;
  }
  ASSERT_LT(row, 100);
  EXPECT_TRUE(view.FindNext("row " + std::to_string(row - 1), true));
  EXPECT_EQ(view.verticalScrollBar()->value(), 0);  // still more than 20 pixels clear
  EXPECT_TRUE(view.FindNext("row " + std::to_string(row), true));
  EXPECT_GT(view.verticalScrollBar()->value(), 0);
}

TEST_F(HtmlViewerTest, SelectsAndCopies) {
  view.LoadDocument(Write("sel.htm", "<p>First line</p><p>Second line</p>"));
  EXPECT_EQ(view.SelectionLength(), 0);
  view.CopySelection();  // nothing selected: nothing happens
  view.SelectAllText();
  EXPECT_EQ(view.SelectionLength(), view.document()->characterCount() - 1);
  QApplication::clipboard()->clear();
  view.CopySelection();
  EXPECT_EQ(QApplication::clipboard()->text(), "First line\nSecond line");

  view.SetNoSelect(true);
  QTextCursor none = view.textCursor();
  none.clearSelection();
  view.setTextCursor(none);
  view.SelectAllText();
  EXPECT_EQ(view.SelectionLength(), 0);
}

TEST_F(HtmlViewerTest, SelectAllOnAnEmptyViewDoesNothing) {
  view.SelectAllText();
  EXPECT_EQ(view.SelectionLength(), 0);
  EXPECT_EQ(view.ShownFileName(), "");
  EXPECT_EQ(view.ShownTitle(), "");
}

TEST_F(HtmlViewerTest, ExpandsLinksAgainstTheShownPage) {
  view.LoadDocument(Write("sub/page.htm", "x"));
  EXPECT_EQ(view.ExpandLinkPath("other.htm"), (dir.path() / "sub").string() + "/other.htm");
  view.LoadDocument(Write("based.htm", "<base href=\"DosPath\">x"));
  EXPECT_EQ(view.ExpandLinkPath("other.htm"), "other.htm");
}

}  // namespace
}  // namespace vantorel::browser
