// Legacy HTML pages: parsed as a browser of the time read them, and normalised into the
// markup QTextDocument lays out.
//
// A page is read as bytes in code page 1252 and parsed with gumbo, which builds the tree a
// browser builds from misnested FONT and P elements, unquoted attribute values and end tags
// that never come. The tree is then written out again as a flat, well-formed document in the
// rich-text subset QTextDocument understands: every run of text carries its computed style
// (colour, size, face, weight, slant) as one span, so that FONT sizes relative to BASEFONT,
// colours written without "#" and styles that span paragraph ends all come out as the page's
// browser showed them. Links and images are replaced by keys that the view resolves.
#pragma once

#include <QColor>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::browser {

// How the view's defaults enter the normalised page.
struct PageDefaults {
  std::string font_name = "Times New Roman";  // proportional text (1252)
  std::string pre_font_name = "Courier New";  // PRE, TT, CODE and plain-text documents
  double base_point_size = 12.0;              // point size of FONT SIZE 3
  QColor background = QColor(0xC0, 0xC0, 0xC0);
  QColor text = Qt::black;
  QColor link = QColor(0x00, 0x00, 0xFF);
  bool link_underline = true;                 // links are underlined
};

// A link of the page as it was written.
struct PageLink {
  std::string href;    // HREF exactly as written (1252); empty for a NAME-only anchor
  std::string target;  // TARGET as written, else the page's BASE TARGET; may be empty
};

// One length of a FRAMESET's ROWS or COLS list.
struct FrameLength {
  enum class Kind { Pixels, Percent, Relative };
  Kind kind = Kind::Relative;
  double value = 1;  // pixels, percent, or the weight of "*" (1 for a bare "*")
};

struct FramesetSpec;
struct HtmlPage;

// One FRAME, or a nested FRAMESET in its place.
struct FrameSpec {
  std::string name;       // NAME as written (1252)
  std::string src;        // SRC as written (1252)
  std::string scrolling;  // "yes", "no" or "auto" (lower case)
  bool no_resize = false;
  bool border = true;     // FRAMEBORDER is not "0"/"no"
  std::shared_ptr<FramesetSpec> frameset;  // set for a nested FRAMESET
};

// Most frames a page's frameset shows, counted through its nested framesets in document
// order; the frames beyond are left out.
inline constexpr int kMaxFrames = 64;

struct FramesetSpec {
  std::vector<FrameLength> rows;  // empty: one row
  std::vector<FrameLength> cols;  // empty: one column
  std::vector<FrameSpec> frames;  // in document order (rows first, then columns)
  int border = -1;                // BORDER/FRAMESPACING in pixels; -1 when not given
  bool frame_border = true;       // FRAMEBORDER is not "0"/"no"
};

// What an image resolver returns for a SRC: the resource name under which the view holds
// the image and its natural size.
struct PlacedImage {
  std::string resource;  // URL text of the image resource in the document
  int width = 0;
  int height = 0;
};
// Called once for every IMG (and BODY BACKGROUND) in document order with the SRC as written
// (1252) and the page as far as it is read (its TITLE and BASE are known by then); nullopt
// leaves the image out of the page.
using ImageResolver =
    std::function<std::optional<PlacedImage>(const std::string& src, const HtmlPage& page)>;

// Resource name prefixes of the normalised markup.
inline constexpr std::string_view kLinkPrefix = "vlink:";          // + index into links
// A horizontal rule is an image named "vrule:" + width + ":" + "%" or "px" + ":" + size in
// pixels + ":" + colour "rrggbb" or "-" + ":" + "1" when shaded, else "0"; the view draws it.
inline constexpr std::string_view kRulePrefix = "vrule:";
// A named anchor (A NAME) is an image of no size named "vanchor:" + the name's UTF-8 bytes in
// lower-case hexadecimal, placed before the content that follows the anchor.
inline constexpr std::string_view kAnchorPrefix = "vanchor:";
// A seam is an image of no size named "vseam:" between two parts of one long table; the
// view shrinks its line to nothing, so the parts show as the one table they are.
inline constexpr std::string_view kSeamPrefix = "vseam:";

// Cells of one row written as a table row. QTextDocument builds and lays out a row in time
// that grows with its cells; real pages have a few dozen columns, and a table with a longer
// row shows only its text, as a table nested too deep does.
inline constexpr int kMaxCellsPerRow = 500;
// Cells QTextDocument lays out at once in one table: those of a table, or of one part of a
// table laid out in parts (counted as its widest row times the part's rows). A real page's
// tables hold some hundreds; a table with more shows only its text.
inline constexpr long long kMaxCellsPerTable = 10'000;
// Tables written as tables on one page, the parts of long tables counted: kMaxTablesPerPage,
// or one per kPageBytesPerTable bytes of a longer page. QTextDocument makes each table a
// frame of the page and lays the page out in time that grows faster than their number; a
// generated page has a table of a kilobyte or more per article, a hostile one thousands of
// empty tables. Tables beyond show only their text.
inline constexpr int kMaxTablesPerPage = 8000;
inline constexpr std::size_t kPageBytesPerTable = 128;
// Sum of the heights of a page's images, in pixels. QTextDocument places lines in 26.6 fixed
// point, which overflows beyond 2^25 pixels; the images beyond this are left out.
inline constexpr long long kMaxPageImageHeight = 4'000'000;

struct HtmlPage {
  std::string title;        // TITLE text, blanks collapsed (1252); empty when none
  std::string base_href;    // BASE HREF as written (1252); empty when none
  std::string base_target;  // BASE TARGET as written (1252)
  std::shared_ptr<FramesetSpec> frameset;  // set when the page is a frameset
  QColor background;        // BODY BGCOLOR, else the default background
  QColor text_color;        // BODY TEXT, else the default text colour
  std::string markup;       // the normalised page, UTF-8, for QTextDocument::setHtml
  std::vector<PageLink> links;  // "vlink:N" in the markup stands for links[N]
};

// Parses a page given as bytes in code page 1252. Never fails: any byte sequence gives a
// page. images may be empty (every image is left out).
// Hostile pages are bounded where QTextDocument would take minutes or overflow: an image is
// written at most kMaxImageSide (image_loading.h) a side, its proportions kept, and the
// images beyond kMaxPageImageHeight are left out; a table with a row of more than
// kMaxCellsPerRow cells or of more than kMaxCellsPerTable cells, and the tables beyond the
// page's bound (kMaxTablesPerPage), show only their text.
HtmlPage ParseHtmlPage(std::string_view bytes, const PageDefaults& defaults,
                       const ImageResolver& images);

// The colour an attribute value names: six hexadecimal digits with or without "#", or a
// colour name; nullopt for anything else.
std::optional<QColor> ParseHtmlColor(std::string_view value);

// A FRAMESET ROWS/COLS list: "100", "25%", "*", "2*", separated by commas.
std::vector<FrameLength> ParseFrameLengths(std::string_view value);

// Point size of a FONT SIZE level 1..7 for a view whose level 3 is base_point_size.
double PointSizeOfLevel(int level, double base_point_size);

}  // namespace vantorel::browser
