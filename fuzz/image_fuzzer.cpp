// Image bytes as the views decode them: BMP and GIF through Qt's readers, JPEG through
// libjpeg. Input: the image file.
#include <QImage>

#include <cstddef>
#include <cstdint>

#include "browser/image_loading.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QImage image = vantorel::browser::DecodeImage(vantorel::fuzz::AsText(data, size));
  if (!image.isNull() && image.sizeInBytes() > 4 * vantorel::browser::kMaxImagePixels) __builtin_trap();
  return 0;
}
