#include "browser/document_loader.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "browser/image_loading.h"
#include "browser/page_document.h"
#include "browser/page_parts.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "platform/large_buffer.h"
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

// How much of a long page's beginning is read at once for its title, BASE and colours.
constexpr std::size_t kLongPageHeadBytes = 64 << 10;
// A long page's beginning of this many parts is read and split before the rest.
constexpr std::size_t kSplitAheadParts = 16;
// Parts built ahead and kept for the view; the farthest from the newest wish goes first.
constexpr std::size_t kPartsKept = 4;

// A long page's beginning is read at once, the page itself on the worker thread: touching a
// hundred megabytes takes seconds on some machines.
PreparedDocument PrepareLongHtml(const std::string& full_name, const std::filesystem::path& on_disk,
                                 std::string_view beginning, const ViewSettings& settings) {
  HtmlPage head = ParseHtmlPage(beginning, settings.page, {});
  PreparedDocument prepared;
  prepared.name = {full_name, DocumentKind::Html, std::move(head.title)};
  prepared.base_href = std::move(head.base_href);
  prepared.background = head.background;
  prepared.frameset = std::move(head.frameset);
  if (prepared.frameset) return prepared;
  prepared.document = std::make_unique<QTextDocument>();
  prepared.long_page = std::make_shared<LongPage>(full_name, on_disk, settings);
  return prepared;
}

}  // namespace

struct LongPage::State {
  std::string full_name;
  std::filesystem::path on_disk;
  // The page, once the worker has read it: read into memory neither cleared first nor faulted
  // in 4 KiB at a time, which costs more than the split on a hundred megabytes.
  platform::LargeBuffer buffer;
  std::size_t size = 0;
  std::string_view Bytes() const { return {buffer.get(), size}; }
  ViewSettings settings;

  std::atomic<bool> stop = false;
  mutable std::mutex mutex;
  std::condition_variable changed;         // a part split or built, or the split ended
  std::vector<PagePart> parts;             // split so far, in page order
  std::vector<std::string> texts;          // the text of each part for find
  std::vector<std::pair<std::string, int>> anchors;  // name as written, part
  bool split = false;                      // the split reached the page's end
  std::vector<int> wanted;                 // parts asked for, the newest last
  std::map<int, PreparedDocument> built;   // parts built and not yet taken
  std::set<int> with_images;               // parts the worker leaves to the GUI thread
  std::function<void()> news;
  std::atomic<bool> news_posted = false;

