// Search: the engine's case-insensitive text scan over a table's raw records, in physical
// (record-number) order whatever index controls the work area.
//
// Format notes. The scan reads the table file itself, block by block; a block holds at most
// 65520 bytes and always whole records. Each record's bytes are seen as the work area sees
// them (OEM converted to ANSI for an OEM table), then ANSI upper-cased, and the upper-cased
// text is looked for in them. An occurrence counts only when it lies wholly inside one field
// of one record, that field is not a memo field, and the record is visible (hidden deleted
// records and the filter, as every movement tests them). So a hit never spans two fields and
// never lies in the deletion flag; a block boundary, which falls between records, can never
// cut an occurrence that counts.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "tables/work_area.h"

namespace vantorel::tables {

// The most bytes one block of the scan holds.
inline constexpr std::size_t kSearchBlockBytes = 65520;

// A text to look for, compiled for one code page: each raw table byte is compared as its
// ANSI upper-case form (OEM converted first when the table is OEM), so the block is never
// converted as a whole.
//
// Finding filters first: two positions of the text whose characters few raw bytes stand for
// (a letter: its two cases, and the OEM letters that convert to it) are tested sixteen
// window starts at a time, and only a window whose bytes at both positions fit is compared
// in full. A text with no such position is found by Boyer-Moore-Horspool shifts instead.
class UpperTextMatcher {
 public:
  // REQUIRES: text is not empty; it is upper-cased here (ANSI upper-casing).
  UpperTextMatcher(std::string_view text, bool oem);

  std::size_t Size() const { return pattern_.size(); }
  // The first position at or after from where the text occurs in bytes[0, size), or npos.
  std::size_t Find(const char* bytes, std::size_t size, std::size_t from) const;

  // The most raw bytes one filter position may stand for.
  static constexpr std::size_t kMaxFilterBytes = 4;

 private:
  // One position of the text and the raw bytes that stand for its character there.
  struct FilterPosition {
    std::size_t offset = 0;                                // in the text
    std::array<unsigned char, kMaxFilterBytes> raw{};      // raw bytes with fold set, count of them
    std::size_t count = 0;                                 // 0: the position is not used
    unsigned char fold = 0;  // set in every byte before comparing: a letter's two cases as one
  };

  bool Matches(const unsigned char* window) const;
  std::size_t FindByShifts(const unsigned char* data, std::size_t size, std::size_t from) const;
  std::size_t FindFiltered(const unsigned char* data, std::size_t size, std::size_t from) const;

  std::string pattern_;                    // the text, ANSI upper case
  std::array<unsigned char, 256> upper_;   // raw byte -> ANSI upper-case byte
  std::array<std::size_t, 256> shift_;     // Horspool shift for the raw byte ending a window
  std::array<FilterPosition, 2> filter_;   // the filter; filter_[0].count == 0: shifts only
};

// The table file opened for scanning, with the last block read kept so that a search that
// goes on from the next record reads nothing again. One per open table.
class TableScan {
 public:
  // Opens the table file open_path names for reading; name is the table's name in messages.
  // Error: the operating-system code with "Failure to open " + name + " [Search]".
  TableScan(std::string_view open_path, std::string name, int header_length, int record_length,
            std::int64_t record_count);

  TableScan(const TableScan&) = delete;
  TableScan& operator=(const TableScan&) = delete;

  // Whole records from record k on (1-based): sets count to the number of records the
  // returned bytes hold, 0 when k is past the last record or the file ends before record k.
  // Valid until the next call. Error 100 "Error reading " + name + " [Search]".
  const char* Records(std::int64_t k, std::int64_t& count);

  // The matcher of text for a table of that code page (UpperTextMatcher's requirements), kept
  // for the searches of the same text that go on from the record found.
  const UpperTextMatcher& Matcher(std::string_view text, bool oem);

 private:
  platform::File file_;          // the table file
  std::string name_;             // for messages
  std::int64_t header_length_;   // bytes before record 1
  std::int64_t record_length_;   // bytes per record
  std::int64_t record_count_;    // records the work area may read
  std::vector<char> block_;      // the last block read, raw bytes
  std::int64_t block_first_ = 0; // record number of its first record
  std::int64_t block_count_ = 0; // whole records it holds
  std::optional<UpperTextMatcher> matcher_;  // the last matcher made
  std::string matcher_text_;     // its text as given
  bool matcher_oem_ = false;     // its code page
};

// Search(text, field number, from top) on area's table, reading through scan.
//
// A text that is empty once its trailing blanks are removed returns at once: field_number
// keeps its value and nothing moves. Otherwise the text (trailing blanks kept) is sought from
// record 1 (from_top) or from the record after the current one. field_number on entry
// restricts the hit to that field (1-based); 0, or a number above the field count, means any
// field. On a hit the work area goes to that record (GO) and field_number becomes the number
// of the field holding it; without one the work area is back on the record that was current
// at the start (flags unchanged) and field_number is 0.
// Each occurrence that does not count is passed over by one byte, so an occurrence that
// straddles two fields never hides one that lies inside a field.
// Errors: those of TableScan, of reading a record, and of the filter (EKvError).
void SearchTable(WorkArea& area, TableScan& scan, std::string_view text,
                 std::uint8_t& field_number, bool from_top);

}  // namespace vantorel::tables
