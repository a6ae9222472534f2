// Reading an archive's directory: the backward search for the end record and the central
// directory it points to.
#pragma once

#include <optional>

#include "archive/archive_stream.h"
#include "archive/sorted_zip.h"
#include "archive/zip_records.h"

namespace vantorel::archive {

// The end record of the archive, or nullopt when it has none. A 0-byte archive has an empty
// one (an archive without entries); an archive of 1 to 21 bytes has none. Otherwise the last
// min(kEndCentralSearchSpan, size) bytes are searched backward from 22 bytes before their end
// for the signature; the hit nearest the end of the archive wins. A ZIP64 locator right before
// it brings in the ZIP64 end record's values; the bytes in front of the archive proper are
// counted into leading_bytes. Throws EBadZipFile when a locator points to no ZIP64 end record.
std::optional<EndCentral> FindEndCentral(ArchiveStream& archive);

// Reads the end record's total_entries central records, one after another from its
// central_offset (plus leading_bytes), into entries (cleared first) and puts them in order; each
// entry's sizes and offsets are the ZIP64 ones where its record says so, and its local header
// offset includes leading_bytes. Throws EBadZipFile when the first signature is not at the
// offset, a record is short or unsigned or lacks a ZIP64 value it announces, EListError for a
// duplicate entry or one too many.
void ReadCentralDirectory(ArchiveStream& archive, const EndCentral& end, SortedZip& entries);

}  // namespace vantorel::archive
