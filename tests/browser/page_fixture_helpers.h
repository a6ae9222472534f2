// Test fixtures of the browser views: the Qt application, image files written byte by byte,
// and the result pages the article search writes, line by line as the page writer lays them
// out (code page 1252, lines ending in CR LF).
#pragma once

#include <QPoint>
#include <QString>

#include <cstdint>
#include <string>

class QWidget;

namespace vantorel::browser {
class HtmlViewer;
}

namespace vantorel::testing {

// Makes sure a QApplication exists (offscreen when no platform is chosen).
void EnsureQtApplication();

// The point in view's viewport over the first occurrence of text.
QPoint PointOfText(browser::HtmlViewer& view, const QString& text);

// Saves a picture of widget as name (a .png file) in the build's screenshot folder.
void SaveScreenshot(QWidget& widget, const std::string& name);

// An uncompressed 24-bit BMP file of one colour (0xRRGGBB).
std::string BmpBytes(int width, int height, std::uint32_t rgb);
// A 1 x 1 GIF file.
std::string GifBytes();
// A baseline JPEG file of one colour, compressed with libjpeg's compression calls.
std::string JpegBytes(int width, int height, std::uint32_t rgb);

// SEARCHRESULT.HTM for articles numbered 1..count with the criteria line of an author and an
// issue and the keywords header.
std::string SearchResultsPage(int count);
// ALLARTS.HTM and AADETAIL.HTM for articles numbered 1..count.
std::string AllArticlesPage(int count);
std::string ArticleDetailPage(int count);

}  // namespace vantorel::testing
