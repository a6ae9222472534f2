// An extracted file being written, through an 8,192-byte buffer. Closing writes the buffer out
// and, when asked, forces the data to disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

#include "platform/file_system.h"

namespace vantorel::archive {

class OutputFile {
 public:
  static constexpr std::size_t kBufferSize = 8192;

  // Creates the file at a real path; nullopt when that fails. An existing file (or link) there
  // is replaced by a new file, never emptied or written through (File::CreateInPlaceOf).
  static std::optional<OutputFile> Create(const std::filesystem::path& path);

  OutputFile(OutputFile&&) = default;
  OutputFile& operator=(OutputFile&&) = default;
  // Writes the buffer out; errors are lost here, so call Close.
  ~OutputFile();

  // Bytes written so far (buffered ones included).
  std::uint64_t Position() const { return position_; }

  // Appends size bytes. Throws EWriteError when the file system refuses them.
  void Write(const std::uint8_t* data, std::size_t size);

  // Writes the buffer out and, with flush_to_disk, forces the data to disk; then closes the
  // file. Throws EWriteError when the buffer cannot be written. Idempotent.
  void Close(bool flush_to_disk);

 private:
  explicit OutputFile(platform::File file);
  bool WriteBuffer();

  std::optional<platform::File> file_;       // none once closed
  std::unique_ptr<std::uint8_t[]> buffer_;   // kBufferSize bytes not yet in the file
  std::size_t buffered_ = 0;                 // bytes in buffer_
  std::uint64_t position_ = 0;               // bytes written, buffer included
};

}  // namespace vantorel::archive
