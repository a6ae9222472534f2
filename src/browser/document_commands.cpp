#include "browser/document_commands.h"

#include <exception>

#include "core/code_pages.h"
#include "core/ui.h"

namespace vantorel::browser {

void TellNotFound(std::string_view wording, const std::string& text) {
  core::ShowInformation(std::string(wording) + core::Cp1252ToUtf8(text) + "\"");
}

bool ConfirmCopy(int selection_length) {
  return selection_length < kCopyWarningLength ||
         core::Confirm(kCopyWarning, core::Buttons::OkCancel, {}, core::BoxKind::Warning);
}

std::string DroppedName(const std::vector<std::string>& files) {
  if (files.empty()) return {};
  return files.front().substr(0, kDroppedNameMax);
}

void RunViewCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const std::exception& error) {
    core::ShowError(error.what());
  }
}

}  // namespace vantorel::browser
