// The archive's entry list in the ByNone order: ascending by disk number start, then by local
// header offset, so entries come in the order of their data in the archive. It holds each
// (disk, offset) once, and at most kMaxEntries entries: the indexes of the list are ints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "archive/zip_records.h"

namespace vantorel::archive {

class SortedZip {
 public:
  static constexpr std::size_t kMaxEntries = std::numeric_limits<int>::max();

  // Takes an entry. Throws EListError "List index out of bounds (N)", N the index the entry
  // would get, when kMaxEntries are held. Entries added are in order only after Finish.
  void Add(ZipHeaderInfo entry);
  // Puts the entries into the ByNone order. Call once after the last Add. Throws EListError
  // "Duplicate Object index" when two entries have the same disk number start and local header
  // offset.
  void Finish();

  void Clear();
  std::size_t Count() const { return entries_.size(); }
  const ZipHeaderInfo& operator[](std::size_t index) const { return entries_[index]; }
  ZipHeaderInfo& operator[](std::size_t index) { return entries_[index]; }

 private:
  std::vector<ZipHeaderInfo> entries_;
};

}  // namespace vantorel::archive
