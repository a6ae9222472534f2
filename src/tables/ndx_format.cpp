#include "tables/ndx_format.h"

#include <algorithm>
#include <cstring>

namespace vantorel::tables {

namespace {

// Header offsets (see ndx_format.h).
constexpr std::size_t kRootAt = 0;
constexpr std::size_t kNextFreeAt = 4;
constexpr std::size_t kKeyTypeAt = 9;
constexpr std::size_t kKeyLengthAt = 12;
constexpr std::size_t kKeysPerNodeAt = 14;
constexpr std::size_t kNumericAt = 16;
constexpr std::size_t kEntrySizeAt = 18;
constexpr std::size_t kUniqueAt = 23;
constexpr std::size_t kCheckValueAt = 488;
constexpr std::size_t kRecordCountAt = 492;

std::uint16_t U16(const char* page, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(page[offset]) |
                                    static_cast<unsigned char>(page[offset + 1]) << 8);
}

void PutU16(char* page, std::size_t offset, int value) {
  page[offset] = static_cast<char>(value & 0xFF);
  page[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

// The text at offset up to the first NUL, at most room bytes.
std::string TextAt(const NdxPage& page, std::size_t offset, std::size_t room) {
  const char* begin = page.data() + offset;
  return std::string(begin, std::find(begin, begin + room, '\0'));
}

}  // namespace

void PutNdxU32(char* page, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) page[offset + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

NdxPage EncodeNdxHeader(const NdxHeader& header) {
  NdxPage page{};
  PutNdxU32(page.data(), kRootAt, header.root);
  PutNdxU32(page.data(), kNextFreeAt, header.next_free);
  page[kKeyTypeAt] = header.key_type;
  PutU16(page.data(), kKeyLengthAt, header.key_length);
  PutU16(page.data(), kKeysPerNodeAt, header.keys_per_node);
  PutU16(page.data(), kNumericAt, header.numeric ? 1 : 0);
  PutU16(page.data(), kEntrySizeAt, header.entry_size);
  page[kUniqueAt] = header.unique ? 1 : 0;
  const std::size_t expression_size = std::min(header.expression.size(), kNdxExpressionRoom - 1);
  std::memcpy(page.data() + kNdxExpressionAt, header.expression.data(), expression_size);
  PutNdxU32(page.data(), kCheckValueAt, header.check_value);
  PutNdxU32(page.data(), kRecordCountAt, header.record_count);
  const std::size_t name_size = std::min(header.table_name.size(), kNdxTableNameMax);
  std::memcpy(page.data() + kNdxTableNameAt, header.table_name.data(), name_size);
  return page;
}

NdxHeader DecodeNdxHeader(const NdxPage& page) {
  NdxHeader header;
  header.root = NdxU32(page.data(), kRootAt);
  header.next_free = NdxU32(page.data(), kNextFreeAt);
  header.key_type = page[kKeyTypeAt];
  header.key_length = U16(page.data(), kKeyLengthAt);
  header.keys_per_node = U16(page.data(), kKeysPerNodeAt);
  header.numeric = U16(page.data(), kNumericAt) != 0;
  header.entry_size = U16(page.data(), kEntrySizeAt);
  header.unique = page[kUniqueAt] != 0;
  header.expression = TextAt(page, kNdxExpressionAt, kNdxExpressionRoom);
  header.check_value = NdxU32(page.data(), kCheckValueAt);
  header.record_count = NdxU32(page.data(), kRecordCountAt);
  header.table_name = TextAt(page, kNdxTableNameAt, kNdxPageSize - kNdxTableNameAt);
  return header;
}

}  // namespace vantorel::tables
