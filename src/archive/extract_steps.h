// The input step and the output step of an extraction run: how compressed bytes come out of the
// archive and how decoded bytes go into the target file, whatever the compression method.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "archive/archive_stream.h"
#include "archive/decoder.h"
#include "archive/output_file.h"

namespace vantorel::archive {

// Input blocks and output blocks are at most this long.
inline constexpr std::size_t kExtractBlockSize = 16000;

// min(100, round(100 * done / total)), halves rounded to even; 0 when total is 0 or less.
int RoundedPercent(std::uint64_t done, std::int64_t total);

// The entry's compressed bytes, read from the archive in blocks of min(16,000, bytes left).
class EntryInput final : public CompressedInput {
 public:
  // Reads compressed_size bytes from the archive's current position into block (the run's
  // input block, kExtractBlockSize bytes). before_block runs before every block is read and
  // may throw (the message processing and the cancel check).
  EntryInput(ArchiveStream& archive, std::uint64_t compressed_size, std::uint8_t* block,
             std::function<void()> before_block);

  // Throws EFatalUnzipError "Premature end of file reached" when the archive ends before a
  // block does.
  std::size_t Read(std::uint8_t* buffer, std::size_t size) override;

  std::uint64_t BytesLeft() const { return left_; }

 private:
  ArchiveStream& archive_;
  std::uint64_t left_;                   // compressed bytes not yet read from the archive
  std::uint8_t* block_;                  // the input block
  std::size_t block_length_ = 0;         // bytes in the block
  std::size_t block_used_ = 0;           // of those, handed to the decoder
  std::function<void()> before_block_;
};

// What the output steps of one run share.
struct RunProgress {
  std::int64_t total_bytes = 0;   // TotalBytes: uncompressed sizes of the selected files
  std::uint64_t written = 0;      // bytes written in the run
  std::function<void(int)> on_file_percent;   // OnFilePercentDone, may be empty
  std::function<void(int)> on_total_percent;  // OnTotalPercentDone, may be empty
};

// The decoded bytes, collected in an output block and written each time it fills.
class EntryOutput final : public DecodedOutput {
 public:
  // Writes into file, which must not grow beyond uncompressed_size; block is the run's output
  // block of kExtractBlockSize bytes.
  EntryOutput(OutputFile& file, std::uint64_t uncompressed_size, std::uint8_t* block,
              RunProgress& run);

  // Throws EBiggerThanUncompressed when a full block would take the file past the entry's
  // uncompressed size, EWriteError when the file cannot take it.
  void Write(const std::uint8_t* data, std::size_t size) override;
  // Writes the last, partly filled block. Throws as Write.
  void Finish();

  // CRC-32 of the bytes written to the file.
  std::uint32_t Crc() const { return crc_; }

 private:
  void WriteBlock();

  OutputFile& file_;
  std::uint64_t uncompressed_size_;
  std::uint8_t* block_;             // the output block
  std::size_t block_length_ = 0;    // decoded bytes in it
  std::uint64_t written_ = 0;       // bytes of this entry written to the file
  std::uint32_t crc_ = 0;           // zlib's CRC-32 (conditioning included) of those bytes
  RunProgress& run_;
};

}  // namespace vantorel::archive
