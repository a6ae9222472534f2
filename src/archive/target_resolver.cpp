#include "archive/target_resolver.h"

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
  const std::string name = core::FileNameOf(path_text);
  if (!core::HasFolder(path_text) || name.empty() || name == "." || name == "..")
    return platform::ResolvePath(path_text);
  const fs::path folder = platform::ResolvePath(core::FolderOf(path_text));
  const fs::path exact = folder / name;
  if (platform::EntryExistsAt(exact)) return exact;
  FolderNames& names = NamesOf(folder);
  const auto match = names.find(core::UpperCaseAscii(name));
  if (match == names.end()) return exact;
  const fs::path other = folder / match->second;
  return platform::EntryExistsAt(other) ? other : exact;
}

void TargetResolver::Created(const fs::path& file) {
  const auto folder = folders_.find(file.parent_path());
  if (folder != folders_.end()) Remember(folder->second, file.filename().string());
}

TargetResolver::FolderNames& TargetResolver::NamesOf(const fs::path& folder) {
  const auto known = folders_.find(folder);
  if (known != folders_.end()) return known->second;
  FolderNames& names = folders_[folder];
  for (const std::string& name : platform::EntryNamesAt(folder)) Remember(names, name);
  return names;
}

}  // namespace vantorel::archive
