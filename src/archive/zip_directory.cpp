#include "archive/zip_directory.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/zip_bytes.h"

namespace vantorel::archive {

namespace {

// Reads size bytes at offset; false when the archive ends before them.
bool ReadAt(ArchiveStream& archive, std::uint64_t offset, char* buffer, std::size_t size) {
  archive.Seek(offset);
  return archive.Read(buffer, size) == size;
}

bool SignatureAt(ArchiveStream& archive, std::uint64_t offset, std::uint32_t signature) {
  std::array<char, 4> bytes{};
  return ReadAt(archive, offset, bytes.data(), bytes.size()) &&
         ZipBytes({bytes.data(), bytes.size()}).U32(0) == signature;
}

// Format notes: a ZIP64 archive puts a locator (20 bytes: signature, the disk holding the ZIP64
// end record, that record's offset (8), the number of disks) right before the end record. The
// offset is as stored, so leading data shifts the record away from it; the record itself then
// ends right at the locator when it carries no extensible data, which is where the record is
// looked for second. A locator whose record is at neither place is a damaged archive.
void ReadZip64EndCentral(ArchiveStream& archive, EndCentral& end) {
  if (end.record_offset < kZip64LocatorSize) return;
  const std::uint64_t locator_offset = end.record_offset - kZip64LocatorSize;
  std::array<char, kZip64LocatorSize> locator{};
  if (!ReadAt(archive, locator_offset, locator.data(), locator.size())) return;
  const ZipBytes locator_bytes({locator.data(), locator.size()});
  if (locator_bytes.U32(0) != kZip64LocatorSignature) return;

  const std::uint64_t stored_offset = locator_bytes.U64(8);
  std::array<std::uint64_t, 2> candidates{stored_offset, 0};
  std::size_t count = 1;
  if (locator_offset >= kZip64EndCentralSize &&
      locator_offset - kZip64EndCentralSize != stored_offset)
    candidates[count++] = locator_offset - kZip64EndCentralSize;
  std::array<char, kZip64EndCentralSize> record{};
  const ZipBytes record_bytes({record.data(), record.size()});
  for (std::size_t i = 0; i < count; ++i) {
    if (candidates[i] > locator_offset - std::min(locator_offset, std::uint64_t{kZip64EndCentralSize}) ||
        !ReadAt(archive, candidates[i], record.data(), record.size()) ||
        record_bytes.U32(0) != kZip64EndCentralSignature)
      continue;
    // The record's own size (after its first 12 bytes) must fit between it and the locator.
    const std::uint64_t rest = record_bytes.U64(4);
    if (rest < kZip64EndCentralSize - 12 || rest > locator_offset - candidates[i] - 12) continue;
    ParseZip64EndCentral({record.data(), record.size()}, end);
    end.record_offset = candidates[i];
    return;
  }
  throw EBadZipFile();
}

// Format notes: the central directory ends where the end record (or the ZIP64 end record)
// begins, so the record's position minus the stored directory offset and size is the count of
// bytes in front of the archive proper: a self-extracting stub, or padding that a tool added
// without adjusting the offsets. Info-ZIP unzip reads such archives by adding that count to
// every stored offset; so does this reader. When the directory is not at the shifted position
// but is at the stored one (offsets already adjusted, data between the directory and the end
// record), the stored offsets stand.
std::uint64_t LeadingBytes(ArchiveStream& archive, const EndCentral& end) {
  if (end.central_offset > end.record_offset ||
      end.central_size > end.record_offset - end.central_offset)
    return 0;
  const std::uint64_t shift = end.record_offset - end.central_offset - end.central_size;
  if (shift == 0 || end.total_entries == 0) return 0;
  if (!SignatureAt(archive, end.central_offset + shift, kCentralRecordSignature) &&
      SignatureAt(archive, end.central_offset, kCentralRecordSignature))
    return 0;
  return shift;
}

}  // namespace

std::optional<EndCentral> FindEndCentral(ArchiveStream& archive) {
  const std::uint64_t size = archive.Size();
  if (size == 0) return EndCentral{};
  if (size < kEndCentralSize) return std::nullopt;

  const std::size_t span = static_cast<std::size_t>(std::min<std::uint64_t>(kEndCentralSearchSpan, size));
  std::string tail(span, '\0');
  archive.Seek(size - span);
  tail.resize(archive.Read(tail.data(), span));
  if (tail.size() < kEndCentralSize) return std::nullopt;

  const ZipBytes bytes(tail);
  for (std::size_t at = tail.size() - kEndCentralSize + 1; at-- > 0;) {
    if (bytes.U32(at) != kEndCentralSignature) continue;
    EndCentral end = ParseEndCentral(std::string_view(tail).substr(at, kEndCentralSize));
    end.comment_offset = size - std::min<std::uint64_t>(end.comment_length, size);
    end.record_offset = size - span + at;
    ReadZip64EndCentral(archive, end);
    end.leading_bytes = LeadingBytes(archive, end);
    return end;
  }
  return std::nullopt;
}

void ReadCentralDirectory(ArchiveStream& archive, const EndCentral& end, SortedZip& entries) {
  entries.Clear();
  const std::uint64_t central_start = end.central_offset + end.leading_bytes;
  if (end.total_entries != 0 && !SignatureAt(archive, central_start, kCentralRecordSignature))
    throw EBadZipFile();
  archive.Seek(central_start);

  std::array<char, kCentralRecordSize> fixed{};
  std::string name;
  std::string extra;
  for (std::uint64_t i = 0; i < end.total_entries; ++i) {
    const std::uint64_t record_start = archive.Position();
    const std::string_view record(fixed.data(), fixed.size());
    if (archive.Read(fixed.data(), fixed.size()) != fixed.size() ||
        ZipBytes(record).U32(0) != kCentralRecordSignature)
      throw EBadZipFile();
    ZipHeaderInfo entry = ParseCentralRecord(record);
    name.resize(entry.name_length);
    extra.resize(entry.extra_length);
    if (archive.Read(name.data(), name.size()) != name.size() ||
        archive.Read(extra.data(), extra.size()) != extra.size()) {
      archive.Seek(record_start);
      throw EBadZipFile();
    }
    const std::optional<std::string> unicode_path = ApplyCentralExtra(entry, extra, name);
    SetStoredName(entry, name, unicode_path);
    entry.local_header_offset += end.leading_bytes;
    entry.central_record_offset = record_start;
    archive.Seek(archive.Position() + entry.comment_length);
    entries.Add(std::move(entry));
  }
  entries.Finish();
}

}  // namespace vantorel::archive
