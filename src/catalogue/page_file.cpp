#include "catalogue/page_file.h"

#include <cerrno>

#include "catalogue/in_out_error.h"

namespace vantorel::catalogue {

namespace {
// Lines are written in blocks of about this size.
constexpr std::size_t kWriteBlock = 64 * 1024;
}  // namespace

PageFile::PageFile(std::string path)
    : path_(std::move(path)), file_(platform::ReplacingFile::Create(platform::ResolvePath(path_))) {
  if (!file_) ThrowInOutError(path_);
}

void PageFile::Line(std::string_view text) {
  pending_ += text;
  pending_ += "\r\n";
  if (pending_.size() >= kWriteBlock && !Flush()) ThrowInOutError(path_);
}

void PageFile::Lines(std::string_view lines) {
  if (lines.size() < kWriteBlock) {
    pending_ += lines;
    if (pending_.size() >= kWriteBlock && !Flush()) ThrowInOutError(path_);
    return;
  }
  // Many lines at once go to the file as they are, after what is held.
  if (!Flush() || !file_->Part().WriteAt(written_, lines.data(), lines.size()))
    ThrowInOutError(path_);
  written_ += lines.size();
}

void PageFile::Close() {
  // A page is made again by the next search: the system writes it out in its own time.
  const bool written =
      Flush() && file_->Commit(platform::ReplacingFile::Durability::LeaveToSystem);
  const int saved = errno;
  file_.reset();
  errno = saved;
  if (!written) ThrowInOutError(path_);
}

bool PageFile::Flush() {
  if (pending_.empty()) return true;
  if (!file_->Part().WriteAt(written_, pending_.data(), pending_.size())) return false;
  written_ += pending_.size();
  pending_.clear();
  return true;
}

}  // namespace vantorel::catalogue
