#include "console_ui.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "core/code_pages.h"

namespace vantorel::tools::unzip {

ConsoleUi::ConsoleUi() { previous_ = core::SetUi(this); }

ConsoleUi::~ConsoleUi() { core::SetUi(previous_); }

core::Answer ConsoleUi::Show(const core::MessageBox& box) {
  std::string line = "vantorel-unzip: ";
  if (!subject.empty()) line += subject + ": ";
  if (!box.caption.empty()) line += box.caption + ": ";
  line += box.text;
  std::fprintf(stderr, "%s\n", core::Utf8OrCp1252ToUtf8(line).c_str());
  switch (box.buttons) {
    case core::Buttons::Ok: return core::Answer::Ok;
    case core::Buttons::OkCancel: return core::Answer::Cancel;
    case core::Buttons::YesNo: return core::Answer::No;
  }
  return core::Answer::Cancel;
}

std::optional<std::string> ConsoleUi::AskForFile(const core::FileRequest&) { return std::nullopt; }

std::optional<std::string> ConsoleUi::AskForFolder(const core::FolderRequest&) {
  return std::nullopt;
}

std::optional<std::string> ConsoleUi::AskForPassword(const core::PasswordRequest& request) {
  if (!::isatty(STDIN_FILENO)) return std::nullopt;
  std::string entry = request.entry;
  for (char& c : entry)
    if (c == '\\') c = '/';
  std::fprintf(stderr, "[%s] %s password: ", request.archive.c_str(),
               core::Utf8OrCp1252ToUtf8(entry).c_str());
  std::fflush(stderr);
  termios saved{};
  const bool hidden = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (hidden) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string password;
  const bool read = static_cast<bool>(std::getline(std::cin, password));
  if (hidden) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::fputc('\n', stderr);
  if (!read) return std::nullopt;
  return password;
}

}  // namespace vantorel::tools::unzip
