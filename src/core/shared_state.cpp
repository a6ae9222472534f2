#include "core/shared_state.h"

namespace vantorel::core {

BrowserSettings& Settings() {
  static BrowserSettings settings;
  return settings;
}

SearchOutcome& SearchFlags() {
  static SearchOutcome flags;
  return flags;
}

std::string& ExtractArchiveName() {
  static std::string name;
  return name;
}

std::string& ViewerSearchWord() {
  static std::string word;
  return word;
}

FileListState& ViewFileList() {
  static FileListState state;
  return state;
}

}  // namespace vantorel::core
