#include "browser/page_printer.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPicture>
#include <QScreen>
#include <QTextFrame>
#include <QTextTable>

#include <memory>

#include "browser/page_document.h"

namespace vantorel::browser {
namespace {

constexpr double kCentimetresPerInch = 2.54;

// Table and page backgrounds stay on the screen.
void RemoveBackgrounds(QTextFrame* frame) {
  QTextFrameFormat format = frame->frameFormat();
  format.clearBackground();
  frame->setFrameFormat(format);
  if (auto* table = qobject_cast<QTextTable*>(frame)) {
    for (int row = 0; row < table->rows(); ++row) {
      for (int column = 0; column < table->columns(); ++column) {
        QTextTableCell cell = table->cellAt(row, column);
        if (cell.row() != row || cell.column() != column) continue;
        QTextTableCellFormat cell_format = cell.format().toTableCellFormat();
        if (cell_format.hasProperty(QTextFormat::BackgroundBrush)) {
          cell_format.clearBackground();
          cell.setFormat(cell_format);
        }
      }
    }
  }
  for (QTextFrame* child : frame->childFrames()) RemoveBackgrounds(child);
}

}  // namespace

bool RunPageEvent(const PrintPageEvent& event, QPainter& page, QPointF origin, int num_page, int width,
                  int height) {
  if (!event) return false;
  QPicture picture;  // its unit is the screen pixel
  bool stop_printing = false;
  {
    QPainter canvas(&picture);
    event(canvas, num_page, width, height, stop_printing);
  }
  page.save();
  page.resetTransform();
  page.translate(origin);
  page.drawPicture(0, 0, picture);  // scales from the screen's resolution to the page's
  page.restore();
  return stop_printing;
}


double ScreenDpi() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->logicalDotsPerInchY();
  return 96.0;
}

int PrintDocument(const QTextDocument& document, QPrinter& printer, const PrintMargins& margins,
                  int first, int last, const PrintPageEvent& header, const PrintPageEvent& footer) {
  printer.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&printer)) return 0;

  const double dpi_x = printer.logicalDpiX();
  const double dpi_y = printer.logicalDpiY();
  const QRectF paper = printer.pageLayout().fullRectPixels(printer.resolution());
  const double left = margins.left / kCentimetresPerInch * dpi_x;
  const double right = margins.right / kCentimetresPerInch * dpi_x;
  const double top = margins.top / kCentimetresPerInch * dpi_y;
  const double bottom = margins.bottom / kCentimetresPerInch * dpi_y;
  const QSizeF body(std::max(1.0, paper.width() - left - right), std::max(1.0, paper.height() - top - bottom));

  std::unique_ptr<QTextDocument> copy(document.clone());
  copy->documentLayout()->setPaintDevice(&printer);
  InstallImageDrawing(*copy);
  copy->setDocumentMargin(0);
  RemoveBackgrounds(copy->rootFrame());
  copy->setPageSize(body);
  const int page_count = copy->pageCount();

  const double screen_dpi = ScreenDpi();
  const double scale_x = dpi_x / screen_dpi;
  const double scale_y = dpi_y / screen_dpi;
  const int width_on_screen = static_cast<int>(paper.width() / scale_x);
  int printed = 0;
  for (int page = std::max(1, first); page <= page_count && page <= last; ++page) {
    if (printed > 0) printer.newPage();
    ++printed;
    painter.save();
    painter.translate(left, top);
    const QRectF view(0, (page - 1) * body.height(), body.width(), body.height());
    painter.setClipRect(QRectF(QPointF(0, 0), body));
    painter.translate(0, -view.top());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    context.palette.setColor(QPalette::Text, Qt::black);
    copy->documentLayout()->draw(&painter, context);
    painter.restore();

    bool stop = RunPageEvent(header, painter, QPointF(0, 0), page, width_on_screen, static_cast<int>(top / scale_y));
    stop = RunPageEvent(footer, painter, QPointF(0, paper.height() - bottom), page, width_on_screen,
                        static_cast<int>(bottom / scale_y)) || stop;
    if (stop) break;
  }
  painter.end();
  return printed;
}

}  // namespace vantorel::browser
