// The main window as the program makes it: the browser's window with the program's host, which
// runs the start-up set-up, keeps the placement in "kvxform.ini", shows the Options dialog and
// opens the program's other windows.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "browser/main_form.h"
#include "core/settings.h"

namespace vantorel::dialogs {
class ArtiSearchForm;
class HtmlSearchForm;
}

namespace vantorel::viewer {
class ViewForm;
}

namespace vantorel::app {

class OptionsForm;

class ProgramMainFormHost : public browser::MainFormHost, private browser::MainFormWindows {
 public:
  // The program file, the command-line arguments (UTF-8) and the folder of the
  // profile files the set-up works with.
  ProgramMainFormHost(std::filesystem::path program_file, std::vector<std::string> arguments,
                      std::filesystem::path config_dir);

  // The Options dialog the Options command shows (created with the other long-lived windows);
  // null: the command does nothing.
  void SetOptionsForm(OptionsForm* options) { options_ = options; }
  // The article search dialog the Article Search command shows (created with the other
  // long-lived windows); null: the command does nothing.
  void SetArtiSearchForm(dialogs::ArtiSearchForm* search) { arti_search_ = search; }
  // The bonus search dialog the Search Other Info command shows (created with the other
  // long-lived windows); null: the command does nothing.
  void SetHtmlSearchForm(dialogs::HtmlSearchForm* search) { html_search_ = search; }
  // The viewer window VIEW: links show their file in (created with the other long-lived
  // windows); null: the links do nothing.
  void SetViewForm(viewer::ViewForm* view_form) { view_form_ = view_form; }

  // The run's settings record: the set-up fills it, the Options dialog changes it, and the
  // windows, dialogs and what they call read it, handed by reference.
  core::BrowserSettings& ProgramSettings() { return settings_; }

  bool RunSetup(browser::MainFormSetupSteps& window) override;
  // The stored rectangle goes through PlaceOnScreens (window_placement.h), so a window stored
  // off every screen comes back onto the primary one.
  void RestorePlacement(const std::filesystem::path& placement_file,
                        QMainWindow& window) override;
  void StorePlacement(const std::filesystem::path& placement_file,
                      const QMainWindow& window) override;
  void ShowOptions() override;
  // The page the first argument names (StartPageArgument); else, when DataDir holds no archive,
  // the page that says how to open one (no_archive_page.h); else DataDir + "index.htm".
  std::string StartPage() override;
  browser::MainFormWindows& Windows() override { return *this; }

 private:
  // MainFormWindows
  core::SearchOutcome ShowArticleSearch() override;
  core::SearchOutcome ShowBonusSearch() override;
  void OpenExtractDialog(const std::string& archive) override;
  void BrowseDirectory(const std::string& directory) override;
  void LoadViewerTextFile(const std::string& file, const std::string& caption,
                          const std::string& word) override;
  void LoadViewerArchiveMember(const std::string& archive, const std::string& member,
                               const std::string& caption, const std::string& word) override;
  std::optional<std::string> AskFullTextQuery(const std::string& query) override;
  void ShowViewerModal() override;
  void StartProgramCopy(const std::string& parameters) override;

  std::filesystem::path program_file_;
  std::vector<std::string> arguments_;
  std::filesystem::path config_dir_;
  core::BrowserSettings settings_;  // the run's settings record
  OptionsForm* options_ = nullptr;  // shown by the Options command
  dialogs::ArtiSearchForm* arti_search_ = nullptr;  // shown by the Article Search command
  dialogs::HtmlSearchForm* html_search_ = nullptr;  // shown by the Search Other Info command
  viewer::ViewForm* view_form_ = nullptr;  // shows the files of VIEW: links
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
  // (UTF-8) and the folder of the profile files.
  ProgramMainForm(std::filesystem::path program_file, std::vector<std::string> arguments,
                  std::filesystem::path config_dir)
      : MainFormHostHolder{ProgramMainFormHost(std::move(program_file), std::move(arguments),
                                               std::move(config_dir))},
        MainForm(host, host.ProgramSettings()) {}

  // The run's settings record (the host's), for the windows made beside this one.
  core::BrowserSettings& ProgramSettings() { return host.ProgramSettings(); }

  // The Options dialog the Options command shows.
  void SetOptionsForm(OptionsForm* options) { host.SetOptionsForm(options); }
  // The article search dialog the Article Search command shows.
  void SetArtiSearchForm(dialogs::ArtiSearchForm* search) { host.SetArtiSearchForm(search); }
  // The bonus search dialog the Search Other Info command shows.
  void SetHtmlSearchForm(dialogs::HtmlSearchForm* search) { host.SetHtmlSearchForm(search); }
  // The viewer window VIEW: links show their file in.
  void SetViewForm(viewer::ViewForm* view_form) { host.SetViewForm(view_form); }
};

}  // namespace vantorel::app
