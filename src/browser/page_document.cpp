#include "browser/page_document.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <optional>

#include "core/code_pages.h"
#include "core/texts.h"
#include "qtui/qt_text.h"

namespace vantorel::browser {

using qtui::ToQString;
namespace {

// Pixels of the screen a page is designed for; a printer's layout scales them.
constexpr double kScreenDpi = 96.0;

double DeviceScale(QTextDocument* document) {
  const QPaintDevice* device = document->documentLayout()->paintDevice();
  return device ? device->logicalDpiY() / kScreenDpi : 1.0;
}

QFont FontOf(const std::string& name, double point_size) {
  QFont font(ToQString(name));
  font.setPointSizeF(point_size);
  return font;
}

void SetRootBackground(QTextDocument& document, const QColor& color) {
  QTextFrameFormat format = document.rootFrame()->frameFormat();
  format.setBackground(color);
  document.rootFrame()->setFrameFormat(format);
}

// A horizontal rule as its image name describes it.
struct Rule {
  double width = 100;
  bool percent = true;
  int size = 2;
  std::optional<QColor> color;
  bool shaded = true;
};

std::optional<Rule> RuleOf(const QString& name) {
  const QString prefix = QString::fromLatin1(kRulePrefix.data(), kRulePrefix.size());
  if (!name.startsWith(prefix)) return std::nullopt;
  const QStringList parts = name.mid(prefix.size()).split(QLatin1Char(':'));
  if (parts.size() != 5) return std::nullopt;
  Rule rule;
  rule.width = parts[0].toDouble();
  rule.percent = parts[1] == QLatin1String("%");
  rule.size = parts[2].toInt();
  if (parts[3] != QLatin1String("-")) rule.color = QColor(QLatin1Char('#') + parts[3]);
  rule.shaded = parts[4] == QLatin1String("1");
  return rule;
}

QSizeF RuleSize(QTextDocument* document, int position, const Rule& rule) {
  const double scale = DeviceScale(document);
  double available = document->textWidth() >= 0 ? document->textWidth() - 2 * document->documentMargin()
                                                 : 600 * scale;
  // Found through the frames, not a cursor: a cursor would lay the line out again.
  if (auto* table = qobject_cast<QTextTable*>(document->frameAt(position))) {
    const QRectF bounds = document->documentLayout()->frameBoundingRect(table);
    const QTextTableCell cell = table->cellAt(position);
    const QTextTableFormat table_format = table->format();
    if (bounds.width() > 0 && table->columns() > 0) {
      available = bounds.width() * std::max(1, cell.columnSpan()) / table->columns() -
                  2 * (table_format.cellPadding() + table_format.border() + table_format.cellSpacing());
    } else {
      available = 100 * scale;
    }
  }
  available = std::max(available - 1, 1.0);
  const double width = rule.percent ? available * rule.width / 100 : rule.width * scale;
  return QSizeF(std::clamp(width, 1.0, available), std::max(1.0, rule.size * scale));
}

void DrawRule(QPainter* painter, const QRectF& rect, const Rule& rule) {
  if (rule.color) {
    painter->fillRect(rect, *rule.color);
  } else if (rule.shaded) {
    // The groove: dark upper and left edges, light lower and right edges.
    const double line = std::max(1.0, rect.height() / std::max(1, rule.size));
    painter->fillRect(QRectF(rect.left(), rect.top(), rect.width(), line), QColor(128, 128, 128));
    painter->fillRect(QRectF(rect.left(), rect.top(), line, rect.height()), QColor(128, 128, 128));
    painter->fillRect(QRectF(rect.left(), rect.bottom() - line, rect.width(), line), QColor(255, 255, 255));
    painter->fillRect(QRectF(rect.right() - line, rect.top(), line, rect.height()), QColor(255, 255, 255));
  } else {
    painter->fillRect(rect, QColor(128, 128, 128));
  }
}

// Draws the part of image stretched over rect that the painter's clip shows: a picture
// stretched over thousands of pixels is not scaled whole to show a screenful of it.
void DrawVisiblePart(QPainter* painter, const QRectF& rect, const QImage& image) {
  const QRectF shown = painter->hasClipping() ? rect & painter->clipBoundingRect() : rect;
  if (shown.isEmpty() || rect.width() <= 0 || rect.height() <= 0) return;
  const double x_scale = image.width() / rect.width();
  const double y_scale = image.height() / rect.height();
  const QRectF source((shown.left() - rect.left()) * x_scale, (shown.top() - rect.top()) * y_scale,
                      shown.width() * x_scale, shown.height() * y_scale);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, image.size() != rect.size().toSize());
  painter->drawImage(shown, image, source);
}

QImage ImageOf(QTextDocument* document, const QTextImageFormat& format) {
  return document->resource(QTextDocument::ImageResource, QUrl(format.name())).value<QImage>();
}

}  // namespace

