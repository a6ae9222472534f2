// Image files as the views show them: BMP, GIF and JPEG, the kind decided by the content.
#pragma once

#include <QImage>

#include <string>
#include <string_view>

namespace vantorel::browser {

// The kinds of image file the views read, from the first bytes of the file.
enum class ImageKind { None, Bmp, Gif, Jpeg };
ImageKind ImageKindOf(std::string_view first_bytes);

// Reads a BMP, GIF or JPEG file (path text in code page 1252, through the file-system
// facade) into an image in the screen's 32-bit format (with alpha only when the file has
// transparency). A null image when the file is missing, unreadable, not one of these kinds,
// damaged, or larger than kMaxImagePixels or kMaxImageSide. JPEG files are decoded with libjpeg.
QImage LoadImageFileAsBitmap(std::string_view path);

// Decodes image bytes as LoadImageFileAsBitmap does.
QImage DecodeImage(std::string_view bytes);

// Images beyond this many pixels (256 MB decoded) or this many pixels on a side are refused
// rather than allocated; the size is read from the file's header before anything is decoded.
inline constexpr long long kMaxImagePixels = 64LL * 1024 * 1024;
inline constexpr int kMaxImageSide = 16000;

// Longest path an image request looks up; a longer expanded path is cut here.
inline constexpr std::size_t kImageRequestPathMax = 80;

// The image-request rule of the program's windows for an image reference already expanded
// to a path: the path is cut to its first 80 characters and loaded; a GIF (by the path's
// extension, any letter case) is never shown. A null image when nothing is to be shown.
QImage ImageForExpandedPath(std::string_view expanded_path);

}  // namespace vantorel::browser
