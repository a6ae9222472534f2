#include "browser/html_page.h"

#include <gumbo.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cctype>
#include <cstdio>

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

std::string Utf8ToPageText(std::string_view utf8) { return core::Utf8ToCp1252(utf8); }

// A line break inside an attribute value reads as one blank.
std::string AttributeValue(const GumboElement& element, const char* name) {
  const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name);
  if (!attribute) return {};
  std::string value;
  std::string_view raw(attribute->value);
  for (std::size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r') {
      value += ' ';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else if (raw[i] == '\n') {
      value += ' ';
    } else {
      value += raw[i];
    }
  }
  return value;
}

bool HasAttribute(const GumboElement& element, const char* name) {
  return gumbo_get_attribute(&element.attributes, name) != nullptr;
}

std::optional<int> LeadingInteger(std::string_view text) {
  const std::string trimmed = core::AllTrim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) negative = trimmed[i++] == '-';
  long value = 0;
  const std::size_t first_digit = i;
  while (i < trimmed.size() && trimmed[i] >= '0' && trimmed[i] <= '9') {
    value = std::min<long>(value * 10 + (trimmed[i] - '0'), 100000);
    ++i;
  }
  if (i == first_digit) return std::nullopt;
  return static_cast<int>(negative ? -value : value);
}

// A length attribute: pixels or a percentage, as a text QTextDocument reads.
std::string LengthText(std::string_view value) {
  const std::optional<int> number = LeadingInteger(value);
  if (!number || *number < 0) return {};
  if (value.find('%') != std::string_view::npos) return std::to_string(std::min(*number, 100)) + "%";
  return std::to_string(*number);
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
}

std::string ColorText(const QColor& color) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", color.red(), color.green(), color.blue());
  return text;
}

std::string FormatPoints(double points) {
  char text[16];
  std::snprintf(text, sizeof text, "%g", points);
  return text;
}

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

class Normaliser {
 public:
  Normaliser(const PageDefaults& defaults, const ImageResolver& images, HtmlPage& page)
      : defaults_(defaults), images_(images), page_(page),
        default_face_(core::Cp1252ToUtf8(defaults.font_name)),
        pre_face_(core::Cp1252ToUtf8(defaults.pre_font_name)) {
    out_.reserve(1 << 16);
  }

  void Run(const GumboNode* root) {
    FindHeadParts(root);
    const GumboNode* html = FindChild(root, GUMBO_TAG_HTML);
    if (!html) return;
    const GumboNode* frameset = FindChild(html, GUMBO_TAG_FRAMESET);
    if (frameset) {
      page_.frameset = ReadFrameset(frameset->v.element);
      return;
    }
    const GumboNode* body = FindChild(html, GUMBO_TAG_BODY);
    TextStyle style;
    style.color = defaults_.text;
    QColor background = defaults_.background;
    std::string background_image;
    if (body) {
      const GumboElement& element = body->v.element;
      if (auto color = ParseHtmlColor(AttributeValue(element, "bgcolor"))) background = *color;
      if (auto color = ParseHtmlColor(AttributeValue(element, "text"))) style.color = *color;
      if (auto color = ParseHtmlColor(AttributeValue(element, "link"))) link_color_ = *color;
      const std::string src = AttributeValue(element, "background");
      if (!src.empty() && images_) {
        if (auto image = images_(Utf8ToPageText(src), page_)) background_image = image->resource;
      }
    }
    body_color_ = style.color;
    page_.background = background;
    page_.text_color = style.color;
    out_ += "<html><body bgcolor=\"" + ColorText(background) + "\"";
    if (!background_image.empty()) {
      out_ += " background=\"";
      AppendEscaped(out_, background_image);
      out_ += "\"";
    }
    out_ += ">";
    if (body) WalkChildren(body, style);
    EmitPendingAnchors();  // anchors that no text follows
    out_ += "</body></html>";
    page_.markup = std::move(out_);
  }

