#include "command_line.h"

#include "platform/file_system.h"

namespace vantorel::tools::search {

std::string FolderSetting(const std::string& argument) {
  std::string text = platform::PathText(platform::AbsolutePath(argument));
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

}  // namespace vantorel::tools::search
