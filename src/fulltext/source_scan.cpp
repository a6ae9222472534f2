#include "fulltext/source_scan.h"

#include <algorithm>
#include <optional>
#include <set>
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

// Folders are walked depth first: each folder's files in name order, then its folders in name
// order. A folder reached through a symbolic link is walked only when it lies outside the top
// folder (inside, it is walked under its own name) and was not walked before, so links never
// lead round in a loop. Each folder is opened relative to the one above it, which stays open
// while the walk is below it.
void ScanDiskFolder(const fs::path& top, const SourceFilter& keep,
                    std::vector<SourceFile>& files) {
  std::optional<platform::OpenDirectory> top_directory = platform::OpenDirectory::At(top);
  if (!top_directory) return;
  struct Folder {
    platform::OpenDirectory directory;
    std::string prefix;                   // its path below top, ending in "/"; empty for top
    std::vector<std::string> subfolders;  // the folders to walk in it, in name order
    std::size_t next = 0;                 // the next of them
  };
  std::set<fs::path> linked;  // folders outside top walked through links
  std::vector<platform::ListedEntry> entries;
  std::vector<const platform::ListedEntry*> in_order;
  std::string path;  // a file's path below top
  std::vector<Folder> open;
  const auto enter = [&](platform::OpenDirectory directory, std::string prefix) {
    Folder& folder = open.emplace_back(Folder{std::move(directory), std::move(prefix), {}, 0});
    folder.directory.List(entries);
    InNameOrder(entries, platform::ListedEntry::Type::File, in_order);
    for (const platform::ListedEntry* entry : in_order) {
      const NameKind kind = KindOfName(entry->name);
      if (kind == NameKind::Binary) continue;
      path.assign(folder.prefix).append(entry->name);
      if (Keep(keep, Root::Disks, path, *entry))
        files.push_back(FromListing(Root::Disks, path, top / path, *entry, kind));
    }
    InNameOrder(entries, platform::ListedEntry::Type::Directory, in_order);
    for (const platform::ListedEntry* entry : in_order) {
      if (entry->link) {
        const fs::path target = platform::CanonicalPath(top / (folder.prefix + entry->name));
        if (target.empty() || Inside(target, top) || !linked.insert(target).second) continue;
      }
      folder.subfolders.push_back(entry->name);
    }
  };
  enter(std::move(*top_directory), std::string());
  while (!open.empty()) {
    Folder& folder = open.back();
    if (folder.next == folder.subfolders.size()) {
      open.pop_back();
      continue;
    }
    const std::string& name = folder.subfolders[folder.next++];
    std::optional<platform::OpenDirectory> child = folder.directory.Child(name);
    if (!child) continue;
    std::string prefix = folder.prefix + name + "/";
    enter(std::move(*child), std::move(prefix));  // folder is not to be used after this
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
    if (source.kind == NameKind::Binary || source.kind == NameKind::Zip ||
        !Keep(keep, Root::Data, source.path, entry))
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
  if (!pdf.empty()) ScanPdfFolder(pdf, keep, files);
  if (!disks.empty()) ScanDiskFolder(disks, keep, files);
  if (!data.empty()) AddBonusDocuments(folders, data, pdf, disks, keep, files);
  return files;
}

}  // namespace vantorel::fulltext
