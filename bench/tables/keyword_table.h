// The keyword-shaped table the table benchmarks run on, written byte by byte as the
// catalogue's keyword.dbf is laid out: ARTICLE_ID N 11, KEYWORD C 28, OEM text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace vantorel::tables::bench {

constexpr int kKeywordWidth = 28;

struct KeywordRow {
  std::uint32_t article_id;
  std::string keyword;  // padded with blanks to kKeywordWidth; a longer one is cut
};

// Writes a dBASE III table (dated 1 Jan 2024, end mark after the last record) of records
// records to path; row(i) gives record i, asked for in order from 1.
void WriteKeywordTable(const std::filesystem::path& path, std::uint32_t records,
                       const std::function<KeywordRow(std::uint32_t)>& row);

}  // namespace vantorel::tables::bench
