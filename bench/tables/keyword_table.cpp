#include "keyword_table.h"

#include <cstdio>
#include <fstream>

namespace vantorel::tables::bench {
namespace {

void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
}

}  // namespace

void WriteKeywordTable(const std::filesystem::path& path, std::uint32_t records,
                       const std::function<KeywordRow(std::uint32_t)>& row) {
  constexpr int kRecordLength = 1 + 11 + kKeywordWidth;
  std::string header;
  header += "\x03\x7C\x01\x01";
  PutLe(header, records, 4);
  PutLe(header, 32 + 2 * 32 + 1, 2);
  PutLe(header, kRecordLength, 2);
  header.append(20, '\0');
  const struct {
    const char* name;
    char type;
    int width;
  } fields[] = {{"ARTICLE_ID", 'N', 11}, {"KEYWORD", 'C', kKeywordWidth}};
  for (const auto& field : fields) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, std::string(field.name).size(), field.name);
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.width);
    header += descriptor;
  }
  header += '\x0D';

  std::ofstream out(path, std::ios::binary);
  out << header;
  std::string record;
  for (std::uint32_t i = 1; i <= records; ++i) {
    const KeywordRow r = row(i);
    char text[64];
    std::snprintf(text, sizeof text, " %11u%-28s", r.article_id, r.keyword.c_str());
    record.assign(text, kRecordLength);
    out << record;
  }
  out << '\x1A';
}

}  // namespace vantorel::tables::bench
