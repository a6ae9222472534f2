#include "browser/document_loader.h"

#include <filesystem>
#include <optional>
#include <utility>

#include "browser/image_loading.h"
#include "browser/page_document.h"
#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::browser {
namespace {

bool HasExtension(std::string_view path, std::string_view extension) {
  return path.size() >= extension.size() &&
         core::SameTextNoCase(path.substr(path.size() - extension.size()), extension);
}

PreparedDocument PrepareHtml(const std::string& full_name, std::string_view bytes, const ViewSettings& settings,
                             const PageImageSource& images) {
  std::vector<std::pair<std::string, QImage>> resources;
  int image_count = 0;
  const ImageResolver resolver = [&](const std::string& src, const HtmlPage& page) -> std::optional<PlacedImage> {
    const int index = image_count++;
    const QImage image = images(src, DocumentLinkBase(settings.server_root, page.base_href, full_name));
    if (image.isNull()) return std::nullopt;
    PlacedImage placed{"vimg:" + std::to_string(index), image.width(), image.height()};
    resources.emplace_back(placed.resource, image);
    return placed;
  };
  HtmlPage page = ParseHtmlPage(bytes, settings.page, resolver);
  PreparedDocument prepared;
  if (!page.frameset) prepared.document = BuildHtmlDocument(page, resources, settings.page);
  prepared.name = {full_name, DocumentKind::Html, std::move(page.title)};
  prepared.links = std::move(page.links);
  prepared.base_href = std::move(page.base_href);
  prepared.background = page.background;
  prepared.frameset = std::move(page.frameset);
  return prepared;
}

}  // namespace

PreparedDocument PrepareDocument(const std::string& file_name, DocumentKind kind, const ViewSettings& settings,
                                 const PageImageSource& images) {
  if (file_name.empty() || !platform::FileExists(file_name)) {
    throw ViewError("Can't locate file: " + file_name);
  }
  const std::filesystem::path real = platform::AbsolutePath(platform::ResolvePath(file_name));
  std::optional<platform::File> file = platform::File::OpenPath(real, platform::File::Mode::Read);
  const long long size = file ? file->Size() : -1;
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size < 0 || file->ReadAt(0, bytes.data(), bytes.size()) != size) {
    throw ViewError("Can't locate file: " + file_name);
  }
  const std::string full_name = platform::PathText(real);
  if (kind == DocumentKind::Html) return PrepareHtml(full_name, bytes, settings, images);
  PreparedDocument prepared;
  prepared.name = {full_name, kind, {}};
  prepared.document = kind == DocumentKind::Text ? BuildTextDocument(bytes, settings.page)
                                                 : BuildImageDocument(DecodeImage(bytes), settings.page);
  return prepared;
}

DocumentKind KindOfLinkedFile(std::string_view file) {
  if (HasExtension(file, ".txt")) return DocumentKind::Text;
  for (const char* extension : {".bmp", ".gif", ".jpg", ".jpeg"}) {
    if (HasExtension(file, extension)) return DocumentKind::Image;
  }
  return DocumentKind::Html;
}

}  // namespace vantorel::browser
