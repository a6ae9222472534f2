#include "core/ui.h"

#include <cassert>

namespace vantorel::core {

namespace {
Ui* current_ui = nullptr;
}  // namespace

Ui& CurrentUi() {
  assert(current_ui != nullptr);
  return *current_ui;
}

Ui* SetUi(Ui* ui) {
  Ui* previous = current_ui;
  current_ui = ui;
  return previous;
}

void ShowInformation(const std::string& text, const std::string& caption) {
  CurrentUi().Show({BoxKind::Information, caption, text, Buttons::Ok});
}

void ShowWarning(const std::string& text, const std::string& caption) {
  CurrentUi().Show({BoxKind::Warning, caption, text, Buttons::Ok});
}

void ShowError(const std::string& text, const std::string& caption) {
  CurrentUi().Show({BoxKind::Error, caption, text, Buttons::Ok});
}

bool Confirm(const std::string& text, Buttons buttons, const std::string& caption,
             BoxKind kind) {
  const Answer answer = CurrentUi().Show({kind, caption, text, buttons});
  return answer == Answer::Ok || answer == Answer::Yes;
}

}  // namespace vantorel::core
