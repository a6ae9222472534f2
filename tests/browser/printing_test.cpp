#include <QPrinter>

#include <gtest/gtest.h>

#include <cmath>

#include "browser/frame_viewer.h"
#include "browser/html_viewer.h"
#include "browser/page_printer.h"
#include "page_fixture_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

struct PageEvent {
  int page;
  int width;
  int height;
  bool operator==(const PageEvent&) const = default;
};

// Pages in a PDF file written by Qt: one "/Type /Page" object each.
int PdfPageCount(const std::filesystem::path& file) {
  const std::string bytes = testing::TempDir::Read(file);
  const std::string page_object = "/Type /Page";
  int pages = 0;
  for (std::size_t at = bytes.find(page_object); at != std::string::npos; at = bytes.find(page_object, at + 1)) {
    pages += at + page_object.size() < bytes.size() && bytes[at + page_object.size()] != 's';
  }
  return pages;
}

int ScreenPixels(double centimetres) { return static_cast<int>(centimetres / 2.54 * ScreenDpi()); }

class PrintingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureQtApplication(); }

  void SetUp() override {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(QString::fromStdString(dir / "out.pdf"));
    view.resize(640, 480);
    std::string page = "<title>Long</title>";
    for (int i = 0; i < 250; ++i) page += "<p>Paragraph " + std::to_string(i) + " of a long page.</p>";
    view.LoadDocument(dir.Write("long.htm", page).string());
    view.OnPrintHeader = [this](HtmlViewer& sender, QPainter& canvas, int page, int w, int h, bool& stop) {
      EXPECT_EQ(&sender, &view);
      EXPECT_FALSE(stop);
      EXPECT_EQ(canvas.device()->logicalDpiY(), static_cast<int>(ScreenDpi()));  // screen pixels
      canvas.setFont(QFont("Arial", 8));
      canvas.drawText(50, 40, "Header of page " + QString::number(page));
      headers.push_back({page, w, h});
      stop = page == stop_after;
    };
    view.OnPrintFooter = [this](HtmlViewer&, QPainter& canvas, int page, int w, int h, bool&) {
      canvas.drawText(w - 100, 40, "Page " + QString::number(page));
      footers.push_back({page, w, h});
    };
  }

  testing::ScriptedUi ui;
  testing::TempDir dir;
  QPrinter printer{QPrinter::HighResolution};
  HtmlViewer view;
  std::vector<PageEvent> headers;
  std::vector<PageEvent> footers;
  int stop_after = 0;
};

TEST_F(PrintingTest, PrintsEveryPageWithItsHeaderAndFooter) {
  const int printed = view.PrintPages(printer, 1, 9999);
  ASSERT_GE(printed, 4);
  EXPECT_EQ(PdfPageCount(dir.path() / "out.pdf"), printed);
  ASSERT_EQ(headers.size(), static_cast<std::size_t>(printed));
  const int width = static_cast<int>(210 / 25.4 * ScreenDpi());
  for (int i = 0; i < printed; ++i) {
    EXPECT_EQ(headers[i], (PageEvent{i + 1, width, ScreenPixels(2.0)}));
    EXPECT_EQ(footers[i], (PageEvent{i + 1, width, ScreenPixels(2.0)}));
  }
}

TEST_F(PrintingTest, PrintsOnlyTheChosenPages) {
  EXPECT_EQ(view.PrintPages(printer, 2, 3), 2);
  EXPECT_EQ(PdfPageCount(dir.path() / "out.pdf"), 2);
  ASSERT_EQ(footers.size(), 2u);
  EXPECT_EQ(footers[0].page, 2);
  EXPECT_EQ(footers[1].page, 3);
}

TEST_F(PrintingTest, StopPrintingEndsTheJob) {
  stop_after = 2;
  EXPECT_EQ(view.PrintPages(printer, 1, 9999), 2);
  EXPECT_EQ(headers.size(), 2u);
  EXPECT_EQ(footers.size(), 2u);  // the stopped page is finished
}

