#include "archive/decoder_window.h"

#include <algorithm>
#include <cstring>

namespace vantorel::archive {

void DecoderWindow::Copy(std::uint32_t distance, std::uint32_t length) {
  const std::uint64_t room = limit_ - std::min(position_, limit_);
  std::uint64_t left = std::min<std::uint64_t>(length, room);
  // Before the start of the entry: zeros.
  while (left > 0 && distance > position_) {
    Put(0);
    --left;
  }
  while (left > 0) {
    // Copy in runs that neither wrap the history nor cross the next write-out.
    const std::size_t to = position_ & kMask;
    const std::size_t from = (position_ - distance) & kMask;
    std::size_t run = std::min<std::uint64_t>(left, kSize - std::max(to, from));
    if (distance < run) {
      for (std::size_t i = 0; i < run; ++i) history_[to + i] = history_[from + i];
    } else {
      std::copy_n(history_.begin() + from, run, history_.begin() + to);
    }
    position_ += run;
    left -= run;
    if ((position_ & kMask) == 0) WriteOut();
  }
}

void DecoderWindow::Append(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t left = std::min<std::uint64_t>(size, limit_ - std::min(position_, limit_));
  while (left > 0) {
    const std::size_t to = position_ & kMask;
    const std::size_t run = std::min<std::uint64_t>(left, kSize - to);
    std::memcpy(history_.data() + to, bytes, run);
    bytes += run;
    position_ += run;
    left -= run;
    if ((position_ & kMask) == 0) WriteOut();
  }
}

void DecoderWindow::WriteOut() {
  if (position_ == written_) return;
  const std::size_t start = written_ & kMask;
  output_.Write(history_.data() + start, static_cast<std::size_t>(position_ - written_));
  written_ = position_;
}

}  // namespace vantorel::archive
