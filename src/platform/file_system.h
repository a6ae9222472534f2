// The file-system facade: the only place that turns the program's path texts into files.
//
// The program builds paths as texts in code page 1252 with "\" separators and in any letter
// case, because the archive comes from a case-insensitive world. Here "\" becomes "/", the
// text becomes a UTF-8 Linux path, and a component that does not exist as written is matched
// without regard to the case of a-z (an exact match wins; among several others, the first in
// byte order of the names).
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel::platform {

// The real path a path text names. Components that exist are matched as described above;
// from the first component that matches nothing on, the rest is kept as written (so the
// result can name a file about to be created). Empty components collapse; "." and ".." are
// kept as written.
std::filesystem::path ResolvePath(std::string_view path_text);

// A real path back to a path text in code page 1252 with "/" separators, for showing and
// for building further paths.
std::string PathText(const std::filesystem::path& path);

// True when the path names a regular file (hidden files included); a directory of that name
// does not count.
bool FileExists(std::string_view path_text);

// True when the path names a directory.
bool DirectoryExists(std::string_view path_text);

// Last modification time of a file as the packed MS-DOS date and time in local time
// (date in the high word: years since 1980 in bits 9-15, month 5-8, day 0-4; time in the
// low word: hours 11-15, minutes 5-10, seconds/2 0-4); nullopt when the file is missing.
std::optional<std::uint32_t> FileAge(std::string_view path_text);

// Packs a time as the MS-DOS date and time in local time (years before 1980 give 1980-01-01).
std::uint32_t ToDosDateTime(std::time_t time);

// The time a packed MS-DOS date and time stands for, in local time.
std::time_t FromDosDateTime(std::uint32_t dos_date_time);

// An open file, closed when the object ends.
class File {
 public:
  enum class Mode {
    Read,          // existing file, reading only
    ReadWrite,     // existing file, reading and writing
    CreateReplace  // new empty file (an existing one is truncated), reading and writing
  };

  // Opens the file a path text names. nullopt when it cannot be opened; errno tells why.
  static std::optional<File> Open(std::string_view path_text, Mode mode);
  // Opens a real path as it is, without the facade's name matching.
  static std::optional<File> OpenPath(const std::filesystem::path& path, Mode mode);

  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Reads up to size bytes at offset; returns the count read (short at the end of the file),
  // or -1 on an error.
  long long ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;
  // Writes all size bytes at offset; false on an error.
  bool WriteAt(std::uint64_t offset, const void* buffer, std::size_t size);
  // Current size in bytes, or -1 on an error.
  long long Size() const;
  // Cuts or extends the file to size bytes.
  bool Truncate(std::uint64_t size);
  // Pushes written data to the disk.
  bool Flush();

  // The operating-system descriptor, for byte-range locks.
  int Descriptor() const { return fd_; }
  const std::filesystem::path& Path() const { return path_; }

 private:
  File(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}
  int fd_ = -1;                  // open descriptor, -1 once moved from
  std::filesystem::path path_;   // the real path opened
};

}  // namespace vantorel::platform
