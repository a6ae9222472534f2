// The main window as the program makes it: the browser's window with the program's host, which
// runs the start-up set-up, keeps the placement in "kvxform.ini" and shows the Options dialog.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "browser/main_form.h"

namespace vantorel::app {

class OptionsForm;

class ProgramMainFormHost : public browser::MainFormHost {
 public:
  // The program file, the command-line arguments (code page 1252) and the folder of the
  // profile files the set-up works with.
  ProgramMainFormHost(std::filesystem::path program_file, std::vector<std::string> arguments,
                      std::filesystem::path config_dir);

  // The Options dialog the Options command shows (created with the other long-lived windows);
  // null: the command does nothing.
  void SetOptionsForm(OptionsForm* options) { options_ = options; }

  bool RunSetup(browser::MainFormSetupSteps& window) override;
  void RestorePlacement(const std::filesystem::path& placement_file,
                        QMainWindow& window) override;
  void StorePlacement(const std::filesystem::path& placement_file,
                      const QMainWindow& window) override;
  void ShowOptions() override;

 private:
  std::filesystem::path program_file_;
  std::vector<std::string> arguments_;
  std::filesystem::path config_dir_;
  OptionsForm* options_ = nullptr;  // shown by the Options command
};

namespace detail {
// Holds the host so that it is built before, and destroyed after, the window it serves.
struct MainFormHostHolder {
  ProgramMainFormHost host;
};
}  // namespace detail

class ProgramMainForm : private detail::MainFormHostHolder, public browser::MainForm {
 public:
  // Builds the window and runs its set-up with the program file, the command-line arguments
  // (code page 1252) and the folder of the profile files.
  ProgramMainForm(std::filesystem::path program_file, std::vector<std::string> arguments,
                  std::filesystem::path config_dir)
      : MainFormHostHolder{ProgramMainFormHost(std::move(program_file), std::move(arguments),
                                               std::move(config_dir))},
        MainForm(host) {}

  // The Options dialog the Options command shows.
  void SetOptionsForm(OptionsForm* options) { host.SetOptionsForm(options); }
};

}  // namespace vantorel::app