  void Post(const std::shared_ptr<State>& self) {
    if (news_posted.exchange(true)) return;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application) return;
    QMetaObject::invokeMethod(
        application,
        [weak = std::weak_ptr<State>(self)] {
          const std::shared_ptr<State> state = weak.lock();
          if (!state) return;
          state->news_posted = false;
          std::function<void()> call;
          {
            std::lock_guard lock(state->mutex);
            call = state->news;
          }
          if (call) call();
        },
        Qt::QueuedConnection);
  }

  // The next part to build: the newest wish already split, not built and not left to the GUI
  // thread. REQUIRES: mutex held.
  std::optional<int> NextWanted() {
    while (!wanted.empty()) {
      const int part = wanted.back();
      if (part >= static_cast<int>(parts.size())) return std::nullopt;
      wanted.pop_back();
      if (!built.contains(part) && !with_images.contains(part)) return part;
    }
    return std::nullopt;
  }

  // Builds the wished parts already split; false once stopped.
  bool BuildWanted(const std::shared_ptr<State>& self) {
    while (!stop) {
      PagePart part;
      int index = 0;
      {
        std::lock_guard lock(mutex);
        const std::optional<int> next = NextWanted();
        if (!next) return true;
        index = *next;
        part = parts[index];
      }
      bool images = false;
      const PageImageSource none = [&images](const std::string&, const LinkBase&) {
        images = true;
        return QImage();
      };
      std::optional<PreparedDocument> prepared;
      try {
        prepared = PrepareHtml(full_name, PartMarkup(Bytes(), part), settings,
                               none, Layout::Later, &stop);
      } catch (const std::exception&) {
        images = true;  // the GUI thread builds it again and reports what fails
      }
      {
        std::lock_guard lock(mutex);
        if (images || !prepared || !prepared->document) {
          with_images.insert(index);
        } else {
          // No thread until the GUI thread takes it (an object without one may be pulled).
          prepared->document->moveToThread(nullptr);
          built[index] = std::move(*prepared);
          while (built.size() > kPartsKept) {
            auto farthest = std::max_element(built.begin(), built.end(), [index](const auto& a, const auto& b) {
              return std::abs(a.first - index) < std::abs(b.first - index);
            });
            built.erase(farthest);
          }
        }
      }
      changed.notify_all();
      Post(self);
    }
    return false;
  }

  // Reads the page: its beginning, then the whole; a file that can no longer be read gives an
  // empty page. REQUIRES: only the worker touches the buffer but under the mutex.
  std::pair<platform::LargeBuffer, std::size_t> Read(std::size_t most) const {
    std::optional<platform::File> file = platform::File::OpenPath(on_disk, platform::File::Mode::Read);
    const long long length = file ? file->Size() : -1;
    if (length <= 0) return {};
    const std::size_t wanted = std::min(static_cast<std::size_t>(length), most);
    platform::LargeBuffer read = platform::MakeLargeBuffer(wanted);
    if (file->ReadAt(0, read.get(), wanted) != static_cast<long long>(wanted)) return {};
    return {std::move(read), wanted};
  }

  // Takes in a part the split found; false once stopped.
  bool AddPart(const std::shared_ptr<State>& self, ScannedPart scanned,
               std::chrono::steady_clock::time_point& last_news) {
    bool first = false;
    {
      std::lock_guard lock(mutex);
      if (stop) return false;
      const int index = static_cast<int>(parts.size());
      for (std::string& anchor : scanned.anchors) anchors.emplace_back(std::move(anchor), index);
      parts.push_back(std::move(scanned.part));
      texts.push_back(std::move(scanned.text));
      first = index == 0;
    }
    changed.notify_all();
    const auto now = std::chrono::steady_clock::now();
    if (first || now - last_news > std::chrono::milliseconds(100)) {
      last_news = now;
      Post(self);
    }
    return BuildWanted(self);
  }

  void Run(const std::shared_ptr<State>& self) {
    auto last_news = std::chrono::steady_clock::now();
    // The beginning is split first, so that its parts show while the rest is read; its last
    // part may end where the beginning does and waits for the whole split. The split of the
    // whole page finds the same parts before it.
    std::size_t published = 0;
    {
      auto [beginning, length] = Read(kSplitAheadParts * settings.page_part_bytes);
      {
        std::lock_guard lock(mutex);
        buffer = std::move(beginning);
        size = length;
      }
      std::optional<ScannedPart> held;
      SplitPage(Bytes(), settings.page_part_bytes, [&](ScannedPart scanned) {
        if (held) {
          if (!AddPart(self, std::move(*held), last_news)) return false;
          ++published;
        }
        held = std::move(scanned);
        return true;
      });
    }
    if (!BuildWanted(self)) return;
    auto [whole, length] = Read(std::numeric_limits<std::size_t>::max());
    {
      std::lock_guard lock(mutex);
      buffer.swap(whole);
      size = length;
    }
    whole.reset();
    std::size_t seen = 0;
    SplitPage(Bytes(), settings.page_part_bytes, [&](ScannedPart scanned) {
      if (seen++ < published) return BuildWanted(self);
      return AddPart(self, std::move(scanned), last_news);
    });
    {
      std::lock_guard lock(mutex);
      split = true;
    }
    changed.notify_all();
    Post(self);
    while (!stop) {
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] {
          if (stop) return true;
          return !wanted.empty() && wanted.back() < static_cast<int>(parts.size());
        });
      }
      if (!BuildWanted(self)) return;
    }
  }
};

LongPage::LongPage(std::string full_name, std::filesystem::path on_disk, ViewSettings settings)
    : state_(std::make_shared<State>()) {
  state_->full_name = std::move(full_name);
  state_->on_disk = std::move(on_disk);
  state_->settings = std::move(settings);
  worker_ = std::thread([state = state_] { state->Run(state); });
}

LongPage::~LongPage() {
  state_->stop = true;
  state_->changed.notify_all();
  worker_.join();
}

