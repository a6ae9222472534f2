#include "archive/sorted_zip.h"

#include <algorithm>

#include "archive/archive_errors.h"

namespace vantorel::archive {

namespace {
std::uint64_t OrderKey(const ZipHeaderInfo& entry) {
  return std::uint64_t{entry.disk_number_start} << 32 | entry.local_header_offset;
}
}  // namespace

void SortedZip::Add(ZipHeaderInfo entry) {
  if (!keys_.insert(OrderKey(entry)).second) throw EListError(kDuplicateObjectIndex);
  if (entries_.size() >= kMaxEntries) throw EListError(kListIndexOutOfBounds);
  entries_.push_back(std::move(entry));
}

void SortedZip::Finish() {
  // Keys are unique, so the order is total.
  std::sort(entries_.begin(), entries_.end(),
            [](const ZipHeaderInfo& a, const ZipHeaderInfo& b) { return OrderKey(a) < OrderKey(b); });
  keys_.clear();
}

void SortedZip::Clear() {
  entries_.clear();
  keys_.clear();
}

}  // namespace vantorel::archive
