// The memo file beside a table (".dbt", ".fpt") and how its text splits into lines.
//
// Format notes. A memo file is a sequence of blocks; block n starts at byte n * block size.
// The record's memo field holds the number of the first block of its text (0: no memo).
//   dBASE III (table version 0x83): blocks of 512 bytes; the text runs through the following
//     blocks up to the first 0x1A.
//   dBASE IV (0x8B and any other version with a memo): block size in the 16-bit little-endian
//     value at offset 20 of the file header (0 means 512). A block starting FF FF 08 00 is
//     followed by a 32-bit little-endian length L that counts those 8 bytes: L - 8 text bytes
//     follow. Any other block is read as dBASE III text.
//   FoxPro (0xF5, extension FPT): block size in the big-endian 16-bit value at offset 6
//     (0 taken as 512). Each memo: 4-byte big-endian type, 4-byte big-endian length L, L bytes.
// A text running past the end of the file ends at the end of the file.
//
// Lines end with CR (an LF right after it belongs to the line end). The soft return 0x8D
// (with an LF right after it) that dBASE's memo editor writes when it wraps a paragraph is
// removed and joins the text on both sides into one line. The end of the text ends the last
// line; lines have no length limit.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace vantorel::tables {

enum class MemoKind { DBase3, DBase4, FoxPro };

inline constexpr std::uint32_t kDBase3BlockSize = 512;
inline constexpr std::uint32_t kDefaultMemoBlockSize = 512;
inline constexpr std::size_t kDBase4HeaderSize = 24;
inline constexpr char kMemoEnd = 0x1A;
inline constexpr char kSoftReturn = static_cast<char>(0x8D);

// The memo kind a table's version byte gives.
MemoKind MemoKindOf(std::uint8_t version);

// The memo file's name: the table path with its extension replaced by "DBT" ("FPT" for the
// FoxPro kind).
std::string MemoFileName(std::string_view table_path, MemoKind kind);

// The block size a memo file header gives (header: the first bytes of the file, up to 24).
std::uint32_t MemoBlockSize(std::string_view header, MemoKind kind);

// Cuts memo text into lines (see the format notes).
std::vector<std::string> SplitMemoLines(std::string_view text);

class MemoFile {
 public:
  // Opens the memo file (through the file-system facade) and reads its block size. name is
  // used in messages. A failure is the operating-system code with
  // "Memo file not found: " + name + " [USE]".
  static MemoFile Open(std::string_view open_path, const std::string& name, MemoKind kind,
                       bool read_only);

  MemoKind Kind() const { return kind_; }
  std::uint32_t BlockSize() const { return block_size_; }
  const std::string& Name() const { return name_; }

  // The memo text starting at block (block > 0), as the file holds it. record_number is
  // for messages. Errors: 1003 with name + " Record # " + record number + " [GetMemo]" when
  // the block starts at or beyond the file size - 1; 100 when reading fails.
  std::string ReadText(std::uint32_t block, std::int64_t record_number) const;

 private:
  MemoFile(platform::File file, std::string name, MemoKind kind, std::uint32_t block_size)
      : file_(std::move(file)), name_(std::move(name)), kind_(kind), block_size_(block_size) {}

  // The file's size, looked at again only when offset lies beyond the size last seen (a memo
  // file grows at its end). -1 on an error.
  long long SizeBeyond(std::uint64_t offset) const;
  // Bytes [offset, offset + size) of the file, fewer at its end.
  std::string ReadBytes(std::uint64_t offset, std::uint64_t size) const;
  // dBASE III text from offset up to the first 0x1A or the end of the file; first holds the
  // bytes a read of asked bytes at offset brought.
  std::string ReadUpToEndMark(std::uint64_t offset, std::string first, std::uint64_t asked) const;
  // length bytes from offset (fewer at the end of the file); first holds the bytes from
  // offset on that were read already.
  std::string ReadCounted(std::uint64_t offset, std::string first, std::uint64_t length) const;

  platform::File file_;       // the open memo file
  std::string name_;          // for messages
  MemoKind kind_;             // from the table's version byte
  std::uint32_t block_size_;  // bytes per block, never 0
  mutable std::uint64_t known_size_ = 0;  // the file's size when last looked at
  // Memos read one after another in the file (a table walked in the order it was written)
  // are read ahead: a read that starts a little after the last one brings twice as many
  // bytes as the last read-ahead (up to kMaxReadAhead), and the reads after it that fall
  // inside are served from memory. Any other read brings what it asks for only. The engine
  // never rewrites a memo of an open table, so bytes read ahead stay true.
  mutable std::string ahead_;              // bytes read ahead, from ahead_offset_ on
  mutable std::uint64_t ahead_offset_ = 0;
  mutable std::uint64_t last_offset_ = 0;  // where the last read began
  mutable std::uint64_t ahead_size_ = 0;   // bytes of the last read-ahead; 0: none
};

}  // namespace vantorel::tables
