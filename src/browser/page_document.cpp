#include "browser/page_document.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

#include "browser/qt_text.h"
#include "core/texts.h"

namespace vantorel::browser {
namespace {

// The rule objects and their properties in the document's character formats.
constexpr int kRuleObjectType = QTextFormat::UserObject + 1;
constexpr int kRuleWidth = QTextFormat::UserProperty + 1;         // double
constexpr int kRuleWidthIsPercent = QTextFormat::UserProperty + 2; // bool
constexpr int kRuleSize = QTextFormat::UserProperty + 3;          // int, pixels
constexpr int kRuleColor = QTextFormat::UserProperty + 4;         // QColor, absent: none
constexpr int kRuleShaded = QTextFormat::UserProperty + 5;        // bool

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

// The rule images of the markup become rule objects.
void ReplaceRuleImages(QTextDocument& document, const std::vector<PageRule>& rules) {
  if (rules.empty()) return;
  const QString prefix = QString::fromLatin1(kRuleResourcePrefix.data(), kRuleResourcePrefix.size());
  std::vector<std::pair<int, std::size_t>> found;  // position, rule index
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      if (!format.isImageFormat()) continue;
      const QString name = format.toImageFormat().name();
      if (!name.startsWith(prefix)) continue;
      const std::size_t index = name.mid(prefix.size()).toULongLong();
      if (index < rules.size()) found.emplace_back(fragment.position(), index);
    }
  }
  QTextCursor cursor(&document);
  for (const auto& [position, index] : found) {
    const PageRule& rule = rules[index];
    QTextCharFormat format;
    format.setObjectType(kRuleObjectType);
    format.setProperty(kRuleWidth, rule.width);
    format.setProperty(kRuleWidthIsPercent, rule.width_is_percent);
    format.setProperty(kRuleSize, rule.size);
    if (rule.color) format.setProperty(kRuleColor, *rule.color);
    format.setProperty(kRuleShaded, rule.shaded);
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    cursor.setCharFormat(format);
  }
}

}  // namespace

QSizeF RuleDrawing::intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) {
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
  const double width = format.property(kRuleWidthIsPercent).toBool()
                           ? available * format.property(kRuleWidth).toDouble() / 100
                           : format.property(kRuleWidth).toDouble() * scale;
  return QSizeF(std::clamp(width, 1.0, available), std::max(1.0, format.property(kRuleSize).toInt() * scale));
}

void RuleDrawing::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                             const QTextFormat& format) {
  painter->save();
  if (format.hasProperty(kRuleColor)) {
    painter->fillRect(rect, format.property(kRuleColor).value<QColor>());
  } else if (format.property(kRuleShaded).toBool()) {
    // The groove: dark upper and left edges, light lower and right edges.
    const double line = std::max(1.0, rect.height() / std::max(1, format.property(kRuleSize).toInt()));
    painter->fillRect(QRectF(rect.left(), rect.top(), rect.width(), line), QColor(128, 128, 128));
    painter->fillRect(QRectF(rect.left(), rect.top(), line, rect.height()), QColor(128, 128, 128));
    painter->fillRect(QRectF(rect.left(), rect.bottom() - line, rect.width(), line), QColor(255, 255, 255));
    painter->fillRect(QRectF(rect.right() - line, rect.top(), line, rect.height()), QColor(255, 255, 255));
  } else {
    painter->fillRect(rect, QColor(128, 128, 128));
  }
  painter->restore();
}

void InstallRuleDrawing(QTextDocument& document) {
  auto* drawing = new RuleDrawing(&document);
  document.documentLayout()->registerHandler(kRuleObjectType, drawing);
}

std::unique_ptr<QTextDocument> BuildHtmlDocument(const HtmlPage& page,
                                                 const std::vector<std::pair<std::string, QImage>>& images,
                                                 const PageDefaults& defaults) {
  auto document = std::make_unique<QTextDocument>();
  document->setDocumentMargin(kPageMargin);
  document->setDefaultFont(FontOf(defaults.font_name, defaults.base_point_size));
  for (const auto& [name, image] : images) {
    document->addResource(QTextDocument::ImageResource, QUrl(QString::fromStdString(name)), image);
  }
  document->setHtml(QString::fromUtf8(page.markup.data(), static_cast<qsizetype>(page.markup.size())));
  ReplaceRuleImages(*document, page.rules);
  InstallRuleDrawing(*document);
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
  return document;
}

int FindAnchor(const QTextDocument& document, std::string_view name) {
  const QString wanted = ToQString(name);
  int case_free_match = -1;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      if (!format.isAnchor()) continue;
      for (const QString& anchor : format.anchorNames()) {
        if (anchor == wanted) return it.fragment().position();
        if (case_free_match < 0 && core::SameTextNoCase(FromQString(anchor), name)) {
          case_free_match = it.fragment().position();
        }
      }
    }
  }
  return case_free_match;
}

}  // namespace vantorel::browser
