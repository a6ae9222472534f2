// An archive opened for reading, through an 8,192-byte buffer, as the reader reads it: small
// records one after another from a position, and the compressed data in blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/file_system.h"

namespace vantorel::archive {

class ArchiveStream {
 public:
  static constexpr std::size_t kBufferSize = 8192;

  // Opens the archive a path text names; nullopt when it cannot be opened.
  static std::optional<ArchiveStream> Open(std::string_view path_text);

  ArchiveStream(ArchiveStream&&) = default;
  ArchiveStream& operator=(ArchiveStream&&) = default;

  // The archive's size in bytes now.
  std::uint64_t Size() const;
  // The archive file's last modification time now (seconds and nanoseconds).
  std::timespec ModifiedTime() const;

  std::uint64_t Position() const { return position_; }
  void Seek(std::uint64_t position) { position_ = position; }

  // Reads up to size bytes at the position and moves past them. Returns the count read:
  // short at the end of the archive or on a read error.
  std::size_t Read(void* buffer, std::size_t size);

  // Forgets the buffered bytes, so the next Read sees the file as it is now.
  void ForgetBuffer() { buffer_length_ = 0; }

 private:
  explicit ArchiveStream(platform::File file);

  platform::File file_;
  std::uint64_t position_ = 0;                  // where the next Read starts
  std::unique_ptr<std::uint8_t[]> buffer_;      // kBufferSize bytes of the archive
  std::uint64_t buffer_start_ = 0;              // archive offset of buffer_[0]
  std::size_t buffer_length_ = 0;               // valid bytes in buffer_
};

}  // namespace vantorel::archive
