// Test fixtures of the browser views: the Qt application, image files written byte by byte,
// pictures of the views. The result pages are in result_page_helpers.h.
#pragma once

#include <QImage>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <string>

#include "result_page_helpers.h"

class QWidget;

namespace vantorel::browser {
class HtmlViewer;
}

namespace vantorel::testing {

// Makes sure a QApplication exists (offscreen when no platform is chosen).
void EnsureQtApplication();

// The point in view's viewport over the first occurrence of text.
QPoint PointOfText(browser::HtmlViewer& view, const QString& text);

// Saves a picture of widget as name (a .png file) in the build's screenshot folder and
// returns it.
QImage SaveScreenshot(QWidget& widget, const std::string& name);

// An uncompressed 24-bit BMP file of one colour (0xRRGGBB).
std::string BmpBytes(int width, int height, std::uint32_t rgb);
// A 1 x 1 GIF file.
std::string GifBytes();
// A baseline JPEG file of one colour, compressed with libjpeg's compression calls.
std::string JpegBytes(int width, int height, std::uint32_t rgb);

}  // namespace vantorel::testing
