// Whether articles' companion-disk folders exist, for the pages of one search: each folder that
// holds article folders (an issue's folder) is looked at once, and every article folder in it
// is then found in that listing instead of on the disk.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/file_system.h"

namespace vantorel::catalogue {

class SourceFolders {
 public:
  // source_dir: the companion-disk folder (a path, ending in a separator), as in the settings.
  explicit SourceFolders(std::string source_dir);

  // True when source_dir + folder names a directory, as platform::DirectoryExists would say
  // (the same matching of each name without regard to the case of a-z). folder is relative,
  // "\" separated, in code page 1252. The disk is read as it stands at the first question
  // about a parent folder.
  bool Exists(std::string_view folder);

 private:
  // One parent folder's entries: whether each is a directory, by its name and by its name
  // upper-cased (a-z only; of several, the first name in byte order).
  struct Listing {
    bool listed = false;  // the folder could be listed
    std::unordered_map<std::string, bool> exact;
    std::unordered_map<std::string, platform::DirectoryEntry> folded;
  };
  // The listing of the parent folder (a path text), made at the first question.
  const Listing& ListingOf(const std::string& parent);
  // Whether name is a directory in a listing that could be made.
  static bool InListing(const Listing& listing, const std::string& name);

  // Hashing a relative parent text, looked up as a string_view.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };

  std::string source_dir_;                              // as given
  std::unordered_map<std::string, Listing> listings_;   // by parent path text
  // The listing of each parent folder asked about, by its text relative to source_dir_.
  std::unordered_map<std::string, const Listing*, TextHash, std::equal_to<>> parents_;
};

}  // namespace vantorel::catalogue
