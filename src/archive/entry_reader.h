// Reading a ZIP archive's entries into memory, one at a time, for readers of their content
// (the full-text index): nothing is written to disk and nothing is asked of the user.
//
// The archive is read as KvUnZip reads it (zip_directory.h), and each entry is decoded by the
// decoder of its method (decoders.h), every method this program knows. An entry counts as
// read only when its decoded bytes have the stored size and CRC-32.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archive/archive_stream.h"
#include "archive/sorted_zip.h"
#include "archive/zip_records.h"

namespace vantorel::archive {

class ZipEntryReader {
 public:
  // How reading one entry ended.
  enum class Outcome {
    Read,           // bytes holds the entry's content
    Directory,      // a directory entry: no content
    Encrypted,      // the entry is encrypted (no password is tried)
    UnknownMethod,  // no decoder for its compression method
    TooLarge,       // its uncompressed size is above the limit given
    Damaged,        // its data ended early, failed to decode, or does not match size and CRC
  };
  struct Entry {
    Outcome outcome = Outcome::Damaged;
    std::string bytes;  // Read: the decoded content
  };

  // Opens the archive a path text names and reads its directory. Throws EFOpenError when it
  // cannot be opened, ENotAZipFile for a file without an end record, and the errors of
  // FindEndCentral and ReadCentralDirectory (EBadZipFile, EListError).
  explicit ZipEntryReader(std::string_view path_text);
  ZipEntryReader(const ZipEntryReader&) = delete;
  ZipEntryReader& operator=(const ZipEntryReader&) = delete;

  int EntryCount() const { return static_cast<int>(entries_.Count()); }
  // REQUIRES: 0 <= index < EntryCount(). Names are UTF-8.
  const ZipHeaderInfo& EntryInfo(int index) const {
    return entries_[static_cast<std::size_t>(index)];
  }
  // The stored path and file name with "/" separators ("DOCS/NOTES.TXT").
  std::string EntryName(int index) const;

  // Decodes the entry at index. REQUIRES: 0 <= index < EntryCount().
  Entry Read(int index, std::uint64_t max_size);

 private:
  std::optional<ArchiveStream> archive_;  // open while the reader lives
  SortedZip entries_;                     // the directory, in the order of the data
};

}  // namespace vantorel::archive
