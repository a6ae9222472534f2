// The archive's entry list in the ByNone order: ascending by disk number start, then by local
// header offset, so entries come in the order of their data in the archive.
//
// The list holds each (disk, offset) once and at most kMaxEntries entries: its capacity grows by
// 4 up to 4, by 8 up to 8 and by 16 beyond, and a capacity of 65,535 or more is refused, which
// leaves 65,520 as the last capacity reached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_set>
#include <vector>

#include "archive/zip_records.h"

namespace vantorel::archive {

class SortedZip {
 public:
  static constexpr std::size_t kMaxEntries = 65520;

  // Takes an entry. Throws EListError "Duplicate Object index" when an entry with the same disk
  // number start and local header offset is held, and "List index out of bounds (%d)" (literally)
  // when kMaxEntries are held. Entries added are in order only after Finish.
  void Add(ZipHeaderInfo entry);
  // Puts the entries into the ByNone order. Call once after the last Add.
  void Finish();

  void Clear();
  std::size_t Count() const { return entries_.size(); }
  const ZipHeaderInfo& operator[](std::size_t index) const { return entries_[index]; }
  ZipHeaderInfo& operator[](std::size_t index) { return entries_[index]; }

 private:
  std::vector<ZipHeaderInfo> entries_;
  std::unordered_set<std::uint64_t> keys_;  // disk << 32 | offset of every entry held
};

}  // namespace vantorel::archive
