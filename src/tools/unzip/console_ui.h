// The Ui of the command-line tool: boxes become lines on standard error; only a password is
// asked, on the terminal.
#pragma once

#include <string>

#include "core/ui.h"

namespace vantorel::tools::unzip {

class ConsoleUi : public core::Ui {
 public:
  // Installs itself as the process's Ui.
  ConsoleUi();
  ~ConsoleUi() override;
  ConsoleUi(const ConsoleUi&) = delete;
  ConsoleUi& operator=(const ConsoleUi&) = delete;

  // Printed before every box text, as "NAME: text" (the entry being extracted); empty: none.
  std::string subject;

  // Prints the box on standard error; a question is answered No (Cancel), a notice Ok.
  core::Answer Show(const core::MessageBox& box) override;
  // No file or folder can be picked on the command line.
  std::optional<std::string> AskForFile(const core::FileRequest& request) override;
  std::optional<std::string> AskForFolder(const core::FolderRequest& request) override;
  // On a terminal (standard input): prompts "[ARCHIVE] ENTRY password: " on standard error and
  // reads a line without echoing it. Without a terminal, or at the end of input: nullopt.
  std::optional<std::string> AskForPassword(const core::PasswordRequest& request) override;
  void ShowProgress(const std::string&) override {}
  void SetBusy(bool) override {}

 private:
  core::Ui* previous_ = nullptr;
};

}  // namespace vantorel::tools::unzip
