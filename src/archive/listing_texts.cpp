#include "archive/listing_texts.h"

namespace vantorel::archive {

std::string ArchiveContainsText(int entry_count) {
  return "Archive contains " + std::to_string(entry_count) + " files";
}

std::string TotalSizeText(std::int64_t compressed_bytes, std::int64_t uncompressed_bytes,
                          std::string_view separator) {
  return "Total: " + GroupThousands(compressed_bytes / 1024, separator) + " Kb (compressed); " +
         GroupThousands(uncompressed_bytes / 1024, separator) + " Kb (uncompressed)";
}

std::string GroupThousands(std::int64_t value, std::string_view separator) {
  const bool negative = value < 0;
  std::string digits = std::to_string(value);
  if (negative) digits.erase(0, 1);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
    grouped += digits[i];
  }
  return negative ? "-" + grouped : grouped;
}

}  // namespace vantorel::archive
