// Target path texts to real paths during one extraction run, and the folders they go into.
//
// Below the destination directory, every name of the archive is taken as written (so Foo.c and
// foo.c are two files), except that a folder component that does not exist as written is
// matched, ignoring the case of a-z, against the folders that were there before the run (an
// archive from a case-insensitive world finds the folder SOURCE for its "source\"); the first
// such folder in byte order wins. Folders this run creates are never matched that way, so
// two folders of the archive that differ only in case stay two folders. A path text outside
// the destination (an event changed it) is resolved by the file-system facade.
//
// Cheap on many files: each folder text is resolved once per run; inside a folder that did
// not exist before the run nothing is looked up on disk at all; a folder's names are read once,
// and only when a component is missing there; each folder is created or checked once.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace vantorel::archive {

class TargetResolver {
 public:
  // dest_text: DestDir as the target texts begin with it (without a trailing separator);
  // dest: its real path; dest_created: the run has just created it.
  TargetResolver(std::string dest_text, std::filesystem::path dest, bool dest_created);

  struct Resolved {
    std::filesystem::path path;  // the real path
    bool fresh = false;          // its folder holds nothing but what this run put there
  };

  // The real path of a target file's path text.
  Resolved Resolve(std::string_view path_text);
  // The real path of a folder's path text (with or without a trailing separator).
  Resolved ResolveFolder(std::string_view folder_text);

  // Makes sure the folder (a real path from ResolveFolder, or the folder of one from Resolve)
  // exists and can take new files: created with its missing parents when needed, checked once
  // per run. False when it cannot be created or written; errno tells why.
  bool PrepareFolder(const std::filesystem::path& folder, bool fresh);

  // What is at a resolved target: inside fresh folders only what the run created there.
  platform::EntryStatus StatusOf(const Resolved& target) const;
  // Tells the resolver that the run put a file at a resolved target.
  void Created(const Resolved& target, bool read_only);

 private:
  struct Folder {
    std::filesystem::path path;
    bool fresh = false;
  };
  const Folder& FolderOf(const std::string& text);
  Folder Child(const Folder& parent, const std::string& name);
  // Names of an existing folder's subfolders, upper-cased a-z -> names in byte order.
  using FolderNames = std::map<std::string, std::vector<std::string>>;
  FolderNames& NamesOf(const std::filesystem::path& folder);

  std::string dest_text_;
  Folder dest_;
  std::map<std::string, Folder> folders_;                   // folder text -> its real folder
  std::map<std::filesystem::path, FolderNames> names_;      // existing folders read so far
  std::map<std::filesystem::path, std::set<std::string>> run_folders_;  // folders the run made
                                                                         // inside existing ones
  std::map<std::filesystem::path, bool> prepared_;          // PrepareFolder's answers
  std::map<std::filesystem::path, bool> created_files_;     // files put in fresh folders ->
                                                            // read-only
};

}  // namespace vantorel::archive
