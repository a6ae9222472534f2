#include "archive/archive_stream.h"

#include <algorithm>
#include <cstring>

namespace vantorel::archive {

std::optional<ArchiveStream> ArchiveStream::Open(std::string_view path_text) {
  auto file = platform::File::Open(path_text, platform::File::Mode::Read);
  if (!file) return std::nullopt;
  return ArchiveStream(std::move(*file));
}

ArchiveStream::ArchiveStream(platform::File file)
    : file_(std::move(file)), buffer_(std::make_unique<std::uint8_t[]>(kBufferSize)) {}

std::uint64_t ArchiveStream::Size() const {
  const long long size = file_.Size();
  return size > 0 ? static_cast<std::uint64_t>(size) : 0;
}

std::timespec ArchiveStream::ModifiedTime() const {
  return file_.ModifiedTime().value_or(std::timespec{});
}

std::size_t ArchiveStream::Read(void* buffer, std::size_t size) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    if (position_ >= buffer_start_ && position_ < buffer_start_ + buffer_length_) {
      const std::size_t at = static_cast<std::size_t>(position_ - buffer_start_);
      const std::size_t n = std::min(size - done, buffer_length_ - at);
      std::memcpy(out + done, buffer_.get() + at, n);
      done += n;
      position_ += n;
      continue;
    }
    // A request at least as large as the buffer bypasses it.
    if (size - done >= kBufferSize) {
      const long long n = file_.ReadAt(position_, out + done, size - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
      position_ += static_cast<std::uint64_t>(n);
      break;
    }
    const long long n = file_.ReadAt(position_, buffer_.get(), kBufferSize);
    buffer_start_ = position_;
    buffer_length_ = n > 0 ? static_cast<std::size_t>(n) : 0;
    if (buffer_length_ == 0) break;
  }
  return done;
}

}  // namespace vantorel::archive
