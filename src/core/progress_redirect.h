// Progress texts shown on one window's own control: while a ProgressRedirect lives it is the
// process's Ui, hands progress texts to its target and passes every box, request and the
// hourglass on to the Ui installed before it.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "core/ui.h"

namespace vantorel::core {

class ProgressRedirect : public Ui {
 public:
  using Target = std::function<void(const std::string& text)>;

  // Installs itself. REQUIRES: a Ui is installed; target outlives the redirect.
  explicit ProgressRedirect(Target target);
  // Puts the previous Ui back.
  ~ProgressRedirect() override;
  ProgressRedirect(const ProgressRedirect&) = delete;
  ProgressRedirect& operator=(const ProgressRedirect&) = delete;

  Answer Show(const MessageBox& box) override { return previous_.Show(box); }
  std::optional<std::string> AskForFile(const FileRequest& request) override {
    return previous_.AskForFile(request);
  }
  std::optional<std::string> AskForFolder(const FolderRequest& request) override {
    return previous_.AskForFolder(request);
  }
  std::optional<std::string> AskForPassword(const PasswordRequest& request) override {
    return previous_.AskForPassword(request);
  }
  void ShowProgress(const std::string& text) override { target_(text); }
  void SetBusy(bool busy) override { previous_.SetBusy(busy); }

 private:
  Target target_;        // shows the progress texts
  Ui& previous_;   // everything else
};

}  // namespace vantorel::core
