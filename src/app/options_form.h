// The Options dialog: edits the settings record and writes the settings file on OK.
//
// Rows from top to bottom: the PDF reader, the web browser, the article PDF folder, the
// companion-disk folder, the CD-ROM drive, the last issue installed, the results threshold,
// the external zip switch and the zip utility; along the bottom Help, Cancel and OK.
#pragma once

#include <QDialog>

#include <filesystem>
#include <string>

#include "core/settings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace vantorel::app {

class OptionsForm : public QDialog {
  Q_OBJECT

 public:
  // settings: the run's record the dialog edits (it outlives the dialog); settings_file: where
  // OK writes the settings.
  OptionsForm(core::BrowserSettings& settings, std::filesystem::path settings_file, QWidget* parent = nullptr);

  // Fills every control from the settings record; runs each time the dialog is shown.
  void FormActivate();
  // OK: a number box that holds no whole number is told in the error box "'%s' is not a
  // valid integer value"; the dialog then stays open with that box focused and its text
  // selected, and nothing is taken over. Otherwise the result is OK, the fields are taken
  // over in order, the settings written, and the dialog closes.
  void BitBtn1Click();
  // Help button.
  void BitBtn3Click();
  // The Options page of the help.
  void ShowHelp();
  // The last-issue box's key filter: true when the typed character may pass (a digit or
  // backspace).
  static bool LastIssueEditKeyPress(QChar key);
  // The zip utility box got the focus: with the switch on and the box empty it is filled with
  // the program the desktop associates with ZIP files.
  void ZipUtilEditEnter();

  // Controls, named by role.
  QLineEdit* AcrobatPathEdit;
  QToolButton* AcrobatPathBrowse;
  QLineEdit* BrowserPathEdit;
  QToolButton* BrowserPathBrowse;
  QLineEdit* PDFPathEdit;
  QToolButton* PDFPathBrowse;
  QLineEdit* SourcePathEdit;
  QToolButton* SourcePathBrowse;
  QComboBox* CDDrive;
  QLineEdit* LastIssueEdit;
  QLineEdit* ResultsDialogThresholdEdit;
  QCheckBox* ExternalZipCheck;
  QLineEdit* ZipUtilEdit;
  QToolButton* ZipUtilBrowse;
  QPushButton* BitBtn3;  // Help
  QPushButton* BitBtn2;  // Cancel
  QPushButton* BitBtn1;  // OK

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BrowseForFile(QLineEdit* edit, const std::string& filter, const std::string& title);
  // Asks the Ui for a folder, starting at the box's text; the folder chosen replaces the
  // text, with a final "/".
  void BrowseForDirectory(QLineEdit* edit, const std::string& title);
  void TakeOverFields();

  core::BrowserSettings& settings_;      // the run's settings record
  std::filesystem::path settings_file_;  // kvbrowse.ini
};

}  // namespace vantorel::app
