// The Ui of vantorel-search: questions are answered from the command line (--yes), error boxes
// go to standard error as they come, and the last other box is kept for the end of the run.
#pragma once

#include <string>

#include "core/ui.h"

namespace vantorel::tools::search {

class AnsweringUi : public core::Ui {
 public:
  // Installs itself as the process's Ui. yes: questions are answered Yes (else No).
  explicit AnsweringUi(bool yes);
  ~AnsweringUi() override;
  AnsweringUi(const AnsweringUi&) = delete;
  AnsweringUi& operator=(const AnsweringUi&) = delete;

  core::Answer Show(const core::MessageBox& box) override;
  std::optional<std::string> AskForFile(const core::FileRequest&) override { return {}; }
  std::optional<std::string> AskForFolder(const core::FolderRequest&) override { return {}; }
  std::optional<std::string> AskForPassword(const core::PasswordRequest&) override { return {}; }
  void ShowProgress(const std::string&) override {}
  void SetBusy(bool) override {}

  // The text of the last information, warning or confirmation box; empty when none.
  const std::string& LastMessage() const { return last_message_; }

 private:
  bool yes_;                   // the answer to every question
  std::string last_message_;   // see LastMessage
  core::Ui* previous_ = nullptr;
};

}  // namespace vantorel::tools::search
