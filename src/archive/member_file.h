// One member of a ZIP archive copied out to a temporary file, for a window that shows it: the
// member is decoded by ZipEntryReader (every method this program knows) into a folder of its
// own in the system's temporary folder, under its own file name, and the folder goes with the
// object.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "archive/archive_errors.h"

namespace vantorel::archive {

// Members larger than this are not copied out.
inline constexpr std::uint64_t kMaxMemberFileSize = 64 * 1024 * 1024;

// Why a member could not be copied out; the text names the member and the archive.
class EMemberNotShown : public ArchiveError {
 public:
  using ArchiveError::ArchiveError;
};

class MemberFile {
 public:
  // Copies the member (its stored name, UTF-8, "/" separated; matched exactly, else without
  // regard to the case of a-z) of the archive (a path text) out. Throws the archive's errors
  // when it cannot be read (EFOpenError, ENotAZipFile, ...), and EMemberNotShown with
  //   "Unable to find " + member + " in " + archive        no such member
  //   "Unable to show " + member + ": " + why              a directory, encrypted, an unknown
  //                                                        method, too large or damaged
  //   "Unable to write a temporary copy of " + member      the temporary folder failed
  // (the archive as platform::ShownPath shows it).
  MemberFile(std::string_view archive, std::string_view member);
  ~MemberFile();
  MemberFile(const MemberFile&) = delete;
  MemberFile& operator=(const MemberFile&) = delete;

  // The copy's real path; it exists while the object lives.
  const std::filesystem::path& Path() const { return file_; }

 private:
  std::filesystem::path folder_;  // the temporary folder, removed with the object
  std::filesystem::path file_;    // the member's copy in it
};

}  // namespace vantorel::archive