namespace {
bool IsAnchorMarker(const QString& name) {
  return name.startsWith(QLatin1String(kAnchorPrefix.data(), static_cast<qsizetype>(kAnchorPrefix.size())));
}

bool IsSeam(const QTextBlock& block) {
  const QTextBlock::iterator first = block.begin();
  if (first.atEnd()) return false;
  const QTextCharFormat format = first.fragment().charFormat();
  return format.isImageFormat() &&
         format.toImageFormat().name() == QLatin1String(kSeamPrefix.data(), static_cast<qsizetype>(kSeamPrefix.size()));
}

// The line between two parts of a table takes no height, and the second part starts where
// the next row of one table would: one cell spacing below the last row, not two.
void CloseSeams(QTextDocument& document) {
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (!IsSeam(block)) continue;
    QTextBlockFormat format = block.blockFormat();
    format.setLineHeight(0, QTextBlockFormat::FixedHeight);
    format.setTopMargin(0);
    format.setBottomMargin(0);
    QTextCursor(block).setBlockFormat(format);
    if (auto* part = qobject_cast<QTextTable*>(document.frameAt(block.position() + block.length()))) {
      QTextTableFormat table_format = part->format();
      table_format.setTopMargin(-table_format.cellSpacing());
      part->setFormat(table_format);
    }
  }
}
}  // namespace

QSizeF ImageDrawing::intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) {
  const QTextImageFormat image_format = format.toImageFormat();
  if (IsAnchorMarker(image_format.name())) return QSizeF(0, 0);
  if (const std::optional<Rule> rule = RuleOf(image_format.name())) return RuleSize(document, position, *rule);
  const QImage image = ImageOf(document, image_format);
  double width = image_format.width() > 0 ? image_format.width() : image.width();
  double height = image_format.height() > 0 ? image_format.height() : image.height();
  const double scale = DeviceScale(document);
  return QSizeF(width * scale, height * scale);
}

void ImageDrawing::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int,
                              const QTextFormat& format) {
  const QTextImageFormat image_format = format.toImageFormat();
  if (IsAnchorMarker(image_format.name())) return;
  painter->save();
  if (const std::optional<Rule> rule = RuleOf(image_format.name())) {
    DrawRule(painter, rect, *rule);
  } else {
    const QImage image = ImageOf(document, image_format);
    if (!image.isNull()) DrawVisiblePart(painter, rect, image);
  }
  painter->restore();
}

void InstallImageDrawing(QTextDocument& document) {
  auto* drawing = new ImageDrawing(&document);
  document.documentLayout()->registerHandler(QTextFormat::ImageObject, drawing);
}

LayoutStepper::LayoutStepper(QTextDocument& document)
    : document_(document), layout_(document.documentLayout()) {
  layout_->installEventFilter(this);
}

LayoutStepper::~LayoutStepper() { layout_->removeEventFilter(this); }

bool LayoutStepper::eventFilter(QObject* watched, QEvent* event) {
  return watched == layout_ && event->type() == QEvent::Timer && !done_;
}

bool LayoutStepper::Step(int budget_ms) {
  QElapsedTimer clock;
  clock.start();
  QAbstractTextDocumentLayout* layout = document_.documentLayout();
  QTextBlock block = document_.findBlock(position_);
  while (block.isValid()) {
    layout->blockBoundingRect(block);  // lays the document out up to the block
    position_ = block.position() + block.length();
    block = block.next();
    if (clock.elapsed() >= budget_ms) break;
  }
  done_ = !block.isValid();
  return done_;
}

