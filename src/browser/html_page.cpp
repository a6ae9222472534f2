#include "browser/html_page.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "browser/element_attributes.h"
#include "browser/image_loading.h"
#include "browser/markup_writer.h"
#include "browser/nesting_bound.h"
#include "core/code_pages.h"
#include "core/texts.h"

namespace vantorel::browser {
namespace {

// Point sizes of the seven FONT SIZE levels at the normal base of 12 points (size 3), as the
// browsers of the time mapped them.
constexpr std::array<double, 7> kLevelPoints = {7.5, 10, 12, 13.5, 18, 24, 36};
constexpr int kDefaultBaseLevel = 3;
// Deepest nesting of elements the normaliser follows element by element.
constexpr int kMaxNesting = 400;
// Deepest nesting of FRAMESET elements shown; deeper ones are left out.
constexpr int kMaxFramesetNesting = 8;
// Deepest nesting of tables written as tables; deeper ones show only their text.
// QTextDocument lays out the content of a table in a table again for each enclosing table.
constexpr int kMaxTableNesting = 8;
// Rows of one table in the normalised markup. QTextDocument lays a table out whole, in time
// that grows faster than its rows, before it shows any of it; a longer table whose column
// widths its cells fix is written as consecutive tables of this many rows joined by seams.
constexpr int kRowsPerTablePart = 200;
// Items of one unordered list in the normalised markup. QTextDocument touches every item of a
// list each time it adds one; a longer list is written as consecutive lists of this many items
// with no margin between them, which look the same.
constexpr int kItemsPerListPart = 200;

std::string Utf8ToPageText(std::string_view utf8) { return core::Utf8ToCp1252(utf8); }

std::string FormatPoints(double points) {
  char text[16];
  std::snprintf(text, sizeof text, "%g", points);
  return text;
}

const GumboVector& ChildrenOf(const GumboNode* node) {
  return node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
}

const GumboNode* ChildAt(const GumboVector& children, unsigned index) {
  return static_cast<const GumboNode*>(children.data[index]);
}

const GumboNode* FindChild(const GumboNode* node, GumboTag tag) {
  if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) return nullptr;
  const GumboVector& children = ChildrenOf(node);
  for (unsigned i = 0; i < children.length; ++i) {
    const GumboNode* child = ChildAt(children, i);
    if (child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == tag) return child;
  }
  return nullptr;
}

void CollectText(const GumboNode* node, std::string& text) {
  if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE || node->type == GUMBO_NODE_CDATA) {
    text += node->v.text.text;
  } else if (node->type == GUMBO_NODE_ELEMENT) {
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) CollectText(ChildAt(children, i), text);
  }
}

std::string CollapseBlanks(std::string_view text) {
  std::string collapsed;
  bool blank = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
      blank = !collapsed.empty();
    } else {
      if (blank) collapsed += ' ';
      blank = false;
      collapsed += c;
    }
  }
  return collapsed;
}

// TITLE and BASE, wherever the parser put them.
void ReadHeadParts(const GumboNode* node, HtmlPage& page) {
  if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) return;
  if (node->type == GUMBO_NODE_ELEMENT) {
    const GumboElement& element = node->v.element;
    if (element.tag == GUMBO_TAG_TITLE && page.title.empty()) {
      std::string text;
      CollectText(node, text);
      page.title = Utf8ToPageText(CollapseBlanks(text));
      return;
    }
    if (element.tag == GUMBO_TAG_BASE) {
      const ElementAttributes attributes(element);
      if (attributes.Has("href") && page.base_href.empty()) {
        page.base_href = Utf8ToPageText(attributes.Text("href"));
      }
      if (attributes.Has("target") && page.base_target.empty()) {
        page.base_target = Utf8ToPageText(attributes.Text("target"));
      }
      return;
    }
    if (element.tag == GUMBO_TAG_BODY) return;  // TITLE and BASE live in HEAD
  }
  const GumboVector& children = ChildrenOf(node);
  for (unsigned i = 0; i < children.length; ++i) ReadHeadParts(ChildAt(children, i), page);
}

// --- Frames ---------------------------------------------------------------------------------

FrameSpec ReadFrame(const GumboElement& element, bool frameset_border) {
  const ElementAttributes attributes(element);
  FrameSpec frame;
  frame.name = Utf8ToPageText(attributes.Trimmed("name"));
  frame.src = Utf8ToPageText(attributes.Text("src"));
  frame.scrolling = attributes.Keyword("scrolling");
  if (frame.scrolling != "yes" && frame.scrolling != "no") frame.scrolling = "auto";
  frame.no_resize = attributes.Has("noresize");
  frame.border = frameset_border && !attributes.IsOff("frameborder");
  return frame;
}

// frames counts the frames read so far in the page's whole frameset.
std::shared_ptr<FramesetSpec> ReadFrameset(const GumboElement& element, int& frames, int depth = 0) {
  const ElementAttributes attributes(element);
  auto frameset = std::make_shared<FramesetSpec>();
  frameset->rows = ParseFrameLengths(attributes.Text("rows"));
  frameset->cols = ParseFrameLengths(attributes.Text("cols"));
  for (const char* name : {"border", "framespacing"}) {
    if (auto value = attributes.Integer(name); value && *value >= 0) {
      frameset->border = *value;
      break;
    }
  }
  frameset->frame_border = !attributes.IsOff("frameborder");
  for (unsigned i = 0; i < element.children.length; ++i) {
    const GumboNode* child = ChildAt(element.children, i);
    if (child->type != GUMBO_NODE_ELEMENT) continue;
    const GumboElement& child_element = child->v.element;
    if (frames == kMaxFrames) break;
    if (child_element.tag == GUMBO_TAG_FRAME) {
      ++frames;
      frameset->frames.push_back(ReadFrame(child_element, frameset->frame_border));
    } else if (child_element.tag == GUMBO_TAG_FRAMESET && depth < kMaxFramesetNesting) {
      FrameSpec nested;
      nested.frameset = ReadFrameset(child_element, frames, depth + 1);
      frameset->frames.push_back(std::move(nested));
    }
  }
  return frameset;
}

