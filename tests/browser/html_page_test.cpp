#include "browser/html_page.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "browser/image_loading.h"
#include "page_fixture_helpers.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

HtmlPage Parse(const std::string& bytes, const ImageResolver& images = {}) {
  return ParseHtmlPage(bytes, PageDefaults{}, images);
}

TEST(HtmlPageTest, ReadsTitleBaseAndLinksAsWritten) {
  const HtmlPage page = Parse(
      "<html><head><title>\r\n  Vantorel:\tStart  </title><base href=\"file:///C|/KVX/\" target=MAIN></head>"
      "<body><a href=diry:///disks/Issue07\\TIPTRIX\\>Tips</a>"
      "<A HREF=\"SRCH:///BONUS1.HTM|Word\" TARGET=\"_top\">Bonus</A>"
      "<a name=Top></a><a href=\"VIEW:C:\\X.PAS\r\nmore\">Source</a></body></html>");
  EXPECT_EQ(page.title, "Vantorel: Start");
  EXPECT_EQ(page.base_href, "file:///C|/KVX/");
  EXPECT_EQ(page.base_target, "MAIN");
  ASSERT_EQ(page.links.size(), 3u);
  EXPECT_EQ(page.links[0].href, "diry:///disks/Issue07\\TIPTRIX\\");
  EXPECT_EQ(page.links[0].target, "MAIN");  // the page's BASE TARGET
  EXPECT_EQ(page.links[1].href, "SRCH:///BONUS1.HTM|Word");
  EXPECT_EQ(page.links[1].target, "_top");
  EXPECT_EQ(page.links[2].href, "VIEW:C:\\X.PAS more");  // a line break reads as one blank
  EXPECT_FALSE(page.frameset);
}

TEST(HtmlPageTest, KeepsCodePage1252Texts) {
  const HtmlPage page = Parse("<title>Caf\xE9 \x93quoted\x94</title><a href=\"caf\xE9.htm\">x</a>");
  EXPECT_EQ(page.title, "Caf\xE9 \x93quoted\x94");
  ASSERT_EQ(page.links.size(), 1u);
  EXPECT_EQ(page.links[0].href, "caf\xE9.htm");
}

TEST(HtmlPageTest, ReadsNestedFramesets) {
  const HtmlPage page = Parse(
      "<HTML><HEAD><TITLE>Archive</TITLE></HEAD>"
      "<FRAMESET ROWS=\"60,*\" BORDER=3>"
      "<FRAME NAME=\"Banner\" SRC=\"banner.htm\" SCROLLING=NO NORESIZE>"
      "<FRAMESET COLS=\"25%,2*,*\"><FRAME NAME=MENU SRC=menu.htm><FRAME NAME=\"MAIN\" SRC=\"welcome.htm#top\">"
      "<FRAME SRC=x.htm FRAMEBORDER=0></FRAMESET>"
      "<NOFRAMES>Get a browser</NOFRAMES></FRAMESET></HTML>");
  EXPECT_EQ(page.title, "Archive");
  ASSERT_TRUE(page.frameset);
  const FramesetSpec& top = *page.frameset;
  ASSERT_EQ(top.rows.size(), 2u);
  EXPECT_EQ(top.rows[0].kind, FrameLength::Kind::Pixels);
  EXPECT_EQ(top.rows[0].value, 60);
  EXPECT_EQ(top.rows[1].kind, FrameLength::Kind::Relative);
  EXPECT_EQ(top.border, 3);
  ASSERT_EQ(top.frames.size(), 2u);
  EXPECT_EQ(top.frames[0].name, "Banner");
  EXPECT_EQ(top.frames[0].scrolling, "no");
  EXPECT_TRUE(top.frames[0].no_resize);
  ASSERT_TRUE(top.frames[1].frameset);
  const FramesetSpec& inner = *top.frames[1].frameset;
  ASSERT_EQ(inner.cols.size(), 3u);
  EXPECT_EQ(inner.cols[0].kind, FrameLength::Kind::Percent);
  EXPECT_EQ(inner.cols[0].value, 25);
  EXPECT_EQ(inner.cols[1].value, 2);
  ASSERT_EQ(inner.frames.size(), 3u);
  EXPECT_EQ(inner.frames[1].name, "MAIN");
  EXPECT_EQ(inner.frames[1].src, "welcome.htm#top");
  EXPECT_EQ(inner.frames[1].scrolling, "auto");
  EXPECT_FALSE(inner.frames[2].border);
}

TEST(HtmlPageTest, ParsesColoursAsTheBrowsersDid) {
  struct Case {
    const char* value;
    std::optional<QColor> expected;
  };
  const Case cases[] = {
      {"0000ff", QColor(0, 0, 255)}, {"#008000", QColor(0, 128, 0)}, {" FFFFFF ", QColor(255, 255, 255)},
      {"RED", QColor(255, 0, 0)},    {"black", QColor(0, 0, 0)},     {"", std::nullopt},
      {"#12", std::nullopt},         {"nocolour", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseHtmlColor(c.value), c.expected) << c.value;
  }
}

