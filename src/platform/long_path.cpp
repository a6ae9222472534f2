#include "platform/long_path.h"

#include <filesystem>

#include "platform/file_system.h"

namespace vantorel::platform {

std::string ToLongPath(std::string_view path) {
  const std::filesystem::path canonical = platform::CanonicalPath(platform::ResolvePath(path));
  if (canonical.empty()) return std::string(path);
  return platform::PathText(canonical);
}

}  // namespace vantorel::platform
