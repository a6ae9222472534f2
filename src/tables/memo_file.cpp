#include "tables/memo_file.h"

#include <algorithm>
#include <cerrno>

#include "core/path_texts.h"
#include "tables/byte_reader.h"
#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

constexpr std::size_t kDBase4BlockSizeAt = 20;  // 16-bit little-endian
constexpr std::size_t kFoxProBlockSizeAt = 6;   // 16-bit big-endian
constexpr std::size_t kMemoHeaderBytes = 8;     // dBASE IV block header, FoxPro type + length
constexpr std::string_view kDBase4Mark("\xFF\xFF\x08\x00", 4);
// A memo is read from its first block on in one read of this many bytes (the block size when
// larger), which holds most memos whole; a text that goes on is read in pieces twice as big
// each time, up to the largest piece.
constexpr std::uint64_t kFirstRead = 512;
constexpr std::uint64_t kLargestPiece = 1024 * 1024;
// Read-ahead: a read at most kNearBytes after the last one counts as going on in order; the
// first read-ahead brings kFirstReadAhead bytes, each next one twice the last.
constexpr std::uint64_t kNearBytes = 16 * 1024;
constexpr std::uint64_t kFirstReadAhead = 8 * 1024;
constexpr std::uint64_t kMaxReadAhead = 256 * 1024;

}  // namespace

MemoKind MemoKindOf(std::uint8_t version) {
  switch (version) {
    case 0x83: return MemoKind::DBase3;
    case 0xF5: return MemoKind::FoxPro;
    default: return MemoKind::DBase4;
  }
}

std::string MemoFileName(std::string_view table_path, MemoKind kind) {
  const std::string_view extension = kind == MemoKind::FoxPro ? "FPT" : "DBT";
  return core::WithoutExtension(table_path) + "." + std::string(extension);
}

std::uint32_t MemoBlockSize(std::string_view header, MemoKind kind) {
  const ByteReader in(header, "the memo file header");
  std::uint32_t size = 0;
  switch (kind) {
    case MemoKind::DBase3:
      return kDBase3BlockSize;
    case MemoKind::DBase4:
      if (in.Has(kDBase4BlockSizeAt, 2)) size = in.U16LE(kDBase4BlockSizeAt);
      break;
    case MemoKind::FoxPro:
      if (in.Has(kFoxProBlockSizeAt, 2)) size = in.U16BE(kFoxProBlockSizeAt);
      break;
  }
  return size == 0 ? kDefaultMemoBlockSize : size;
}

std::vector<std::string> SplitMemoLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // text since the last hard line end
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == kSoftReturn) {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (c == kSoftReturn) {
        open = true;  // the paragraph goes on in the same line
        continue;
      }
      lines.push_back(std::move(line));
      line.clear();
      open = false;
      continue;
    }
    line += c;
    open = true;
  }
  if (open) lines.push_back(std::move(line));
  return lines;
}

MemoFile MemoFile::Open(std::string_view open_path, const std::string& name, MemoKind kind,
                        bool read_only) {
  auto file = platform::File::Open(
      open_path, read_only ? platform::File::Mode::Read : platform::File::Mode::ReadWrite);
  if (!file) throw EKvError(DosErrorCode(errno), "Memo file not found: " + name + " [USE]");
  std::string header(kDBase4HeaderSize, '\0');
  const long long got = file->ReadAt(0, header.data(), header.size());
  if (got < 0) throw EKvError(100, "Error reading " + name + " [USE]");
  header.resize(static_cast<std::size_t>(got));
  const std::uint32_t block_size = MemoBlockSize(header, kind);
  return MemoFile(std::move(*file), name, kind, block_size);
}

long long MemoFile::SizeBeyond(std::uint64_t offset) const {
  if (offset < known_size_) return static_cast<long long>(known_size_);
  const long long size = file_.Size();
  if (size >= 0) known_size_ = static_cast<std::uint64_t>(size);
  return size;
}

