#include "page_fixture_helpers.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

#include "browser/html_viewer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace vantorel::testing {
namespace {

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

void EnsureQtApplication() {
  if (QCoreApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "browser_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}

QPoint PointOfText(browser::HtmlViewer& view, const QString& text) {
  const QTextCursor found = view.document()->find(text);
  EXPECT_FALSE(found.isNull()) << text.toStdString();
  QTextCursor at(view.document());
  at.setPosition(found.selectionStart() + 1);
  return view.cursorRect(at).center();
}

QImage SaveScreenshot(QWidget& widget, const std::string& name) {
  QApplication::processEvents();
  const QString folder = QStringLiteral(BROWSER_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  const QImage picture = widget.grab().toImage();
  EXPECT_TRUE(picture.save(folder + "/" + QString::fromStdString(name))) << name;
  return picture;
}

std::string BmpBytes(int width, int height, std::uint32_t rgb) {
  const int row_bytes = (width * 3 + 3) / 4 * 4;
  const std::uint32_t pixel_bytes = static_cast<std::uint32_t>(row_bytes * height);
  std::string out = "BM";
  PutLittleEndian(out, 54 + pixel_bytes, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 54, 4);
  PutLittleEndian(out, 40, 4);  // BITMAPINFOHEADER
  PutLittleEndian(out, static_cast<std::uint32_t>(width), 4);
  PutLittleEndian(out, static_cast<std::uint32_t>(height), 4);
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, 24, 2);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, pixel_bytes, 4);
  PutLittleEndian(out, 2835, 4);
  PutLittleEndian(out, 2835, 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, 0, 4);
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      row.push_back(static_cast<char>(rgb & 0xFF));
      row.push_back(static_cast<char>((rgb >> 8) & 0xFF));
      row.push_back(static_cast<char>((rgb >> 16) & 0xFF));
    }
    row.resize(row_bytes, '\0');
    out += row;
  }
  return out;
}

std::string GifBytes() {
  static const unsigned char bytes[] = {
      'G', 'I', 'F', '8', '9', 'a', 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0xFF, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02,
      0x44, 0x01, 0x00, 0x3B};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::string JpegBytes(int width, int height, std::uint32_t rgb) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    row[x * 3] = (rgb >> 16) & 0xFF;
    row[x * 3 + 1] = (rgb >> 8) & 0xFF;
    row[x * 3 + 2] = rgb & 0xFF;
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

}  // namespace vantorel::testing
