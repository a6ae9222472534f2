// Printing a view's document page by page, with the print header and footer events.
#pragma once

#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <functional>

namespace vantorel::browser {

// Print margins in centimetres.
struct PrintMargins {
  double left = 2.0;
  double right = 2.0;
  double top = 2.0;
  double bottom = 2.0;
};

// One page's header or footer: the canvas, the page number (from 1), the page width and the
// margin's height in the canvas's units; stop_printing set true ends the job after this page.
using PrintPageEvent =
    std::function<void(QPainter& canvas, int num_page, int width, int height, bool& stop_printing)>;

// The screen's pixels per inch, the unit of the header and footer canvas.
double ScreenDpi();

// Raises a header or footer event for page num_page with a canvas in screen pixels whose
// drawing lands on page (a painter on a device of any resolution) with its origin at origin
// (device pixels). Fonts given in points keep their size on the device. Returns whether the
// handler set stop_printing.
bool RunPageEvent(const PrintPageEvent& event, QPainter& page, QPointF origin, int num_page, int width,
                  int height);

// Prints document to printer laid out for the paper inside the margins. Pages are counted
// from 1; pages before first are laid out but not printed, printing stops after last or at
// the end of the document. For every printed page, after its content, header and then footer
// are raised (when set) with a canvas whose unit is one screen pixel: for the header its
// origin is the top-left corner of the page's printable area and height is the top margin;
// for the footer the origin is the top-left corner of the bottom margin and height is the
// bottom margin. Fonts given in points keep their size on paper. The canvas's font, pen,
// brush and transformation are restored after each event. Backgrounds are not printed.
// Returns the number of pages printed; 0 also when the printer cannot be opened.
int PrintDocument(const QTextDocument& document, QPrinter& printer, const PrintMargins& margins,
                  int first, int last, const PrintPageEvent& header, const PrintPageEvent& footer);

// One print job of several documents one after another (the parts of a long page), each
// starting on a new page, pages numbered on through them; otherwise as PrintDocument.
class PrintJob {
 public:
  PrintJob(QPrinter& printer, const PrintMargins& margins, int first, int last, PrintPageEvent header,
           PrintPageEvent footer);
  ~PrintJob();  // ends the job
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  // Prints the pages of document; false once the job has ended: the printer could not be
  // opened, the last page is printed or a header or footer stopped printing.
  bool Print(const QTextDocument& document);
  // Print in steps, so that the event loop may run between them: PreparePaper a document of
  // one's own (image drawing installed) for the paper, which leaves it to be laid out (see
  // LayoutStepper), then PrintPage each of its pages from 1 while that returns true, then
  // EndDocument with its page count, which answers as Print does.
  void PreparePaper(QTextDocument& document) const;
  bool PrintPage(const QTextDocument& laid_out, int page);
  bool EndDocument(int page_count);
  bool Ended() const { return ended_; }
  // Pages printed so far.
  int Printed() const { return printed_; }

 private:
  // The printable area inside the margins, in the printer's pixels.
  struct Body {
    double left = 0;
    double top = 0;
    double bottom = 0;
    QSizeF size;
  };
  Body BodyOnPaper() const;

  QPrinter& printer_;
  PrintMargins margins_;
  int first_;
  int last_;
  PrintPageEvent header_;
  PrintPageEvent footer_;
  QPainter painter_;
  bool ended_ = false;
  int pages_ = 0;    // pages of the documents printed or passed over so far
  int printed_ = 0;
};

}  // namespace vantorel::browser
