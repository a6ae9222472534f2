#include "fulltext/source_scan.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <optional>
#include <set>
#include <thread>
#include <utility>

#include "fulltext/catalogue_ties.h"
#include "platform/directory_listing.h"
#include "platform/file_system.h"

namespace vantorel::fulltext {

namespace {

namespace fs = std::filesystem;

SourceFile FromListing(Root root, std::string path, fs::path real,
                       const platform::ListedEntry& entry, NameKind kind) {
  SourceFile file;
  file.root = root;
  file.path = std::move(path);
  file.real = std::move(real);
  file.size = entry.size;
  file.modified_ns = entry.modified_ns;
  file.device = entry.device;
  file.inode = entry.inode;
  file.kind = kind;
  return file;
}

bool Keep(const SourceFilter& keep, Root root, std::string_view path,
          const platform::ListedEntry& entry) {
  return !keep || keep(root, path, entry.size, entry.modified_ns);
}

// The entries of a type, in name order (the filter sees files in the order in which an index
// built by an earlier walk holds them).
void InNameOrder(const std::vector<platform::ListedEntry>& entries,
                 platform::ListedEntry::Type type,
                 std::vector<const platform::ListedEntry*>& chosen) {
  chosen.clear();
  for (const platform::ListedEntry& entry : entries)
    if (entry.type == type) chosen.push_back(&entry);
  std::sort(chosen.begin(), chosen.end(),
            [](const auto* a, const auto* b) { return a->name < b->name; });
}

void ScanPdfFolder(const fs::path& folder, const SourceFilter& keep,
                   std::vector<SourceFile>& files) {
  const std::vector<platform::ListedEntry> entries = platform::ListDirectoryAt(folder);
  std::vector<const platform::ListedEntry*> in_order;
  InNameOrder(entries, platform::ListedEntry::Type::File, in_order);
  for (const platform::ListedEntry* entry : in_order)
    if (KindOfName(entry->name) == NameKind::Pdf && Keep(keep, Root::Pdf, entry->name, *entry))
      files.push_back(FromListing(Root::Pdf, entry->name, folder / entry->name, *entry,
                                  NameKind::Pdf));
}

bool Inside(const fs::path& path, const fs::path& folder);

// A file the walk of the companion disks found, before the filter sees it.
struct WalkedFile {
  std::size_t path_at;   // its path below the top folder, in WalkedFiles::paths
  std::size_t path_size;
  platform::ListedEntry entry;  // without a name
  NameKind kind;
};
struct WalkedFiles {
  std::string paths;  // the files' paths one after another
  std::vector<WalkedFile> files;
};

// The files of one folder (at prefix below top, "" or ending in "/") into walked, in name
// order, and its folders to walk into subfolders, in name order. A folder reached through a
// symbolic link is walked only when it lies outside top (inside, it is walked under its own
// name) and is not in linked yet, so links never lead round in a loop; it is added to linked.
void ListFolder(const fs::path& top, const platform::OpenDirectory& directory,
                const std::string& prefix, std::set<fs::path>& linked,
                std::vector<platform::ListedEntry>& entries,
                std::vector<const platform::ListedEntry*>& in_order, WalkedFiles& walked,
                std::vector<std::string>& subfolders) {
  directory.List(entries);
  InNameOrder(entries, platform::ListedEntry::Type::File, in_order);
  for (const platform::ListedEntry* entry : in_order) {
    const NameKind kind = KindOfName(entry->name);
    if (kind == NameKind::Binary) continue;
    const std::size_t at = walked.paths.size();
    walked.paths.append(prefix).append(entry->name);
    WalkedFile& file =
        walked.files.emplace_back(WalkedFile{at, walked.paths.size() - at, {}, kind});
    file.entry.size = entry->size;
    file.entry.modified_ns = entry->modified_ns;
    file.entry.device = entry->device;
    file.entry.inode = entry->inode;
  }
  InNameOrder(entries, platform::ListedEntry::Type::Directory, in_order);
  for (const platform::ListedEntry* entry : in_order) {
    if (entry->link) {
      const fs::path target = platform::CanonicalPath(top / (prefix + entry->name));
      if (target.empty() || Inside(target, top) || !linked.insert(target).second) continue;
    }
    subfolders.push_back(entry->name);
  }
}

// Walks the folder directory (at prefix below top) and every folder below it, depth first:
// each folder's files in name order, then its folders in name order (see ListFolder). Each
// folder is opened relative to the one above it, which stays open while the walk is below it.
void WalkFolder(const fs::path& top, platform::OpenDirectory directory, std::string prefix,
                std::set<fs::path>& linked, WalkedFiles& walked) {
  struct Folder {
    platform::OpenDirectory directory;
    std::string prefix;
    std::vector<std::string> subfolders;  // the folders to walk in it, in name order
    std::size_t next = 0;                 // the next of them
  };
  std::vector<platform::ListedEntry> entries;
  std::vector<const platform::ListedEntry*> in_order;
  std::vector<Folder> open;
  const auto enter = [&](platform::OpenDirectory opened, std::string folder_prefix) {
    Folder& folder = open.emplace_back(Folder{std::move(opened), std::move(folder_prefix), {}, 0});
    ListFolder(top, folder.directory, folder.prefix, linked, entries, in_order, walked,
               folder.subfolders);
  };
  enter(std::move(directory), std::move(prefix));
  while (!open.empty()) {
    Folder& folder = open.back();
    if (folder.next == folder.subfolders.size()) {
      open.pop_back();
      continue;
    }
    const std::string& name = folder.subfolders[folder.next++];
    std::optional<platform::OpenDirectory> child = folder.directory.Child(name);
    if (!child) continue;
    std::string child_prefix = folder.prefix + name + "/";
    enter(std::move(*child), std::move(child_prefix));  // folder is not to be used after this
  }
}

// The walk of the companion disks, shared out by the folders directly in the top folder: the
// calling threads take them one at a time, each walks its own with what the top folder's
// links took, and the parts are put together in name order. When two parts took the same
// folder through a link (only the first in walk order may walk it), the disks are walked
// again as one.
class DiskWalk {
 public:
  explicit DiskWalk(fs::path top) : top_(std::move(top)) {
    top_directory_ = platform::OpenDirectory::At(top_);
    if (!top_directory_) return;
    std::vector<platform::ListedEntry> entries;
    std::vector<const platform::ListedEntry*> in_order;
    ListFolder(top_, *top_directory_, std::string(), top_linked_, entries, in_order,
               top_files_, subfolders_);
    parts_.resize(subfolders_.size());
  }

