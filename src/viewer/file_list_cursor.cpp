#include "viewer/file_list_cursor.h"

#include <utility>

namespace vantorel::viewer {

void FileListCursor::Start(std::vector<std::string> files) {
  files_ = std::move(files);
  list_mode_ = true;
  remaining_ = static_cast<int>(files_.size()) - 1;
  next_ = 1;
}

bool FileListCursor::HasNext() const {
  return list_mode_ && remaining_ > 0 && next_ >= 0 && next_ < static_cast<int>(files_.size());
}

std::string FileListCursor::TakeNext() {
  std::string file = files_[next_];
  --remaining_;
  ++next_;
  return file;
}

}  // namespace vantorel::viewer