// --- The walk of the body -------------------------------------------------------------------

// The style every run of text carries, computed down the tree.
struct TextStyle {
  QColor color;
  int size_level = 0;          // 1..7; 0 means the BASEFONT level
  std::string face;            // UTF-8; empty means the default face
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strike = false;
  int vertical = 0;            // -1 subscript, 1 superscript
  int link = -1;               // index into the page's links, -1 outside links
  bool preformatted = false;   // whitespace kept as written
};

// Elements the walk treats alike; each family is written by one part of the normaliser.
enum class ElementFamily {
  Container,    // only holds content (BODY, SPAN, unknown elements): its children are walked
  Hidden,       // shows nothing: head parts, scripts, form controls, embedded objects, frames
  TextStyle,    // changes the style of the text inside
  Anchor,       // A: a link, a named place, or both
  Block,        // paragraphs, divisions, headings, line breaks, preformatted text, quotations
  List,         // lists and their items
  Table,        // a table and its parts
  ImageOrRule,  // IMG and HR
};

ElementFamily FamilyOf(GumboTag tag) {
  switch (tag) {
    case GUMBO_TAG_HEAD: case GUMBO_TAG_TITLE: case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE:
    case GUMBO_TAG_NOSCRIPT: case GUMBO_TAG_NOFRAMES: case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_IFRAME: case GUMBO_TAG_OBJECT: case GUMBO_TAG_APPLET: case GUMBO_TAG_EMBED:
    case GUMBO_TAG_MAP: case GUMBO_TAG_AREA: case GUMBO_TAG_META: case GUMBO_TAG_LINK:
    case GUMBO_TAG_BASE: case GUMBO_TAG_INPUT: case GUMBO_TAG_SELECT: case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_BUTTON: case GUMBO_TAG_BGSOUND: case GUMBO_TAG_PARAM: case GUMBO_TAG_COLGROUP:
    case GUMBO_TAG_COL: case GUMBO_TAG_SVG: case GUMBO_TAG_MATH:
    case GUMBO_TAG_FRAMESET: case GUMBO_TAG_FRAME:  // a page's frameset is read before the walk
      return ElementFamily::Hidden;

    case GUMBO_TAG_BASEFONT: case GUMBO_TAG_FONT: case GUMBO_TAG_B: case GUMBO_TAG_STRONG:
    case GUMBO_TAG_I: case GUMBO_TAG_EM: case GUMBO_TAG_CITE: case GUMBO_TAG_VAR: case GUMBO_TAG_DFN:
    case GUMBO_TAG_U: case GUMBO_TAG_INS: case GUMBO_TAG_S: case GUMBO_TAG_STRIKE: case GUMBO_TAG_DEL:
    case GUMBO_TAG_SUB: case GUMBO_TAG_SUP: case GUMBO_TAG_BIG: case GUMBO_TAG_SMALL:
    case GUMBO_TAG_TT: case GUMBO_TAG_CODE: case GUMBO_TAG_KBD: case GUMBO_TAG_SAMP:
      return ElementFamily::TextStyle;

    case GUMBO_TAG_A:
      return ElementFamily::Anchor;

    case GUMBO_TAG_BR: case GUMBO_TAG_P: case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_DIV: case GUMBO_TAG_CENTER: case GUMBO_TAG_FORM: case GUMBO_TAG_MAIN:
    case GUMBO_TAG_ARTICLE: case GUMBO_TAG_SECTION: case GUMBO_TAG_NAV: case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_HEADER: case GUMBO_TAG_FOOTER: case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4: case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_PRE: case GUMBO_TAG_XMP: case GUMBO_TAG_LISTING: case GUMBO_TAG_PLAINTEXT:
    case GUMBO_TAG_BLOCKQUOTE:
      return ElementFamily::Block;

    case GUMBO_TAG_UL: case GUMBO_TAG_DIR: case GUMBO_TAG_MENU: case GUMBO_TAG_OL: case GUMBO_TAG_LI:
    case GUMBO_TAG_DL: case GUMBO_TAG_DT: case GUMBO_TAG_DD:
      return ElementFamily::List;

    case GUMBO_TAG_TABLE: case GUMBO_TAG_CAPTION: case GUMBO_TAG_TBODY: case GUMBO_TAG_THEAD:
    case GUMBO_TAG_TFOOT: case GUMBO_TAG_TR: case GUMBO_TAG_TD: case GUMBO_TAG_TH:
      return ElementFamily::Table;

    case GUMBO_TAG_IMG: case GUMBO_TAG_IMAGE: case GUMBO_TAG_HR:
      return ElementFamily::ImageOrRule;

    default:
      return ElementFamily::Container;
  }
}

// Calls visit for every TR of a table: its own rows and those of its row groups.
template <typename Visit>
void ForEachRow(const GumboNode* table, Visit visit) {
  const GumboVector& children = table->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) {
    const GumboNode* child = ChildAt(children, i);
    if (child->type != GUMBO_NODE_ELEMENT) continue;
    const GumboTag tag = child->v.element.tag;
    if (tag == GUMBO_TAG_TR) {
      visit(child);
    } else if (tag == GUMBO_TAG_TBODY || tag == GUMBO_TAG_THEAD || tag == GUMBO_TAG_TFOOT) {
      const GumboVector& rows = child->v.element.children;
      for (unsigned j = 0; j < rows.length; ++j) {
        const GumboNode* row = ChildAt(rows, j);
        if (row->type == GUMBO_NODE_ELEMENT && row->v.element.tag == GUMBO_TAG_TR) visit(row);
      }
    }
  }
}

