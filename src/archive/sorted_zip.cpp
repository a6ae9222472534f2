#include "archive/sorted_zip.h"

#include <algorithm>
#include <string>
#include <tuple>

#include "archive/archive_errors.h"

namespace vantorel::archive {

namespace {
auto OrderKey(const ZipHeaderInfo& entry) {
  return std::tie(entry.disk_number_start, entry.local_header_offset);
}
}  // namespace

void SortedZip::Add(ZipHeaderInfo entry) {
  if (entries_.size() >= kMaxEntries)
    throw EListError(ListIndexOutOfBoundsText(static_cast<long long>(entries_.size())));
  entries_.push_back(std::move(entry));
}

void SortedZip::Finish() {
  const auto before = [](const ZipHeaderInfo& a, const ZipHeaderInfo& b) {
    return OrderKey(a) < OrderKey(b);
  };
  std::sort(entries_.begin(), entries_.end(), before);
  const auto same = [](const ZipHeaderInfo& a, const ZipHeaderInfo& b) {
    return OrderKey(a) == OrderKey(b);
  };
  if (std::adjacent_find(entries_.begin(), entries_.end(), same) != entries_.end()) {
    entries_.clear();
    throw EListError(kDuplicateObjectIndex);
  }
}

void SortedZip::Clear() { entries_.clear(); }

}  // namespace vantorel::archive
