// The main window: toolbar, frame view and status bar under a menu bar. Creating it runs the
// start-up set-up through its host; showing it the first time restores its placement and loads
// the host's start page; closing it writes the placement once. Every link clicked in the view
// goes through the link router, for which the window is the MainWindowLinkActions.
#pragma once

#include <QMainWindow>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/link_router.h"
#include "browser/main_form_setup_steps.h"
#include "core/search_outcome.h"
#include "core/settings.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QMenu;
class QPainter;
class QPrintDialog;
class QPrinter;
class QPushButton;

namespace vantorel::browser {

class FindDialog;
class FrameViewer;
class FullTextRunner;
class HtmlViewer;

// The windows the main window's commands and links open, which belong to the program around
// it. Each call returns when its window has closed. Where the program has no such window
// (a host built without it, as in tests), the call does nothing and reports no page written.
class MainFormWindows {
 public:
  virtual ~MainFormWindows() = default;
  // The article search dialog, modally; returns the pages its searches wrote.
  virtual core::SearchOutcome ShowArticleSearch() = 0;
  // The bonus search dialog, modally; returns the page its searches wrote (SearchPageWritten).
  virtual core::SearchOutcome ShowBonusSearch() = 0;
  // The extraction dialog on the archive (empty: none chosen yet), modally.
  virtual void OpenExtractDialog(const std::string& archive) = 0;
  // The file browser on the directory, modally; released when it closes.
  virtual void BrowseDirectory(const std::string& directory) = 0;
  // The viewer window's view gets the background white and shows the file as plain text;
  // the window's caption becomes caption and its search word word (1252). Throws the view's
  // error when the file does not exist; the word then stays as it was. Does not show the
  // window.
  virtual void LoadViewerTextFile(const std::string& file, const std::string& caption,
                                  const std::string& word) = 0;
  // As LoadViewerTextFile for the member (UTF-8, "/" separated) of the ZIP archive, copied out
  // for as long as the viewer shows it, with the viewer's offer to extract the archive. Throws
  // an error naming the archive or the member when it cannot be read.
  virtual void LoadViewerArchiveMember(const std::string& archive, const std::string& member,
                                       const std::string& caption, const std::string& word) = 0;
  // The full-text query box, modally, with query (UTF-8) in it; the query typed, or nullopt
  // when cancelled.
  virtual std::optional<std::string> AskFullTextQuery(const std::string& query) = 0;
  // The viewer window, modally.
  virtual void ShowViewerModal() = 0;
  // Starts another copy of the program with the parameter text (a quoted page reference).
  virtual void StartProgramCopy(const std::string& parameters) = 0;
};

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
  // The page FormShow loads as the whole document (path text, an anchor may follow "#"):
  // the page the command line names, else DataDir + "index.htm".
  virtual std::string StartPage() = 0;
  // The program's other windows.
  virtual MainFormWindows& Windows() = 0;
};

// The notice on every printed page's footer.
inline constexpr char kPrintFooterNotice[] = "Printed from the Vantorel Article Browser";

class MainForm : public QMainWindow, private MainFormSetupSteps, private MainWindowLinkActions {
 public:
  // Builds the window and runs FormCreate. The host and the settings record (which the host's
  // set-up fills and the Options dialog changes) outlive the window.
  MainForm(MainFormHost& host, const core::BrowserSettings& settings);
  ~MainForm() override;

  // The main-window set-up; true when every step ran.
  bool FormCreate();
  // Loads the host's StartPage as the whole document when its file exists; no page and no
  // message when it does not.
  void FormShow();

  // --- Commands. Errors of the view ("Can't locate file: ") reach the error box.
  // Print is enabled exactly when the view has an active frame.
  void File1Click();
  // The open-file dialog in the shown page's folder (DataDir when none); the chosen file
  // goes into "MAIN" and its title becomes the caption.
  void Open1Click();
  // The print dialog (ExecPrintDialog); OK prints the chosen page range, else pages 1-9999.
  void Print1Click();
  // Find and Select All are enabled exactly when the active frame shows a file; Copy always.
  void Edit1Click();
  // Shows the find dialog, modeless; the first time at the place a link's found word puts it
  // (FindDialogPosition).
  void Find1Click();
  // FindNext with the dialog's text and match case; when nothing further is found, the
  // information in the main window's wording (kMainWindowNotFound).
  void FindDialogFind();
  void Copy1Click();
  void SelectAll1Click();
  // Shows the history entry the clicked History menu entry stands for (its data).
  void HistoryClick(int position);
  // Shows the article search, then the page it wrote in "MAIN" ("#TOP"): ALLARTS.HTM after
  // the complete-list message, ERRORS.HTM, or SEARCHRESULT.HTM; then reloads. Nothing when
  // no page was written.
  void ArticleSearch() override;
  // As ArticleSearch with the bonus search, which always writes SEARCHRESULT.HTM.
  void SearchOther() override;
  // The full-text query box (with the last query), then the search of the archive's full text
  // (full_text_runner.h): the index is built or brought up to date meanwhile, with its progress
  // in the status bar and FullTextCancelBtn and Esc to stop it; FULLTEXT.HTM is shown in
  // "MAIN" ("#TOP"). No matches or a query that cannot be read: the box, then the query box
  // again.
  void FullTextSearch() override;
  // Stops the running full-text index update; the search then runs over what was read.
  void FullTextCancelBtnClick();
  // The full-text search is running (building or searching).
  bool FullTextBusy() const;
  // The full-text search requests.
  FullTextRunner& FullTextRequests() { return *full_text_; }
  // Reload, off while reloading, then on exactly when a file is shown.
  void ReloadClick();
  void BackButtonClick();
  void FwdButtonClick();
  // The extraction dialog with no archive chosen.
  void UnzipBtnClick();
  // Help: help.htm.
  void About1Click();
  // The files dropped from the desktop: the first (at most 199 characters) is loaded as the
  // whole document, whatever its kind; the others are ignored.
  void FileDropHandler(const std::vector<std::string>& files);

