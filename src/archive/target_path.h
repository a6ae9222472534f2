// Where an entry lands: the target directory built from DestDir, RootDir and the stored path,
// and the checks that keep every target inside DestDir.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace vantorel::archive {

// The target directory of an entry as a path text (step 3 of extracting an entry).
// With recreate_dirs and a non-empty entry_path p: a RootDir prefix of p (ignoring case) is
// removed; a p that neither begins with "\" nor has ":" as its second character gives
// dest_dir + "\" + p; otherwise, with dest_dir not empty, dest_dir + p for a p beginning with
// "\" and dest_dir + p without its drive (two characters) for one beginning with a drive; with
// dest_dir empty, p itself. Without recreate_dirs, or for an empty p: dest_dir + "\".
std::string TargetDirectory(std::string_view dest_dir, std::string_view root_dir,
                            std::string_view entry_path, bool recreate_dirs);

// An entry's name or path (UTF-8) as a path text, the form the file-system facade takes: the
// text PathText gives for a real path of the same bytes.
std::string EntryPathText(std::string_view utf8_name);

// True when a stored path text has a ".." component ("\" and "/" both separate components).
bool HasParentComponent(std::string_view path_text);

// Tells whether targets lie inside one destination directory once every symbolic link on the
// parts of their paths that exist has been followed. Remembers the real form of every folder it
// has seen (below the destination worked out from its parent's with one look at the folder),
// so a run over many files costs at most one look at each file.
class DestinationGuard {
 public:
  // dest: the destination directory as a real path (it need not exist).
  explicit DestinationGuard(const std::filesystem::path& dest);

  // True when target (a real path of a file or directory) is dest or lies inside it. no_link:
  // the caller knows that target is no symbolic link.
  bool Contains(const std::filesystem::path& target, bool no_link = false);

 private:
  std::filesystem::path RealFolder(const std::filesystem::path& folder);

  std::filesystem::path dest_;       // as given
  std::filesystem::path real_dest_;  // dest with its links followed; empty when that failed
  std::map<std::filesystem::path, std::filesystem::path> real_folders_;  // folder -> its real form
};

}  // namespace vantorel::archive
