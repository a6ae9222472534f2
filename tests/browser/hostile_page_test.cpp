// Damaged and hostile pages in the view: each loads and shows its text from the first words
// to the last.
#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "browser/html_viewer.h"
#include "browser/image_loading.h"
#include "hostile_page_helpers.h"
#include "page_fixture_helpers.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

using testing::HostileKind;

// The words a page of each kind starts with; nullptr for a page without text.
const char* FirstWords(HostileKind kind) {
  switch (kind) {
    case HostileKind::UnclosedFonts: return "word word word";
    case HostileKind::NestedBlocks: return "a";
    case HostileKind::NestedTables: return "cell";
    case HostileKind::HugeAttributes: return "face link";
    case HostileKind::ManyTables: return "cell";
    case HostileKind::WideTable: return "cell";
    case HostileKind::ManyCells: return "c";
    case HostileKind::ManyFrames: return nullptr;
    case HostileKind::MissingImageClaims: return "picture picture";
    case HostileKind::HugeImageClaims: return "picture picture";
  }
  return nullptr;
}

class HostilePageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  testing::TempDir dir;
  HtmlViewer view;
};

TEST_F(HostilePageTest, EachKindShowsItsTextFromStartToEnd) {
  dir.Write("frame.htm", "<P>Frame</P>");
  dir.Write(std::string(testing::kHostileImageName), testing::BmpBytes(4, 3, 0x00FF00));
  view.resize(640, 480);
  for (const testing::HostilePageKind& kind : testing::HostilePageKinds()) {
    const std::string page = testing::HostilePage(kind.kind, 256 << 10);
    view.LoadDocument(dir.Write(std::string(kind.name) + ".htm", page).string());
    const char* first = FirstWords(kind.kind);
    if (!first) continue;
    // Images stand in the text as object replacement characters.
    const QString text = view.document()->toPlainText().remove(QChar::ObjectReplacementCharacter).simplified();
    EXPECT_TRUE(text.startsWith(QString::fromLatin1(first))) << kind.name << ": " << text.left(80).toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("End of page"))) << kind.name << ": " << text.right(80).toStdString();
  }
}

// Every word of unclosed FONT elements is shown, also the words beyond the deepest nesting
// the view keeps.
TEST_F(HostilePageTest, UnclosedFontsShowEveryWord) {
  const std::string page = testing::HostilePage(HostileKind::UnclosedFonts, 64 << 10);
  std::size_t words = 0;
  for (std::size_t at = page.find("word"); at != std::string::npos; at = page.find("word", at + 1)) ++words;
  view.LoadDocument(dir.Write("fonts.htm", page).string());
  EXPECT_EQ(static_cast<std::size_t>(view.document()->toPlainText().count(QStringLiteral("word"))), words);
}

// Pictures claiming 100,000 pixels a side are shown no larger than the largest picture the
// view decodes; the page stays within the heights the layout can place, and painting any
// part of it ends.
TEST_F(HostilePageTest, HugeImageClaimsStayWithinTheLayoutsReach) {
  dir.Write(std::string(testing::kHostileImageName), testing::BmpBytes(4, 3, 0x00FF00));
  view.resize(640, 480);
  view.show();
  const std::string page = testing::HostilePage(HostileKind::HugeImageClaims, 256 << 10);
  view.LoadDocument(dir.Write("claims.htm", page).string());
  const QTextBlock first = view.document()->begin();
  ASSERT_FALSE(first.begin().atEnd());
  const QTextImageFormat image = first.begin().fragment().charFormat().toImageFormat();
  EXPECT_EQ(image.width(), kMaxImageSide);
  EXPECT_EQ(image.height(), kMaxImageSide);
  EXPECT_LT(view.document()->documentLayout()->documentSize().height(), 1 << 25);
  QScrollBar& scroll = *view.verticalScrollBar();
  for (const int at : {0, scroll.maximum() / 2 + 7, scroll.maximum()}) {
    scroll.setValue(at);
    view.repaint();
  }
  EXPECT_TRUE(view.FindNext("End of page", false));
}

}  // namespace
}  // namespace vantorel::browser
