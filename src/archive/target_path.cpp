#include "archive/target_path.h"

#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::archive {

namespace fs = std::filesystem;

std::string TargetDirectory(std::string_view dest_dir, std::string_view root_dir,
                            std::string_view entry_path, bool recreate_dirs) {
  std::string dest(dest_dir);
  if (!recreate_dirs || entry_path.empty()) return dest + "\\";
  std::string_view p = entry_path;
  if (!root_dir.empty() && p.size() >= root_dir.size() &&
      core::SameTextNoCase(p.substr(0, root_dir.size()), root_dir))
    p.remove_prefix(root_dir.size());
  const bool rooted = !p.empty() && p[0] == '\\';
  const bool drive = p.size() >= 2 && p[1] == ':';
  if (!rooted && !drive) return dest + "\\" + std::string(p);
  if (dest.empty()) return std::string(p);
  return rooted ? dest + std::string(p) : dest + std::string(p.substr(2));
}

std::string EntryPathText(std::string_view utf8_name) {
  return platform::PathText(fs::path(std::string(utf8_name)));
}

bool HasParentComponent(std::string_view path_text) {
  std::size_t at = 0;
  while (at <= path_text.size()) {
    std::size_t end = path_text.find_first_of("\\/", at);
    if (end == std::string_view::npos) end = path_text.size();
    if (path_text.substr(at, end - at) == "..") return true;
    at = end + 1;
  }
  return false;
}

DestinationGuard::DestinationGuard(const fs::path& dest)
    : dest_(dest), real_dest_(platform::WeaklyCanonicalPath(dest)) {}

fs::path DestinationGuard::RealFolder(const fs::path& folder) {
  const auto known = real_folders_.find(folder);
  if (known != real_folders_.end()) return known->second;
  if (folder == dest_) return real_folders_[folder] = real_dest_;
  // Below the destination one folder at a time: a folder that is no link is its parent's real
  // form and its name.
  const fs::path name = folder.filename();
  const fs::path parent = folder.parent_path();
  fs::path real;
  if (!name.empty() && name != "." && name != ".." && parent != folder &&
      parent.native().starts_with(dest_.native()) && !platform::IsSymbolicLinkAt(folder)) {
    const fs::path real_parent = RealFolder(parent);
    if (!real_parent.empty()) real = real_parent / name;
  } else {
    real = platform::WeaklyCanonicalPath(folder);
  }
  return real_folders_[folder] = real;
}

bool DestinationGuard::Contains(const fs::path& target, bool no_link) {
  if (real_dest_.empty()) return false;
  const fs::path name = target.filename();
  fs::path real;
  if (name.empty() || name == "." || name == ".." || (!no_link && platform::IsSymbolicLinkAt(target))) {
    real = platform::WeaklyCanonicalPath(target);
  } else {
    const fs::path folder = RealFolder(target.parent_path());
    if (!folder.empty()) real = folder / name;
  }
  if (real.empty()) return false;
  const fs::path relative = real.lexically_relative(real_dest_);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace vantorel::archive
