// Long generated pages in the views: a long table laid out in parts shows as the table laid
// out whole; images that claim enormous sizes are not decoded.
#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

#include <cstring>

#include "browser/html_viewer.h"
#include "browser/image_loading.h"
#include "browser/page_document.h"
#include "page_fixture_helpers.h"
#include "qtui/qt_text.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

// What a reader sees of one text block: where it stands, what it says, where it links.
struct ShownBlock {
  QRectF rect;
  QString text;
  std::vector<QString> links;
  bool operator==(const ShownBlock&) const = default;
};

std::vector<ShownBlock> ShownBlocks(QTextDocument& document) {
  std::vector<ShownBlock> blocks;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    QString text = block.text();
    text.remove(QChar::ObjectReplacementCharacter);
    if (text.isEmpty()) continue;
    ShownBlock shown{document.documentLayout()->blockBoundingRect(block), text, {}};
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      if (it.fragment().charFormat().isAnchor()) shown.links.push_back(it.fragment().charFormat().anchorHref());
    }
    blocks.push_back(std::move(shown));
  }
  return blocks;
}

int TopLevelTables(QTextDocument& document) {
  int tables = 0;
  for (QTextFrame* frame : document.rootFrame()->childFrames()) tables += qobject_cast<QTextTable*>(frame) != nullptr;
  return tables;
}

class LongPageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  void SetUp() override {
    for (HtmlViewer* view : {&parts, &whole}) {
      view->resize(800, 600);
      view->SetDefBackground(Qt::white);
      view->show();
    }
    QApplication::processEvents();
  }

  std::string Write(const std::string& name, const std::string& bytes) { return dir.Write(name, bytes).string(); }

  // Every text found for what, one search after the other from the top.
  static std::vector<std::pair<std::string, int>> FindAll(HtmlViewer& view, const std::string& what) {
    QTextCursor top = view.textCursor();
    top.setPosition(0);
    view.setTextCursor(top);
    std::vector<std::pair<std::string, int>> found;
    while (view.FindNext(what, false)) found.emplace_back(view.SelectedText(), view.SelectionLength());
    return found;
  }

  testing::ScriptedUi ui;
  testing::TempDir dir;
  HtmlViewer parts;
  HtmlViewer whole;
};

TEST_F(LongPageTest, ALongTableLaidOutInPartsShowsAsTheTableLaidOutWhole) {
  // The complete list of 450 articles, and the same list with one cell of its last row
  // without WIDTH, which keeps that table in one piece.
  const std::string list = testing::AllArticlesPage(450);
  std::string one_piece = list;
  one_piece.replace(one_piece.rfind("<TD width=\"78%\">"), 16, "<TD>");
  parts.LoadDocument(Write("parts.htm", list));
  whole.LoadDocument(Write("whole.htm", one_piece));
  ASSERT_GT(TopLevelTables(*parts.document()), TopLevelTables(*whole.document()));

  EXPECT_EQ(parts.document()->documentLayout()->documentSize(), whole.document()->documentLayout()->documentSize());
  EXPECT_EQ(ShownBlocks(*parts.document()), ShownBlocks(*whole.document()));
  for (HtmlViewer* view : {&parts, &whole}) view->SelectAllText();
  EXPECT_EQ(parts.SelectedText(), whole.SelectedText());
  EXPECT_EQ(parts.SelectionLength(), whole.SelectionLength());
  for (const char* what : {"Writing a 450-line", "June 1995", "component for fun"}) {
    EXPECT_EQ(FindAll(parts, what), FindAll(whole, what)) << what;
  }
  // A selection across a seam (which takes in both parts whole, as any selection from one
  // table into the next does) copies without the seam's line.
  QTextCursor across = parts.document()->find("Writing a 200-line");
  across.setPosition(parts.document()->find("Writing a 201-line").selectionEnd(), QTextCursor::KeepAnchor);
  parts.setTextCursor(across);
  EXPECT_NE(parts.SelectedText().find("Writing a 200-line Delphi component for fun & profit\n"), std::string::npos);
  EXPECT_EQ(parts.SelectedText().find("\n\n"), std::string::npos);
}