// A table lays out in parts of kRowsPerTablePart rows exactly as it does whole when it has
// more rows than that, every cell has a WIDTH (so each part has the same columns) and no
// cell spans rows (so no cell crosses a seam).
bool LaysOutInParts(const GumboNode* table) {
  int rows = 0;
  bool fixed_columns = true;
  ForEachRow(table, [&](const GumboNode* row) {
    ++rows;
    const GumboVector& cells = row->v.element.children;
    for (unsigned i = 0; i < cells.length && fixed_columns; ++i) {
      const GumboNode* cell = ChildAt(cells, i);
      if (cell->type != GUMBO_NODE_ELEMENT) continue;
      if (cell->v.element.tag != GUMBO_TAG_TD && cell->v.element.tag != GUMBO_TAG_TH) continue;
      const ElementAttributes attributes(cell->v.element);
      const std::optional<HtmlLength> width = attributes.Length("width");
      if (!width || width->value <= 0 || attributes.Integer("rowspan").value_or(1) > 1) fixed_columns = false;
    }
  });
  return fixed_columns && rows > kRowsPerTablePart;
}

// Whether table (its own rows, not those of tables in its cells) has a row of more than
// kMaxCellsPerRow cells, or more than kMaxCellsPerTable cells to lay out at once.
bool HasTooManyCells(const GumboNode* table) {
  long long cells = 0;
  int widest_row = 0;
  ForEachRow(table, [&](const GumboNode* row) {
    const GumboVector& children = row->v.element.children;
    int row_cells = 0;
    for (unsigned i = 0; i < children.length; ++i) {
      const GumboNode* cell = ChildAt(children, i);
      if (cell->type != GUMBO_NODE_ELEMENT) continue;
      if (cell->v.element.tag == GUMBO_TAG_TD || cell->v.element.tag == GUMBO_TAG_TH) ++row_cells;
    }
    cells += row_cells;
    widest_row = std::max(widest_row, row_cells);
  });
  if (widest_row > kMaxCellsPerRow) return true;
  if (cells <= kMaxCellsPerTable) return false;
  return !LaysOutInParts(table) || static_cast<long long>(widest_row) * kRowsPerTablePart > kMaxCellsPerTable;
}

// Whether table holds tables nested more than kMaxTableNesting deep, itself included.
bool NestsTablesTooDeep(const GumboNode* table) {
  std::vector<std::pair<const GumboNode*, int>> pending{{table, 1}};  // element, tables on the way
  while (!pending.empty()) {
    const auto [node, tables] = pending.back();
    pending.pop_back();
    if (tables > kMaxTableNesting) return true;
    const GumboVector& children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
      const GumboNode* child = ChildAt(children, i);
      if (child->type != GUMBO_NODE_ELEMENT) continue;
      pending.emplace_back(child, tables + (child->v.element.tag == GUMBO_TAG_TABLE));
    }
  }
  return false;
}

class Normaliser {
 public:
  Normaliser(const PageDefaults& defaults, const ImageResolver& images, HtmlPage& page)
      : defaults_(defaults), images_(images), page_(page),
        default_face_(core::Cp1252ToUtf8(defaults.font_name)),
        pre_face_(core::Cp1252ToUtf8(defaults.pre_font_name)) {}

  void SetMaxTables(long long tables) { max_tables_ = tables; }

  void Run(const GumboNode* root) {
    ReadHeadParts(root, page_);
    const GumboNode* html = FindChild(root, GUMBO_TAG_HTML);
    if (!html) return;
    if (const GumboNode* frameset = FindChild(html, GUMBO_TAG_FRAMESET)) {
      int frames = 0;
      page_.frameset = ReadFrameset(frameset->v.element, frames);
      return;
    }
    const GumboNode* body = FindChild(html, GUMBO_TAG_BODY);
    const TextStyle style = StartBody(body);
    if (body) WalkChildren(body, style);
    EmitPendingAnchors();  // anchors that no text follows
    out_.EndTag("body");
    out_.EndTag("html");
    page_.markup = out_.Take();
  }

 private:
  // Takes the page's colours and background image from BODY (which may be missing), writes
  // the start of the page and returns the style of the body's text.
  TextStyle StartBody(const GumboNode* body) {
    TextStyle style;
    style.color = defaults_.text;
    QColor background = defaults_.background;
    std::string background_image;
    if (body) {
      const ElementAttributes attributes(body->v.element);
      if (auto color = attributes.Color("bgcolor")) background = *color;
      if (auto color = attributes.Color("text")) style.color = *color;
      if (auto color = attributes.Color("link")) link_color_ = *color;
      const std::string src = attributes.Text("background");
      if (!src.empty() && images_) {
        if (auto image = images_(Utf8ToPageText(src), page_)) background_image = image->resource;
      }
    }
    body_color_ = style.color;
    page_.background = background;
    page_.text_color = style.color;
    out_.StartTag("html");
    out_.BeginStartTag("body");
    out_.ColorAttribute("bgcolor", background);
    if (!background_image.empty()) out_.Attribute("background", background_image);
    out_.EndStartTag();
    return style;
  }

  void WalkChildren(const GumboNode* node, const TextStyle& style) {
    const GumboVector& children = node->v.element.children;
    if (depth_ >= kMaxNesting) {
      EmitFlattened(node, style);
      return;
    }
    ++depth_;
    for (unsigned i = 0; i < children.length; ++i) Walk(ChildAt(children, i), style);
    --depth_;
  }

