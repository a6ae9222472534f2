#include "console_ui.h"

#include <cstdio>

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

}  // namespace vantorel::tools::unzip
