// The main window: toolbar, frame view and status bar under a menu bar. Creating it runs the
// start-up set-up (startup.h); showing it the first time restores its placement and loads
// DataDir + "index.htm"; closing it writes the placement once.
//
// The window's commands are wired as they land; for now Exit, Close, Options and Help work
// and the other commands stay disabled.
#pragma once

#include <QMainWindow>

#include <filesystem>
#include <string>
#include <vector>

#include "app/startup.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace vantorel::browser {
class FrameViewer;
}

namespace vantorel::app {

class OptionsForm;

class MainForm : public QMainWindow, private MainFormSetupSteps {
 public:
  // Builds the window and runs FormCreate with the program file, the command-line
  // arguments (code page 1252) and the folder of the profile files.
  MainForm(std::filesystem::path program_file, std::vector<std::string> arguments,
           std::filesystem::path config_dir);
  ~MainForm() override;

  // The main-window set-up; true when every step ran.
  bool FormCreate();
  // Loads DataDir + "index.htm" as the whole document when it exists; no page and no
  // message when it does not.
  void FormShow();

  // The Options dialog the Options command shows (created with the other long-lived windows).
  void SetOptionsForm(OptionsForm* options) { options_ = options; }
  // Un-minimises the window and brings it to the front (a later copy asked for it).
  void RestoreAndRaise();

  // Layout, named by role.
  QWidget* Panel1;           // toolbar
  QPushButton* ReloadBtn;
  QPushButton* BackBtn;
  QPushButton* ForwardBtn;
  QPushButton* UnZipperBtn;
  QPushButton* BitBtn1;      // Close
  browser::FrameViewer* FrameViewer;
  QLabel* Panel2;            // status bar
  QMenu* File1;
  QAction* Open1;
  QAction* Print1;
  QAction* Exit1;
  QMenu* Edit1;
  QAction* Find1;
  QAction* Copy1;
  QAction* SelectAll1;
  QAction* Options1;
  QMenu* History1;           // hidden; six entries after the set-up
  std::vector<QAction*> HistoryEntries;
  QAction* About1;           // the Help command
  QAction* ArticleSearch1;   // Ctrl+S, in the hidden Shortcuts menu
  QAction* SearchOtherInfo1; // Ctrl+O, in the hidden Shortcuts menu

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // MainFormSetupSteps
  void PointPlacementAt(const std::filesystem::path& placement_file) override;
  void SetOpenDialogDir(const std::string& dir) override;
  void PrepareHistory() override;
  void AcceptDroppedFiles() override;

  void BuildLayout();
  void ReadPlacement();
  void WritePlacement();

  std::filesystem::path program_file_;
  std::vector<std::string> arguments_;
  std::filesystem::path config_dir_;
  std::filesystem::path placement_file_;  // empty until the set-up points at it
  std::string open_dialog_dir_;           // first folder of the open-file dialog
  OptionsForm* options_ = nullptr;        // shown by the Options command
  bool shown_before_ = false;             // FormShow ran
  bool placement_written_ = false;        // the placement is written once
};

}  // namespace vantorel::app