  // Elements nested deeper than any real page nests them, and tables beyond the bounds of a
  // row's cells and of a page's tables (damaged or hostile input), show only their text,
  // gathered without recursion so that no nesting exhausts the stack; rows start new lines
  // and cells are set apart by a blank.
  void EmitFlattened(const GumboNode* node, const TextStyle& style) {
    std::vector<std::pair<const GumboNode*, unsigned>> stack{{node, 0}};
    while (!stack.empty()) {
      auto& [current, next] = stack.back();
      const GumboVector& children = current->v.element.children;
      if (next == children.length) {
        stack.pop_back();
        continue;
      }
      const GumboNode* child = ChildAt(children, next++);
      if (child->type == GUMBO_NODE_ELEMENT) {
        const GumboTag tag = child->v.element.tag;
        if (tag == GUMBO_TAG_BR || tag == GUMBO_TAG_P || tag == GUMBO_TAG_TR) out_.EmptyElement("br");
        if (tag == GUMBO_TAG_TD || tag == GUMBO_TAG_TH) out_.Text(" ");
        stack.emplace_back(child, 0);
      } else if (child->type == GUMBO_NODE_TEXT || child->type == GUMBO_NODE_WHITESPACE) {
        EmitText(child->v.text.text, style);
      }
    }
  }

  void Walk(const GumboNode* node, const TextStyle& style) {
    switch (node->type) {
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_CDATA:
        EmitText(node->v.text.text, style);
        return;
      case GUMBO_NODE_WHITESPACE:
        if (style.preformatted) {
          EmitText(node->v.text.text, style);
        } else {
          out_.Text(" ");
        }
        return;
      case GUMBO_NODE_ELEMENT:
      case GUMBO_NODE_TEMPLATE:
        WalkElement(node, style);
        return;
      default:
        return;
    }
  }

  void WalkElement(const GumboNode* node, const TextStyle& style) {
    const ElementFamily family = FamilyOf(node->v.element.tag);
    // Text styles and containers write no element of their own.
    const bool structure = family != ElementFamily::TextStyle && family != ElementFamily::Container;
    structure_depth_ += structure;
    WalkFamily(family, node, style);
    structure_depth_ -= structure;
  }

  void WalkFamily(ElementFamily family, const GumboNode* node, const TextStyle& style) {
    switch (family) {
      case ElementFamily::Container: WalkChildren(node, style); return;
      case ElementFamily::Hidden: return;
      case ElementFamily::TextStyle: WalkStyledText(node, style); return;
      case ElementFamily::Anchor: WalkAnchor(node, style); return;
      case ElementFamily::Block: WalkBlock(node, style); return;
      case ElementFamily::List: WalkList(node, style); return;
      case ElementFamily::Table: WalkTablePart(node, style); return;
      case ElementFamily::ImageOrRule: EmitImageOrRule(node->v.element, style); return;
    }
  }

  // Walks the children of an element written as a start and an end tag without attributes.
  void WalkInside(std::string_view tag, const GumboNode* node, const TextStyle& style) {
    out_.StartTag(tag);
    WalkChildren(node, style);
    out_.EndTag(tag);
  }

  // --- Text style ---------------------------------------------------------------------------

  int EffectiveLevel(const TextStyle& style) const {
    return style.size_level == 0 ? base_level_ : style.size_level;
  }

  void WalkStyledText(const GumboNode* node, TextStyle style) {
    const GumboElement& element = node->v.element;
    const ElementAttributes attributes(element);
    switch (element.tag) {
      case GUMBO_TAG_BASEFONT: ReadBaseFont(attributes); break;
      case GUMBO_TAG_FONT: ApplyFont(attributes, style); break;
      case GUMBO_TAG_B: case GUMBO_TAG_STRONG:
        style.bold = true;
        break;
      case GUMBO_TAG_I: case GUMBO_TAG_EM: case GUMBO_TAG_CITE: case GUMBO_TAG_VAR: case GUMBO_TAG_DFN:
        style.italic = true;
        break;
      case GUMBO_TAG_U: case GUMBO_TAG_INS:
        style.underline = true;
        break;
      case GUMBO_TAG_S: case GUMBO_TAG_STRIKE: case GUMBO_TAG_DEL:
        style.strike = true;
        break;
      case GUMBO_TAG_SUB: case GUMBO_TAG_SUP:
        style.vertical = element.tag == GUMBO_TAG_SUP ? 1 : -1;
        style.size_level = std::max(1, EffectiveLevel(style) - 1);
        break;
      case GUMBO_TAG_BIG: case GUMBO_TAG_SMALL:
        style.size_level = std::clamp(EffectiveLevel(style) + (element.tag == GUMBO_TAG_BIG ? 1 : -1), 1, 7);
        break;
      case GUMBO_TAG_TT: case GUMBO_TAG_CODE: case GUMBO_TAG_KBD: case GUMBO_TAG_SAMP:
        style.face = pre_face_;
        break;
      default:
        break;
    }
    WalkChildren(node, style);
  }

  // BASEFONT SIZE holds from here to the end of the page; a sign anywhere makes it relative
  // to size 3.
  void ReadBaseFont(const ElementAttributes& attributes) {
    if (auto level = attributes.Integer("size")) {
      const bool relative = attributes.Text("size").find_first_of("+-") != std::string::npos;
      base_level_ = std::clamp(relative ? kDefaultBaseLevel + *level : *level, 1, 7);
    }
  }

  // FONT SIZE with a leading sign is relative to the BASEFONT size; FACE names a list of
  // faces of which the first is taken.
  void ApplyFont(const ElementAttributes& attributes, TextStyle& style) const {
    if (auto color = attributes.Color("color")) style.color = *color;
    const std::string size = attributes.Trimmed("size");
    if (auto level = LeadingInteger(size)) {
      const bool relative = size[0] == '+' || size[0] == '-';
      style.size_level = std::clamp(relative ? base_level_ + *level : *level, 1, 7);
    }
    const std::string face = attributes.Trimmed("face");
    if (!face.empty()) style.face = core::AllTrim(face.substr(0, face.find(',')));
  }

  // --- Links and anchors --------------------------------------------------------------------