TEST(HtmlPageTest, MapsFontSizeLevelsToPoints) {
  EXPECT_DOUBLE_EQ(PointSizeOfLevel(3, 12), 12);
  EXPECT_DOUBLE_EQ(PointSizeOfLevel(6, 12), 24);  // BASEFONT 3 and SIZE="+3"
  EXPECT_DOUBLE_EQ(PointSizeOfLevel(4, 12), 13.5);
  EXPECT_DOUBLE_EQ(PointSizeOfLevel(9, 12), 36);  // clamped to 7
  EXPECT_DOUBLE_EQ(PointSizeOfLevel(3, 10), 10);
}

TEST(HtmlPageTest, AsksForEveryImageWithItsSourceAsWrittenAndTheBaseKnown) {
  std::vector<std::string> asked;
  std::string base_seen;
  const ImageResolver resolver = [&](const std::string& src, const HtmlPage& page) -> std::optional<PlacedImage> {
    asked.push_back(src);
    base_seen = page.base_href;
    if (src == "missing.gif") return std::nullopt;
    return PlacedImage{"vimg:" + std::to_string(asked.size()), 32, 16};
  };
  const HtmlPage page = Parse(
      "<head><base href=\"file:///C|/ARCH/\"></head><body>"
      "<img src=\"Images\\Logo.BMP\" width=64><IMG SRC=missing.gif><a href=x.htm><img src=b.jpg></a></body>",
      resolver);
  EXPECT_EQ(asked, (std::vector<std::string>{"Images\\Logo.BMP", "missing.gif", "b.jpg"}));
  EXPECT_EQ(base_seen, "file:///C|/ARCH/");
  EXPECT_NE(page.markup.find("src=\"vimg:1\" width=\"64\" height=\"32\""), std::string::npos) << page.markup;
  EXPECT_EQ(page.markup.find("vimg:2"), std::string::npos);  // no image for an empty answer
  EXPECT_NE(page.markup.find("<a href=\"vlink:0\"><img src=\"vimg:3\""), std::string::npos);
}

TEST(HtmlPageTest, ReadsFrameLengths) {
  const auto lengths = ParseFrameLengths(" 120 , 30% ,*, 3* ");
  ASSERT_EQ(lengths.size(), 4u);
  EXPECT_EQ(lengths[0].kind, FrameLength::Kind::Pixels);
  EXPECT_EQ(lengths[1].kind, FrameLength::Kind::Percent);
  EXPECT_EQ(lengths[2].kind, FrameLength::Kind::Relative);
  EXPECT_EQ(lengths[2].value, 1);
  EXPECT_EQ(lengths[3].value, 3);
  EXPECT_TRUE(ParseFrameLengths("").empty());
}

TEST(HtmlPageTest, DeepNestingKeepsTheTextWithoutExhaustingTheStack) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += "<div><b>";
  bytes += "deep text<p>more";
  const HtmlPage page = Parse(bytes);
  EXPECT_NE(page.markup.find("deep text"), std::string::npos);
  EXPECT_NE(page.markup.find("more"), std::string::npos);
}

