// The PDF reader module: poppler's text of a PDF file, page by page, behind one C function.
// The full-text index loads it (pdf_text.cpp) only when it reads a PDF, so a program that only
// searches never loads poppler and the many libraries it brings.
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include <cstddef>
#include <limits>
#include <memory>
#include <string>

namespace {

void IgnorePopplerMessage(const std::string&, void*) {}

// Poppler's message function is process-wide: set once, before the first document.
void KeepPopplerQuiet() {
  static const bool quiet = [] {
    poppler::set_debug_error_function(IgnorePopplerMessage, nullptr);
    return true;
  }();
  (void)quiet;
}

}  // namespace

namespace {

const char* ReadPages(poppler::document* loaded, void* context,
                      void (*page)(void*, const char*, std::size_t)) {
  const std::unique_ptr<poppler::document> document(loaded);
  if (!document) return "damaged or not a PDF file";
  if (document->is_locked()) return "encrypted PDF file";
  const int count = document->pages();
  for (int i = 0; i < count; ++i) {
    const std::unique_ptr<poppler::page> one(document->create_page(i));
    if (!one) {
      page(context, "", 0);
      continue;
    }
    const poppler::byte_array bytes =
        one->text(poppler::rectf(), poppler::page::raw_order_layout).to_utf8();
    page(context, bytes.data(), bytes.size());
  }
  return nullptr;
}

}  // namespace

// Separate documents may be read on separate threads at once (see pdf_text.cpp for the first
// one). Reads the PDF file at path: page(context, text, size) for each page in order, the text
// UTF-8. Returns nullptr when the file was read, else why it could not be ("damaged or not a
// PDF file", "encrypted PDF file"). Poppler's own complaints are kept off standard error.
extern "C" __attribute__((visibility("default"))) const char* vantorel_read_pdf_pages(
    const char* path, void* context, void (*page)(void*, const char*, std::size_t)) {
  KeepPopplerQuiet();
  return ReadPages(poppler::document::load_from_file(path), context, page);
}

// The same for the PDF file in data (size bytes, which stay there while it is read).
extern "C" __attribute__((visibility("default"))) const char* vantorel_read_pdf_bytes(
    const char* data, std::size_t size, void* context,
    void (*page)(void*, const char*, std::size_t)) {
  KeepPopplerQuiet();
  if (size > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    return "damaged or not a PDF file";
  return ReadPages(poppler::document::load_from_raw_data(data, static_cast<int>(size)), context,
                   page);
}
