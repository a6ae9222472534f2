#include "fulltext/pdf_text.h"

#include <dlfcn.h>
#include <unistd.h>

#include <mutex>

namespace vantorel::fulltext {

namespace {

using ReadPages = const char* (*)(const char*, void*, void (*)(void*, const char*, std::size_t));

// The module's function, loaded at the first call: from the installed program's library folder
// (VANTOREL_PDF_MODULE_RELATIVE to the executable's folder), else from the build tree.
ReadPages ReadPagesFunction() {
  static ReadPages function = [] {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path candidates[] = {
        executable.parent_path() / VANTOREL_PDF_MODULE_RELATIVE,
        VANTOREL_PDF_MODULE_BUILT,
    };
    for (const std::filesystem::path& candidate : candidates) {
      if (error && candidate == candidates[0]) continue;
      if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
        return reinterpret_cast<ReadPages>(dlsym(module, "vantorel_read_pdf_pages"));
    }
    return static_cast<ReadPages>(nullptr);
  }();
  return function;
}

void AddPage(void* context, const char* text, std::size_t size) {
  std::string page(text, size);
  for (char& c : page)
    if (c == '\f') c = ' ';
  static_cast<std::vector<std::string>*>(context)->push_back(std::move(page));
}

}  // namespace

PdfText ReadPdfText(const std::filesystem::path& file) {
  static std::mutex poppler;  // its message function is process-wide
  PdfText text;
  const ReadPages read = ReadPagesFunction();
  if (read == nullptr) {
    text.problem = "the PDF reader module cannot be loaded";
    return text;
  }
  const std::lock_guard lock(poppler);
  const char* problem = read(file.c_str(), &text.pages, AddPage);
  text.readable = problem == nullptr;
  if (problem != nullptr) {
    text.problem = problem;
    text.pages.clear();
  }
  return text;
}

}  // namespace vantorel::fulltext