  // Walks parts until none is left; any number of threads at once.
  void Work() {
    while (true) {
      const std::size_t i = next_.fetch_add(1);
      if (i >= parts_.size()) return;
      std::optional<platform::OpenDirectory> child = top_directory_->Child(subfolders_[i]);
      if (!child) continue;
      std::set<fs::path> linked = top_linked_;
      WalkFolder(top_, std::move(*child), subfolders_[i] + "/", linked, parts_[i].files);
      for (const fs::path& target : linked)
        if (!top_linked_.contains(target)) parts_[i].linked.push_back(target);
    }
  }

  // The walked files in walk order, once every Work has returned.
  template <typename Each>
  void ForEachPart(const Each& each) {
    std::set<fs::path> linked = top_linked_;
    for (const Part& part : parts_)
      for (const fs::path& target : part.linked)
        if (!linked.insert(target).second) {
          WalkedFiles whole;
          std::set<fs::path> whole_linked;
          if (std::optional<platform::OpenDirectory> top = platform::OpenDirectory::At(top_))
            WalkFolder(top_, std::move(*top), std::string(), whole_linked, whole);
          each(whole);
          return;
        }
    each(top_files_);
    for (const Part& part : parts_) each(part.files);
  }

 private:
  struct Part {
    WalkedFiles files;
    std::vector<fs::path> linked;  // folders outside top it walked through links
  };
  fs::path top_;
  std::optional<platform::OpenDirectory> top_directory_;
  std::set<fs::path> top_linked_;
  WalkedFiles top_files_;
  std::vector<std::string> subfolders_;
  std::vector<Part> parts_;
  std::atomic<std::size_t> next_ = 0;
};

// The walked files of the companion disks that keep takes, in walk order.
void TakeDiskFiles(const fs::path& top, const WalkedFiles& walked, const SourceFilter& keep,
                   std::vector<SourceFile>& files) {
  for (const WalkedFile& file : walked.files) {
    const std::string_view path(walked.paths.data() + file.path_at, file.path_size);
    if (Keep(keep, Root::Disks, path, file.entry))
      files.push_back(
          FromListing(Root::Disks, std::string(path), top / path, file.entry, file.kind));
  }
}

bool Inside(const fs::path& path, const fs::path& folder) {
  if (folder.empty()) return false;
  auto p = path.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
    if (f->empty()) continue;  // the trailing separator
    if (p == path.end() || *p != *f) return false;
  }
  return true;
}

void AddBonusDocuments(const ArchiveFolders& folders, const fs::path& data,
                       const fs::path& pdf, const fs::path& disks, const SourceFilter& keep,
                       std::vector<SourceFile>& files) {
  std::set<fs::path> added;
  for (const BonusDocument& document : ReadBonusDocuments(folders.data_dir)) {
    const fs::path real = platform::ResolvePath(folders.data_dir + document.name);
    if (Inside(real, pdf) || Inside(real, disks) || !Inside(real, data)) continue;
    if (!added.insert(real).second) continue;
    const auto file = platform::File::OpenPath(real, platform::File::Mode::Read);
    if (!file) continue;
    const auto time = file->ModifiedTime();
    const auto identity = file->Identity();
    if (!time || !identity || file->Size() < 0) continue;
    platform::ListedEntry entry;
    entry.size = static_cast<std::uint64_t>(file->Size());
    entry.modified_ns = static_cast<std::int64_t>(time->tv_sec) * 1'000'000'000 + time->tv_nsec;
    entry.device = identity->device;
    entry.inode = identity->inode;
    SourceFile source = FromListing(Root::Data, platform::PathText(real.lexically_relative(data)),
                                    real, entry, KindOfName(real.filename().string()));
    if (source.kind == NameKind::Binary || !Keep(keep, Root::Data, source.path, entry))
      continue;
    source.title = document.title;
    files.push_back(std::move(source));
  }
}

}  // namespace

