// The documents a view lays out: a normalised HTML page with its images and rules, a plain
// text file, an image alone; and what the views need to find in them again.
#pragma once

#include <QObject>
#include <QTextDocument>
#include <QTextObjectInterface>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "browser/html_page.h"

namespace vantorel::browser {

// Margin around the text of a page, in pixels, as browsers of the time left it.
inline constexpr int kPageMargin = 8;

// A laid-out page from its normalised markup. images holds the image resources the markup
// names (resource name, image).
std::unique_ptr<QTextDocument> BuildHtmlDocument(const HtmlPage& page,
                                                 const std::vector<std::pair<std::string, QImage>>& images,
                                                 const PageDefaults& defaults);
// BuildHtmlDocument without a layout and so without the image drawing registered with it,
// which makes it safe on a worker thread; InstallImageDrawing before the document is shown.
std::unique_ptr<QTextDocument> BuildUnlaidHtmlDocument(const HtmlPage& page,
                                                       const std::vector<std::pair<std::string, QImage>>& images,
                                                       const PageDefaults& defaults);

// The characters of a file (code page 1252) shown as preformatted text in the default
// preformatted font, tab stops every eight characters.
std::unique_ptr<QTextDocument> BuildTextDocument(std::string_view bytes, const PageDefaults& defaults);

// One image shown alone on the default background; a null image gives an empty page.
std::unique_ptr<QTextDocument> BuildImageDocument(const QImage& image, const PageDefaults& defaults);

// Position of the named anchor (A NAME), found without regard to the case of a-z when no
// name matches exactly; -1 when the document has no such anchor.
int FindAnchor(const QTextDocument& document, std::string_view name);

// The characters between start and end (document positions) that the seams between the
// parts of long tables add to the text of the table laid out whole, as position ranges
// [first, last) in document order.
std::vector<std::pair<int, int>> SeamCharacters(const QTextDocument& document, int start, int end);

// Registers the view's drawing of images and horizontal rules with the document's layout.
// BuildHtmlDocument and friends do it; a copy of the document made for printing needs it
// again.
void InstallImageDrawing(QTextDocument& document);

// Lays a document out a piece at a time, for its page size. Qt lays a large document out from
// its event loop in steps that double up to 200,000 characters, the last of them long; while
// a LayoutStepper is alive those steps wait and Step lays out instead, for about a given time
// (a table or other frame at the root at least whole, each time).
class LayoutStepper : public QObject {
 public:
  explicit LayoutStepper(QTextDocument& document);
  ~LayoutStepper() override;
  LayoutStepper(const LayoutStepper&) = delete;
  LayoutStepper& operator=(const LayoutStepper&) = delete;

  // Lays out on from where it stopped for about budget_ms; true once the document is laid out
  // to its end.
  bool Step(int budget_ms);
  bool Done() const { return done_; }
  // The document is laid out up to this position (and at least its first block).
  int LaidOutTo() const { return position_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTextDocument& document_;
  QObject* layout_;
  int position_ = 0;
  bool done_ = false;
};

// Draws the images of a page from its image resources, and its horizontal rules (images
// named kRulePrefix...): a shaded groove, or a solid bar in the rule's colour, as wide as the
// rule's share of the line. Sizes are screen pixels, scaled for a printer's layout.
class ImageDrawing : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  using QObject::QObject;
  QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                  const QTextFormat& format) override;
};

}  // namespace vantorel::browser
