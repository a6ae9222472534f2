#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <system_error>
#include <vector>

#include "core/code_pages.h"
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


}  // namespace

fs::path ResolvePath(std::string_view path_text) {
  std::string text = core::Cp1252ToUtf8(path_text);
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

std::string PathText(const fs::path& path) { return core::Utf8ToCp1252(path.string()); }

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
  int flags = O_CLOEXEC;
  switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::CreateReplace: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int saved = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = saved;
    return std::nullopt;
  }
  return File(fd, path);
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

}  // namespace vantorel::platform
