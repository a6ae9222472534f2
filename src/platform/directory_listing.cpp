#include "platform/directory_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel::platform {

std::vector<ListedEntry> ListDirectoryAt(const std::filesystem::path& path) {
  std::vector<ListedEntry> entries;
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return entries;
  DIR* directory = ::fdopendir(fd);
  if (directory == nullptr) {
    ::close(fd);
    return entries;
  }
  while (const dirent* item = ::readdir(directory)) {
    const std::string_view name = item->d_name;
    if (name == "." || name == "..") continue;
    ListedEntry entry;
    entry.name = name;
    if (item->d_type == DT_DIR) {
      entry.type = ListedEntry::Type::Directory;
      entries.push_back(std::move(entry));
      continue;
    }
    entry.link = item->d_type == DT_LNK;
    struct stat status {};
    if (::fstatat(fd, item->d_name, &status, 0) == 0) {
      if (S_ISREG(status.st_mode)) {
        entry.type = ListedEntry::Type::File;
        entry.size = static_cast<std::uint64_t>(status.st_size);
        entry.modified_ns = static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 +
                            status.st_mtim.tv_nsec;
        entry.device = status.st_dev;
        entry.inode = status.st_ino;
      } else if (S_ISDIR(status.st_mode)) {
        entry.type = ListedEntry::Type::Directory;
      }
    } else if (!entry.link) {
      continue;  // vanished
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(directory);
  return entries;
}

}  // namespace vantorel::platform
