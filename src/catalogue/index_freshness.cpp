#include "catalogue/index_freshness.h"

#include "platform/file_system.h"

namespace vantorel::catalogue {

bool IsStaleAgainst(std::string_view file, std::string_view source) {
  const auto source_age = platform::FileAge(source);
  if (!source_age) return false;
  const auto file_age = platform::FileAge(file);
  return !file_age || *source_age > *file_age;
}

}  // namespace vantorel::catalogue
