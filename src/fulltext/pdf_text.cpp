#include "fulltext/pdf_text.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <optional>

#include "platform/file_system.h"

namespace vantorel::fulltext {

namespace {

using PageFunction = void (*)(void*, const char*, std::size_t);
using ReadPages = const char* (*)(const char*, void*, PageFunction);
using ReadBytes = const char* (*)(const char*, std::size_t, void*, PageFunction);
struct Module {
  ReadPages read_pages = nullptr;  // a file by its path
  ReadBytes read_bytes = nullptr;  // a file in memory
};

// Files up to this size are read into memory first: poppler reads a file through a buffer of
// a few hundred bytes, a system call each.
constexpr long long kInMemoryLimit = 256LL * 1024 * 1024;

// The module's function, loaded at the first call: from the installed program's library folder
// (VANTOREL_PDF_MODULE_RELATIVE to the executable's folder), else from the build tree.
const Module& LoadedModule() {
  static const Module functions = [] {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path candidates[] = {
        executable.parent_path() / VANTOREL_PDF_MODULE_RELATIVE,
        VANTOREL_PDF_MODULE_BUILT,
    };
    for (const std::filesystem::path& candidate : candidates) {
      if (error && candidate == candidates[0]) continue;
      if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
        return Module{reinterpret_cast<ReadPages>(dlsym(module, "vantorel_read_pdf_pages")),
                      reinterpret_cast<ReadBytes>(dlsym(module, "vantorel_read_pdf_bytes"))};
    }
    return Module{};
  }();
  return functions;
}

void AddPage(void* context, const char* text, std::size_t size) {
  std::string page(text, size);
  for (char& c : page)
    if (c == '\f') c = ' ';
  static_cast<std::vector<std::string>*>(context)->push_back(std::move(page));
}

}  // namespace

PdfText ReadPdfText(const std::filesystem::path& file) {
  // Poppler reads separate documents on separate threads at once, but the first page it lays
  // out makes process-wide colour profiles without a lock: the files are read one at a time
  // until one with a page has been read.
  static std::mutex first_page;
  static std::atomic<bool> warm = false;
  PdfText text;
  const Module& module = LoadedModule();
  if (module.read_pages == nullptr || module.read_bytes == nullptr) {
    text.problem = "the PDF reader module cannot be loaded";
    return text;
  }
  const auto opened = platform::File::OpenPath(file, platform::File::Mode::Read);
  std::optional<std::string> bytes;
  if (opened && opened->Size() >= 0 && opened->Size() <= kInMemoryLimit) {
    bytes.emplace(static_cast<std::size_t>(opened->Size()), '\0');
    if (opened->ReadAt(0, bytes->data(), bytes->size()) != opened->Size()) {
      text.problem = "the file cannot be read";
      return text;
    }
  }
  const auto read = [&] {
    return bytes ? module.read_bytes(bytes->data(), bytes->size(), &text.pages, AddPage)
                 : module.read_pages(file.c_str(), &text.pages, AddPage);
  };
  const char* problem = nullptr;
  if (warm.load(std::memory_order_acquire)) {
    problem = read();
  } else {
    const std::lock_guard lock(first_page);
    problem = read();
    if (problem == nullptr && !text.pages.empty()) warm.store(true, std::memory_order_release);
  }
  text.readable = problem == nullptr;
  if (problem != nullptr) {
    text.problem = problem;
    text.pages.clear();
  }
  return text;
}

}  // namespace vantorel::fulltext
