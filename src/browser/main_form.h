// The main window: toolbar, frame view and status bar under a menu bar. Creating it runs the
// start-up set-up through its host; showing it the first time restores its placement and loads
// DataDir + "index.htm"; closing it writes the placement once.
#pragma once

#include <QMainWindow>

#include <filesystem>
#include <string>
#include <vector>

#include "browser/main_form_setup_steps.h"

class QAction;
class QLabel;
class QMenu;
class QPushButton;

namespace vantorel::browser {

class FrameViewer;

// What the program around the main window does for it: the start-up set-up, the placement
// store and the Options dialog belong with the settings, which the window does not know.
class MainFormHost {
 public:
  virtual ~MainFormHost() = default;
  // Runs the start-up set-up, taking the window's own steps through window; true when every
  // step ran.
  virtual bool RunSetup(MainFormSetupSteps& window) = 0;
  // Applies the placement stored in placement_file to the window, if there is one.
  virtual void RestorePlacement(const std::filesystem::path& placement_file,
                                QMainWindow& window) = 0;
  // Stores the window's current placement in placement_file.
  virtual void StorePlacement(const std::filesystem::path& placement_file,
                              const QMainWindow& window) = 0;
  // Shows the Options dialog modally.
  virtual void ShowOptions() = 0;
};

class MainForm : public QMainWindow, private MainFormSetupSteps {
 public:
  // Builds the window and runs FormCreate. The host outlives the window.
  explicit MainForm(MainFormHost& host);
  ~MainForm() override;

  // The main-window set-up; true when every step ran.
  bool FormCreate();
  // Loads DataDir + "index.htm" as the whole document when it exists; no page and no
  // message when it does not.
  void FormShow();

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

  MainFormHost& host_;
  std::filesystem::path placement_file_;  // empty until the set-up points at it
  std::string open_dialog_dir_;           // first folder of the open-file dialog
  bool shown_before_ = false;             // FormShow ran
  bool placement_written_ = false;        // the placement is written once
};

}  // namespace vantorel::browser