std::string MemoFile::ReadBytes(std::uint64_t offset, std::uint64_t size) const {
  if (size == 0) return {};
  const bool in_order = offset > last_offset_ && offset - last_offset_ <= kNearBytes;
  last_offset_ = offset;
  if (offset >= ahead_offset_ && offset + size <= ahead_offset_ + ahead_.size())
    return ahead_.substr(static_cast<std::size_t>(offset - ahead_offset_), static_cast<std::size_t>(size));
  std::uint64_t wanted = size;
  if (in_order) {
    ahead_size_ = ahead_size_ == 0 ? kFirstReadAhead : std::min(ahead_size_ * 2, kMaxReadAhead);
    wanted = std::max(size, ahead_size_);
  } else {
    ahead_size_ = 0;
  }
  const long long file_size = SizeBeyond(offset + size - 1);
  if (file_size < 0) throw EKvError(100, "Error reading " + name_ + " [GetMemo]");
  const auto end = static_cast<std::uint64_t>(file_size);
  const std::uint64_t available = offset >= end ? 0 : end - offset;
  std::string bytes(static_cast<std::size_t>(std::min(wanted, available)), '\0');
  const long long got = file_.ReadAt(offset, bytes.data(), bytes.size());
  if (got < 0) throw EKvError(100, "Error reading " + name_ + " [GetMemo]");
  bytes.resize(static_cast<std::size_t>(got));
  if (wanted == size) return bytes;
  ahead_ = std::move(bytes);
  ahead_offset_ = offset;
  return ahead_.substr(0, static_cast<std::size_t>(std::min<std::uint64_t>(size, ahead_.size())));
}

std::string MemoFile::ReadUpToEndMark(std::uint64_t offset, std::string first,
                                      std::uint64_t asked) const {
  std::string text = std::move(first);
  std::size_t end = text.find(kMemoEnd);
  bool whole = text.size() == asked;  // the last read brought all it asked for
  for (std::uint64_t piece = asked; end == std::string::npos && whole;) {
    piece = std::min(piece * 2, kLargestPiece);
    const std::string more = ReadBytes(offset + text.size(), piece);
    end = more.find(kMemoEnd);
    if (end != std::string::npos) end += text.size();
    text += more;
    whole = more.size() == piece;
  }
  if (end != std::string::npos) text.resize(end);
  return text;
}

std::string MemoFile::ReadCounted(std::uint64_t offset, std::string first,
                                  std::uint64_t length) const {
  // first holds the bytes from offset on that the first read brought.
  if (first.size() >= length) {
    first.resize(static_cast<std::size_t>(length));
    return first;
  }
  const std::uint64_t have = first.size();
  return first + ReadBytes(offset + have, length - have);
}

std::string MemoFile::ReadText(std::uint32_t block, std::int64_t record_number) const {
  const std::uint64_t offset = static_cast<std::uint64_t>(block) * block_size_;
  const long long size = SizeBeyond(offset + 1);
  if (size < 0 || offset + 1 >= static_cast<std::uint64_t>(size))
    throw EKvError(1003, name_ + " Record # " + std::to_string(record_number) + " [GetMemo]");
  try {
    const std::uint64_t asked = std::max<std::uint64_t>(kFirstRead, block_size_);
    std::string first = ReadBytes(offset, asked);
    if (kind_ == MemoKind::DBase3) return ReadUpToEndMark(offset, std::move(first), asked);
    const ByteReader in(first, "the memo block header");
    if (kind_ == MemoKind::FoxPro) {
      if (!in.Has(0, kMemoHeaderBytes)) return {};
      return ReadCounted(offset + kMemoHeaderBytes, first.substr(kMemoHeaderBytes), in.U32BE(4));
    }
    if (!in.Has(0, kMemoHeaderBytes) || in.Bytes(0, 4) != kDBase4Mark)
      return ReadUpToEndMark(offset, std::move(first), asked);
    const std::uint32_t length = in.U32LE(4);  // counts the 8 header bytes
    if (length <= kMemoHeaderBytes) return {};
    return ReadCounted(offset + kMemoHeaderBytes, first.substr(kMemoHeaderBytes),
                       length - kMemoHeaderBytes);
  } catch (const std::bad_alloc&) {
    throw EKvError(217, "Reading memo field in " + name_);
  }
}

}  // namespace vantorel::tables
