// The article search dialog "Search articles": the keyword text with its match mode, an
// optional author and an optional issue, handed to the catalogue's ArticleSearch. It is made
// once, at start-up, and owns the open catalogue for the whole run.
//
// From top to bottom: the author and issue rows (each a check box and its list) beside
// "Free Text Search"; "Keyword(s) to search for" and the search words; the match mode beside
// "Browse keywords" (the keyword list and "Use"); Help, Cancel and OK; the status panel.
// Tab follows the same order.
//
// ShowSearch returns which pages the searches wrote; the dialog closes itself with the plain
// close, which a modal dialog reports as rejected.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "catalogue/article_search.h"
#include "catalogue/catalogue.h"
#include "catalogue/result_pages.h"
#include "core/settings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vantorel::qtui {
class DropDownCombo;
}  // namespace vantorel::qtui

namespace vantorel::dialogs {

// What the error box says before the engine's report when the catalogue cannot be opened.
inline constexpr char kCatalogueNotOpened[] =
    "The article catalogue could not be opened, so the article search is not available:\r";

// The reason given when the data folder holds no catalogue tables; the folder follows.
inline constexpr char kNoCatalogue[] = "There are no catalogue tables (article.dbf, author.dbf, keyword.dbf) in ";

class ArtiSearchForm : public QDialog {
  Q_OBJECT

 public:
  // Builds the controls and runs FormCreate on settings.DataDir; the searches and the
  // free-text button read settings as they stand then.
  // REQUIRES: a QApplication exists, a core::Ui is installed, DataDir is set; settings outlive
  // the dialog.
  explicit ArtiSearchForm(const core::BrowserSettings& settings, QWidget* parent = nullptr);

  // Fills the issue list, opens the catalogue (catalogue.h: tables, indexes, lists; progress
  // texts go to the installed Ui) and fills the author and keyword lists. A DataDir that
  // holds no catalogue table (catalogue::HoldsCatalogue) is left alone: the search is
  // unavailable, with kCatalogueNotOpened + kNoCatalogue + DataDir as its error, and nothing
  // is shown at start. An engine error leaves the search unavailable and is shown as kCatalogueNotOpened + the engine's report;
  // a keyword list cache that cannot be written is shown in the standard error box and the
  // search stays available.
  void FormCreate();

  // True when the catalogue opened and the dialog can search.
  bool SearchAvailable() const { return search_.has_value(); }
  // The error box text of a catalogue that did not open; empty when it opened.
  const std::string& OpenError() const { return open_error_; }

  // The main window's request: the dialog modally, or, when the search is not available,
  // the error box saying why.
  // Returns the pages its searches wrote.
  core::SearchOutcome ShowSearch();
  // The pages the searches since the last ShowSearch wrote.
  const core::SearchOutcome& Outcome() const { return outcome_; }

  // The search (catalogue::ArticleSearch::OkBtnClick) with the texts, mode and selections of
  // the controls; progress texts go to Panel1 meanwhile. Closes the dialog when the search
  // says so. Engine errors go to the engine's report (tables::ErrorReport); a page that
  // cannot be written is shown in the standard error box and the dialog stays open.
  void OkBtnClick();
  // Panel1 shows text and is repainted at once.
  void Progress(const std::string& text);
  // The author list moves to RememberedAuthorIndex and is made visible; runs on every showing.
  void FormActivate();
  // RememberedAuthorIndex takes the author list's position; runs on every closing.
  void FormClose();
  // Ticked: the author list selects its first item; cleared: no selection.
  void AuthorCheckClick();
  void IssueCheckClick();
  // The list is about to drop down: its box is ticked.
  void AuthorComboDropDown();
  void IssueComboDropDown();
  // Leaving a list without a selection clears its box.
  void AuthorComboExit();
  void IssueComboExit();
  // "Use": the keyword list's text without trailing blanks, in double quotes, becomes the
  // search text or is appended to it after a blank; the search words get the focus.
  void KeywordCopyBtnClick();
  // Help and F1: the help page "help.htm#ArtSrch".
  void HelpBtnClick();
  // The full-text search instead: the dialog closes with FullTextSearchWanted in its outcome,
  // and the main window opens the full-text query box.
  void FreeTextBtnClick();

  // The author list's position kept between openings; -1: none.
  int RememberedAuthorIndex = -1;

  // Controls, named by role.
  QCheckBox* AuthorCheck;         // "Author"
  qtui::DropDownCombo* AuthorCombo;     // names; each item's data is the whole author item
  QCheckBox* IssueCheck;          // "Issue"
  qtui::DropDownCombo* IssueCombo;      // the issue items
  QPushButton* FreeTextBtn;       // "Free Text Search"
  QLabel* Label1;                 // "Keyword(s) to search for"
  QLineEdit* SearchWords;         // the search text
  QGroupBox* AnyOrAllRadio;       // "Keyword search type"
  QRadioButton* AnyWordRadio;     // "Match any word", index 0
  QRadioButton* AllWordsRadio;    // "Match all words", index 1
  QGroupBox* GroupBox1;           // "Browse keywords"
  QComboBox* KeywordCombo;        // the keyword items, editable
  QPushButton* KeywordCopyBtn;    // "Use"
  QPushButton* HelpBtn;           // "Help"
  QPushButton* CancelBtn;         // "Cancel"
  QPushButton* AnOkBtn;           // "OK", the default button
  QLabel* Panel1;                 // progress texts

 public slots:
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void FillLists();
  catalogue::SearchRequest Request() const;

  const core::BrowserSettings& settings_;           // the run's settings record
  catalogue::Catalogue catalogue_;                  // the three tables, open for the run
  std::optional<catalogue::ResultPages> pages_;     // once the catalogue is open
  std::optional<catalogue::ArticleSearch> search_;  // once the catalogue is open
  std::string open_error_;                          // why the catalogue did not open
  core::SearchOutcome outcome_;  // the pages the searches wrote since ShowSearch
};

}  // namespace vantorel::dialogs