  void WalkAnchor(const GumboNode* node, TextStyle style) {
    const ElementAttributes attributes(node->v.element);
    const std::string name = attributes.Text("name");
    if (!name.empty() || attributes.Has("id")) {
      pending_anchors_.push_back(name.empty() ? attributes.Text("id") : name);
    }
    if (attributes.Has("href")) {
      PageLink link;
      link.href = Utf8ToPageText(attributes.Text("href"));
      link.target = attributes.Has("target") ? Utf8ToPageText(attributes.Text("target")) : page_.base_target;
      style.link = static_cast<int>(page_.links.size());
      page_.links.push_back(std::move(link));
      style.color = link_color_;
    }
    WalkChildren(node, style);
  }

  // A NAME becomes a marker of no size before the next run of text or image, so that an
  // anchor in an otherwise empty paragraph names the place where the content goes on.
  // (QTextDocument's own named anchors cost time that grows with the square of their number.)
  void EmitPendingAnchors() {
    static const char kHex[] = "0123456789abcdef";
    for (const std::string& name : pending_anchors_) {
      std::string resource(kAnchorPrefix);
      for (unsigned char c : name) {
        resource += kHex[c >> 4];
        resource += kHex[c & 15];
      }
      out_.BeginStartTag("img");
      out_.Attribute("src", resource);
      out_.Attribute("width", 0);
      out_.Attribute("height", 0);
      out_.EndEmptyElement();
    }
    pending_anchors_.clear();
  }

  void OpenLink(int link) {
    out_.BeginStartTag("a");
    out_.Attribute("href", std::string(kLinkPrefix) + std::to_string(link));
    out_.EndStartTag();
  }

  // --- Runs of text -------------------------------------------------------------------------

  void EmitText(std::string_view text, const TextStyle& style) {
    if (text.empty()) return;
    EmitPendingAnchors();
    if (style.link >= 0) OpenLink(style.link);
    const std::string css = SpanStyle(style);
    if (!css.empty()) {
      out_.BeginStartTag("span");
      out_.Attribute("style", css);
      out_.EndStartTag();
    }
    out_.Text(text);
    if (!css.empty()) out_.EndTag("span");
    if (style.link >= 0) out_.EndTag("a");
  }

  // The CSS of a run of text: only what differs from the body's plain text, so that most
  // runs need no span at all.
  std::string SpanStyle(const TextStyle& style) const {
    std::string css;
    if (style.color != body_color_ || style.link >= 0) css += "color:" + ColorText(style.color) + ";";
    const int level = EffectiveLevel(style);
    if (level != kDefaultBaseLevel) {
      css += "font-size:" + FormatPoints(PointSizeOfLevel(level, defaults_.base_point_size)) + "pt;";
    }
    if (!style.face.empty() && style.face != default_face_) {
      css += "font-family:'";
      for (char c : style.face) {
        if (c != '\'' && c != '"' && c != ';' && c != '<' && c != '>' && c != '&') css += c;
      }
      css += "';";
    }
    if (style.bold) css += "font-weight:bold;";
    if (style.italic) css += "font-style:italic;";
    const bool link_underline = style.link >= 0 && defaults_.link_underline;
    if (style.underline || style.strike || style.link >= 0) {
      css += "text-decoration:";
      if (style.underline || link_underline) css += " underline";
      if (!style.underline && !link_underline && !style.strike) css += " none";
      if (style.strike) css += " line-through";
      css += ";";
    }
    if (style.vertical != 0) css += style.vertical > 0 ? "vertical-align:super;" : "vertical-align:sub;";
    return css;
  }

  // --- Blocks -------------------------------------------------------------------------------

  void WalkBlock(const GumboNode* node, TextStyle style) {
    const GumboElement& element = node->v.element;
    switch (element.tag) {
      case GUMBO_TAG_BR:
        out_.EmptyElement("br");
        return;
      case GUMBO_TAG_P: case GUMBO_TAG_ADDRESS:
        if (element.tag == GUMBO_TAG_ADDRESS) style.italic = true;
        WalkAlignedBlock("p", node, style);
        return;
      case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4:
      case GUMBO_TAG_H5: case GUMBO_TAG_H6: {
        static constexpr std::array<const char*, 6> kHeadings = {"h1", "h2", "h3", "h4", "h5", "h6"};
        const int rank = element.tag - GUMBO_TAG_H1;  // 0 for H1
        style.size_level = 6 - rank;
        style.bold = true;
        WalkAlignedBlock(kHeadings[rank], node, style);
        return;
      }
      case GUMBO_TAG_PRE: case GUMBO_TAG_XMP: case GUMBO_TAG_LISTING: case GUMBO_TAG_PLAINTEXT:
        style.face = pre_face_;
        style.preformatted = true;
        WalkInside("pre", node, style);
        return;
      case GUMBO_TAG_BLOCKQUOTE:
        WalkInside("blockquote", node, style);
        return;
      default:  // DIV, CENTER and the other divisions
        WalkDivision(node, style);
        return;
    }
  }

  // CENTER and DIV ALIGN=CENTER centre the blocks inside them that have no ALIGN of their own.
  void WalkDivision(const GumboNode* node, const TextStyle& style) {
    const GumboElement& element = node->v.element;
    const bool center =
        element.tag == GUMBO_TAG_CENTER || ElementAttributes(element).Keyword("align") == "center";
    if (!center) {
      WalkAlignedBlock("div", node, style);
      return;
    }
    out_.BeginStartTag("div");
    out_.Attribute("align", "center");
    out_.EndStartTag();
    ++center_depth_;
    WalkChildren(node, style);
    --center_depth_;
    out_.EndTag("div");
  }

  void WalkAlignedBlock(std::string_view tag, const GumboNode* node, const TextStyle& style) {
    out_.BeginStartTag(tag);
    WriteBlockAlign(ElementAttributes(node->v.element));
    out_.EndStartTag();
    WalkChildren(node, style);
    out_.EndTag(tag);
  }

