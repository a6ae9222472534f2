#include "archive/output_file.h"

#include <cstring>

#include "archive/archive_errors.h"

namespace vantorel::archive {

std::optional<OutputFile> OutputFile::Create(const std::filesystem::path& path) {
  auto file = platform::File::CreateInPlaceOf(path);
  if (!file) return std::nullopt;
  return OutputFile(std::move(*file));
}

OutputFile::OutputFile(platform::File file)
    : file_(std::move(file)), buffer_(std::make_unique<std::uint8_t[]>(kBufferSize)) {}

OutputFile::~OutputFile() {
  if (file_) WriteBuffer();
}

bool OutputFile::WriteBuffer() {
  if (buffered_ == 0) return true;
  const std::uint64_t at = position_ - buffered_;
  const bool written = file_->WriteAt(at, buffer_.get(), buffered_);
  buffered_ = 0;
  return written;
}

void OutputFile::Write(const std::uint8_t* data, std::size_t size) {
  if (buffered_ + size <= kBufferSize) {
    std::memcpy(buffer_.get() + buffered_, data, size);
    buffered_ += size;
    position_ += size;
    return;
  }
  if (!WriteBuffer()) throw EWriteError();
  if (size >= kBufferSize) {
    if (!file_->WriteAt(position_, data, size)) throw EWriteError();
  } else {
    std::memcpy(buffer_.get(), data, size);
    buffered_ = size;
  }
  position_ += size;
}

void OutputFile::Close(bool flush_to_disk) {
  if (!file_) return;
  const bool written = WriteBuffer();
  if (written && flush_to_disk) file_->Flush();
  file_.reset();
  if (!written) throw EWriteError();
}

}  // namespace vantorel::archive
