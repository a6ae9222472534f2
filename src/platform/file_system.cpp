#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "core/texts.h"

namespace vantorel::platform {

namespace fs = std::filesystem;

namespace {

// The entry of directory whose name equals name ignoring the case of a-z: the exact name
// first, else the first such name in byte order.
std::optional<fs::path> MatchComponent(const fs::path& directory, const std::string& name) {
  std::error_code error;
  const fs::path exact = directory / name;
  if (fs::symlink_status(exact, error).type() != fs::file_type::not_found && !error) return exact;
  std::optional<std::string> best;
  fs::directory_iterator it(directory.empty() ? fs::path(".") : directory, error);
  if (error) return std::nullopt;
  for (const auto& entry : it) {
    const std::string candidate = entry.path().filename().string();
    if (core::SameTextNoCase(candidate, name) && (!best || candidate < *best)) best = candidate;
  }
  if (!best) return std::nullopt;
  return directory / *best;
}

int OpenFlags(File::Mode mode) {
  switch (mode) {
    case File::Mode::Read: return O_RDONLY;
    case File::Mode::ReadWrite: return O_RDWR;
    case File::Mode::CreateReplace: return O_RDWR | O_CREAT | O_TRUNC;
    case File::Mode::CreateNew: return O_RDWR | O_CREAT | O_EXCL;
  }
  return O_RDONLY;
}

FileIdentity IdentityOf(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}


}  // namespace

fs::path ResolvePath(std::string_view path_text) {
  std::string text(path_text);
  for (char& c : text)
    if (c == '\\') c = '/';

  fs::path result;
  std::size_t at = 0;
  if (!text.empty() && text[0] == '/') {
    result = "/";
    at = 1;
  }
  bool matching = true;  // false once a component matched nothing
  while (at <= text.size()) {
    std::size_t end = text.find('/', at);
    if (end == std::string::npos) end = text.size();
    const std::string name = text.substr(at, end - at);
    at = end + 1;
    if (name.empty()) continue;
    if (name == "." || name == ".." || !matching) {
      result /= name;
      continue;
    }
    if (auto match = MatchComponent(result, name)) {
      result = *match;
    } else {
      matching = false;
      result /= name;
    }
  }
  return result;
}

std::string PathText(const fs::path& path) { return path.string(); }

std::string ShownPath(std::string_view path_text) {
  if (path_text.empty()) return {};
  std::string shown = PathText(ResolvePath(path_text));
  const char last = path_text.back();
  if ((last == '/' || last == '\\') && (shown.empty() || shown.back() != '/')) shown += '/';
  return shown;
}

bool FileExists(std::string_view path_text) {
  std::error_code error;
  return fs::is_regular_file(ResolvePath(path_text), error);
}

bool DirectoryExists(std::string_view path_text) {
  std::error_code error;
  return fs::is_directory(ResolvePath(path_text), error);
}

std::optional<std::uint32_t> FileAge(std::string_view path_text) {
  struct stat info {};
  if (::stat(ResolvePath(path_text).c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return std::nullopt;
  return ToDosDateTime(info.st_mtime);
}

bool RemoveFile(std::string_view path_text) {
  return ::unlink(ResolvePath(path_text).c_str()) == 0;
}

bool ExistsAt(const fs::path& path) {
  std::error_code error;
  return fs::exists(path, error);
}

bool EntryExistsAt(const fs::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool FileExistsAt(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

bool DirectoryExistsAt(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error);
}

bool IsSymbolicLinkAt(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type() == fs::file_type::symlink;
}

bool ExecutableFileExistsAt(const fs::path& path) {
  return FileExistsAt(path) && ::access(path.c_str(), X_OK) == 0;
}

bool DirectoryReadableAt(const fs::path& path) {
  DIR* directory = ::opendir(path.c_str());
  if (directory == nullptr) return false;
  ::closedir(directory);
  return true;
}

bool WritableAt(const fs::path& path) {
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

std::vector<std::string> EntryNamesAt(const fs::path& directory) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(directory.empty() ? fs::path(".") : directory, error);
       !error && it != fs::directory_iterator(); it.increment(error))
    names.push_back(it->path().filename().string());
  return names;
}

std::optional<std::vector<DirectoryEntry>> DirectoryEntriesAt(const fs::path& directory) {
  std::error_code error;
  fs::directory_iterator it(directory.empty() ? fs::path(".") : directory, error);
  if (error) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    std::error_code type_error;
    entries.push_back({it->path().filename().string(), it->is_directory(type_error)});
  }
  return entries;
}

bool CreateDirectoriesAt(const fs::path& directory) {
  std::error_code error;
  if (fs::is_directory(directory, error)) return true;
  fs::create_directories(directory, error);
  if (error) errno = error.value();
  return !error;
}

bool CreateDirectoryAt(const fs::path& directory) {
  return ::mkdir(directory.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExistsAt(directory));
}

bool RemoveFileAt(const fs::path& path) { return ::unlink(path.c_str()) == 0; }

fs::path CreateTemporaryFolder(std::string_view prefix) {
  std::error_code error;
  fs::path folder = fs::temp_directory_path(error);
  if (error) folder = "/tmp";
  std::string pattern = (folder / (std::string(prefix) + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

bool RemoveTreeAt(const fs::path& folder) {
  std::error_code error;
  fs::remove_all(folder, error);
  return !error;
}

bool RenameAt(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool ExchangeAt(const fs::path& a, const fs::path& b) {
  return ::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
}

bool WritableDirectoryAt(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) {
    errno = ENOTDIR;
    return false;
  }
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

EntryStatus EntryStatusAt(const fs::path& path) {
  EntryStatus status;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return status;
  status.exists = true;
  status.link = S_ISLNK(info.st_mode);
  if (status.link && ::stat(path.c_str(), &info) != 0) return status;
  status.type = S_ISREG(info.st_mode)   ? EntryStatus::Type::File
                : S_ISDIR(info.st_mode) ? EntryStatus::Type::Directory
                                        : EntryStatus::Type::Other;
  status.read_only = (info.st_mode & S_IWUSR) == 0;
  return status;
}

bool IsReadOnlyAt(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & S_IWUSR) == 0;
}

void SetReadOnlyAt(const fs::path& path, bool read_only) {
  std::error_code error;
  if (read_only)
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove, error);
  else
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
}

bool SetModifiedTimeAt(const fs::path& path, std::time_t time) {
  std::array<struct timespec, 2> times{};
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = time;
  return ::utimensat(AT_FDCWD, path.c_str(), times.data(), 0) == 0;
}

std::optional<FileIdentity> IdentityAt(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityOf(info);
}

std::optional<std::string> ReadFileAt(const fs::path& path) {
  const std::optional<File> file = File::OpenPath(path, File::Mode::Read);
  if (!file) return std::nullopt;
  std::string content;
  std::array<char, 64 * 1024> block;
  while (true) {
    const long long count = file->ReadAt(content.size(), block.data(), block.size());
    if (count < 0) return std::nullopt;
    if (count == 0) return content;
    content.append(block.data(), static_cast<std::size_t>(count));
  }
}

bool WriteFileAt(const fs::path& path, std::string_view bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  std::size_t done = 0;
  bool written = true;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      written = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return ::close(fd) == 0 && written;
}

fs::path CurrentDirectory() {
  std::error_code error;
  return fs::current_path(error);
}

fs::path AbsolutePath(const fs::path& path) { return fs::absolute(path); }

fs::path AbsolutePath(const fs::path& path, std::error_code& error) {
  return fs::absolute(path, error);
}

fs::path CanonicalPath(const fs::path& path) {
  std::error_code error;
  fs::path canonical = fs::canonical(path, error);
  if (error) return {};
  return canonical;
}

fs::path WeaklyCanonicalPath(const fs::path& path) {
  std::error_code error;
  const fs::path absolute = fs::absolute(path, error);
  if (error) return {};
  fs::path real = fs::weakly_canonical(absolute, error);
  if (error) return {};
  return real;
}

std::uint32_t ToDosDateTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  if (local.tm_year < 80) return (1u << 5 | 1u) << 16;  // 1980-01-01 00:00:00
  const std::uint32_t date = static_cast<std::uint32_t>(((local.tm_year - 80) << 9) |
                                                        ((local.tm_mon + 1) << 5) | local.tm_mday);
  const std::uint32_t clock = static_cast<std::uint32_t>((local.tm_hour << 11) |
                                                         (local.tm_min << 5) | (local.tm_sec / 2));
  return date << 16 | clock;
}

std::time_t FromDosDateTime(std::uint32_t dos_date_time) {
  std::tm local{};
  const std::uint32_t date = dos_date_time >> 16;
  const std::uint32_t clock = dos_date_time & 0xFFFF;
  local.tm_year = static_cast<int>((date >> 9) + 80);
  local.tm_mon = static_cast<int>(((date >> 5) & 0x0F)) - 1;
  local.tm_mday = static_cast<int>(date & 0x1F);
  local.tm_hour = static_cast<int>(clock >> 11);
  local.tm_min = static_cast<int>((clock >> 5) & 0x3F);
  local.tm_sec = static_cast<int>((clock & 0x1F) * 2);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

std::optional<File> File::Open(std::string_view path_text, Mode mode) {
  return OpenPath(ResolvePath(path_text), mode);
}

std::optional<File> File::OpenPath(const fs::path& path, Mode mode) {
  const int fd = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
  if (fd < 0) return std::nullopt;
  // Creating never opens a directory (open fails with EISDIR or EEXIST).
  if (mode == Mode::CreateNew || mode == Mode::CreateReplace) return File(fd, path);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int saved = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = saved;
    return std::nullopt;
  }
  return File(fd, path);
}

std::optional<File> File::CreateInPlaceOf(const fs::path& path) {
  std::error_code error;
  std::optional<fs::path> aside;
  if (fs::symlink_status(path, error).type() != fs::file_type::not_found && !error &&
      !fs::is_directory(fs::symlink_status(path, error))) {
    fs::path moved = path;
    moved += ".~" + std::to_string(::getpid()) + "~";
    if (fs::symlink_status(moved, error).type() == fs::file_type::not_found) {
      fs::rename(path, moved, error);
      if (!error) aside = moved;
    }
  }
  std::optional<File> file = OpenPath(path, Mode::CreateReplace);
  if (aside) {
    if (file)
      fs::remove(*aside, error);
    else
      fs::rename(*aside, path, error);
  }
  return file;
}

std::optional<File> File::CreateTemporary(const fs::path& directory, std::string_view prefix) {
  fs::path folder = directory;
  if (folder.empty()) {
    const char* tmpdir = std::getenv("TMPDIR");
    folder = tmpdir && *tmpdir ? tmpdir : "/tmp";
  }
  std::string pattern = (folder / (std::string(prefix) + "XXXXXX")).string();
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return File(fd, pattern);
}

File::File(File&& other) noexcept : fd_(other.fd_), path_(std::move(other.path_)) {
  other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    path_ = std::move(other.path_);
    other.fd_ = -1;
  }
  return *this;
}

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

long long File::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
  std::size_t done = 0;
  auto* bytes = static_cast<char*>(buffer);
  while (done < size) {
    const ssize_t n = ::pread(fd_, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

bool File::WriteAt(std::uint64_t offset, const void* buffer, std::size_t size) {
  std::size_t done = 0;
  const auto* bytes = static_cast<const char*>(buffer);
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, bytes + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

long long File::Size() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return -1;
  return static_cast<long long>(info.st_size);
}

bool File::Truncate(std::uint64_t size) { return ::ftruncate(fd_, static_cast<off_t>(size)) == 0; }

bool File::Flush() { return ::fsync(fd_) == 0; }

std::optional<std::timespec> File::ModifiedTime() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return std::nullopt;
  return info.st_mtim;
}

bool File::SetModifiedTime(const std::timespec& time) {
  const struct timespec times[2] = {{0, UTIME_OMIT}, time};
  return ::futimens(fd_, times) == 0;
}

std::optional<FileIdentity> File::Identity() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return std::nullopt;
  return IdentityOf(info);
}

bool File::TryLock(WholeLock kind) {
  return ::flock(fd_, (kind == WholeLock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
}

bool File::SetRangeLock(RangeLock kind, std::uint64_t start, std::uint64_t length) {
  struct flock lock {};
  switch (kind) {
    case RangeLock::Read: lock.l_type = F_RDLCK; break;
    case RangeLock::Write: lock.l_type = F_WRLCK; break;
    case RangeLock::Unlock: lock.l_type = F_UNLCK; break;
  }
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>(start);
  lock.l_len = static_cast<off_t>(length);
  return ::fcntl(fd_, F_SETLK, &lock) == 0;
}

}  // namespace vantorel::platform