  // ALIGN of a block or a table; inside CENTER a block without one is centred.
  void WriteBlockAlign(const ElementAttributes& attributes) {
    std::string_view align = attributes.BlockAlign();
    if (align.empty() && center_depth_ > 0) align = "center";
    if (!align.empty()) out_.Attribute("align", align);
  }

  // --- Lists --------------------------------------------------------------------------------

  // An unordered list of more than kItemsPerListPart items, written in parts. Its items are
  // the LI elements that are its children or stand under text styles in it, which write no
  // markup of their own.
  struct ListInParts {
    const char* tag;
    std::string type;     // TYPE as written out; empty when none
    int structure_depth;  // structure_depth_ of the list's element
    int items;            // items written so far
    int last_part;
  };

  void WriteListStart(const ListInParts& list, std::string_view margins) {
    out_.BeginStartTag(list.tag);
    if (!list.type.empty()) out_.Attribute("type", list.type);
    if (!margins.empty()) out_.Attribute("style", margins);
    out_.EndStartTag();
  }

  static int ListItems(const GumboNode* list) {
    int items = 0;
    std::vector<const GumboNode*> pending{list};
    while (!pending.empty()) {
      const GumboVector& children = pending.back()->v.element.children;
      pending.pop_back();
      for (unsigned i = 0; i < children.length; ++i) {
        const GumboNode* child = ChildAt(children, i);
        if (child->type != GUMBO_NODE_ELEMENT) continue;
        const GumboTag tag = child->v.element.tag;
        if (tag == GUMBO_TAG_LI) {
          ++items;
        } else if (const ElementFamily family = FamilyOf(tag);
                   family == ElementFamily::TextStyle || family == ElementFamily::Container) {
          pending.push_back(child);
        }
      }
    }
    return items;
  }

  void WalkList(const GumboNode* node, const TextStyle& style) {
    const GumboElement& element = node->v.element;
    switch (element.tag) {
      case GUMBO_TAG_UL: case GUMBO_TAG_DIR: case GUMBO_TAG_MENU: case GUMBO_TAG_OL: {
        // TYPE of an ordered list keeps its case: "a" and "A" number differently.
        const bool ordered = element.tag == GUMBO_TAG_OL;
        const char* tag = ordered ? "ol" : "ul";
        const std::string type = ElementAttributes(element).Trimmed("type");
        const bool plain_type = !type.empty() && type.find_first_of("\"<>&") == std::string::npos;
        ListInParts list{tag, plain_type ? (ordered ? type : core::LowerCaseAscii(type)) : std::string(),
                         structure_depth_, 0, 0};
        const int items = ordered || depth_ >= kMaxNesting ? 0 : ListItems(node);
        ListInParts* const outer = list_in_parts_;
        list_in_parts_ = nullptr;
        if (items > kItemsPerListPart) {
          list.last_part = (items - 1) / kItemsPerListPart;
          list_in_parts_ = &list;
        }
        WriteListStart(list, items > kItemsPerListPart ? "margin-bottom:0px;" : "");
        WalkChildren(node, style);
        out_.EndTag(tag);
        list_in_parts_ = outer;
        return;
      }
      case GUMBO_TAG_LI:
        if (list_in_parts_ && structure_depth_ == list_in_parts_->structure_depth + 1) {
          ListInParts& list = *list_in_parts_;
          if (list.items > 0 && list.items % kItemsPerListPart == 0) {
            out_.EndTag(list.tag);
            const bool last = list.items / kItemsPerListPart == list.last_part;
            WriteListStart(list, last ? "margin-top:0px;" : "margin-top:0px;margin-bottom:0px;");
          }
          ++list.items;
        }
        WalkInside("li", node, style);
        return;
      default:  // DL, DT and DD
        WalkInside(element.tag == GUMBO_TAG_DL ? "dl" : element.tag == GUMBO_TAG_DT ? "dt" : "dd", node, style);
        return;
    }
  }

  // --- Tables -------------------------------------------------------------------------------

  void WalkTablePart(const GumboNode* node, const TextStyle& style) {
    switch (node->v.element.tag) {
      case GUMBO_TAG_TABLE:
        EmitTable(node);
        return;
      case GUMBO_TAG_CAPTION:
        return;  // written before its table
      case GUMBO_TAG_TR:
        EmitRow(node, style);
        return;
      case GUMBO_TAG_TD: case GUMBO_TAG_TH:
        EmitCell(node, style);
        return;
      default:  // TBODY, THEAD and TFOOT only hold rows
        WalkChildren(node, style);
        return;
    }
  }

  // Text in a table does not take the FONT, B or I elements around the table: the browsers
  // of the time started every table with the page's plain text style.
  void EmitTable(const GumboNode* node) {
    TextStyle style;
    style.color = body_color_;
    if (tables_ >= max_tables_ || (table_depth_ == 0 && NestsTablesTooDeep(node)) || HasTooManyCells(node)) {
      EmitFlattened(node, style);
      return;
    }
    ++tables_;
    const GumboElement& element = node->v.element;
    const ElementAttributes attributes(element);
    // CAPTION first, centred above the table.
    for (unsigned i = 0; i < element.children.length; ++i) {
      const GumboNode* child = ChildAt(element.children, i);
      if (child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == GUMBO_TAG_CAPTION) {
        out_.BeginStartTag("p");
        out_.Attribute("align", "center");
        out_.EndStartTag();
        WalkChildren(child, style);
        out_.EndTag("p");
      }
    }
    WriteTableStartTag(attributes);
    const int saved_center = center_depth_;
    center_depth_ = 0;  // CENTER centres the table, not the text of its cells
    const std::string_view saved_valign = row_valign_;
    const std::optional<QColor> saved_background = row_background_;
    const std::optional<TablePart> saved_part = table_part_;
    table_part_.reset();
    if (LaysOutInParts(node)) table_part_ = TablePart{&attributes, 0, saved_center};
    ++table_depth_;
    WalkChildren(node, style);
    --table_depth_;
    table_part_ = saved_part;
    row_valign_ = saved_valign;
    row_background_ = saved_background;
    center_depth_ = saved_center;
    out_.EndTag("table");
  }