fs::path RootFolder(const ArchiveFolders& folders, Root root) {
  const std::string& text = root == Root::Pdf     ? folders.pdf_dir
                            : root == Root::Disks ? folders.source_dir
                                                  : folders.data_dir;
  if (text.empty()) return {};
  fs::path real = platform::ResolvePath(text);
  if (!real.has_filename()) real = real.parent_path();
  return platform::DirectoryExistsAt(real) ? real : fs::path();
}

std::vector<SourceFile> ScanSources(const ArchiveFolders& folders, const SourceFilter& keep) {
  std::vector<SourceFile> files;
  const fs::path data = RootFolder(folders, Root::Data);
  const fs::path pdf = RootFolder(folders, Root::Pdf);
  const fs::path disks = RootFolder(folders, Root::Disks);
  // Two threads: a second walks the companion disks while this one walks the PDF folder, then
  // helps with the disks. The filter sees the disks' files here, after the PDF files, in the
  // order of a walk on one thread.
  std::optional<DiskWalk> disk_walk;
  if (!disks.empty()) disk_walk.emplace(disks);
  std::exception_ptr disk_failure;
  {
    std::jthread helper;
    if (disk_walk)
      helper = std::jthread([&] {
        try {
          disk_walk->Work();
        } catch (...) {
          disk_failure = std::current_exception();
        }
      });
    if (!pdf.empty()) ScanPdfFolder(pdf, keep, files);
    if (disk_walk) disk_walk->Work();
  }
  if (disk_failure) std::rethrow_exception(disk_failure);
  if (disk_walk)
    disk_walk->ForEachPart(
        [&](const WalkedFiles& walked) { TakeDiskFiles(disks, walked, keep, files); });
  if (!data.empty()) AddBonusDocuments(folders, data, pdf, disks, keep, files);
  return files;
}

}  // namespace vantorel::fulltext
