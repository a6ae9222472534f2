#include "tables/text_search.h"

#include <algorithm>
#include <cerrno>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define VANTOREL_WIDE_SCAN 1
#endif

#include "core/code_pages.h"
#include "core/texts.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

// --- UpperTextMatcher ---------------------------------------------------------------------

namespace {

// How common an upper-case character is in catalogue tables, higher for more common: blanks
// pad every field, digits fill the numeric ones, letters follow their frequency in English
// and German text; any other character is rare.
int Commonness(unsigned char c) {
  if (c == ' ') return 100;
  if (c >= '0' && c <= '9') return 80;
  constexpr std::string_view kLettersRarestFirst = "ZQJXKVBPYGFWMUCLDHRSNIOATE";
  const std::size_t rank = kLettersRarestFirst.find(static_cast<char>(c));
  return rank == std::string_view::npos ? 0 : 40 + static_cast<int>(rank);
}

}  // namespace

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

  // The filter: the two positions whose characters the fewest raw bytes stand for, the
  // rarest first; a second position of another character when there is one. Setting the
  // fold bit in every byte lets a letter's two cases compare as one value; a byte it makes
  // equal to a value by chance only costs a full comparison.
  std::array<FilterPosition, 2> best{};
  std::array<int, 2> best_score{};
  for (std::size_t j = 0; j < m; ++j) {
    const auto c = static_cast<unsigned char>(pattern_[j]);
    FilterPosition position;
    position.offset = j;
    if (upper_[c | 0x20u] == c && upper_[c & ~0x20u] == c) position.fold = 0x20;
    bool too_many = false;
    for (int b = 0; b < 256 && !too_many; ++b) {
      if (upper_[static_cast<std::size_t>(b)] != c) continue;
      const auto value = static_cast<unsigned char>(b | position.fold);
      const auto end = position.raw.begin() + static_cast<std::ptrdiff_t>(position.count);
      if (std::find(position.raw.begin(), end, value) != end) continue;
      if (position.count == kMaxFilterBytes)
        too_many = true;
      else
        position.raw[position.count++] = value;
    }
    if (too_many || position.count == 0) continue;
    const int score = static_cast<int>(position.count) * 256 + Commonness(c);
    if (best[0].count == 0 || score < best_score[0]) {
      if (best[0].count != 0 && pattern_[best[0].offset] != pattern_[j]) {
        best[1] = best[0];
        best_score[1] = best_score[0];
      }
      best[0] = position;
      best_score[0] = score;
    } else if (pattern_[j] != pattern_[best[0].offset] &&
               (best[1].count == 0 || score < best_score[1])) {
      best[1] = position;
      best_score[1] = score;
    }
  }
  filter_ = best;
  // A text of one character, or of one character repeated: both positions the same.
  if (filter_[1].count == 0) filter_[1] = filter_[0];
}

bool UpperTextMatcher::Matches(const unsigned char* window) const {
  const auto* text = reinterpret_cast<const unsigned char*>(pattern_.data());
  for (std::size_t j = 0; j < pattern_.size(); ++j)
    if (upper_[window[j]] != text[j]) return false;
  return true;
}

std::size_t UpperTextMatcher::Find(const char* bytes, std::size_t size, std::size_t from) const {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes);
  if (filter_[0].count == 0) return FindByShifts(data, size, from);
  return FindFiltered(data, size, from);
}

std::size_t UpperTextMatcher::FindByShifts(const unsigned char* data, std::size_t size,
                                           std::size_t from) const {
  const std::size_t m = pattern_.size();
  const auto* text = reinterpret_cast<const unsigned char*>(pattern_.data());
  const unsigned char last = text[m - 1];
  for (std::size_t at = from; at + m <= size;) {
    const unsigned char end = data[at + m - 1];
    if (upper_[end] == last && Matches(data + at)) return at;
    at += shift_[end];
  }
  return std::string::npos;
}

#if defined(__SSE2__)

namespace {

// The window starts among the sixteen from at whose byte at the position's offset is one of
// its raw bytes, as a byte mask (0xFF: fits).
template <std::size_t kCompares>
__m128i Fitting(const __m128i (&raw)[kCompares], __m128i fold, const unsigned char* at) {
  const __m128i bytes =
      _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), fold);
  __m128i fits = _mm_cmpeq_epi8(bytes, raw[0]);
  for (std::size_t i = 1; i < kCompares; ++i) fits = _mm_or_si128(fits, _mm_cmpeq_epi8(bytes, raw[i]));
  return fits;
}

#if defined(VANTOREL_WIDE_SCAN)

// The filter in 32-byte registers, for processors with AVX2: sixty-four window starts at a
// time.
bool HasWideScan() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}

template <std::size_t kCompares>
__attribute__((target("avx2"))) inline __m256i FittingWide(const __m256i (&raw)[kCompares],
                                                             __m256i fold, const unsigned char* at) {
  const __m256i bytes =
      _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(at)), fold);
  __m256i fits = _mm256_cmpeq_epi8(bytes, raw[0]);
  for (std::size_t i = 1; i < kCompares; ++i)
    fits = _mm256_or_si256(fits, _mm256_cmpeq_epi8(bytes, raw[i]));
  return fits;
}