 private:
  static const GumboNode* FindChild(const GumboNode* node, GumboTag tag) {
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) return nullptr;
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
      const auto* child = static_cast<const GumboNode*>(children.data[i]);
      if (child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == tag) return child;
    }
    return nullptr;
  }

  static void CollectText(const GumboNode* node, std::string& text) {
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
        node->type == GUMBO_NODE_CDATA) {
      text += node->v.text.text;
    } else if (node->type == GUMBO_NODE_ELEMENT) {
      const GumboVector& children = node->v.element.children;
      for (unsigned i = 0; i < children.length; ++i) {
        CollectText(static_cast<const GumboNode*>(children.data[i]), text);
      }
    }
  }

  static std::string CollapseBlanks(std::string_view text) {
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
  void FindHeadParts(const GumboNode* node) {
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) return;
    if (node->type == GUMBO_NODE_ELEMENT) {
      const GumboElement& element = node->v.element;
      if (element.tag == GUMBO_TAG_TITLE && page_.title.empty()) {
        std::string text;
        CollectText(node, text);
        page_.title = Utf8ToPageText(CollapseBlanks(text));
        return;
      }
      if (element.tag == GUMBO_TAG_BASE) {
        if (HasAttribute(element, "href") && page_.base_href.empty()) {
          page_.base_href = Utf8ToPageText(AttributeValue(element, "href"));
        }
        if (HasAttribute(element, "target") && page_.base_target.empty()) {
          page_.base_target = Utf8ToPageText(AttributeValue(element, "target"));
        }
        return;
      }
      if (element.tag == GUMBO_TAG_BODY) return;  // TITLE and BASE live in HEAD
    }
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i) {
      FindHeadParts(static_cast<const GumboNode*>(children.data[i]));
    }
  }

  std::shared_ptr<FramesetSpec> ReadFrameset(const GumboElement& element, int depth = 0) {
    auto spec = std::make_shared<FramesetSpec>();
    spec->rows = ParseFrameLengths(AttributeValue(element, "rows"));
    spec->cols = ParseFrameLengths(AttributeValue(element, "cols"));
    for (const char* name : {"border", "framespacing"}) {
      if (auto value = LeadingInteger(AttributeValue(element, name)); value && *value >= 0) {
        spec->border = *value;
        break;
      }
    }
    spec->frame_border = !IsOffValue(AttributeValue(element, "frameborder"));
    for (unsigned i = 0; i < element.children.length; ++i) {
      const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
      if (child->type != GUMBO_NODE_ELEMENT) continue;
      const GumboElement& child_element = child->v.element;
      if (child_element.tag == GUMBO_TAG_FRAME) {
        FrameSpec frame;
        frame.name = Utf8ToPageText(core::AllTrim(AttributeValue(child_element, "name")));
        frame.src = Utf8ToPageText(AttributeValue(child_element, "src"));
        frame.scrolling = core::LowerCaseAscii(core::AllTrim(AttributeValue(child_element, "scrolling")));
        if (frame.scrolling != "yes" && frame.scrolling != "no") frame.scrolling = "auto";
        frame.no_resize = HasAttribute(child_element, "noresize");
        frame.border = spec->frame_border && !IsOffValue(AttributeValue(child_element, "frameborder"));
        spec->frames.push_back(std::move(frame));
      } else if (child_element.tag == GUMBO_TAG_FRAMESET && depth < kMaxFramesetNesting) {
        FrameSpec nested;
        nested.frameset = ReadFrameset(child_element, depth + 1);
        spec->frames.push_back(std::move(nested));
      }
    }
    return spec;
  }

  static bool IsOffValue(std::string_view value) {
    const std::string lower = core::LowerCaseAscii(core::AllTrim(value));
    return lower == "0" || lower == "no";
  }

  void WalkChildren(const GumboNode* node, const TextStyle& style) {
    const GumboVector& children = node->v.element.children;
    if (depth_ >= kMaxNesting) {
      EmitFlattened(node, style);
      return;
    }
    ++depth_;
    for (unsigned i = 0; i < children.length; ++i) {
      Walk(static_cast<const GumboNode*>(children.data[i]), style);
    }
    --depth_;
  }

  // Elements nested deeper than any real page nests them (damaged or hostile input) show
  // only their text, gathered without recursion so that no nesting exhausts the stack.
  void EmitFlattened(const GumboNode* node, const TextStyle& style) {
    std::vector<std::pair<const GumboNode*, unsigned>> stack{{node, 0}};
    while (!stack.empty()) {
      auto& [current, next] = stack.back();
      const GumboVector& children = current->v.element.children;
      if (next == children.length) {
        stack.pop_back();
        continue;
      }
      const auto* child = static_cast<const GumboNode*>(children.data[next++]);
      if (child->type == GUMBO_NODE_ELEMENT) {
        if (child->v.element.tag == GUMBO_TAG_BR || child->v.element.tag == GUMBO_TAG_P) out_ += "<br />";
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
          out_ += ' ';
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

  int EffectiveLevel(const TextStyle& style) const {
    return style.size_level == 0 ? base_level_ : style.size_level;
  }

  // A NAME becomes a marker of no size before the next run of text or image, so that an
  // anchor in an otherwise empty paragraph names the place where the content goes on.
  // (QTextDocument's own named anchors cost time that grows with the square of their number.)
  void EmitPendingAnchors() {
    static const char kHex[] = "0123456789abcdef";
    for (const std::string& name : pending_anchors_) {
      out_ += "<img src=\"";
      out_ += kAnchorPrefix;
      for (unsigned char c : name) {
        out_ += kHex[c >> 4];
        out_ += kHex[c & 15];
      }
      out_ += "\" width=\"0\" height=\"0\" />";
    }
    pending_anchors_.clear();
  }

  void EmitText(std::string_view text, const TextStyle& style) {
    if (text.empty()) return;
    EmitPendingAnchors();
    if (style.link >= 0) {
      out_ += "<a href=\"";
      out_ += kLinkPrefix;
      out_ += std::to_string(style.link);
      out_ += "\">";
    }
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
    if (!css.empty()) {
      out_ += "<span style=\"";
      out_ += css;
      out_ += "\">";
    }
    AppendEscaped(out_, text);
    if (!css.empty()) out_ += "</span>";
    if (style.link >= 0) out_ += "</a>";
  }

  void OpenBlock(std::string_view tag, const GumboElement& element, bool with_align) {
    out_ += '<';
    out_ += tag;
    if (with_align) AppendAlign(element, "align");
    out_ += '>';
  }

  void AppendAlign(const GumboElement& element, const char* name) {
    const std::string align = core::LowerCaseAscii(core::AllTrim(AttributeValue(element, name)));
    if (align == "left" || align == "right" || align == "center" || align == "justify") {
      out_ += " align=\"" + align + "\"";
    } else if (align == "middle" && std::string_view(name) == "align") {
      out_ += " align=\"center\"";
    } else if (center_depth_ > 0 && std::string_view(name) == "align") {
      out_ += " align=\"center\"";
    }
  }

  void CloseTag(std::string_view tag) {
    out_ += "</";
    out_ += tag;
    out_ += '>';
  }

  void WalkElement(const GumboNode* node, const TextStyle& inherited) {
    const GumboElement& element = node->v.element;
    TextStyle style = inherited;
    switch (element.tag) {
      // Parts that show nothing.
      case GUMBO_TAG_HEAD: case GUMBO_TAG_TITLE: case GUMBO_TAG_SCRIPT: case GUMBO_TAG_STYLE:
      case GUMBO_TAG_NOSCRIPT: case GUMBO_TAG_NOFRAMES: case GUMBO_TAG_NOEMBED:
      case GUMBO_TAG_IFRAME: case GUMBO_TAG_OBJECT: case GUMBO_TAG_APPLET: case GUMBO_TAG_EMBED:
      case GUMBO_TAG_MAP: case GUMBO_TAG_AREA: case GUMBO_TAG_META: case GUMBO_TAG_LINK:
      case GUMBO_TAG_BASE: case GUMBO_TAG_INPUT: case GUMBO_TAG_SELECT: case GUMBO_TAG_TEXTAREA:
      case GUMBO_TAG_BUTTON: case GUMBO_TAG_BGSOUND: case GUMBO_TAG_PARAM: case GUMBO_TAG_COLGROUP:
      case GUMBO_TAG_COL: case GUMBO_TAG_FRAMESET: case GUMBO_TAG_FRAME: case GUMBO_TAG_SVG:
      case GUMBO_TAG_MATH:
        return;

      case GUMBO_TAG_BASEFONT:
        if (auto level = LeadingInteger(AttributeValue(element, "size"))) {
          base_level_ = std::clamp(AttributeValue(element, "size").find_first_of("+-") != std::string::npos
                                       ? kDefaultBaseLevel + *level
                                       : *level,
                                   1, 7);
        }
        WalkChildren(node, style);
        return;

      case GUMBO_TAG_FONT: {
        if (auto color = ParseHtmlColor(AttributeValue(element, "color"))) style.color = *color;
        const std::string size = core::AllTrim(AttributeValue(element, "size"));
        if (auto level = LeadingInteger(size)) {
          const bool relative = size[0] == '+' || size[0] == '-';
          style.size_level = std::clamp(relative ? base_level_ + *level : *level, 1, 7);
        }
        const std::string face = core::AllTrim(AttributeValue(element, "face"));
        if (!face.empty()) style.face = core::AllTrim(face.substr(0, face.find(',')));
        WalkChildren(node, style);
        return;
      }
      case GUMBO_TAG_B: case GUMBO_TAG_STRONG:
        style.bold = true;
        WalkChildren(node, style);
        return;
      case GUMBO_TAG_I: case GUMBO_TAG_EM: case GUMBO_TAG_CITE: case GUMBO_TAG_VAR:
      case GUMBO_TAG_DFN:
        style.italic = true;
        WalkChildren(node, style);
        return;
      case GUMBO_TAG_U: case GUMBO_TAG_INS:
        style.underline = true;
        WalkChildren(node, style);
        return;
      case GUMBO_TAG_S: case GUMBO_TAG_STRIKE: case GUMBO_TAG_DEL:
        style.strike = true;
        WalkChildren(node, style);
        return;
      case GUMBO_TAG_SUB: case GUMBO_TAG_SUP:
        style.vertical = element.tag == GUMBO_TAG_SUP ? 1 : -1;
        style.size_level = std::max(1, EffectiveLevel(style) - 1);
        WalkChildren(node, style);
        return;
      case GUMBO_TAG_BIG: case GUMBO_TAG_SMALL:
        style.size_level = std::clamp(EffectiveLevel(style) + (element.tag == GUMBO_TAG_BIG ? 1 : -1), 1, 7);
        WalkChildren(node, style);
        return;
      case GUMBO_TAG_TT: case GUMBO_TAG_CODE: case GUMBO_TAG_KBD: case GUMBO_TAG_SAMP:
        style.face = pre_face_;
        WalkChildren(node, style);
        return;

      case GUMBO_TAG_A: {
        const std::string name = AttributeValue(element, "name");
        if (!name.empty() || HasAttribute(element, "id")) {
          pending_anchors_.push_back(name.empty() ? AttributeValue(element, "id") : name);
        }
        if (HasAttribute(element, "href")) {
          PageLink link;
          link.href = Utf8ToPageText(AttributeValue(element, "href"));
          link.target = HasAttribute(element, "target") ? Utf8ToPageText(AttributeValue(element, "target"))
                                                        : page_.base_target;
          style.link = static_cast<int>(page_.links.size());
          page_.links.push_back(std::move(link));
          style.color = link_color_;
        }
        WalkChildren(node, style);
        return;
      }

      case GUMBO_TAG_IMG: case GUMBO_TAG_IMAGE:
        EmitImage(element, style);
        return;

      case GUMBO_TAG_BR:
        out_ += "<br />";
        return;

      case GUMBO_TAG_HR:
        EmitRule(element);
        return;

      case GUMBO_TAG_P: case GUMBO_TAG_ADDRESS:
        if (element.tag == GUMBO_TAG_ADDRESS) style.italic = true;
        OpenBlock("p", element, true);
        WalkChildren(node, style);
        CloseTag("p");
        return;

      case GUMBO_TAG_DIV: case GUMBO_TAG_CENTER: case GUMBO_TAG_FORM: case GUMBO_TAG_MAIN:
      case GUMBO_TAG_ARTICLE: case GUMBO_TAG_SECTION: case GUMBO_TAG_NAV: case GUMBO_TAG_ASIDE:
      case GUMBO_TAG_HEADER: case GUMBO_TAG_FOOTER: case GUMBO_TAG_FIELDSET: case GUMBO_TAG_FIGURE: {
        const bool center = element.tag == GUMBO_TAG_CENTER ||
                            core::SameTextNoCase(core::AllTrim(AttributeValue(element, "align")), "center");
        if (center) {
          out_ += "<div align=\"center\">";
          ++center_depth_;
        } else {
          OpenBlock("div", element, true);
        }
        WalkChildren(node, style);
        if (center) --center_depth_;
        CloseTag("div");
        return;
      }

      case GUMBO_TAG_H1: case GUMBO_TAG_H2: case GUMBO_TAG_H3: case GUMBO_TAG_H4:
      case GUMBO_TAG_H5: case GUMBO_TAG_H6: {
        const int rank = element.tag - GUMBO_TAG_H1;  // 0 for H1
        const char* tags[] = {"h1", "h2", "h3", "h4", "h5", "h6"};
        style.size_level = 6 - rank;
        style.bold = true;
        OpenBlock(tags[rank], element, true);
        WalkChildren(node, style);
        CloseTag(tags[rank]);
        return;
      }

      case GUMBO_TAG_PRE: case GUMBO_TAG_XMP: case GUMBO_TAG_LISTING: case GUMBO_TAG_PLAINTEXT:
        style.face = pre_face_;
        style.preformatted = true;
        out_ += "<pre>";
        WalkChildren(node, style);
        out_ += "</pre>";
        return;

      case GUMBO_TAG_BLOCKQUOTE:
        out_ += "<blockquote>";
        WalkChildren(node, style);
        out_ += "</blockquote>";
        return;

      case GUMBO_TAG_UL: case GUMBO_TAG_DIR: case GUMBO_TAG_MENU: case GUMBO_TAG_OL: {
        const bool ordered = element.tag == GUMBO_TAG_OL;
        out_ += ordered ? "<ol" : "<ul";
        const std::string type = core::AllTrim(AttributeValue(element, "type"));
        if (!type.empty() && type.find_first_of("\"<>&") == std::string::npos) {
          out_ += " type=\"" + (ordered ? type : core::LowerCaseAscii(type)) + "\"";
        }
        out_ += '>';
        WalkChildren(node, style);
        out_ += ordered ? "</ol>" : "</ul>";
        return;
      }
      case GUMBO_TAG_LI:
        out_ += "<li>";
        WalkChildren(node, style);
        out_ += "</li>";
        return;
      case GUMBO_TAG_DL: case GUMBO_TAG_DT: case GUMBO_TAG_DD: {
        const char* tag = element.tag == GUMBO_TAG_DL ? "dl" : element.tag == GUMBO_TAG_DT ? "dt" : "dd";
        OpenBlock(tag, element, false);
        WalkChildren(node, style);
        CloseTag(tag);
        return;
      }

      case GUMBO_TAG_TABLE:
        EmitTable(node);
        return;
      case GUMBO_TAG_CAPTION:
        return;  // written before its table
      case GUMBO_TAG_TBODY: case GUMBO_TAG_THEAD: case GUMBO_TAG_TFOOT:
        WalkChildren(node, style);
        return;
      case GUMBO_TAG_TR: {
        out_ += "<tr>";
        row_valign_ = core::LowerCaseAscii(core::AllTrim(AttributeValue(element, "valign")));
        row_background_ = ParseHtmlColor(AttributeValue(element, "bgcolor"));
        WalkChildren(node, style);
        out_ += "</tr>";
        return;
      }
      case GUMBO_TAG_TD: case GUMBO_TAG_TH:
        EmitCell(node, style);
        return;

      default:
        WalkChildren(node, style);
        return;
    }
  }

  void EmitImage(const GumboElement& element, const TextStyle& style) {
    if (!images_) return;
    const std::string src = AttributeValue(element, "src");
    if (src.empty()) return;
    const std::optional<PlacedImage> image = images_(Utf8ToPageText(src), page_);
    if (!image) return;
    int width = image->width;
    int height = image->height;
    const auto given_width = LeadingInteger(AttributeValue(element, "width"));
    const auto given_height = LeadingInteger(AttributeValue(element, "height"));
    const bool width_percent = AttributeValue(element, "width").find('%') != std::string::npos;
    if (given_width && *given_width > 0 && !width_percent) width = *given_width;
    if (given_height && *given_height > 0 && AttributeValue(element, "height").find('%') == std::string::npos) {
      height = *given_height;
      if (!(given_width && *given_width > 0) && image->height > 0) width = image->width * height / image->height;
    } else if (given_width && *given_width > 0 && !width_percent && image->width > 0) {
      height = image->height * width / image->width;
    }
    EmitPendingAnchors();
    if (style.link >= 0) out_ += "<a href=\"" + std::string(kLinkPrefix) + std::to_string(style.link) + "\">";
    out_ += "<img src=\"";
    AppendEscaped(out_, image->resource);
    out_ += "\" width=\"" + std::to_string(std::max(width, 0)) + "\" height=\"" + std::to_string(std::max(height, 0)) + "\"";
    const std::string align = core::LowerCaseAscii(core::AllTrim(AttributeValue(element, "align")));
    if (align == "left" || align == "right" || align == "middle" || align == "top" || align == "bottom") {
      out_ += " align=\"" + align + "\"";
    }
    out_ += " />";
    if (style.link >= 0) out_ += "</a>";
  }

  void EmitRule(const GumboElement& element) {
    int width = 100;
    bool percent = true;
    const std::string width_text = AttributeValue(element, "width");
    if (auto value = LeadingInteger(width_text); value && *value > 0) {
      percent = width_text.find('%') != std::string::npos;
      width = percent ? std::min(*value, 100) : std::min(*value, 10000);
    }
    int size = 2;
    if (auto value = LeadingInteger(AttributeValue(element, "size")); value && *value > 0) size = std::min(*value, 100);
    const std::optional<QColor> color = ParseHtmlColor(AttributeValue(element, "color"));
    const bool shaded = !HasAttribute(element, "noshade") && !color;
    std::string align = core::LowerCaseAscii(core::AllTrim(AttributeValue(element, "align")));
    if (align != "left" && align != "right") align = "center";
    out_ += "<p align=\"" + align + "\" style=\"margin-top:6px;margin-bottom:6px;\"><img src=\"";
    out_ += kRulePrefix;
    out_ += std::to_string(width) + (percent ? ":%:" : ":px:") + std::to_string(size) + ":" +
            (color ? ColorText(*color).substr(1) : std::string("-")) + (shaded ? ":1" : ":0") + "\" width=\"1\" height=\"1\" /></p>";
  }

  // Text in a table does not take the FONT, B or I elements around the table: the browsers
  // of the time started every table with the page's plain text style.
  void EmitTable(const GumboNode* node) {
    const GumboElement& element = node->v.element;
    TextStyle style;
    style.color = body_color_;
    // CAPTION first, centred above the table.
    for (unsigned i = 0; i < element.children.length; ++i) {
      const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
      if (child->type == GUMBO_NODE_ELEMENT && child->v.element.tag == GUMBO_TAG_CAPTION) {
        out_ += "<p align=\"center\">";
        WalkChildren(child, style);
        out_ += "</p>";
      }
    }
    out_ += "<table";
    if (HasAttribute(element, "border")) {
      const auto border = LeadingInteger(AttributeValue(element, "border"));
      out_ += " border=\"" + std::to_string(border ? std::clamp(*border, 0, 20) : 1) + "\"";
    } else {
      out_ += " border=\"0\"";
    }
    const auto padding = LeadingInteger(AttributeValue(element, "cellpadding"));
    out_ += " cellpadding=\"" + std::to_string(padding ? std::clamp(*padding, 0, 100) : 1) + "\"";
    const auto spacing = LeadingInteger(AttributeValue(element, "cellspacing"));
    out_ += " cellspacing=\"" + std::to_string(spacing ? std::clamp(*spacing, 0, 100) : 2) + "\"";
    const std::string width = LengthText(AttributeValue(element, "width"));
    if (!width.empty()) out_ += " width=\"" + width + "\"";
    AppendAlign(element, "align");
    if (auto color = ParseHtmlColor(AttributeValue(element, "bgcolor"))) {
      out_ += " bgcolor=\"" + ColorText(*color) + "\"";
    }
    out_ += '>';
    const int saved_center = center_depth_;
    center_depth_ = 0;  // CENTER centres the table, not the text of its cells
    const std::string saved_valign = row_valign_;
    const auto saved_background = row_background_;
    WalkChildren(node, style);
    row_valign_ = saved_valign;
    row_background_ = saved_background;
    center_depth_ = saved_center;
    out_ += "</table>";
  }

  void EmitCell(const GumboNode* node, TextStyle style) {
    const GumboElement& element = node->v.element;
    const bool header = element.tag == GUMBO_TAG_TH;
    if (header) style.bold = true;
    out_ += header ? "<th" : "<td";
    for (const char* name : {"colspan", "rowspan"}) {
      if (auto span = LeadingInteger(AttributeValue(element, name)); span && *span > 1) {
        out_ += " " + std::string(name) + "=\"" + std::to_string(std::min(*span, 1000)) + "\"";
      }
    }
    std::string align = core::LowerCaseAscii(core::AllTrim(AttributeValue(element, "align")));
    if (align != "left" && align != "right" && align != "center" && align != "justify") {
      align = header ? "center" : "left";
    }
    out_ += " align=\"" + align + "\"";
    std::string valign = core::LowerCaseAscii(core::AllTrim(AttributeValue(element, "valign")));
    if (valign.empty()) valign = row_valign_;
    if (valign == "center") valign = "middle";
    if (valign != "top" && valign != "bottom" && valign != "middle") valign = "middle";
    out_ += " valign=\"" + valign + "\"";
    const std::string width = LengthText(AttributeValue(element, "width"));
    if (!width.empty()) out_ += " width=\"" + width + "\"";
    std::optional<QColor> background = ParseHtmlColor(AttributeValue(element, "bgcolor"));
    if (!background) background = row_background_;
    if (background) out_ += " bgcolor=\"" + ColorText(*background) + "\"";
    if (HasAttribute(element, "nowrap")) out_ += " nowrap";
    out_ += '>';
    const int saved_center = center_depth_;
    center_depth_ = 0;
    WalkChildren(node, style);
    center_depth_ = saved_center;
    out_ += header ? "</th>" : "</td>";
  }

  const PageDefaults& defaults_;
  const ImageResolver& images_;
  HtmlPage& page_;
  std::string out_;                 // the normalised markup being written
  std::string default_face_;        // UTF-8
  std::string pre_face_;            // UTF-8
  QColor body_color_;               // text colour of BODY; runs in it carry no colour
  QColor link_color_ = defaults_.link;
  int base_level_ = kDefaultBaseLevel;  // BASEFONT SIZE
  int center_depth_ = 0;            // open CENTER (or DIV ALIGN=CENTER) elements
  int depth_ = 0;                   // elements entered by the walk
  std::vector<std::string> pending_anchors_;  // A NAME values waiting for the next run
  std::string row_valign_;          // VALIGN of the open TR
  std::optional<QColor> row_background_;  // BGCOLOR of the open TR
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
  const std::string utf8 = core::Cp1252ToUtf8(bytes);
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, utf8.data(), utf8.size());
  HtmlPage page;
  Normaliser(defaults, images, page).Run(output->document);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return page;
}

}  // namespace vantorel::browser
