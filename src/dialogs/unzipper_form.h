// The extraction dialog "Extract files from Zipfile": lists the entries of one ZIP archive with
// the archive's totals and extracts all of them, with their directories, into a destination
// folder that defaults to the archive's own (for an archive that cannot be written beside, a
// folder named after it in the home folder).
//
// Top bar: Open, "Destination" with its box and folder button, Unzip. Middle: the entry grid
// ("Filename", "Path"). Bottom bar: the archive path, the file count and the sizes on the left;
// the progress bar and Exit on the right.
//
// While an extraction runs the reader processes the GUI's events, so the dialog repaints and
// the progress bar moves. Open and Unzip are disabled until the run ends (the reader is not
// re-entrant), and closing the dialog (Exit, the window's close button, Escape) is held back
// until the run and its summary box have finished.
//
// Boxes, file and folder requests go through the process's core::Ui. Errors of the reader
// surface as the standard error box (core::ShowError with the error's message).
#pragma once

#include <QDialog>
#include <QPointer>

#include <optional>
#include <string>

#include "archive/kv_unzip.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QToolButton;

namespace vantorel::dialogs {

class UnzipperForm : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs FormCreate on archive (empty: none chosen yet).
  explicit UnzipperForm(const std::string& archive, QWidget* parent = nullptr);

  // Clears the archive label and shows the dialog's archive, if any; then puts the grid's
  // column widths and headings. An error opening the archive is shown in the error box and
  // leaves the grid without headings, with default column widths.
  void FormCreate();
  // Makes archive the dialog's archive and shows it: its entries, count, totals and folder (as
  // the destination). Throws the reader's errors; the grid and the labels then stay as they
  // were, and the reader holds no archive.
  void OpenZip(const std::string& archive);
  // Open: asks for a ZIP file; the one picked becomes the dialog's archive and is shown.
  // Cancelling changes nothing. Ignored while an extraction runs.
  void SelectZipBtnClick();
  // The folder button: asks for a folder starting at the destination's text; the folder chosen
  // replaces the text, cancelling keeps it.
  void SpeedButton1Click();
  // Unzip: extracts every entry of the archive into the destination and reports "N files
  // unzipped to" + "\r" + DestDir; when entries could not be written, a warning box instead
  // that also names them with the reason ("Not unzipped:", up to ten, then how many more). Without an archive or destination it says so in an error
  // box instead. Ignored while an extraction runs.
  void UnZipBtnClick();
  // The reader's overall percentage during an extraction.
  void KvUnZip1TotalPercentDone(int percent);
  // Exit: closes the dialog (after the extraction, when one runs).
  void OkBtnClick();

  // True while UnZipBtnClick runs an extraction.
  bool Extracting() const { return extracting_; }
  // The archive the dialog was opened on or last opened by Open; empty when none.
  const std::string& ArchiveName() const { return archive_name_; }

  // Controls, named by role.
  QPushButton* SelectZipBtn;      // Open
  QLabel* Label1;                 // "Destination"
  QLineEdit* DestinationEdit;     // the folder to extract into
  QToolButton* SpeedButton1;      // folder picker
  QPushButton* UnZipBtn;          // Unzip
  QTableWidget* StringGrid1;      // entries: file name, stored path
  QLabel* ZipfileLabel;           // the archive path
  QLabel* TotalFilesLabel;        // entry count
  QLabel* TotalSizeLabel;         // compressed and uncompressed totals
  QProgressBar* ProgressBar1;     // overall percentage of an extraction
  QPushButton* OkBtn;             // Exit
  archive::KvUnZip KvUnZip1;      // the reader the dialog owns

 public slots:
  // Every way of closing the dialog ends here; during an extraction the close is remembered
  // and carried out when the extraction ends.
  void done(int result) override;

 private:
  void BuildControls();
  // Open and Unzip disabled while an extraction runs, enabled again afterwards with the focus
  // back where it was.
  void SetExtracting(bool extracting);

  std::string archive_name_;             // the dialog's archive; empty: none
  bool extracting_ = false;              // an extraction runs in UnZipBtnClick
  std::optional<int> pending_close_;     // the result of a close asked for during it
  QPointer<QWidget> focus_before_run_;   // had the focus when the extraction started
};

}  // namespace vantorel::dialogs
