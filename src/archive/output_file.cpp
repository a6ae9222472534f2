#include "archive/output_file.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "archive/archive_errors.h"

namespace vantorel::archive {

namespace {
std::atomic<unsigned> temporary_number{0};
}

std::optional<OutputFile> OutputFile::CreateFor(const std::filesystem::path& target) {
  static const std::string prefix = ".vz~" + std::to_string(::getpid()) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path temporary = target.parent_path();
    temporary /= prefix + std::to_string(temporary_number++);
    auto file = platform::File::OpenPath(temporary, platform::File::Mode::CreateNew);
    if (file) return OutputFile(std::move(*file), std::move(temporary), target);
    if (errno != EEXIST) return std::nullopt;
  }
  return std::nullopt;
}

OutputFile::OutputFile(platform::File file, std::filesystem::path temporary,
                       std::filesystem::path target)
    : file_(std::move(file)),
      temporary_(std::move(temporary)),
      target_(std::move(target)),
      buffer_(std::make_unique<std::uint8_t[]>(kBufferSize)) {}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : file_(std::move(other.file_)),
      temporary_(std::move(other.temporary_)),
      target_(std::move(other.target_)),
      buffer_(std::move(other.buffer_)),
      buffered_(other.buffered_),
      position_(other.position_) {
  other.file_.reset();
  other.temporary_.clear();
}

OutputFile::~OutputFile() { Discard(); }

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

void OutputFile::Close(bool flush_to_disk, std::optional<std::time_t> modified) {
  if (!file_) return;
  const bool written = WriteBuffer();
  if (written && modified) file_->SetModifiedTime({*modified, 0});
  if (written && flush_to_disk) file_->Flush();
  file_.reset();
  if (!written) throw EWriteError();
}

bool OutputFile::Commit(bool flush_to_disk, bool replacing) {
  try {
    Close(flush_to_disk);
  } catch (const EWriteError&) {
    Discard();
    return false;
  }
  if (temporary_.empty()) return false;
  if (replacing && platform::ExchangeAt(temporary_, target_)) {
    Discard();  // now the replaced file
    return true;
  }
  if (!platform::RenameAt(temporary_, target_)) {
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void OutputFile::Discard() {
  file_.reset();
  if (temporary_.empty()) return;
  platform::RemoveFileAt(temporary_);
  temporary_.clear();
}

}  // namespace vantorel::archive