int LongPage::PartCount() const {
  std::lock_guard lock(state_->mutex);
  return static_cast<int>(state_->parts.size());
}

bool LongPage::Split() const {
  std::lock_guard lock(state_->mutex);
  return state_->split;
}

std::optional<int> LongPage::PartOfAnchor(const std::string& name) const {
  std::lock_guard lock(state_->mutex);
  for (const auto& [anchor, part] : state_->anchors) {
    if (anchor == name) return part;
  }
  for (const auto& [anchor, part] : state_->anchors) {
    if (core::SameTextNoCase(anchor, name)) return part;
  }
  return state_->split ? std::optional<int>(-1) : std::nullopt;
}

std::optional<int> LongPage::PartWithText(const std::string& text, bool match_case, int& from,
                                          int most_parts) const {
  const std::string pattern = FindableText(text, match_case);
  std::lock_guard lock(state_->mutex);
  from = std::max(0, from);
  const int end = std::min(static_cast<int>(state_->texts.size()), from + std::max(1, most_parts));
  for (; from < end; ++from) {
    if (FindInPartText(state_->texts[from], pattern, match_case) != std::string::npos) return from++;
  }
  if (state_->split && from >= static_cast<int>(state_->texts.size())) return -1;
  return std::nullopt;
}

std::string LongPage::PartText(int part) const {
  std::lock_guard lock(state_->mutex);
  return part >= 0 && part < static_cast<int>(state_->texts.size()) ? state_->texts[part] : std::string();
}

void LongPage::Request(int part) {
  if (part < 0) return;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->built.contains(part)) return;
    std::erase(state_->wanted, part);
    state_->wanted.push_back(part);
  }
  state_->changed.notify_all();
}

std::optional<PreparedDocument> LongPage::TakePart(int part, const PageImageSource& images, bool wait) {
  std::unique_lock lock(state_->mutex);
  for (;;) {
    if (auto built = state_->built.find(part); built != state_->built.end()) {
      PreparedDocument prepared = std::move(built->second);
      state_->built.erase(built);
      lock.unlock();
      prepared.document->moveToThread(QThread::currentThread());
      InstallImageDrawing(*prepared.document);
      return prepared;
    }
    const bool known = part >= 0 && part < static_cast<int>(state_->parts.size());
    if (known && state_->with_images.contains(part)) {
      const PagePart& bounds = state_->parts[part];
      const std::string markup = PartMarkup(state_->Bytes(), bounds);
      lock.unlock();
      return PrepareHtml(state_->full_name, markup, state_->settings, images);
    }
    if (!wait || part < 0 || (!known && state_->split)) return std::nullopt;
    if (std::find(state_->wanted.begin(), state_->wanted.end(), part) == state_->wanted.end()) {
      state_->wanted.push_back(part);
      state_->changed.notify_all();
    }
    state_->changed.wait(lock);
  }
}

void LongPage::OnNews(std::function<void()> news) {
  {
    std::lock_guard lock(state_->mutex);
    state_->news = std::move(news);
  }
  state_->Post(state_);
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
  const bool long_page = kind == DocumentKind::Html && size > static_cast<long long>(settings.long_page_bytes);
  const std::size_t read = long_page ? std::min<std::size_t>(static_cast<std::size_t>(size), kLongPageHeadBytes)
                                     : static_cast<std::size_t>(std::max(0LL, size));
  std::string bytes(read, '\0');
  if (size < 0 || file->ReadAt(0, bytes.data(), bytes.size()) != static_cast<long long>(read)) {
    throw ViewError("Can't locate file: " + platform::ShownPath(file_name));
  }
  const std::string full_name = platform::PathText(real);
  if (long_page) {
    PreparedDocument prepared = PrepareLongHtml(full_name, on_disk, bytes, settings);
    // A frameset is never long in earnest; it is read whole.
    if (!prepared.frameset) return prepared;
    std::string whole(static_cast<std::size_t>(size), '\0');
    if (file->ReadAt(0, whole.data(), whole.size()) != size) {
      throw ViewError("Can't locate file: " + platform::ShownPath(file_name));
    }
    return PrepareHtml(full_name, whole, settings, images);
  }
  if (kind == DocumentKind::Html) {
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
