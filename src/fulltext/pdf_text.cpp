#include "fulltext/pdf_text.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include <memory>
#include <mutex>

namespace vantorel::fulltext {

namespace {

void IgnorePopplerMessage(const std::string&, void*) {}

}  // namespace

PdfText ReadPdfText(const std::filesystem::path& file) {
  static std::once_flag quiet;
  std::call_once(quiet, [] { poppler::set_debug_error_function(IgnorePopplerMessage, nullptr); });
  PdfText text;
  const std::unique_ptr<poppler::document> document(
      poppler::document::load_from_file(file.string()));
  if (!document) {
    text.problem = "damaged or not a PDF file";
    return text;
  }
  if (document->is_locked()) {
    text.problem = "encrypted PDF file";
    return text;
  }
  text.readable = true;
  const int count = document->pages();
  text.pages.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) {
    const std::unique_ptr<poppler::page> page(document->create_page(i));
    std::string utf8;
    if (page) {
      const poppler::byte_array bytes =
          page->text(poppler::rectf(), poppler::page::raw_order_layout).to_utf8();
      utf8.assign(bytes.begin(), bytes.end());
      for (char& c : utf8)
        if (c == '\f') c = ' ';
    }
    text.pages.push_back(std::move(utf8));
  }
  return text;
}

}  // namespace vantorel::fulltext
