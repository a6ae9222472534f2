#include "browser/image_loading.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <csetjmp>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::browser {
namespace {

// Files beyond this size are not images the views show.
constexpr long long kMaxImageFileBytes = 64LL * 1024 * 1024;

bool FitsTheBounds(long long width, long long height) {
  return width <= kMaxImageSide && height <= kMaxImageSide && width * height <= kMaxImagePixels;
}

QImage ForScreen(QImage image) {
  if (image.isNull()) return image;
  return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32);
}

QImage DecodeWithQt(std::string_view bytes, const char* format) {
  QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(false);
  // The header's size; a reader that cannot tell it decodes nothing.
  const QSize size = reader.size();
  if (!size.isValid() || !FitsTheBounds(size.width(), size.height())) return {};
  return ForScreen(reader.read());
}

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to
// the decoder instead of ending the process.
struct JpegErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf return_point;
};

void JpegErrorExit(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
  std::longjmp(errors->return_point, 1);
}

void JpegOutputMessage(j_common_ptr) {}  // warnings are not shown

// Decodes with libjpeg's decompression calls: create, read header, start, read scan lines,
// finish, destroy. Kept free of objects with destructors between setjmp and longjmp.
QImage DecodeJpeg(std::string_view bytes) {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JpegErrorExit;
  errors.manager.output_message = JpegOutputMessage;
  QImage* volatile image = nullptr;
  if (setjmp(errors.return_point)) {
    jpeg_destroy_decompress(&info);
    delete image;
    return {};
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()),
               static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGRX;  // the byte order of QImage::Format_RGB32 in memory
  if (!FitsTheBounds(info.image_width, info.image_height) || info.image_width == 0 || info.image_height == 0) {
    jpeg_destroy_decompress(&info);
    return {};
  }
  jpeg_start_decompress(&info);
  image = new QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                     QImage::Format_RGB32);
  if (image->isNull() || info.output_components != 4) {
    jpeg_destroy_decompress(&info);
    delete image;
    return {};
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image->scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  QImage result = std::move(*image);
  delete image;
  return result;
}

}  // namespace

ImageKind ImageKindOf(std::string_view first_bytes) {
  if (first_bytes.size() >= 2 && first_bytes.substr(0, 2) == "BM") return ImageKind::Bmp;
  if (first_bytes.size() >= 6 && (first_bytes.substr(0, 6) == "GIF87a" || first_bytes.substr(0, 6) == "GIF89a")) {
    return ImageKind::Gif;
  }
  if (first_bytes.size() >= 3 && static_cast<unsigned char>(first_bytes[0]) == 0xFF &&
      static_cast<unsigned char>(first_bytes[1]) == 0xD8 && static_cast<unsigned char>(first_bytes[2]) == 0xFF) {
    return ImageKind::Jpeg;
  }
  return ImageKind::None;
}

QImage DecodeImage(std::string_view bytes) {
  switch (ImageKindOf(bytes.substr(0, 8))) {
    case ImageKind::Bmp: return DecodeWithQt(bytes, "bmp");
    case ImageKind::Gif: return DecodeWithQt(bytes, "gif");
    case ImageKind::Jpeg: return DecodeJpeg(bytes);
    case ImageKind::None: break;
  }
  return {};
}

QImage LoadImageFileAsBitmap(std::string_view path) {
  if (path.empty()) return {};
  std::optional<platform::File> file = platform::File::Open(path, platform::File::Mode::Read);
  if (!file) return {};
  const long long size = file->Size();
  if (size <= 0 || size > kMaxImageFileBytes) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (file->ReadAt(0, bytes.data(), bytes.size()) != size) return {};
  return DecodeImage(bytes);
}

QImage ImageForExpandedPath(std::string_view expanded_path) {
  const std::string_view path = expanded_path.substr(0, kImageRequestPathMax);
  QImage bitmap = LoadImageFileAsBitmap(path);
  if (!bitmap.isNull() && path.size() >= 4 && core::SameTextNoCase(path.substr(path.size() - 4), ".gif")) {
    return {};
  }
  return bitmap;
}

}  // namespace vantorel::browser