// Tables in cells of tables: eight levels are written as tables; a table holding a ninth
// shows only its text, rows on lines of their own, cells set apart by a blank.
TEST(HtmlPageTest, TablesNestedTooDeepShowOnlyTheirText) {
  auto nested = [](int levels) {
    std::string bytes = "<p>before";
    for (int i = 0; i < levels; ++i) bytes += "<table><tr><td>a" + std::to_string(i) + "<td>b";
    return bytes + "<tr><td>last</table>after";
  };
  const std::string eight = Parse(nested(8)).markup;
  std::size_t tables = 0;
  for (std::size_t at = eight.find("<table"); at != std::string::npos; at = eight.find("<table", at + 1)) ++tables;
  EXPECT_EQ(tables, 8u);
  const std::string nine = Parse(nested(9)).markup;
  EXPECT_EQ(nine.find("<table"), std::string::npos);
  EXPECT_NE(nine.find("<br /> a0 b<br /> a1 b"), std::string::npos) << nine;
  EXPECT_NE(nine.find("<br /> last"), std::string::npos) << nine;
  EXPECT_NE(nine.find("after"), std::string::npos);
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

std::string Repeated(const std::string& text, int count) {
  std::string repeated;
  for (int i = 0; i < count; ++i) repeated += text;
  return repeated;
}

// count small tables of one cell each, the cell of the i-th holding "t" + i.
std::string SmallTables(int count) {
  std::string bytes;
  for (int i = 0; i < count; ++i) bytes += "<table><tr><td>t" + std::to_string(i) + "</table>";
  return bytes;
}

// A table laid out in two parts: one row more than a part holds, every cell with a WIDTH.
std::string TableOfTwoParts() {
  return "<table>" + Repeated("<tr><td width=50>r", 201) + "</table>";
}

// A picture 100 pixels wide and 1,000 high for every source.
std::optional<PlacedImage> TallImage(const std::string& src, const HtmlPage&) {
  return PlacedImage{"img:" + src, 100, 1000};
}

// Up to each bound a page is written as before; beyond it tables show only their text,
// rows on lines of their own and cells set apart by a blank, and images are left out.
struct BoundCase {
  const char* name;
  std::string bytes;
  std::string counted;   // markup counted
  std::size_t count;     // times the markup holds it
  std::string shown;     // markup the page holds; empty for none
};

void PrintTo(const BoundCase& c, std::ostream* os) { *os << c.name; }

class HostileBoundTest : public ::testing::TestWithParam<BoundCase> {};

TEST_P(HostileBoundTest, WritesUpToTheBoundAsBefore) {
  const BoundCase& c = GetParam();
  const std::string markup = Parse(c.bytes, TallImage).markup;
  EXPECT_EQ(Occurrences(markup, c.counted), c.count) << c.name;
  if (!c.shown.empty()) {
    EXPECT_NE(markup.find(c.shown), std::string::npos) << c.name;
  }
  EXPECT_NE(markup.find("after"), std::string::npos) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, HostileBoundTest,
    ::testing::Values(
        BoundCase{"a row of the most cells", "<table><tr>" + Repeated("<td>c", kMaxCellsPerRow) + "</table>after",
                  "<td ", kMaxCellsPerRow, "<table "},
        BoundCase{"a row of one cell more", "<table><tr>" + Repeated("<td>c", kMaxCellsPerRow + 1) + "</table>after",
                  "<table", 0, "<br /> c c c"},
        BoundCase{"a later row of one cell more, in a row group",
                  "<table><tbody><tr><td>a<tr>" + Repeated("<th>c", kMaxCellsPerRow + 1) + "</table>after", "<table", 0,
                  "<br /> a<br /> c c"},
        BoundCase{"a wide row in a cell shows as text in that cell",
                  "<table><tr><td>a<table><tr>" + Repeated("<td>c", kMaxCellsPerRow + 1) + "</table></table>after",
                  "<table", 1, "<td align=\"left\" valign=\"middle\">a<br /> c c"},
        BoundCase{"a table of the most cells",
                  "<table>" + Repeated("<tr>" + Repeated("<td>c", 100), 100) + "</table>after", "<table", 1, ""},
        BoundCase{"a cell more shows as text",
                  "<table>" + Repeated("<tr>" + Repeated("<td>c", 100), 100) + "<tr><td>last</table>after", "<table", 0,
                  "<br /> lastafter"},
        BoundCase{"a table in parts counts the cells of a part",
                  "<table>" + Repeated("<tr>" + Repeated("<td width=5>c", 50), 201) + "</table>after", "<table", 2, ""},
        BoundCase{"a wider part shows as text",
                  "<table>" + Repeated("<tr>" + Repeated("<td width=5>c", 51), 201) + "</table>after", "<table", 0,
                  "<br /> c c"},
        BoundCase{"the most tables", SmallTables(kMaxTablesPerPage) + "after", "<table", kMaxTablesPerPage, ""},
        BoundCase{"one table more", SmallTables(kMaxTablesPerPage + 1) + "after", "<table", kMaxTablesPerPage,
                  "<br /> t" + std::to_string(kMaxTablesPerPage) + "after"},
        BoundCase{"a longer page holds one table per so many bytes",
                  SmallTables(kMaxTablesPerPage + 1) + std::string(kMaxTablesPerPage * kPageBytesPerTable, ' ') +
                      "after",
                  "<table", kMaxTablesPerPage + 1, ""},
        BoundCase{"the parts of a long table count",
                  SmallTables(kMaxTablesPerPage - 2) + TableOfTwoParts() + "<table><tr><td>last</table>after",
                  "<table", kMaxTablesPerPage, "<br /> lastafter"},
        BoundCase{"images up to the page's height",
                  Repeated("<img src=a.gif>", static_cast<int>(kMaxPageImageHeight / 1000)) + "after",
                  "<img ", kMaxPageImageHeight / 1000, ""},
        BoundCase{"an image more is left out",
                  Repeated("<img src=a.gif>", static_cast<int>(kMaxPageImageHeight / 1000) + 1) + "after",
                  "<img ", kMaxPageImageHeight / 1000, ""},
        BoundCase{"claimed sizes count as shown",
                  Repeated("<img src=a.gif width=1 height=100000>",
                           static_cast<int>(kMaxPageImageHeight / kMaxImageSide) + 1) + "after",
                  "height=\"16000\"", kMaxPageImageHeight / kMaxImageSide, "width=\"0\" height=\"16000\""}));

TEST(HtmlPageTest, SurvivesAnyBytes) {
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes.push_back(static_cast<char>((i * 7919) % 256));
  bytes += "<table><tr><td colspan=999999999><font size=+99999999999>x<hr size=-5 width=999%>";
  const HtmlPage page = Parse(bytes);
  EXPECT_FALSE(page.markup.empty());
}

// --- Image files ---------------------------------------------------------------------------

TEST(ImageLoadingTest, DecidesTheKindByContentNotByName) {
  testing::EnsureQtApplication();
  testing::TempDir dir;
  dir.Write("bmp_named.gif", testing::BmpBytes(3, 2, 0xFF0000));
  dir.Write("jpeg_named.bmp", testing::JpegBytes(16, 8, 0x00FF00));
  dir.Write("gif_named.jpg", testing::GifBytes());
  dir.Write("text.bmp", "BX this is not an image");
  dir.Write("empty.jpg", "");

  const QImage bmp = LoadImageFileAsBitmap(dir / "bmp_named.gif");
  ASSERT_FALSE(bmp.isNull());
  EXPECT_EQ(bmp.size(), QSize(3, 2));
  EXPECT_EQ(bmp.pixel(1, 1) & 0xFFFFFF, 0xFF0000u);

  const QImage jpeg = LoadImageFileAsBitmap(dir / "jpeg_named.bmp");
  ASSERT_FALSE(jpeg.isNull());
  EXPECT_EQ(jpeg.size(), QSize(16, 8));
  EXPECT_NEAR(qGreen(jpeg.pixel(8, 4)), 255, 3);
  EXPECT_NEAR(qRed(jpeg.pixel(8, 4)), 0, 3);
  EXPECT_EQ(jpeg.format(), QImage::Format_RGB32);

  EXPECT_EQ(LoadImageFileAsBitmap(dir / "gif_named.jpg").size(), QSize(1, 1));
  EXPECT_TRUE(LoadImageFileAsBitmap(dir / "text.bmp").isNull());
  EXPECT_TRUE(LoadImageFileAsBitmap(dir / "empty.jpg").isNull());
  EXPECT_TRUE(LoadImageFileAsBitmap(dir / "absent.jpg").isNull());
}

TEST(ImageLoadingTest, RefusesDamagedJpegWithoutEndingTheProcess) {
  std::string jpeg = testing::JpegBytes(64, 64, 0x123456);
  for (std::size_t cut : {std::size_t{3}, std::size_t{40}, jpeg.size() / 2}) {
    (void)DecodeImage(jpeg.substr(0, cut));  // truncated data: refused or partly grey, never a crash
  }
  std::string corrupt = jpeg;
  for (std::size_t i = 20; i < corrupt.size(); i += 7) corrupt[i] = static_cast<char>(0xFF);
  (void)DecodeImage(corrupt);
  // A header claiming 65535 x 65535 pixels is refused before anything is allocated.
  std::string huge = jpeg;
  const std::size_t sof = huge.find("\xFF\xC0", 2);
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 6] = huge[sof + 7] = huge[sof + 8] = static_cast<char>(0xFF);
  EXPECT_TRUE(DecodeImage(huge).isNull());
}

