// A directory's entries with what a scan of many files needs to know of each, from one look
// at the directory: the kind, the size and the modification time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
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

// A directory held open for a walk over many folders: its entries are looked at, and the
// directories in it opened, by name relative to it, so the kernel never walks a whole path
// again.
class OpenDirectory {
 public:
  // The directory at path (a real path); nullopt when it cannot be opened.
  static std::optional<OpenDirectory> At(const std::filesystem::path& path);
  // The directory named name (an entry's name, symbolic links followed) in this one.
  std::optional<OpenDirectory> Child(const std::string& name) const;

  // Its entries as ListDirectoryAt gives them, into entries (emptied first; its storage kept).
  // Once per opening: the directory is read from where the last listing stopped.
  void List(std::vector<ListedEntry>& entries) const;

  OpenDirectory(OpenDirectory&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  OpenDirectory& operator=(OpenDirectory&& other) noexcept;
  OpenDirectory(const OpenDirectory&) = delete;
  OpenDirectory& operator=(const OpenDirectory&) = delete;
  ~OpenDirectory();

 private:
  explicit OpenDirectory(int fd) : fd_(fd) {}
  int fd_ = -1;
};

}  // namespace vantorel::platform