TEST_F(PrintingTest, NothingPastTheEnd) {
  EXPECT_EQ(view.PrintPages(printer, 500, 9999), 0);
  EXPECT_TRUE(headers.empty());
}

TEST_F(PrintingTest, TheMarginsShapeThePages) {
  const int normal = view.PrintPages(printer, 1, 9999);
  view.SetPrintMarginTop(8.0);
  view.SetPrintMarginBottom(8.0);
  headers.clear();
  const int narrow = view.PrintPages(printer, 1, 9999);
  EXPECT_GT(narrow, normal);
  EXPECT_EQ(headers.front().height, ScreenPixels(8.0));
}

TEST_F(PrintingTest, TheFrameViewPrintsItsActiveFrame) {
  dir.Write("menu.htm", "menu");
  dir.Write("main.htm", testing::TempDir::Read(dir.path() / "long.htm"));
  FrameViewer frames;
  frames.resize(800, 600);
  frames.SetPrintMarginTop(3.0);
  frames.LoadDocument(dir.Write("index.htm", "<frameset cols=\"20%,*\"><frame name=menu src=menu.htm>"
                                             "<frame name=MAIN src=main.htm></frameset>").string());
  std::vector<PageEvent> frame_headers;
  frames.OnPrintHeader = [&](FrameViewer& sender, QPainter&, int page, int w, int h, bool&) {
    EXPECT_EQ(&sender, &frames);
    frame_headers.push_back({page, w, h});
  };
  frames.LoadDocumentIntoFrame("MAIN", dir / "main.htm");
  const int printed = frames.PrintPages(printer, 1, 9999);
  EXPECT_GE(printed, 4);
  ASSERT_FALSE(frame_headers.empty());
  EXPECT_EQ(frame_headers.front().height, ScreenPixels(3.0));
  FrameViewer empty;
  EXPECT_EQ(empty.PrintPages(printer, 1, 9999), 0);
}

TEST(PrintCanvasTest, ScreenPixelsAndPointsKeepTheirSizeOnPaper) {
  testing::EnsureQtApplication();
  QImage paper(3000, 3000, QImage::Format_RGB32);  // a 1200 dpi page
  paper.fill(Qt::white);
  paper.setDotsPerMeterX(qRound(1200 / 0.0254));
  paper.setDotsPerMeterY(qRound(1200 / 0.0254));
  const double screen_dpi = ScreenDpi();
  {
    QPainter page(&paper);
    page.scale(3, 3);  // whatever the page painter was doing is undone for the event
    const bool stop = RunPageEvent(
        [&](QPainter& canvas, int, int, int, bool& stop_printing) {
          canvas.fillRect(QRectF(0, 0, screen_dpi, 10), Qt::black);  // one inch
          canvas.setFont(QFont("Arial", 36));
          canvas.drawText(QPointF(0, 100), "HH");
          stop_printing = true;
        },
        page, QPointF(100, 200), 1, 800, 75);
    EXPECT_TRUE(stop);
  }
  int bar_right = 0;
  for (int x = 0; x < paper.width(); ++x) {
    if (qRed(paper.pixel(x, 205)) < 128) bar_right = x;
  }
  EXPECT_EQ(qRed(paper.pixel(99, 205)), 255);
  EXPECT_NEAR(bar_right, 100 + 1200, 15);
  int text_top = -1, text_bottom = -1;
  for (int y = 400; y < paper.height(); ++y) {
    for (int x = 100; x < 1500; ++x) {
      if (qRed(paper.pixel(x, y)) < 128) {
        if (text_top < 0) text_top = y;
        text_bottom = y;
        break;
      }
    }
  }
  const double cap_points = (text_bottom - text_top) * 72.0 / 1200;
  EXPECT_GT(cap_points, 36 * 0.6);  // the capital H of a 36-point font
  EXPECT_LT(cap_points, 36 * 0.8);
}

}  // namespace
}  // namespace vantorel::browser
