#include "browser/page_printer.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPicture>
#include <QScreen>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <memory>
#include <utility>

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
  PrintJob job(printer, margins, first, last, header, footer);
  job.Print(document);
  return job.Printed();
}

PrintJob::PrintJob(QPrinter& printer, const PrintMargins& margins, int first, int last, PrintPageEvent header,
                   PrintPageEvent footer)
    : printer_(printer), margins_(margins), first_(std::max(1, first)), last_(last), header_(std::move(header)),
      footer_(std::move(footer)) {
  printer_.setFullPage(true);
  ended_ = !painter_.begin(&printer_);
}

PrintJob::~PrintJob() {
  if (painter_.isActive()) painter_.end();
}

bool PrintJob::Print(const QTextDocument& document) {
  if (ended_) return false;
  const double dpi_x = printer_.logicalDpiX();
  const double dpi_y = printer_.logicalDpiY();
  const QRectF paper = printer_.pageLayout().fullRectPixels(printer_.resolution());
  const double left = margins_.left / kCentimetresPerInch * dpi_x;
  const double right = margins_.right / kCentimetresPerInch * dpi_x;
  const double top = margins_.top / kCentimetresPerInch * dpi_y;
  const double bottom = margins_.bottom / kCentimetresPerInch * dpi_y;
  const QSizeF body(std::max(1.0, paper.width() - left - right), std::max(1.0, paper.height() - top - bottom));

  std::unique_ptr<QTextDocument> copy(document.clone());
  copy->documentLayout()->setPaintDevice(&printer_);
  InstallImageDrawing(*copy);
  copy->setDocumentMargin(0);
  RemoveBackgrounds(copy->rootFrame());
  copy->setPageSize(body);
  const int page_count = copy->pageCount();

  const double screen_dpi = ScreenDpi();
  const double scale_x = dpi_x / screen_dpi;
  const double scale_y = dpi_y / screen_dpi;
  const int width_on_screen = static_cast<int>(paper.width() / scale_x);
  for (int page = 1; page <= page_count; ++page) {
    const int number = pages_ + page;
    if (number < first_) continue;
    if (number > last_) {
      ended_ = true;
      break;
    }
    if (printed_ > 0) printer_.newPage();
    ++printed_;
    painter_.save();
    painter_.translate(left, top);
    const QRectF view(0, (page - 1) * body.height(), body.width(), body.height());
    painter_.setClipRect(QRectF(QPointF(0, 0), body));
    painter_.translate(0, -view.top());
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    context.palette.setColor(QPalette::Text, Qt::black);
    copy->documentLayout()->draw(&painter_, context);
    painter_.restore();

    bool stop = RunPageEvent(header_, painter_, QPointF(0, 0), number, width_on_screen, static_cast<int>(top / scale_y));
    stop = RunPageEvent(footer_, painter_, QPointF(0, paper.height() - bottom), number, width_on_screen,
                        static_cast<int>(bottom / scale_y)) || stop;
    if (stop) {
      ended_ = true;
      break;
    }
  }
  pages_ += page_count;
  if (pages_ >= last_) ended_ = true;
  return !ended_;
}

}  // namespace vantorel::browser