  // --- View events
  // Processing on: Forward, Back, Reload, Print, Find, Select All and Open off. Off: each
  // button and item as the view's state allows, and the History menu refilled.
  void ProcessingHandler(bool processing_on);
  // A link under the pointer: "Found the word: " + the text after its "|"; in DebugMode any
  // other link (empty: none) as written; otherwise the status bar keeps its text.
  void HotSpotTargetChange(const std::string& url);
  // A link clicked in the view, through the router; true when handled. The view's
  // handler shows an error an action throws and counts the link as handled. The link stands
  // on the archive's contents (LinkPlace::Contents) when the view shows the host's StartPage
  // and the link's frame (the active one) is not "MAIN", or the start page has no frames.
  bool HotSpotTargetClick(const std::string& url);
  // A link to a frame the view lacks: the page (first 255 characters; anchor kept aside)
  // resolved with expansion; when the file exists, another copy of the program is started
  // with "\"" + file + anchor + "\"".
  void WindowRequest(const std::string& url);
  // Arial 8 pt, transparent: the active frame's title left at (50, 40) and its file name
  // (without folder) right at (w - 50, 40), both top-aligned; nothing without an active
  // frame.
  void PrintHeader(QPainter& canvas, int num_page, int w, int h);
  // Arial 8 pt: kPrintFooterNotice left at (50, 40) and "Page " + num_page right at
  // (w - 50, 40), both bottom-aligned.
  void PrintFooter(QPainter& canvas, int num_page, int w, int h);

  // Prints the shown document's pages first to last (1 and 9999: all) on printer; the
  // number of pages printed.
  int PrintTo(QPrinter& printer, int first, int last);
  // The print dialog's settings, as every window sets them (qtui::PrintDialogSetup).
  static void PrintDialogSetup(QPrintDialog& dialog);

  // Shows text in the status bar.
  void ShowStatusText(const std::string& text);
  // The status bar's text, code page 1252.
  std::string StatusText() const;

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
  FindDialog* FindDialog1;   // modeless
  QAction* FullTextSearch1;  // "Full-text search...", Ctrl+T, in the Edit menu
  QPushButton* FullTextCancelBtn;  // beside the status bar while the full-text index is built
  QAction* FullTextCancelKey;      // Esc, on while the full-text index is built

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Shows the print dialog (PrintDialogSetup) for printer; true on OK.
  virtual bool ExecPrintDialog(QPrinter& printer);

 private:
  // MainFormSetupSteps
  void PointPlacementAt(const std::filesystem::path& placement_file) override;
  void SetOpenDialogDir(const std::string& dir) override;
  void PrepareHistory() override;
  void AcceptDroppedFiles() override;

  // MainWindowLinkActions
  std::string ExpandLinkPath(const std::string& reference) override;
  void LoadDocumentIntoFrame(const std::string& frame, const std::string& file) override;
  bool FindNext(const std::string& text, bool match_case) override;
  WindowGeometry MainWindowGeometry() override;
  void ShowFindDialog(const std::string& text, ScreenPoint top_left) override;
  void ShowSourceFile(const std::string& file, const std::string& caption,
                      const std::string& word) override;
  void BrowseDirectory(const std::string& directory) override;
  void OpenExtractDialog(const std::string& archive) override;
  void LaunchProgram(const std::string& program, const std::string& parameters) override;
  bool EnsureCdReady(const std::string& path) override;
  void OpenPdfInReader(const std::string& path, int page) override;
  void ShowArchiveMember(const std::string& archive, const std::string& member,
                         const std::string& caption, const std::string& word) override;
  void PlaySound(const std::string& file) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;

  void BuildLayout();
  void ConnectCommands();
  void ConnectViewEvents();
  // The History entries: the view's history page titles (the file name when a page has
  // none), newest first, the shown one checked, unused entries hidden; the menu is shown
  // while it has entries.
  void FillHistoryMenu();
  // Shows the page a search wrote in "MAIN", then reloads.
  void ShowSearchPage(const std::string& page);
  void ReloadAndEnable();
  // The query box with query, then the search.
  void AskAndSearchFullText(const std::string& query);
  void FullTextBuilding(bool building);
  void ReadPlacement();
  void WritePlacement();
  // The page the clicked link stands on (see HotSpotTargetClick).
  LinkPlace ClickedLinkPlace() const;

  MainFormHost& host_;
  const core::BrowserSettings& settings_;  // the run's settings record
  LinkRouter router_{static_cast<MainWindowLinkActions&>(*this), settings_};
  std::filesystem::path placement_file_;  // empty until the set-up points at it
  std::string open_dialog_dir_;           // first folder of the open-file dialog
  bool shown_before_ = false;             // FormShow ran
  bool placement_written_ = false;        // the placement is written once
  bool find_dialog_placed_ = false;       // the find dialog has been given its place
  std::string full_text_query_;           // the last full-text query (UTF-8)
  std::unique_ptr<FullTextRunner> full_text_;  // the full-text search requests
};

}  // namespace vantorel::browser
