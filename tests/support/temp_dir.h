// A fresh temporary folder for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantorel::testing {

class TempDir {
 public:
  TempDir();
  // The folder inside parent instead of the temporary directory.
  explicit TempDir(const std::filesystem::path& parent);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // path() / relative, as a string.
  std::string operator/(std::string_view relative) const { return (path_ / relative).string(); }

  // Writes bytes to path() / relative, creating the folders on the way; returns the path.
  std::filesystem::path Write(std::string_view relative, std::string_view bytes) const;
  // The whole content of a file.
  static std::string Read(const std::filesystem::path& file);

 private:
  std::filesystem::path path_;  // the folder, made at construction
};

// A folder in memory (/dev/shm) where the machine has one, else the temporary directory: for
// tests that write many files through to the disk (fsync) and would wait for the disk.
std::filesystem::path MemoryTempParent();

// The shared fixtures folder, or an empty path when it is absent (callers GTEST_SKIP).
std::filesystem::path FixturesDir();

}  // namespace vantorel::testing
