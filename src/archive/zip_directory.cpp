#include "archive/zip_directory.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/zip_bytes.h"

namespace vantorel::archive {

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
    return end;
  }
  return std::nullopt;
}

void ReadCentralDirectory(ArchiveStream& archive, const EndCentral& end, SortedZip& entries) {
  entries.Clear();
  if (end.total_entries != 0) {
    archive.Seek(end.central_offset);
    std::array<char, 4> signature{};
    if (archive.Read(signature.data(), signature.size()) != signature.size() ||
        ZipBytes({signature.data(), signature.size()}).U32(0) != kCentralRecordSignature)
      throw EBadZipFile();
    archive.Seek(end.central_offset);
  }

  std::array<char, kCentralRecordSize> fixed{};
  std::string name;
  for (unsigned i = 0; i < end.total_entries; ++i) {
    const std::uint64_t record_start = archive.Position();
    const std::string_view record(fixed.data(), fixed.size());
    if (archive.Read(fixed.data(), fixed.size()) != fixed.size() ||
        ZipBytes(record).U32(0) != kCentralRecordSignature)
      throw EBadZipFile();
    ZipHeaderInfo entry = ParseCentralRecord(record);
    name.resize(entry.name_length);
    if (archive.Read(name.data(), name.size()) != name.size()) {
      archive.Seek(record_start);
      throw EBadZipFile();
    }
    SetStoredName(entry, name);
    entry.central_record_offset = static_cast<std::uint32_t>(record_start);
    archive.Seek(archive.Position() + entry.extra_length + entry.comment_length);
    entries.Add(std::move(entry));
  }
  entries.Finish();
}

}  // namespace vantorel::archive
