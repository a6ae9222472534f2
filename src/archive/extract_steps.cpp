#include "archive/extract_steps.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "archive/archive_errors.h"

namespace vantorel::archive {

int RoundedPercent(std::uint64_t done, std::int64_t total) {
  if (total <= 0) return 0;
  const auto whole = static_cast<unsigned __int128>(done) * 100;
  const auto divisor = static_cast<unsigned __int128>(total);
  auto percent = whole / divisor;
  const auto twice_rest = (whole % divisor) * 2;
  if (twice_rest > divisor || (twice_rest == divisor && percent % 2 == 1)) ++percent;
  return static_cast<int>(std::min<unsigned __int128>(percent, 100));
}

EntryInput::EntryInput(ArchiveStream& archive, std::uint64_t compressed_size,
                       std::uint8_t* block, std::function<void()> before_block)
    : archive_(archive),
      left_(compressed_size),
      block_(block),
      before_block_(std::move(before_block)) {}

std::size_t EntryInput::Read(std::uint8_t* buffer, std::size_t size) {
  if (block_used_ == block_length_) {
    if (left_ == 0) return 0;
    if (before_block_) before_block_();
    const std::size_t length =
        static_cast<std::size_t>(std::min<std::uint64_t>(kExtractBlockSize, left_));
    left_ -= length;
    if (archive_.Read(block_, length) != length) throw EFatalUnzipError();
    block_length_ = length;
    block_used_ = 0;
  }
  const std::size_t n = std::min(size, block_length_ - block_used_);
  std::memcpy(buffer, block_ + block_used_, n);
  block_used_ += n;
  return n;
}

EntryOutput::EntryOutput(OutputFile& file, std::uint64_t uncompressed_size, std::uint8_t* block,
                         RunProgress& run)
    : file_(file), uncompressed_size_(uncompressed_size), block_(block), run_(run) {}

void EntryOutput::Write(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const std::size_t n = std::min(size, kExtractBlockSize - block_length_);
    std::memcpy(block_ + block_length_, data, n);
    block_length_ += n;
    data += n;
    size -= n;
    if (block_length_ == kExtractBlockSize) WriteBlock();
  }
}

void EntryOutput::Finish() {
  if (block_length_ > 0) WriteBlock();
}

void EntryOutput::WriteBlock() {
  const std::size_t length = block_length_;
  block_length_ = 0;
  if (file_.Position() + length > uncompressed_size_) throw EBiggerThanUncompressed();
  file_.Write(block_, length);
  crc_ = static_cast<std::uint32_t>(crc32(crc_, block_, static_cast<uInt>(length)));

  written_ += length;
  if (run_.on_file_percent)
    run_.on_file_percent(RoundedPercent(written_, static_cast<std::int64_t>(uncompressed_size_)));
  run_.written += length;
  if (run_.on_total_percent) run_.on_total_percent(RoundedPercent(run_.written, run_.total_bytes));
}

}  // namespace vantorel::archive
