#include "browser/document_loader.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <utility>

#include "browser/image_loading.h"
#include "browser/page_document.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "platform/file_system.h"
#include "platform/write_folder.h"

namespace vantorel::browser {
namespace {

bool HasExtension(std::string_view path, std::string_view extension) {
  return path.size() >= extension.size() &&
         core::SameTextNoCase(path.substr(path.size() - extension.size()), extension);
}

enum class Layout { Now, Later };

// Later leaves the document without a layout, for a worker thread. A page abandoned once it
// is read is not built (no document).
PreparedDocument PrepareHtml(const std::string& full_name, std::string_view bytes, const ViewSettings& settings,
                             const PageImageSource& images, Layout layout = Layout::Now,
                             const std::atomic<bool>* abandoned = nullptr) {
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
  if (!page.frameset && !(abandoned && *abandoned)) {
    prepared.document = layout == Layout::Now ? BuildHtmlDocument(page, resources, settings.page)
                                              : BuildUnlaidHtmlDocument(page, resources, settings.page);
  }
  prepared.name = {full_name, DocumentKind::Html, std::move(page.title)};
  prepared.links = std::move(page.links);
  prepared.base_href = std::move(page.base_href);
  prepared.background = page.background;
  prepared.frameset = std::move(page.frameset);
  return prepared;
}

// Offset of the first tag at or after from; the length of bytes when there is none.
std::size_t TagFrom(std::string_view bytes, std::size_t from) {
  for (std::size_t i = from; i + 1 < bytes.size(); ++i) {
    const auto next = static_cast<unsigned char>(bytes[i + 1]);
    if (bytes[i] == '<' && (std::isalpha(next) || next == '/')) return i;
  }
  return bytes.size();
}

// End of the beginning of a long page: before the first tag from kPageBeginningBytes on; the
// page's length when it is not long.
std::size_t BeginningEnd(std::string_view bytes) {
  return bytes.size() <= kLongPageBytes ? bytes.size() : TagFrom(bytes, kPageBeginningBytes);
}

bool SameTextAt(std::string_view bytes, std::size_t at, std::string_view text) {
  return at + text.size() <= bytes.size() && core::SameTextNoCase(bytes.substr(at, text.size()), text);
}

// Offset of the "<" of the tag that holds NAME=anchor (quoted or not), without regard to case;
// npos when there is none.
std::size_t AnchorTag(std::string_view bytes, std::string_view anchor) {
  for (std::size_t at = 0; (at = bytes.find('=', at)) != std::string_view::npos; ++at) {
    if (at < 4 || !SameTextAt(bytes, at - 4, "name")) continue;
    std::size_t value = at + 1;
    const char quote = value < bytes.size() && (bytes[value] == '"' || bytes[value] == '\'') ? bytes[value] : '\0';
    if (quote) ++value;
    if (!SameTextAt(bytes, value, anchor)) continue;
    const std::size_t after = value + anchor.size();
    if (after >= bytes.size()) continue;
    const auto end = static_cast<unsigned char>(bytes[after]);
    if (quote ? end != quote : end != '>' && !std::isspace(end)) continue;
    const std::size_t tag = bytes.rfind('<', at);
    if (tag != std::string_view::npos) return tag;
  }
  return std::string_view::npos;
}

PreparedDocument PrepareLongHtml(const std::string& full_name, std::string bytes, const ViewSettings& settings,
                                 const PageImageSource& images, std::size_t beginning_end) {
  std::vector<std::pair<std::string, LinkBase>> requests;
  std::vector<QImage> answers;
  const PageImageSource recording = [&](const std::string& src, const LinkBase& base) {
    QImage image = images(src, base);
    requests.emplace_back(src, base);
    answers.push_back(image);
    return image;
  };
  PreparedDocument beginning =
      PrepareHtml(full_name, std::string_view(bytes).substr(0, beginning_end), settings, recording);
  if (beginning.frameset) return PrepareHtml(full_name, bytes, settings, images);
  const bool ahead = bytes.size() <= kLongestPageBuiltAhead;
  beginning.whole = std::make_shared<WholePageBuild>(full_name, std::move(bytes), settings, std::move(requests),
                                                     std::move(answers), ahead);
  return beginning;
}

}  // namespace

struct WholePageBuild::State {
  std::string full_name;
  std::string bytes;
  ViewSettings settings;
  std::vector<std::pair<std::string, LinkBase>> image_requests;
  std::vector<QImage> images;

  std::atomic<bool> abandoned = false;
  std::mutex mutex;
  std::condition_variable ended_signal;
  bool ended = false;
  std::optional<PreparedDocument> whole;  // empty when the page must be built by Take
  std::function<void()> when_ended;

  // The image the beginning got for the next request, when it is this one.
  std::optional<QImage> Recorded(std::size_t& next, const std::string& src, const LinkBase& base) const {
    if (next >= image_requests.size() || image_requests[next] != std::pair(src, base)) return std::nullopt;
    return images[next++];
  }

