// A file that takes the place of another only once it is complete: it is written beside its
// target under a name of its own and renamed over the target at the end, so the target's name
// never holds a partly written file, whether the writer fails, is killed or loses power, and
// several processes may write the same target at once (the last one complete wins).
//
// The part's name is the target's file name + ".~part" + the process id + "-" + a number. The
// writer holds an exclusive flock(2) lock on the part while it writes, so a part that nobody
// holds locked was left by a writer that ended early; creating a part removes such leftovers
// of the same target.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/file_system.h"

namespace vantorel::platform {

class ReplacingFile {
 public:
  // Creates an empty part beside target (a real path; permissions 0666 less the umask) after
  // removing the target's abandoned parts. nullopt when it cannot be created; errno tells why.
  static std::optional<ReplacingFile> Create(const std::filesystem::path& target);

  ReplacingFile(ReplacingFile&& other) noexcept;
  ReplacingFile& operator=(ReplacingFile&&) = delete;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  // Removes the part unless Commit succeeded.
  ~ReplacingFile();

  // The part, open for reading and writing. REQUIRES: Commit has not been called.
  File& Part() { return *part_; }

  // How Commit treats the part's bytes: pushed to the disk before the rename, or left to the
  // system to write out (for a derived file that is made again when lost, such as a page).
  enum class Durability { PushToDisk, LeaveToSystem };
  // Pushes the part's bytes to the disk (unless durability says otherwise) and renames it over
  // the target. False when either fails (errno tells why); the part is then removed and the
  // target left as it was.
  bool Commit(Durability durability = Durability::PushToDisk);

  const std::filesystem::path& Target() const { return target_; }

 private:
  ReplacingFile(File part, std::filesystem::path target)
      : part_(std::move(part)), target_(std::move(target)) {}
  // Closes the part and deletes it, unless committed.
  void Abandon();

  std::optional<File> part_;        // the part, open until committed or abandoned
  std::filesystem::path target_;    // the name it takes at the end
};

// Writes bytes as the whole content of the file at target through a ReplacingFile. False when
// it cannot be created, written or committed (errno tells why); target is then unchanged.
bool WriteFileReplacingAt(const std::filesystem::path& target, std::string_view bytes);

// Removes the parts of target that no writer holds any more.
void RemoveAbandonedParts(const std::filesystem::path& target);

}  // namespace vantorel::platform
