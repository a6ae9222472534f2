#include "archive/target_resolver.h"

#include <system_error>

#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "platform/file_system.h"

namespace vantorel::archive {

namespace fs = std::filesystem;

namespace {
void Remember(std::map<std::string, std::string>& names, const std::string& name) {
  auto [at, added] = names.emplace(core::UpperCaseAscii(name), name);
  if (!added && name < at->second) at->second = name;
}
}  // namespace

fs::path TargetResolver::Resolve(std::string_view path_text) {
  // Split as the facade splits a path text: at "\" and "/" only.
  const std::string name = core::Cp1252ToUtf8(core::FileNameOf(path_text));
  if (!core::HasFolder(path_text) || name.empty() || name == "." || name == "..")
    return platform::ResolvePath(path_text);
  const fs::path folder = platform::ResolvePath(core::FolderOf(path_text));
  std::error_code error;
  const fs::path exact = folder / name;
  if (fs::symlink_status(exact, error).type() != fs::file_type::not_found && !error) return exact;
  FolderNames& names = NamesOf(folder);
  const auto match = names.find(core::UpperCaseAscii(name));
  if (match == names.end()) return exact;
  const fs::path other = folder / match->second;
  if (fs::symlink_status(other, error).type() == fs::file_type::not_found || error) return exact;
  return other;
}

void TargetResolver::Created(const fs::path& file) {
  const auto folder = folders_.find(file.parent_path());
  if (folder != folders_.end()) Remember(folder->second, file.filename().string());
}

TargetResolver::FolderNames& TargetResolver::NamesOf(const fs::path& folder) {
  const auto known = folders_.find(folder);
  if (known != folders_.end()) return known->second;
  FolderNames& names = folders_[folder];
  std::error_code error;
  for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error);
       !error && it != fs::directory_iterator(); it.increment(error))
    Remember(names, it->path().filename().string());
  return names;
}

}  // namespace vantorel::archive
