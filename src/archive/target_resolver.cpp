#include "archive/target_resolver.h"

#include <algorithm>

#include "core/code_pages.h"
#include "core/texts.h"

namespace vantorel::archive {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A name of a path text as it is on disk: path texts are UTF-8 (platform/file_system.h).
std::string RealName(std::string_view text) { return std::string(text); }

}  // namespace

TargetResolver::TargetResolver(std::string dest_text, fs::path dest, bool dest_created)
    : dest_text_(std::move(dest_text)), dest_{std::move(dest), dest_created} {}

TargetResolver::Resolved TargetResolver::Resolve(std::string_view path_text) {
  const std::size_t cut = path_text.find_last_of("\\/");
  const std::string_view name =
      cut == std::string_view::npos ? std::string_view() : path_text.substr(cut + 1);
  if (name.empty() || name == "." || name == "..")
    return {platform::ResolvePath(path_text), false};
  const Folder& folder = FolderOf(std::string(path_text.substr(0, cut)));
  return {folder.path / RealName(name), folder.fresh};
}

TargetResolver::Resolved TargetResolver::ResolveFolder(std::string_view folder_text) {
  const Folder& folder = FolderOf(std::string(folder_text));
  return {folder.path, folder.fresh};
}

const TargetResolver::Folder& TargetResolver::FolderOf(const std::string& given) {
  std::string text = given;
  while (text.size() > dest_text_.size() && IsSeparator(text.back())) text.pop_back();
  const auto known = folders_.find(text);
  if (known != folders_.end()) return known->second;
  Folder folder;
  if (text == dest_text_) {
    folder = dest_;
  } else if (text.size() > dest_text_.size() && text.starts_with(dest_text_) &&
             IsSeparator(text[dest_text_.size()])) {
    const std::size_t cut = text.find_last_of("\\/");
    const std::string name = text.substr(cut + 1);
    const Folder parent = FolderOf(text.substr(0, cut));
    folder = name.empty() || name == "." ? parent : Child(parent, RealName(name));
  } else {
    folder = {platform::ResolvePath(text), false};
  }
  return folders_.emplace(std::move(text), std::move(folder)).first->second;
}

TargetResolver::Folder TargetResolver::Child(const Folder& parent, const std::string& name) {
  Folder child{parent.path / name, true};
  if (parent.fresh) return child;
  if (name == ".." || platform::EntryExistsAt(child.path)) {
    child.fresh = false;
    return child;
  }
  // Missing as written: a folder that was there before the run, in other letter case.
  const FolderNames& names = NamesOf(parent.path);
  const auto match = names.find(core::UpperCaseAscii(name));
  std::set<std::string>& made = run_folders_[parent.path];
  if (match != names.end()) {
    for (const std::string& other : match->second)
      if (!made.contains(other) && platform::DirectoryExistsAt(parent.path / other))
        return {parent.path / other, false};
  }
  made.insert(name);
  return child;
}

TargetResolver::FolderNames& TargetResolver::NamesOf(const fs::path& folder) {
  const auto known = names_.find(folder);
  if (known != names_.end()) return known->second;
  FolderNames& names = names_[folder];
  for (const std::string& name : platform::EntryNamesAt(folder))
    names[core::UpperCaseAscii(name)].push_back(name);
  for (auto& [key, list] : names) std::sort(list.begin(), list.end());
  return names;
}

bool TargetResolver::PrepareFolder(const fs::path& folder, bool fresh) {
  const auto known = prepared_.find(folder);
  if (known != prepared_.end()) return known->second;
  bool ready;
  if (fresh) {
    // A folder the run makes: one mkdir when its parent is ready, which the mkdir then shows
    // to take new entries.
    const auto parent = prepared_.find(folder.parent_path());
    ready = parent != prepared_.end() && parent->second ? platform::CreateDirectoryAt(folder)
                                                        : platform::CreateDirectoriesAt(folder);
    if (ready) prepared_.insert_or_assign(folder.parent_path(), true);
  } else {
    ready = platform::CreateDirectoriesAt(folder) && platform::WritableDirectoryAt(folder);
  }
  prepared_.emplace(folder, ready);
  return ready;
}

platform::EntryStatus TargetResolver::StatusOf(const Resolved& target) const {
  if (!target.fresh) return platform::EntryStatusAt(target.path);
  platform::EntryStatus status;
  const auto created = created_files_.find(target.path);
  if (created == created_files_.end()) return status;
  status.type = platform::EntryStatus::Type::File;
  status.exists = true;
  status.read_only = created->second;
  return status;
}

void TargetResolver::Created(const Resolved& target, bool read_only) {
  if (target.fresh) created_files_[target.path] = read_only;
}

}  // namespace vantorel::archive
