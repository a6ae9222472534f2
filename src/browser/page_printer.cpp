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
  if (format.hasProperty(QTextFormat::BackgroundBrush)) {
    format.clearBackground();
    frame->setFrameFormat(format);
  }
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

PrintJob::Body PrintJob::BodyOnPaper() const {
  const double dpi_x = printer_.logicalDpiX();
  const double dpi_y = printer_.logicalDpiY();
  const QRectF paper = printer_.pageLayout().fullRectPixels(printer_.resolution());
  Body body;
  body.left = margins_.left / kCentimetresPerInch * dpi_x;
  const double right = margins_.right / kCentimetresPerInch * dpi_x;
  body.top = margins_.top / kCentimetresPerInch * dpi_y;
  body.bottom = margins_.bottom / kCentimetresPerInch * dpi_y;
  body.size = QSizeF(std::max(1.0, paper.width() - body.left - right), std::max(1.0, paper.height() - body.top - body.bottom));
  return body;
}

void PrintJob::PreparePaper(QTextDocument& document) const {
  // Format changes are not kept for undo: that costs more than the changes.
  document.setUndoRedoEnabled(false);
  document.documentLayout()->setPaintDevice(&printer_);
  document.setDocumentMargin(0);
  RemoveBackgrounds(document.rootFrame());
  document.setPageSize(BodyOnPaper().size);
}

bool PrintJob::PrintPage(const QTextDocument& laid_out, int page) {
  if (ended_) return false;
  const int number = pages_ + page;
  if (number < first_) return true;
  if (number > last_) {
    ended_ = true;
    return false;
  }
  const Body body = BodyOnPaper();
  const QRectF paper = printer_.pageLayout().fullRectPixels(printer_.resolution());
  const double screen_dpi = ScreenDpi();
  const double scale_x = printer_.logicalDpiX() / screen_dpi;
  const double scale_y = printer_.logicalDpiY() / screen_dpi;
  const int width_on_screen = static_cast<int>(paper.width() / scale_x);
  if (printed_ > 0) printer_.newPage();
  ++printed_;
  painter_.save();
  painter_.translate(body.left, body.top);
  const QRectF view(0, (page - 1) * body.size.height(), body.size.width(), body.size.height());
  painter_.setClipRect(QRectF(QPointF(0, 0), body.size));
  painter_.translate(0, -view.top());
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = view;
  context.palette.setColor(QPalette::Text, Qt::black);
  laid_out.documentLayout()->draw(&painter_, context);
  painter_.restore();

  bool stop =
      RunPageEvent(header_, painter_, QPointF(0, 0), number, width_on_screen, static_cast<int>(body.top / scale_y));
  stop = RunPageEvent(footer_, painter_, QPointF(0, paper.height() - body.bottom), number, width_on_screen,
                      static_cast<int>(body.bottom / scale_y)) ||
         stop;
  if (stop) ended_ = true;
  return !ended_;
}

bool PrintJob::EndDocument(int page_count) {
  pages_ += page_count;
  if (pages_ >= last_) ended_ = true;
  return !ended_;
}

bool PrintJob::Print(const QTextDocument& document) {
  if (ended_) return false;
  const std::unique_ptr<QTextDocument> copy(document.clone());
  InstallImageDrawing(*copy);
  PreparePaper(*copy);
  const int page_count = copy->pageCount();  // lays it out whole
  for (int page = 1; page <= page_count; ++page) {
    if (!PrintPage(*copy, page)) break;
  }
  return EndDocument(page_count);
}

}  // namespace vantorel::browser
