#include "catalogue/index_freshness.h"

#include "platform/file_system.h"
#include "platform/replacing_file.h"

namespace vantorel::catalogue {

bool IsStaleAgainst(std::string_view file, std::string_view source) {
  const auto source_age = platform::FileAge(source);
  if (!source_age) return false;
  const auto file_age = platform::FileAge(file);
  return !file_age || *source_age > *file_age;
}

bool IndexNeedsBuilding(tables::KvDbf& table, std::string_view index_file) {
  return !platform::FileExists(index_file) || IsStaleAgainst(index_file, table.DbfFileName()) ||
         !table.IndexFileOpens(index_file);
}

bool WriteDerivedFile(std::string_view path_text, std::string_view bytes) {
  return platform::WriteFileReplacingAt(platform::ResolvePath(path_text), bytes);
}

}  // namespace vantorel::catalogue
