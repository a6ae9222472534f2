#include "ndx_bytes_helpers.h"

#include <cstring>

#include "table_bytes_helpers.h"

namespace vantorel::testing {

namespace {

void Put(std::string& page, std::size_t at, const std::string& bytes) {
  page.replace(at, bytes.size(), bytes);
}

}  // namespace

std::string NumericKeyBytes(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return Le32(static_cast<std::uint32_t>(bits & 0xFFFFFFFF)) + Le32(static_cast<std::uint32_t>(bits >> 32));
}

std::string NdxHeaderPage(std::uint32_t root, char type, std::uint16_t key_length, bool unique,
                          const std::string& expression, std::uint32_t records,
                          const std::string& table) {
  const std::uint16_t entry = static_cast<std::uint16_t>((key_length + 3) / 4 * 4 + 8);
  std::string page = Le32(root) + Le32(root + 1) + std::string(1, '\0') + std::string(1, type) +
                     std::string(2, '\0') + Le16(key_length) +
                     Le16(static_cast<std::uint16_t>(504 / entry)) + Le16(type == 'C' ? 0 : 1) +
                     Le16(entry) + std::string(3, '\0') + std::string(1, unique ? 1 : 0) +
                     expression;
  page.resize(488, '\0');
  page += Le32(~records) + Le32(records) + table;
  page.resize(512, '\0');
  return page;
}

std::string NdxFileBytes::Bytes() const {
  const std::uint16_t entry = EntrySize();
  std::string header(512, '\0');
  Put(header, 0, Le32(root));
  Put(header, 4, Le32(next_free.value_or(static_cast<std::uint32_t>(nodes.size() + 1))));
  header[9] = key_type;
  Put(header, 12, Le16(key_length));
  Put(header, 14, Le16(keys_per_node.value_or(static_cast<std::uint16_t>(504 / entry))));
  Put(header, 16, Le16(numeric ? 1 : 0));
  Put(header, 18, Le16(entry));
  header[23] = unique ? 1 : 0;
  Put(header, 24, expression);
  if (engine_bytes) {
    Put(header, 488, Le32(~record_count));
    Put(header, 492, Le32(record_count));
    Put(header, 496, table_name);
  }
  std::string out = header;
  for (const NdxNodeBytes& node : nodes) {
    std::string page(512, '\0');
    Put(page, 0, Le32(node.key_count.value_or(static_cast<std::uint32_t>(node.entries.size()))));
    std::size_t at = 4;
    for (const NdxEntryBytes& e : node.entries) {
      if (at + entry > page.size()) break;
      Put(page, at, Le32(e.child));
      Put(page, at + 4, Le32(e.record));
      Put(page, at + 8, e.key.substr(0, entry - 8u));
      at += entry;
    }
    if (node.rightmost && at + 4 <= page.size()) Put(page, at, Le32(*node.rightmost));
    out += page;
  }
  return out;
}

}  // namespace vantorel::testing