std::unique_ptr<QTextDocument> BuildUnlaidHtmlDocument(const HtmlPage& page,
                                                       const std::vector<std::pair<std::string, QImage>>& images,
                                                       const PageDefaults& defaults) {
  auto document = std::make_unique<QTextDocument>();
  document->setDocumentMargin(kPageMargin);
  document->setDefaultFont(FontOf(defaults.font_name, defaults.base_point_size));
  for (const auto& [name, image] : images) {
    document->addResource(QTextDocument::ImageResource, QUrl(QString::fromStdString(name)), image);
  }
  document->setHtml(QString::fromUtf8(page.markup.data(), static_cast<qsizetype>(page.markup.size())));
  // Before the document has a layout, which would otherwise lay the page out up to every
  // seam as it is closed.
  if (page.markup.find(kSeamPrefix) != std::string::npos) CloseSeams(*document);
  return document;
}

std::unique_ptr<QTextDocument> BuildHtmlDocument(const HtmlPage& page,
                                                 const std::vector<std::pair<std::string, QImage>>& images,
                                                 const PageDefaults& defaults) {
  auto document = BuildUnlaidHtmlDocument(page, images, defaults);
  InstallImageDrawing(*document);
  return document;
}

std::unique_ptr<QTextDocument> BuildTextDocument(std::string_view bytes, const PageDefaults& defaults) {
  auto document = std::make_unique<QTextDocument>();
  document->setDocumentMargin(kPageMargin);
  const QFont font = FontOf(defaults.pre_font_name, defaults.base_point_size * 10 / 12);
  document->setDefaultFont(font);
  QTextOption option = document->defaultTextOption();
  option.setTabStopDistance(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 8);
  option.setWrapMode(QTextOption::NoWrap);
  document->setDefaultTextOption(option);
  document->setPlainText(ToQString(bytes));
  SetRootBackground(*document, defaults.background);
  return document;
}

std::unique_ptr<QTextDocument> BuildImageDocument(const QImage& image, const PageDefaults& defaults) {
  auto document = std::make_unique<QTextDocument>();
  document->setDocumentMargin(kPageMargin);
  SetRootBackground(*document, defaults.background);
  if (image.isNull()) return document;
  document->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("vimg:0")), image);
  QTextCursor cursor(document.get());
  QTextImageFormat format;
  format.setName(QStringLiteral("vimg:0"));
  format.setWidth(image.width());
  format.setHeight(image.height());
  cursor.insertImage(format);
  InstallImageDrawing(*document);
  return document;
}

// Between the last cell of one part and the first cell of the next, one table has a single
// cell boundary; the parts have the end of the first table, the seam's line and the start of
// the second.
std::vector<std::pair<int, int>> SeamCharacters(const QTextDocument& document, int start, int end) {
  std::vector<std::pair<int, int>> ranges;
  for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
       block = block.next()) {
    if (!IsSeam(block)) continue;
    QTextFrame* before = document.frameAt(block.position() - 1);
    while (before && before->lastPosition() + 1 < block.position() - 1) before = before->parentFrame();
    QTextFrame* after = document.frameAt(block.position() + block.length());
    if (!before || !after) continue;
    const int first = std::max(start, before->lastPosition() + 1);
    const int last = std::min(end, after->firstPosition());
    if (first < last) ranges.emplace_back(first, last);
  }
  return ranges;
}

int FindAnchor(const QTextDocument& document, std::string_view name) {
  const QByteArray wanted = QByteArray::fromStdString(core::Cp1252ToUtf8(name)).toHex();
  int case_free_match = -1;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isImageFormat()) continue;
      const QString marker = format.toImageFormat().name();
      if (!IsAnchorMarker(marker)) continue;
      const QByteArray hex = marker.mid(static_cast<qsizetype>(kAnchorPrefix.size())).toLatin1();
      if (hex == wanted) return it.fragment().position();
      if (case_free_match < 0 &&
          core::SameTextNoCase(core::Utf8ToCp1252(QByteArray::fromHex(hex).toStdString()), name)) {
        case_free_match = it.fragment().position();
      }
    }
  }
  return case_free_match;
}

}  // namespace vantorel::browser
