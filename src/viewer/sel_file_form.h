// The file browser "File Browser": a folder tree beside a list of the chosen folder's files,
// and commands on the files selected in the list: view them one after another in the viewer
// window, run them (ZIP archives go to the extraction dialog), copy them into a folder.
//
// Left: the folder tree over the file system, its root ("/") hidden, and the file list in a
// report view (name, size, type, date), several items selectable, names editable in place,
// with the folder it shows above it.
// Right, from the top: View, Run, UnZip, Copy, Help, Exit.
//
// The tree and the list are Qt's file-system model, which reads folders itself; every other
// disk access (copying, starting programs) goes through the file-system facade. Boxes and the
// folder request go through the process's core::Ui.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "platform/outside_programs.h"

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace vantorel::viewer {

class FileListViewer;

// The shell-item rule of the selection: a selected item counts when it has a file-system path
// (virtual items have none) and that path does not end in a separator (drive roots, whose
// name is empty). Folders count like files.
struct ShellItem {
  bool selected = false;  // selected in the list
  std::string path;       // its file-system path as a path text; empty for a virtual item
};

// The file names (last path components) of the items that count, in the items' order.
std::vector<std::string> SelectedFileNames(const std::vector<ShellItem>& items);

class SelFileForm : public QDialog {
  Q_OBJECT

 public:
  // viewer shows the View command's file lists; it outlives the form. chosen: the programs the
  // settings name, which the Run command starts as LaunchProgram says.
  SelFileForm(FileListViewer& viewer, platform::ChosenPrograms chosen, QWidget* parent = nullptr);

  // Presets the folder tree with a directory (a path text, matched as the file-system facade
  // matches it): the tree selects the folder, expands it and scrolls to it, and the list shows
  // its contents. A path that names no directory leaves the tree as it is.
  void SetDirectory(const std::string& directory);

  // The folder the list shows, as a path text ("/" separators); empty while none is chosen.
  std::string FolderPath() const;
  // Every item of the list in its order, whether selected, with its path.
  std::vector<ShellItem> Items() const;
  // The full paths of the selection: WithTrailingBackslash(FolderPath()) + each file name.
  std::vector<std::string> SelectedPaths() const;
  // How many items of the list are selected (also those the selection rule leaves out).
  int SelectedCount() const;

  // View: hands the selection to the viewer as its file list and shows it; "No files
  // selected" when there is none. The viewer's error is shown in the error box.
  void ViewButtonClick();
  // Run and UnZip: each selected path in order goes to the extraction dialog (extension
  // ".ZIP" in any case) or to platform::LaunchProgram without parameters, which runs a Linux
  // program, hands a DOS program to the desktop's DOS application, asks whether to run a
  // script, and opens anything else with the desktop's application for it. "No files
  // selected" when there is none.
  void btnRunClick();
  // Copy: asks for a target folder ("Select Folder", starting at the file system's root) and
  // copies each selected item there with its date; then "N files copied" with N the number of
  // items selected. A file of the same name in the target is replaced only when the user says
  // Yes to "Replace existing file NAME?" ("File Exists Alert"); each No is one file fewer in
  // the count. Cancelling the folder request copies nothing. The first copy that fails (a
  // selected folder, a target that cannot be created) stops the command with its error in
  // the error box; the files copied before it stay and no count is shown.
  void btnCopyClick();
  // Help and F1: the help page "help.htm#Selfil".
  void HelpBtnClick();
  // Exit: closes the dialog.
  void ExitButtonClick();

  // Controls, named by role.
  QTreeView* ShellTree1;  // the folder tree
  QTreeView* ShellList1;  // the chosen folder's files, report view
  QLabel* FolderLabel;    // the folder the list shows, above it
  QPushButton* BitBtn2;   // View
  QPushButton* BitBtn1;   // Run
  QPushButton* BitBtn4;   // UnZip
  QPushButton* BtnCopy;   // Copy
  QPushButton* HelpBtn;   // Help
  QPushButton* BitBtn3;   // Exit

 private:
  void BuildControls();
  // Scrolls the tree to the folder SetDirectory chose while it is still the tree's folder and
  // the reader has not moved the tree.
  void KeepPresetInView();
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // The list shows the folder the tree's current item names.
  void ShowTreeFolder();
  // A folder opened in the list becomes the tree's current folder.
  void OpenListItem(const QModelIndex& index);

  FileListViewer& viewer_;         // shows the View command's file lists
  platform::ChosenPrograms chosen_;  // the programs the settings name
  QFileSystemModel* tree_model_;   // folders only, for ShellTree1
  QFileSystemModel* list_model_;   // folders and files, for ShellList1
  QString preset_folder_;  // the folder SetDirectory chose, kept in view until another is chosen
};

// Creates the file browser over the active window, presets it with directory, shows it
// modally and destroys it when it closes. REQUIRES: a QApplication exists and a core::Ui is
// installed.
void OpenFileBrowser(const std::string& directory, FileListViewer& viewer,
                     const platform::ChosenPrograms& chosen);

}  // namespace vantorel::viewer
