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

}  // namespace vantorel::archive
