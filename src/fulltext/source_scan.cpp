#include "fulltext/source_scan.h"

#include <algorithm>
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

void ScanPdfFolder(const fs::path& folder, const SourceFilter& keep,
                   std::vector<SourceFile>& files) {
  std::vector<platform::ListedEntry> entries = platform::ListDirectoryAt(folder);
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const platform::ListedEntry& entry : entries)
    if (entry.type == platform::ListedEntry::Type::File &&
        KindOfName(entry.name) == NameKind::Pdf && Keep(keep, Root::Pdf, entry.name, entry))
      files.push_back(FromListing(Root::Pdf, entry.name, folder / entry.name, entry,
                                  NameKind::Pdf));
}

bool Inside(const fs::path& path, const fs::path& folder);

// Folders are walked depth first, each folder's entries in name order. A folder reached
// through a symbolic link is walked only when it lies outside the top folder (inside, it is
// walked under its own name) and was not walked before, so links never lead round in a loop.
void ScanDiskFolder(const fs::path& top, const SourceFilter& keep,
                    std::vector<SourceFile>& files) {
  std::set<fs::path> linked;  // folders outside top walked through links
  std::vector<std::pair<fs::path, std::string>> pending{{top, ""}};
  while (!pending.empty()) {
    auto [folder, prefix] = std::move(pending.back());
    pending.pop_back();
    std::vector<platform::ListedEntry> entries = platform::ListDirectoryAt(folder);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.name < b.name; });
    std::vector<std::pair<fs::path, std::string>> subfolders;
    for (const platform::ListedEntry& entry : entries) {
      if (entry.type == platform::ListedEntry::Type::Directory) {
        fs::path path = folder / entry.name;
        if (entry.link) {
          const fs::path target = platform::CanonicalPath(path);
          if (target.empty() || Inside(target, top) || !linked.insert(target).second) continue;
        }
        subfolders.emplace_back(std::move(path), prefix + entry.name + "/");
      } else if (entry.type == platform::ListedEntry::Type::File) {
        const NameKind kind = KindOfName(entry.name);
        if (kind == NameKind::Binary) continue;
        std::string path = prefix + entry.name;
        if (Keep(keep, Root::Disks, path, entry))
          files.push_back(FromListing(Root::Disks, std::move(path), folder / entry.name, entry, kind));
      }
    }
    for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it)
      pending.push_back(std::move(*it));
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
  if (!pdf.empty()) ScanPdfFolder(pdf, keep, files);
  if (!disks.empty()) ScanDiskFolder(disks, keep, files);
  if (!data.empty()) AddBonusDocuments(folders, data, pdf, disks, keep, files);
  return files;
}

}  // namespace vantorel::fulltext