  void WriteTableStartTag(const ElementAttributes& attributes) {
    out_.BeginStartTag("table");
    out_.Attribute("border", attributes.Has("border") ? attributes.ClampedInteger("border", 0, 20, 1) : 0);
    out_.Attribute("cellpadding", attributes.ClampedInteger("cellpadding", 0, 100, 1));
    out_.Attribute("cellspacing", attributes.ClampedInteger("cellspacing", 0, 100, 2));
    if (auto width = attributes.Length("width")) out_.Attribute("width", width->Text());
    WriteBlockAlign(attributes);
    if (auto color = attributes.Color("bgcolor")) out_.ColorAttribute("bgcolor", *color);
    out_.EndStartTag();
  }

  // Ends the table after every kRowsPerTablePart rows and starts the next part behind a
  // seam, a marker the document builder shrinks to nothing.
  void StartTablePartWhenFull() {
    if (!table_part_) return;
    if (table_part_->rows++ < kRowsPerTablePart) return;
    table_part_->rows = 1;
    ++tables_;
    out_.EndTag("table");
    out_.BeginStartTag("img");
    out_.Attribute("src", kSeamPrefix);
    out_.Attribute("width", 0);
    out_.Attribute("height", 0);
    out_.EndEmptyElement();
    const int saved_center = center_depth_;
    center_depth_ = table_part_->center_depth;
    WriteTableStartTag(*table_part_->attributes);
    center_depth_ = saved_center;
  }

  void EmitRow(const GumboNode* node, const TextStyle& style) {
    const ElementAttributes attributes(node->v.element);
    StartTablePartWhenFull();
    out_.StartTag("tr");
    row_valign_ = attributes.VerticalAlign();
    row_background_ = attributes.Color("bgcolor");
    WalkChildren(node, style);
    out_.EndTag("tr");
  }

  // A cell without ALIGN is left aligned (TH centred), without VALIGN or BGCOLOR it takes
  // its row's.
  void EmitCell(const GumboNode* node, TextStyle style) {
    const GumboElement& element = node->v.element;
    const ElementAttributes attributes(element);
    const bool header = element.tag == GUMBO_TAG_TH;
    if (header) style.bold = true;
    const char* tag = header ? "th" : "td";
    out_.BeginStartTag(tag);
    for (const char* name : {"colspan", "rowspan"}) {
      if (auto span = attributes.Integer(name); span && *span > 1) out_.Attribute(name, std::min(*span, 1000));
    }
    std::string_view align = attributes.CellAlign();
    if (align.empty()) align = header ? "center" : "left";
    out_.Attribute("align", align);
    std::string_view valign = attributes.VerticalAlign();
    if (valign.empty()) valign = row_valign_;
    out_.Attribute("valign", valign.empty() ? "middle" : valign);
    if (auto width = attributes.Length("width")) out_.Attribute("width", width->Text());
    std::optional<QColor> background = attributes.Color("bgcolor");
    if (!background) background = row_background_;
    if (background) out_.ColorAttribute("bgcolor", *background);
    if (attributes.Has("nowrap")) out_.Flag("nowrap");
    out_.EndStartTag();
    const int saved_center = center_depth_;
    center_depth_ = 0;
    WalkChildren(node, style);
    center_depth_ = saved_center;
    out_.EndTag(tag);
  }

  // --- Images and rules ---------------------------------------------------------------------

  void EmitImageOrRule(const GumboElement& element, const TextStyle& style) {
    if (element.tag == GUMBO_TAG_HR) {
      EmitRule(ElementAttributes(element));
    } else {
      EmitImage(ElementAttributes(element), style);
    }
  }

  // side * to / from without overflowing: a large picture meets a large WIDTH or HEIGHT.
  static int Scaled(int side, int to, int from) {
    const std::int64_t scaled = static_cast<std::int64_t>(side) * to / from;
    return static_cast<int>(std::min<std::int64_t>(scaled, std::numeric_limits<int>::max()));
  }

  // width x height made smaller, in its proportions, until neither side is longer than
  // kMaxImageSide.
  static void FitIntoMaxSide(int& width, int& height) {
    const int longer = std::max(width, height);
    if (longer <= kMaxImageSide) return;
    width = Scaled(width, kMaxImageSide, longer);
    height = Scaled(height, kMaxImageSide, longer);
  }

