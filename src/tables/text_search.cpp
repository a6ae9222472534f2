#include "tables/text_search.h"

#include <algorithm>
#include <cerrno>

#include "core/code_pages.h"
#include "core/texts.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

// --- UpperTextMatcher ---------------------------------------------------------------------

UpperTextMatcher::UpperTextMatcher(std::string_view text, bool oem) : pattern_(core::AnsiUpper(text)) {
  for (int b = 0; b < 256; ++b) {
    const auto raw = static_cast<unsigned char>(b);
    upper_[static_cast<std::size_t>(b)] = core::AnsiUpper(oem ? core::OemToAnsi(raw) : raw);
  }
  // Horspool: the shift for a window whose last byte stands for upper-case character c is
  // the distance from the last occurrence of c in the text (its last byte left out) to the
  // text's end.
  const std::size_t m = pattern_.size();
  std::array<std::size_t, 256> shift_of_upper;
  shift_of_upper.fill(m);
  for (std::size_t j = 0; j + 1 < m; ++j)
    shift_of_upper[static_cast<unsigned char>(pattern_[j])] = m - 1 - j;
  for (std::size_t b = 0; b < 256; ++b) shift_[b] = shift_of_upper[upper_[b]];
}

std::size_t UpperTextMatcher::Find(const char* bytes, std::size_t size, std::size_t from) const {
  const std::size_t m = pattern_.size();
  const auto* data = reinterpret_cast<const unsigned char*>(bytes);
  const auto* text = reinterpret_cast<const unsigned char*>(pattern_.data());
  const unsigned char last = text[m - 1];
  for (std::size_t at = from; at + m <= size;) {
    const unsigned char end = data[at + m - 1];
    if (upper_[end] == last) {
      std::size_t j = 0;
      while (j + 1 < m && upper_[data[at + j]] == text[j]) ++j;
      if (j + 1 >= m) return at;
    }
    at += shift_[end];
  }
  return std::string::npos;
}

// --- TableScan ----------------------------------------------------------------------------

namespace {

platform::File OpenForScan(std::string_view open_path, const std::string& name) {
  auto file = platform::File::Open(open_path, platform::File::Mode::Read);
  if (!file) throw EKvError(DosErrorCode(errno), "Failure to open " + name + " [Search]");
  return std::move(*file);
}

}  // namespace

TableScan::TableScan(std::string_view open_path, std::string name, int header_length,
                     int record_length, std::int64_t record_count)
    : file_(OpenForScan(open_path, name)),
      name_(std::move(name)),
      header_length_(header_length),
      record_length_(record_length),
      record_count_(record_count) {}

const char* TableScan::Records(std::int64_t k, std::int64_t& count) {
  count = 0;
  if (k < 1 || k > record_count_) return nullptr;
  if (k < block_first_ || k >= block_first_ + block_count_) {
    // The block: as many whole records as 65520 bytes hold (at least one), never past the
    // record count.
    const std::int64_t per_block =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(kSearchBlockBytes) / record_length_);
    const std::int64_t wanted = std::min(per_block, record_count_ - k + 1);
    block_.resize(static_cast<std::size_t>(wanted * record_length_));
    block_first_ = k;
    block_count_ = 0;
    const long long got = file_.ReadAt(
        static_cast<std::uint64_t>(header_length_ + (k - 1) * record_length_), block_.data(),
        block_.size());
    if (got < 0) throw EKvError(100, "Error reading " + name_ + " [Search]");
    // A file that ends early holds fewer records; a partial record is not scanned.
    block_count_ = got / record_length_;
  }
  count = block_first_ + block_count_ - k;
  if (count <= 0) {
    count = 0;
    return nullptr;
  }
  return block_.data() + (k - block_first_) * record_length_;
}

// --- SearchTable --------------------------------------------------------------------------

namespace {

// Where each byte of a record belongs: the field number (1-based) of the field holding it, 0
// for the deletion flag, bytes after the last field, and memo fields (never searched).
struct RecordMap {
  std::vector<std::uint8_t> field_at;  // one entry per record byte
  std::size_t widest = 0;              // the widest searchable field
};

RecordMap MapRecord(const WorkArea& area, std::uint8_t only_field) {
  RecordMap map;
  map.field_at.assign(static_cast<std::size_t>(area.RecordLength()), 0);
  const std::vector<DbfField>& fields = area.Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const DbfField& field = fields[i];
    const auto number = static_cast<std::uint8_t>(i + 1);
    if (field.type == 'M' || (only_field != 0 && number != only_field)) continue;
    const std::size_t begin = static_cast<std::size_t>(field.offset);
    const std::size_t end = std::min(begin + static_cast<std::size_t>(field.width), map.field_at.size());
    if (begin >= end) continue;
    std::fill(map.field_at.begin() + static_cast<std::ptrdiff_t>(begin),
              map.field_at.begin() + static_cast<std::ptrdiff_t>(end), number);
    map.widest = std::max(map.widest, end - begin);
  }
  return map;
}

}  // namespace

void SearchTable(WorkArea& area, TableScan& scan, std::string_view text,
                 std::uint8_t& field_number, bool from_top) {
  if (core::RightTrim(text).empty()) return;
  const std::uint8_t only_field = field_number > area.FieldCount() ? 0 : field_number;
  field_number = 0;

  const RecordMap map = MapRecord(area, only_field);
  if (text.size() > map.widest) return;  // no field could hold it
  const UpperTextMatcher matcher(text, area.Oem());
  const std::size_t m = matcher.Size();
  const std::size_t record_length = static_cast<std::size_t>(area.RecordLength());

  // Visibility of record k, whose raw bytes are at record: without a filter only the
  // deletion flag (never converted) can hide it; a filter needs the record to be current.
  const std::int64_t start_record = area.RecNo();
  bool moved = false;
  auto visible = [&](std::int64_t k, const char* record) {
    if (!area.HasFilter()) return !(area.HideDeleted() && record[0] == kDbfDeletedFlag);
    moved = true;
    area.GetDbfRecord(k);
    return area.IsVisible();
  };

  std::int64_t k = from_top ? 1 : area.RecNo() + 1;
  for (std::int64_t count = 0;; k += count) {
    const char* block = scan.Records(k, count);
    if (count == 0) break;
    const std::size_t size = static_cast<std::size_t>(count) * record_length;
    for (std::size_t at = matcher.Find(block, size, 0); at != std::string::npos;
         at = matcher.Find(block, size, at + 1)) {
      const std::size_t offset = at % record_length;
      const std::size_t last = offset + m - 1;
      if (last >= record_length) continue;
      const std::uint8_t field = map.field_at[offset];
      if (field == 0 || map.field_at[last] != field) continue;
      const std::int64_t record = k + static_cast<std::int64_t>(at / record_length);
      if (!visible(record, block + (at - offset))) continue;
      area.Go(record);
      field_number = field;
      return;
    }
  }

  if (!moved) return;
  // Back to the record current at the start, its flags untouched.
  if (start_record >= 1 && start_record <= area.RecCount())
    area.GetDbfRecord(start_record);
  else if (area.RecCount() > 0)
    area.RawGo(area.RecCount() + 1);
}

}  // namespace vantorel::tables
