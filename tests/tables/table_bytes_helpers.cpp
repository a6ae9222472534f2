#include "table_bytes_helpers.h"

namespace vantorel::testing {

std::string Le16(std::uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}

std::string Le32(std::uint32_t value) {
  return Le16(static_cast<std::uint16_t>(value & 0xFFFF)) +
         Le16(static_cast<std::uint16_t>(value >> 16));
}

std::string Be32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16 & 0xFF),
          static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)};
}

std::string TableBytes::Bytes() const {
  int widths = 1;
  for (const FieldSpec& f : fields) widths += f.width;
  std::string out;
  out += static_cast<char>(version);
  out += static_cast<char>(year);
  out += static_cast<char>(month);
  out += static_cast<char>(day);
  out += Le32(record_count.value_or(static_cast<std::uint32_t>(records.size())));
  out += Le16(header_length.value_or(static_cast<std::uint16_t>(32 + 32 * fields.size() + 1)));
  out += Le16(record_length.value_or(static_cast<std::uint16_t>(widths)));
  std::string reserved(20, '\0');
  reserved[17] = static_cast<char>(language_driver);  // offset 29
  out += reserved;
  for (const FieldSpec& f : fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, std::min<std::size_t>(f.name.size(), 11), f.name.substr(0, 11));
    descriptor[11] = f.type;
    descriptor[16] = static_cast<char>(f.width);
    descriptor[17] = static_cast<char>(f.decimals);
    out += descriptor;
  }
  out += '\x0D';
  if (header_length) out.resize(*header_length, '\0');
  for (const std::string& record : records) out += record;
  if (end_mark) out += '\x1A';
  return out;
}

std::string Rec(std::initializer_list<std::string_view> texts, char flag) {
  std::string record(1, flag);
  for (std::string_view text : texts) record += text;
  return record;
}

std::string Pad(std::string_view text, int width, bool right_align) {
  std::string padding(text.size() < static_cast<std::size_t>(width) ? width - text.size() : 0, ' ');
  return right_align ? padding + std::string(text) : std::string(text) + padding;
}

std::string MemoBytes(std::uint32_t block_size, std::string header,
                      const std::map<std::uint32_t, std::string>& blocks) {
  std::string out = std::move(header);
  for (const auto& [block, bytes] : blocks) {
    const std::size_t at = static_cast<std::size_t>(block) * block_size;
    if (out.size() < at) out.resize(at, '\0');
    out.replace(at, std::min(bytes.size(), out.size() - at), bytes);
  }
  return out;
}

std::string DBase4MemoHeader(std::uint32_t next_free, std::uint16_t block_size) {
  std::string header = Le32(next_free) + std::string(16, '\0') + Le16(block_size) + Le16(0);
  return header;
}

std::string FoxProMemoHeader(std::uint32_t next_free, std::uint16_t block_size) {
  std::string header = Be32(next_free) + std::string(2, '\0');
  header += static_cast<char>(block_size >> 8);
  header += static_cast<char>(block_size & 0xFF);
  header.resize(512, '\0');
  return header;
}

TableBytes ArticleTableBytes() {
  TableBytes t;
  t.fields = {{"ARTICLE_ID", 'N', 11}, {"TITLE", 'C', 8},  {"PRICE", 'N', 7, 2},
              {"PUBLISHED", 'D', 8},   {"ONLINE", 'L', 1}, {"SUMMARY", 'M', 10}};
  t.records = {
      Rec({Pad("1", 11, true), "M\x81nchen ", "   1.50", "20010209", "T", Pad("1", 10, true)}),
      Rec({Pad("-12", 11, true), "deleted ", "       ", "        ", "?", Pad("", 10)}, '*'),
      Rec({Pad("", 11), "        ", "  -0.25", "19991231", "y", Pad("2", 10, true)})};
  return t;
}

}  // namespace vantorel::testing
