// Target path texts to real paths during one extraction run, as the file-system facade resolves
// them (platform::ResolvePath: an existing name as written first, else the first name in byte
// order that matches it ignoring the case of a-z), without reading a whole folder for every file
// that does not exist yet: each folder's names are read once per run and the files the run
// creates are added to them.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace vantorel::archive {

class TargetResolver {
 public:
  // The real path of a target file's path text.
  std::filesystem::path Resolve(std::string_view path_text);
  // Tells the resolver that the run created file (a real path returned by Resolve).
  void Created(const std::filesystem::path& file);

 private:
  using FolderNames = std::map<std::string, std::string>;  // upper-cased a-z -> first real name
  FolderNames& NamesOf(const std::filesystem::path& folder);

  std::map<std::filesystem::path, FolderNames> folders_;  // folders read so far
};

}  // namespace vantorel::archive
