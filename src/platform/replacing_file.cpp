#include "platform/replacing_file.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cerrno>
#include <string>

namespace vantorel::platform {

namespace {

namespace fs = std::filesystem;

constexpr char kPartMark[] = ".~part";
// Names tried before giving up (another file may hold a candidate name).
constexpr int kNameTries = 100;

std::string PartPrefix(const fs::path& target) { return target.filename().string() + kPartMark; }

// Gives the file at from the name to, replacing the file there in one step: whoever opens to
// finds the old file or the new one, never neither and never a mixture.
bool RenameFileAt(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace

std::optional<ReplacingFile> ReplacingFile::Create(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  RemoveAbandonedParts(target);
  const std::string prefix = PartPrefix(target) + std::to_string(::getpid()) + "-";
  for (int i = 0; i < kNameTries; ++i) {
    const fs::path name = target.parent_path() / (prefix + std::to_string(counter++));
    std::optional<File> part = File::OpenPath(name, File::Mode::CreateNew);
    if (!part) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    // Locked, the part is known to be written. Between its creation and the lock another
    // process may have taken it for abandoned and removed it: then it is not at its name.
    const bool locked = part->TryLock(File::WholeLock::Exclusive);
    const std::optional<FileIdentity> identity = part->Identity();
    if (locked && identity && IdentityAt(name) == identity)
      return ReplacingFile(std::move(*part), target);
    part.reset();
    if (locked) RemoveFileAt(name);
  }
  errno = EEXIST;
  return std::nullopt;
}

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : part_(std::move(other.part_)), target_(std::move(other.target_)) {
  other.part_.reset();
}

ReplacingFile::~ReplacingFile() { Abandon(); }

bool ReplacingFile::Commit(Durability durability) {
  if ((durability == Durability::PushToDisk && !part_->Flush()) ||
      !RenameFileAt(part_->Path(), target_)) {
    const int saved = errno;
    Abandon();
    errno = saved;
    return false;
  }
  part_.reset();
  return true;
}

void ReplacingFile::Abandon() {
  if (!part_) return;
  const fs::path name = part_->Path();
  part_.reset();
  RemoveFileAt(name);
}

bool WriteFileReplacingAt(const fs::path& target, std::string_view bytes) {
  std::optional<ReplacingFile> file = ReplacingFile::Create(target);
  return file && file->Part().WriteAt(0, bytes.data(), bytes.size()) && file->Commit();
}

void RemoveAbandonedParts(const fs::path& target) {
  const std::string prefix = PartPrefix(target);
  for (const std::string& entry : EntryNamesAt(target.parent_path())) {
    if (entry.compare(0, prefix.size(), prefix) != 0) continue;
    const fs::path name = target.parent_path() / entry;
    std::optional<File> part = File::OpenPath(name, File::Mode::Read);
    if (!part || !part->TryLock(File::WholeLock::Exclusive)) continue;
    // Nobody writes it. It is removed only while still at that name: a part that was just
    // committed is the target now.
    const std::optional<FileIdentity> identity = part->Identity();
    if (identity && IdentityAt(name) == identity) RemoveFileAt(name);
  }
}

}  // namespace vantorel::platform