// From at on, in steps of 64 while all 64 window starts lie at or before last_start: the
// mask of the first step with a window that fits both filter positions (bit i: at + i), at
// left on that step; 0 when none, at left after the last step.
template <std::size_t kCompares>
__attribute__((target("avx2"))) std::uint64_t NextFittingWide(
    const std::array<unsigned char, 2 * UpperTextMatcher::kMaxFilterBytes>& raw_bytes,
    const std::array<unsigned char, 2>& folds, const unsigned char* first,
    const unsigned char* second, std::size_t last_start, std::size_t& at) {
  __m256i raw[2][kCompares];
  __m256i fold[2];
  for (std::size_t p = 0; p < 2; ++p) {
    fold[p] = _mm256_set1_epi8(static_cast<char>(folds[p]));
    for (std::size_t i = 0; i < kCompares; ++i)
      raw[p][i] = _mm256_set1_epi8(
          static_cast<char>(raw_bytes[p * UpperTextMatcher::kMaxFilterBytes + i]));
  }
  for (; at + 63 <= last_start; at += 64) {
    const __m256i low = _mm256_and_si256(FittingWide(raw[0], fold[0], first + at),
                                         FittingWide(raw[1], fold[1], second + at));
    const __m256i high = _mm256_and_si256(FittingWide(raw[0], fold[0], first + at + 32),
                                          FittingWide(raw[1], fold[1], second + at + 32));
    const std::uint64_t mask =
        static_cast<std::uint32_t>(_mm256_movemask_epi8(low)) |
        static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(high))) << 32;
    if (mask != 0) return mask;
  }
  return 0;
}

#endif

}  // namespace

std::size_t UpperTextMatcher::FindFiltered(const unsigned char* data, std::size_t size,
                                           std::size_t from) const {
  const std::size_t m = pattern_.size();
  if (size < m || from > size - m) return std::string::npos;
  const std::size_t last_start = size - m;
  std::size_t at = from;
#if defined(VANTOREL_WIDE_SCAN)
  if (HasWideScan()) {
    std::array<unsigned char, 2 * kMaxFilterBytes> raw_bytes{};
    std::array<unsigned char, 2> folds{};
    for (std::size_t p = 0; p < 2; ++p) {
      folds[p] = filter_[p].fold;
      for (std::size_t i = 0; i < kMaxFilterBytes; ++i)  // repeats compare nothing new
        raw_bytes[p * kMaxFilterBytes + i] = filter_[p].raw[std::min(i, filter_[p].count - 1)];
    }
    const std::size_t widest = std::max(filter_[0].count, filter_[1].count);
    const unsigned char* first = data + filter_[0].offset;
    const unsigned char* second = data + filter_[1].offset;
    for (;;) {
      std::uint64_t mask =
          widest == 1   ? NextFittingWide<1>(raw_bytes, folds, first, second, last_start, at)
          : widest == 2 ? NextFittingWide<2>(raw_bytes, folds, first, second, last_start, at)
                        : NextFittingWide<kMaxFilterBytes>(raw_bytes, folds, first, second,
                                                           last_start, at);
      if (mask == 0) break;
      for (; mask != 0; mask &= mask - 1) {
        const std::size_t start = at + static_cast<std::size_t>(__builtin_ctzll(mask));
        if (Matches(data + start)) return start;
      }
      at += 64;
    }
  }
#endif
  // Thirty-two window starts at a time while all of them lie inside the bytes.
  auto scan = [&]<std::size_t kCompares>() -> std::size_t {
    __m128i raw[2][kCompares];
    __m128i fold[2];
    for (std::size_t p = 0; p < 2; ++p) {
      fold[p] = _mm_set1_epi8(static_cast<char>(filter_[p].fold));
      for (std::size_t i = 0; i < kCompares; ++i)
        raw[p][i] = _mm_set1_epi8(static_cast<char>(
            filter_[p].raw[std::min(i, filter_[p].count - 1)]));  // repeats compare nothing new
    }
    const unsigned char* first = data + filter_[0].offset;
    const unsigned char* second = data + filter_[1].offset;
    for (; at + 31 <= last_start; at += 32) {
      const __m128i low = _mm_and_si128(Fitting(raw[0], fold[0], first + at),
                                        Fitting(raw[1], fold[1], second + at));
      const __m128i high = _mm_and_si128(Fitting(raw[0], fold[0], first + at + 16),
                                         Fitting(raw[1], fold[1], second + at + 16));
      auto mask = static_cast<std::uint32_t>(_mm_movemask_epi8(low)) |
                  static_cast<std::uint32_t>(_mm_movemask_epi8(high)) << 16;
      for (; mask != 0; mask &= mask - 1) {
        const std::size_t start = at + static_cast<std::size_t>(__builtin_ctz(mask));
        if (Matches(data + start)) return start;
      }
    }
    return std::string::npos;
  };
  const std::size_t widest = std::max(filter_[0].count, filter_[1].count);
  const std::size_t found = widest == 1   ? scan.operator()<1>()
                            : widest == 2 ? scan.operator()<2>()
                                          : scan.operator()<kMaxFilterBytes>();
  if (found != std::string::npos) return found;
  for (; at <= last_start; ++at)
    if (Matches(data + at)) return at;
  return std::string::npos;
}

#else

std::size_t UpperTextMatcher::FindFiltered(const unsigned char* data, std::size_t size,
                                           std::size_t from) const {
  return FindByShifts(data, size, from);
}

#endif

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

const UpperTextMatcher& TableScan::Matcher(std::string_view text, bool oem) {
  if (!matcher_ || matcher_text_ != text || matcher_oem_ != oem) {
    matcher_.emplace(text, oem);
    matcher_text_ = text;
    matcher_oem_ = oem;
  }
  return *matcher_;
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
  const UpperTextMatcher& matcher = scan.Matcher(text, area.Oem());
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