TEST_F(LongPageTest, TheResultPagesKeepTheirLinksAndFinds) {
  const std::string results = testing::SearchResultsPage(300);
  parts.LoadDocument(Write("SEARCHRESULT.HTM", results) + "#TOP");
  const std::vector<std::pair<std::string, int>> found = FindAll(parts, "Writing a 300-line");
  ASSERT_EQ(found.size(), 2u);  // in the list of titles and in the last detail block
  EXPECT_EQ(found[1].first, "Writing a 300-line");
}

TEST_F(LongPageTest, ALongListWrittenInPartsShowsAsOneList) {
  auto list_of = [](const char* tag, int items) {
    std::string page = std::string("<P>Before<") + tag + "><P>Lead";
    for (int item = 1; item <= items; ++item) page += "<LI>Item " + std::to_string(item);
    return page + "</" + tag + "><P>After";
  };
  auto count = [](const std::string& markup, const std::string& what) {
    int found = 0;
    for (std::size_t at = markup.find(what); at != std::string::npos; at = markup.find(what, at + 1)) ++found;
    return found;
  };
  struct Case {
    std::string name;
    std::string page;
    std::string tag;
    int lists;
  };
  const Case cases[] = {
      {"200 items", list_of("UL", 200), "ul", 1},
      {"201 items", list_of("UL", 201), "ul", 2},
      {"450 items", list_of("UL", 450), "ul", 3},
      {"450 numbered items", list_of("OL", 450), "ol", 1},
      // Its items stand under the FONT elements the parser reopens in the list.
      {"the titles of a results page", testing::SearchResultsPage(450), "ul", 3},
  };
  for (const Case& c : cases) {
    const std::string markup = ParseHtmlPage(c.page, {}, {}).markup;
    const std::string& tag = c.tag;
    EXPECT_EQ(count(markup, "<" + tag), c.lists) << c.name;
    // The same markup as one list.
    std::string one_list = markup;
    for (const char* joint : {"</ul><ul style=\"margin-top:0px;margin-bottom:0px;\">",
                              "</ul><ul style=\"margin-top:0px;\">", " style=\"margin-bottom:0px;\""}) {
      for (std::size_t at = one_list.find(joint); at != std::string::npos; at = one_list.find(joint)) {
        one_list.erase(at, std::strlen(joint));
      }
    }
    EXPECT_EQ(count(one_list, "<" + tag), 1) << c.name;
    HtmlPage split_page;
    split_page.markup = markup;
    HtmlPage whole_page;
    whole_page.markup = one_list;
    auto split = BuildHtmlDocument(split_page, {}, {});
    auto whole = BuildHtmlDocument(whole_page, {}, {});
    for (QTextDocument* document : {split.get(), whole.get()}) document->setTextWidth(800);
    EXPECT_EQ(split->documentLayout()->documentSize(), whole->documentLayout()->documentSize()) << c.name;
    EXPECT_EQ(ShownBlocks(*split), ShownBlocks(*whole)) << c.name;
    EXPECT_EQ(split->toPlainText(), whole->toPlainText()) << c.name;
  }
}

TEST_F(LongPageTest, ImagesClaimingHugeSizesAreNotDecoded) {
  // Headers claiming 100,000 x 100,000 pixels (GIF and JPEG: their largest, 65,535 x 65,535)
  // over a few bytes of data.
  std::string bmp = testing::BmpBytes(1, 1, 0);
  auto put32 = [&bmp](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>(value >> (8 * i));
  };
  put32(18, 100000);
  put32(22, 100000);
  std::string gif = testing::GifBytes();
  gif[6] = gif[7] = gif[8] = gif[9] = static_cast<char>(0xFF);
  std::string jpeg = testing::JpegBytes(8, 8, 0x00FF00);
  const std::size_t frame = jpeg.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  jpeg[frame + 5] = jpeg[frame + 7] = static_cast<char>(0xFF);
  jpeg[frame + 6] = jpeg[frame + 8] = static_cast<char>(0xFF);
  for (const std::string& bytes : {bmp, gif, jpeg}) {
    EXPECT_TRUE(DecodeImage(bytes).isNull()) << static_cast<int>(ImageKindOf(bytes));
  }
  Write("huge.bmp", bmp);
  Write("huge.jpg", jpeg);
  parts.LoadDocument(Write("huge.htm", "<IMG SRC=huge.bmp><IMG SRC=huge.jpg WIDTH=100000 HEIGHT=100000>Shown"));
  EXPECT_TRUE(parts.FindNext("Shown", true));
  parts.repaint();
}

}  // namespace
}  // namespace vantorel::browser
