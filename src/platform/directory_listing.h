// A directory's entries with what a scan of many files needs to know of each, from one look
// at the directory: the kind, the size and the modification time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vantorel::platform {

struct ListedEntry {
  enum class Type { File, Directory, Other };
  std::string name;             // the entry's name as the directory holds it (UTF-8 bytes)
  Type type = Type::Other;      // symbolic links followed; a dangling link is Other
  std::uint64_t size = 0;       // File: bytes
  std::int64_t modified_ns = 0; // File: last modification, nanoseconds since 1970
  std::uint64_t device = 0;     // File: its identity (see FileIdentity)
  std::uint64_t inode = 0;
  bool link = false;            // the entry is a symbolic link (to a file or a directory)
};

// The entries of the directory at path (a real path), without "." and "..", in no particular
// order; one look at each entry that is not a directory (a directory needs none); the entries read so far when listing fails part way, none when the directory cannot
// be opened. An entry that vanishes while it is looked at is left out.
std::vector<ListedEntry> ListDirectoryAt(const std::filesystem::path& path);

}  // namespace vantorel::platform
