#include "archive/target_path.h"

#include <algorithm>
#include <system_error>

#include "core/texts.h"

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

bool LiesInside(const fs::path& target, const fs::path& dest) {
  std::error_code error;
  const fs::path real_target = fs::weakly_canonical(fs::absolute(target, error), error);
  if (error) return false;
  const fs::path real_dest = fs::weakly_canonical(fs::absolute(dest, error), error);
  if (error) return false;
  const fs::path relative = real_target.lexically_relative(real_dest);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace vantorel::archive
