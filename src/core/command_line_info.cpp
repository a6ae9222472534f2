#include "core/command_line_info.h"

#include "core/version.h"

namespace vantorel::core {

std::string VersionText(std::string_view program) {
  std::string text(program);
  text += " (Vantorel Article Browser) ";
  text += kVersion;
  text +=
      "\n"
      "Copyright (C) 2026 the Vantorel developers.\n";
  return text;
}

InfoRequest InfoRequestOf(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--help") return InfoRequest::Help;
    if (argument == "--version") return InfoRequest::Version;
  }
  return InfoRequest::None;
}

}  // namespace vantorel::core