  // WIDTH or HEIGHT alone scales the other side with the image's proportions; a size in
  // percent is not followed. Whatever the sizes claim, the image is shown no larger than the
  // largest picture the view decodes, in its proportions: QTextDocument takes minutes to lay
  // out and paint a picture stretched further.
  void EmitImage(const ElementAttributes& attributes, const TextStyle& style) {
    if (!images_) return;
    const std::string src = attributes.Text("src");
    if (src.empty()) return;
    const std::optional<PlacedImage> image = images_(Utf8ToPageText(src), page_);
    if (!image) return;
    const std::optional<HtmlLength> given_width = attributes.Length("width");
    const std::optional<HtmlLength> given_height = attributes.Length("height");
    const bool width_given = given_width && given_width->value > 0;
    const bool width_in_pixels = width_given && !given_width->percent;
    int width = width_in_pixels ? given_width->value : image->width;
    int height = image->height;
    if (given_height && given_height->value > 0 && !given_height->percent) {
      height = given_height->value;
      if (!width_given && image->height > 0) width = Scaled(image->width, height, image->height);
    } else if (width_in_pixels && image->width > 0) {
      height = Scaled(image->height, width, image->width);
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    FitIntoMaxSide(width, height);
    if (height > image_height_left_) return;
    image_height_left_ -= height;
    EmitPendingAnchors();
    if (style.link >= 0) OpenLink(style.link);
    out_.BeginStartTag("img");
    out_.Attribute("src", image->resource);
    out_.Attribute("width", width);
    out_.Attribute("height", height);
    if (const std::string_view align = attributes.ImageAlign(); !align.empty()) out_.Attribute("align", align);
    out_.EndEmptyElement();
    if (style.link >= 0) out_.EndTag("a");
  }

  // The rule is an image the view draws, named after its width, size, colour and shading
  // (kRulePrefix); COLOR draws it flat.
  void EmitRule(const ElementAttributes& attributes) {
    int width = 100;
    bool percent = true;
    if (auto length = attributes.Length("width"); length && length->value > 0) {
      percent = length->percent;
      width = percent ? length->value : std::min(length->value, 10000);
    }
    int size = 2;
    if (auto value = attributes.Integer("size"); value && *value > 0) size = std::min(*value, 100);
    const std::optional<QColor> color = attributes.Color("color");
    const bool shaded = !attributes.Has("noshade") && !color;
    std::string resource(kRulePrefix);
    resource += std::to_string(width);
    resource += percent ? ":%:" : ":px:";
    resource += std::to_string(size);
    resource += ':';
    resource += color ? ColorText(*color).substr(1) : "-";
    resource += shaded ? ":1" : ":0";
    out_.BeginStartTag("p");
    out_.Attribute("align", attributes.RuleAlign());
    out_.Attribute("style", "margin-top:6px;margin-bottom:6px;");
    out_.EndStartTag();
    out_.BeginStartTag("img");
    out_.Attribute("src", resource);
    out_.Attribute("width", 1);
    out_.Attribute("height", 1);
    out_.EndEmptyElement();
    out_.EndTag("p");
  }

  const PageDefaults& defaults_;
  const ImageResolver& images_;
  HtmlPage& page_;
  MarkupWriter out_;                // the normalised markup being written
  std::string default_face_;        // UTF-8
  std::string pre_face_;            // UTF-8
  QColor body_color_;               // text colour of BODY; runs in it carry no colour
  QColor link_color_ = defaults_.link;
  int base_level_ = kDefaultBaseLevel;  // BASEFONT SIZE
  int center_depth_ = 0;            // open CENTER (or DIV ALIGN=CENTER) elements
  int depth_ = 0;                   // elements entered by the walk
  int structure_depth_ = 0;         // elements entered that write an element of their own
  ListInParts* list_in_parts_ = nullptr;  // the innermost list being written in parts
  int table_depth_ = 0;             // tables entered by the walk
  int tables_ = 0;                  // tables and table parts written as tables
  long long max_tables_ = kMaxTablesPerPage;
  long long image_height_left_ = kMaxPageImageHeight;  // of the page's images still shown
  std::vector<std::string> pending_anchors_;  // A NAME values waiting for the next run
  std::string_view row_valign_;     // VALIGN of the open TR (a static keyword), empty when none
  std::optional<QColor> row_background_;  // BGCOLOR of the open TR
  // The table being written in parts.
  struct TablePart {
    const ElementAttributes* attributes;  // of its TABLE element
    int rows;                             // rows written in the current part
    int center_depth = 0;                 // open CENTER elements around the table
  };
  std::optional<TablePart> table_part_;   // set while such a table's rows are written
};

}  // namespace

std::optional<QColor> ParseHtmlColor(std::string_view value) {
  std::string text = core::AllTrim(value);
  if (text.empty()) return std::nullopt;
  std::string hex = text[0] == '#' ? text.substr(1) : text;
  if (hex.size() == 6 && std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
    unsigned rgb = 0;
    std::from_chars(hex.data(), hex.data() + hex.size(), rgb, 16);
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
  }
  if (text[0] != '#' && QColor::isValidColorName(QString::fromLatin1(text.data(), static_cast<int>(text.size())))) {
    return QColor::fromString(QString::fromLatin1(text.data(), static_cast<int>(text.size())));
  }
  return std::nullopt;
}

std::vector<FrameLength> ParseFrameLengths(std::string_view value) {
  std::vector<FrameLength> lengths;
  std::size_t start = 0;
  if (core::AllTrim(value).empty()) return lengths;
  while (start <= value.size()) {
    const std::size_t comma = std::min(value.find(',', start), value.size());
    const std::string item = core::AllTrim(value.substr(start, comma - start));
    FrameLength length;
    if (item.find('*') != std::string::npos) {
      length.kind = FrameLength::Kind::Relative;
      const auto weight = LeadingInteger(item);
      length.value = weight && *weight > 0 ? *weight : 1;
    } else if (item.find('%') != std::string::npos) {
      length.kind = FrameLength::Kind::Percent;
      length.value = std::max(0, LeadingInteger(item).value_or(0));
    } else {
      length.kind = FrameLength::Kind::Pixels;
      length.value = std::max(0, LeadingInteger(item).value_or(0));
    }
    lengths.push_back(length);
    start = comma + 1;
  }
  return lengths;
}

double PointSizeOfLevel(int level, double base_point_size) {
  return kLevelPoints[std::clamp(level, 1, 7) - 1] * base_point_size / kLevelPoints[kDefaultBaseLevel - 1];
}

HtmlPage ParseHtmlPage(std::string_view bytes, const PageDefaults& defaults,
                       const ImageResolver& images) {
  const std::string utf8 = core::Cp1252ToUtf8(BoundNesting(bytes));
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
  HtmlPage page;
  Normaliser normaliser(defaults, images, page);
  const auto tables_by_length = static_cast<long long>(bytes.size() / kPageBytesPerTable);
  normaliser.SetMaxTables(std::max<long long>(kMaxTablesPerPage, tables_by_length));
  normaliser.Run(output->document);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return page;
}

}  // namespace vantorel::browser