TEST(ImageLoadingTest, TheArchiveRuleCutsThePathAndNeverShowsGif) {
  testing::EnsureQtApplication();
  testing::TempDir dir;
  dir.Write("pic.JPG", testing::JpegBytes(4, 4, 0xFFFFFF));
  dir.Write("pic.bmp", testing::BmpBytes(4, 4, 0));
  dir.Write("pic.Gif", testing::GifBytes());
  EXPECT_FALSE(ImageForExpandedPath(dir / "pic.JPG").isNull());
  EXPECT_FALSE(ImageForExpandedPath(dir / "pic.bmp").isNull());
  EXPECT_TRUE(ImageForExpandedPath(dir / "pic.Gif").isNull());
  // A path longer than 80 characters is looked up cut at 80.
  const std::string folder = dir.path().string() + "/";
  ASSERT_LT(folder.size(), 70u);
  const std::string long_name = std::string(80 - folder.size(), 'a') + ".bmp";
  dir.Write(long_name, testing::BmpBytes(2, 2, 0));
  dir.Write(std::string(80 - folder.size(), 'a'), testing::BmpBytes(2, 2, 0));
  EXPECT_EQ(ImageForExpandedPath(folder + long_name).size(), QSize(2, 2));  // found under the cut name
  std::filesystem::remove(dir.path() / std::string(80 - folder.size(), 'a'));
  EXPECT_TRUE(ImageForExpandedPath(folder + long_name).isNull());
}

}  // namespace
}  // namespace vantorel::browser