  // The worker: the whole page with the beginning's images, or nothing when it has others.
  void Build() {
    std::optional<PreparedDocument> built;
    try {
      std::size_t next = 0;
      bool other_images = false;
      const PageImageSource replay = [&](const std::string& src, const LinkBase& base) {
        std::optional<QImage> image = Recorded(next, src, base);
        other_images = other_images || !image;
        return image.value_or(QImage());
      };
      PreparedDocument prepared = PrepareHtml(full_name, bytes, settings, replay, Layout::Later, &abandoned);
      if (!other_images && prepared.document) {
        // No thread until the GUI thread takes it (an object without one may be pulled).
        prepared.document->moveToThread(nullptr);
        built = std::move(prepared);
      }
    } catch (const std::exception&) {
      built.reset();  // Take builds it again and reports what fails
    }
    std::function<void()> ended_call;
    {
      std::lock_guard lock(mutex);
      whole = std::move(built);
      ended = true;
      ended_call = std::move(when_ended);
    }
    ended_signal.notify_all();
    if (ended_call) Post(std::move(ended_call));
  }

  static void Post(std::function<void()> call) {
    if (QCoreApplication* application = QCoreApplication::instance()) {
      QMetaObject::invokeMethod(application, std::move(call), Qt::QueuedConnection);
    }
  }
};

WholePageBuild::WholePageBuild(std::string full_name, std::string bytes, ViewSettings settings,
                               std::vector<std::pair<std::string, LinkBase>> image_requests,
                               std::vector<QImage> images, bool ahead)
    : state_(std::make_shared<State>()) {
  state_->full_name = std::move(full_name);
  state_->bytes = std::move(bytes);
  state_->settings = std::move(settings);
  state_->image_requests = std::move(image_requests);
  state_->images = std::move(images);
  if (ahead) worker_ = std::thread([state = state_] { state->Build(); });
}

WholePageBuild::~WholePageBuild() {
  Abandon();
  if (worker_.joinable()) worker_.join();
}

void WholePageBuild::Abandon() { state_->abandoned = true; }

bool WholePageBuild::Ended() const {
  std::lock_guard lock(state_->mutex);
  return state_->ended;
}

void WholePageBuild::WhenEnded(std::function<void()> ended) {
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->ended) {
      state_->when_ended = std::move(ended);
      return;
    }
  }
  State::Post(std::move(ended));
}

PreparedDocument WholePageBuild::Take(const PageImageSource& images) {
  if (worker_.joinable()) {
    {
      std::unique_lock lock(state_->mutex);
      state_->ended_signal.wait(lock, [this] { return state_->ended; });
    }
    worker_.join();
  }
  if (!state_->whole) {
    // The beginning's images again without asking for them, then the others.
    std::size_t next = 0;
    const PageImageSource reused_then_requested = [&](const std::string& src, const LinkBase& base) {
      if (std::optional<QImage> image = state_->Recorded(next, src, base)) return *image;
      next = state_->image_requests.size();
      return images(src, base);
    };
    return PrepareHtml(state_->full_name, state_->bytes, state_->settings, reused_then_requested);
  }
  PreparedDocument whole = std::move(*state_->whole);
  state_->whole.reset();
  whole.document->moveToThread(QThread::currentThread());
  InstallImageDrawing(*whole.document);
  return whole;
}

std::optional<WholePageBuild::Part> WholePageBuild::PreparePartAt(const std::string& anchor,
                                                                   const PageImageSource& images) const {
  const std::string_view bytes = state_->bytes;
  const std::size_t start = AnchorTag(bytes, anchor);
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t beginning_end = BeginningEnd(bytes);
  if (start < beginning_end) {
    return Part{PrepareHtml(state_->full_name, bytes.substr(0, beginning_end), state_->settings, images), true};
  }
  std::string part;
  const std::size_t body = [&] {
    const std::size_t head_end = std::min(start, kPageBeginningBytes);
    for (std::size_t at = bytes.find('<'); at < head_end; at = bytes.find('<', at + 1)) {
      if (SameTextAt(bytes, at, "<body")) return at;
    }
    return std::string_view::npos;
  }();
  if (body != std::string_view::npos) {
    const std::size_t body_end = bytes.find('>', body);
    if (body_end < start) part = bytes.substr(0, body_end + 1);
  }
  part += bytes.substr(start, TagFrom(bytes, start + kPageBeginningBytes) - start);
  return Part{PrepareHtml(state_->full_name, part, state_->settings, images), false};
}

PreparedDocument PrepareDocument(const std::string& file_name, DocumentKind kind, const ViewSettings& settings,
                                 const PageImageSource& images) {
  // A page the program wrote for a read-only archive is read from the archive's write folder
  // but keeps its name in the archive, so that its links resolve there.
  const std::string source = platform::WrittenFileLocation(file_name, settings.archive_folder);
  if (file_name.empty() || !platform::FileExists(source)) {
    throw ViewError("Can't locate file: " + platform::ShownPath(file_name));
  }
  const std::filesystem::path on_disk = platform::AbsolutePath(platform::ResolvePath(source));
  const std::filesystem::path real =
      source == file_name
          ? on_disk
          : platform::AbsolutePath(platform::ResolvePath(core::FolderOf(file_name))) / on_disk.filename();
  std::optional<platform::File> file = platform::File::OpenPath(on_disk, platform::File::Mode::Read);
  const long long size = file ? file->Size() : -1;
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
  if (size < 0 || file->ReadAt(0, bytes.data(), bytes.size()) != size) {
    throw ViewError("Can't locate file: " + platform::ShownPath(file_name));
  }
  const std::string full_name = platform::PathText(real);
  if (kind == DocumentKind::Html) {
    const std::size_t beginning_end = BeginningEnd(bytes);
    if (beginning_end < bytes.size()) {
      return PrepareLongHtml(full_name, std::move(bytes), settings, images, beginning_end);
    }
    return PrepareHtml(full_name, bytes, settings, images);
  }
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
