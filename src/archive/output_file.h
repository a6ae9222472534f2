// An extracted file being written, through an 8,192-byte buffer, into a temporary file beside
// its target. Only Commit puts it in place of the target, in one step (a rename): until then
// whatever is at the target stays untouched, and a file that is dropped (Discard, or the object
// ending without Commit, also through an exception) leaves nothing behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/file_system.h"

namespace vantorel::archive {

class OutputFile {
 public:
  static constexpr std::size_t kBufferSize = 8192;

  // Creates the temporary file for a target (a real path) in the target's folder, named
  // ".vz~" + process id + "." + a number, permissions 0666 less the umask; nullopt when that
  // fails (errno tells why).
  static std::optional<OutputFile> CreateFor(const std::filesystem::path& target);

  OutputFile(OutputFile&& other) noexcept;
  OutputFile& operator=(OutputFile&&) = delete;
  // Discards the file unless it was committed.
  ~OutputFile();

  // Bytes written so far (buffered ones included).
  std::uint64_t Position() const { return position_; }

  // Appends size bytes. Throws EWriteError when the file system refuses them.
  void Write(const std::uint8_t* data, std::size_t size);

  // Writes the buffer out, sets the modification time when given, forces the data to disk with
  // flush_to_disk, and closes the file. Throws EWriteError when the buffer cannot be written.
  // Idempotent.
  void Close(bool flush_to_disk, std::optional<std::time_t> modified = std::nullopt);

  // The temporary file's real path (for its attributes between Close and Commit).
  const std::filesystem::path& TemporaryPath() const { return temporary_; }

  // Closes the file (when open) and renames it to the target, replacing what is there. False
  // when that fails: the file is then discarded and the target left as it was. replacing: a
  // file or link (never a directory) is at the target; it is swapped with the new file and then
  // removed, which keeps file systems that flush a file renamed over another (ext4) from
  // writing each new file out at once.
  bool Commit(bool flush_to_disk, bool replacing);

  // Closes and removes the temporary file. Idempotent.
  void Discard();

 private:
  OutputFile(platform::File file, std::filesystem::path temporary, std::filesystem::path target);
  bool WriteBuffer();

  std::optional<platform::File> file_;       // none once closed
  std::filesystem::path temporary_;          // empty once committed or discarded
  std::filesystem::path target_;
  std::unique_ptr<std::uint8_t[]> buffer_;   // kBufferSize bytes not yet in the file
  std::size_t buffered_ = 0;                 // bytes in buffer_
  std::uint64_t position_ = 0;               // bytes written, buffer included
};

}  // namespace vantorel::archive
