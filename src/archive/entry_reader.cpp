#include "archive/entry_reader.h"

#include <zlib.h>

#include <array>
#include <memory>

#include "archive/archive_errors.h"
#include "archive/decoders.h"
#include "archive/extract_steps.h"
#include "archive/zip_bytes.h"
#include "archive/zip_directory.h"
#include "platform/file_system.h"

namespace vantorel::archive {

namespace {

// The decoded bytes, kept in memory; never more than the entry's stored size.
class MemoryOutput final : public DecodedOutput {
 public:
  explicit MemoryOutput(std::uint64_t limit) : limit_(limit) {}
  void Write(const std::uint8_t* data, std::size_t size) override {
    if (size > limit_ - bytes_.size()) throw EBiggerThanUncompressed();
    bytes_.append(reinterpret_cast<const char*>(data), size);
  }
  std::string& Bytes() { return bytes_; }

 private:
  std::uint64_t limit_;  // the entry's uncompressed size
  std::string bytes_;
};

// Where the entry's data starts: after the local header's fixed part, name and extra field.
std::optional<std::uint64_t> DataOffset(ArchiveStream& archive, const ZipHeaderInfo& entry) {
  std::array<char, kLocalHeaderSize> local{};
  archive.Seek(entry.local_header_offset);
  if (archive.Read(local.data(), local.size()) != local.size()) return std::nullopt;
  const ZipBytes header({local.data(), local.size()});
  return entry.local_header_offset + kLocalHeaderSize + header.U16(kLocalNameLengthOffset) +
         header.U16(kLocalExtraLengthOffset);
}

}  // namespace

ZipEntryReader::ZipEntryReader(std::string_view path_text)
    : archive_(ArchiveStream::Open(path_text)) {
  if (!archive_) throw EFOpenError(platform::ShownPath(path_text));
  const std::optional<EndCentral> end = FindEndCentral(*archive_);
  if (!end) throw ENotAZipFile();
  ReadCentralDirectory(*archive_, *end, entries_);
}

std::string ZipEntryReader::EntryName(int index) const {
  const ZipHeaderInfo& entry = EntryInfo(index);
  std::string name = entry.path + entry.file_name;
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

ZipEntryReader::Entry ZipEntryReader::Read(int index, std::uint64_t max_size) {
  const ZipHeaderInfo& entry = EntryInfo(index);
  if (entry.IsDirectory()) return {Outcome::Directory, {}};
  if (entry.Encrypted()) return {Outcome::Encrypted, {}};
  if (!HasDecoder(entry.method)) return {Outcome::UnknownMethod, {}};
  if (entry.uncompressed_size > max_size) return {Outcome::TooLarge, {}};
  try {
    const std::optional<std::uint64_t> offset = DataOffset(*archive_, entry);
    if (!offset) return {Outcome::Damaged, {}};
    archive_->Seek(*offset);
    auto block = std::make_unique<std::uint8_t[]>(kExtractBlockSize);
    EntryInput input(*archive_, entry.compressed_size, block.get(), [] {});
    MemoryOutput output(entry.uncompressed_size);
    const DecodeParams params{entry.flags, entry.compressed_size, entry.uncompressed_size};
    const std::optional<DecodeResult> result =
        DecodeByMethod(entry.method, input, output, params);
    std::string& bytes = output.Bytes();
    const auto crc = static_cast<std::uint32_t>(
        crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
    if (result != DecodeResult::Complete || bytes.size() != entry.uncompressed_size ||
        crc != entry.crc)
      return {Outcome::Damaged, {}};
    return {Outcome::Read, std::move(bytes)};
  } catch (const ArchiveError&) {
    return {Outcome::Damaged, {}};
  }
}

}  // namespace vantorel::archive
