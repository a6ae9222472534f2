// The bonus search dialog "Search bonus files and companion disks": the typed words and the
// match mode, handed to the catalogue's BonusSearch. It is made once, at start-up; its two
// tables are opened again every time it is shown and stay open in between. It keeps its text
// and mode between openings.
//
// From top to bottom: "Word(s) to search for" and the search words; the match mode ("Search
// type", its two choices side by side) beside Help, Cancel and OK; the status panel. Tab
// follows the same order.
//
// ShowSearch returns which pages the searches wrote; the dialog closes itself with the plain
// close, which a modal dialog reports as rejected.
#pragma once

#include <QDialog>

#include <string>

#include "catalogue/bonus_search.h"
#include "core/settings.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vantorel::dialogs {

// What the error box says before the engine's report when the tables cannot be opened.
inline constexpr char kBonusTablesNotOpened[] =
    "The bonus file index could not be opened, so the bonus search is not available:\r";

class HtmlSearchForm : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls. REQUIRES: a QApplication exists, a core::Ui is installed; settings
  // outlive the dialog.
  explicit HtmlSearchForm(const core::BrowserSettings& settings, QWidget* parent = nullptr);

  // The main window's request: FormActivate, then the dialog modally; when the tables do not
  // open, the error box kBonusTablesNotOpened + the engine's report instead of the dialog.
  // Returns the pages its searches wrote.
  core::SearchOutcome ShowSearch();
  // The pages the searches since the last ShowSearch wrote.
  const core::SearchOutcome& Outcome() const { return outcome_; }

  // Opens files.dbf and words.dbf of the DataDir setting (closing them first when open)
  // and gives the search words the focus. False, with the report kept in OpenError, when a
  // table does not open.
  bool FormActivate();
  // The error box text of the last FormActivate that failed; empty after one that succeeded.
  const std::string& OpenError() const { return open_error_; }

  // The search (catalogue::BonusSearch::OkBtnClick) with the text and mode of the controls;
  // progress texts go to Panel1 meanwhile. Closes the dialog when the search says so. Engine
  // errors go to the engine's report (tables::ErrorReport); a page that cannot be written is
  // shown in the standard error box and the dialog stays open. Nothing while the tables are
  // not open.
  void OkBtnClick();
  // Panel1 shows text and is repainted at once.
  void Progress(const std::string& text);
  // Help and F1: the help page "help.htm#HTMLSrch".
  void HelpBtnClick();

  // Controls, named by role.
  QLabel* Label1;              // "Word(s) to search for"
  QLineEdit* SearchWords;      // the search text
  QGroupBox* AnyOrAllRadio;    // "Search type"
  QRadioButton* AnyWordRadio;  // "Match any word", index 0
  QRadioButton* AllWordsRadio; // "Match all words", index 1
  QPushButton* HelpBtn;        // "Help"
  QPushButton* CancelBtn;      // "Cancel"
  QPushButton* AnOkBtn;        // "OK", the default button
  QLabel* Panel1;              // progress texts

 private:
  void BuildControls();
  catalogue::BonusSearchRequest Request() const;

  const core::BrowserSettings& settings_;  // the run's settings record
  catalogue::BonusSearch search_;  // the two tables and the search
  std::string open_error_;         // why the tables did not open
  core::SearchOutcome outcome_;  // the pages the searches wrote since ShowSearch
};

}  // namespace vantorel::dialogs
