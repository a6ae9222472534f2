#include "command_line.h"

#include "platform/file_system.h"

namespace vantorel::tools::search {

bool OptionGiven(int argc, char** argv, std::string_view option) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--") return false;
    if (arg == option) return true;
  }
  return false;
}

std::string FolderSetting(const std::string& argument) {
  std::string text = platform::PathText(platform::AbsolutePath(argument));
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

}  // namespace vantorel::tools::search
