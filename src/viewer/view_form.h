// The viewer window: one document at a time in a single view (source files as plain text, the
// help pages, dropped files, pages reached by links), with its own history, find, copy, print, a
// status line for the link under the pointer and the link router's reduced routes
// (browser/link_router.h).
// The program creates one at start-up and reuses it; each caller fills it and shows it modally:
//   a VIEW: link   ShowTextFile(file, "Source Viewer: " + file), then ShowModal;
//   a ZIP member   ShowArchiveMember (a VIEW: link with a member), then ShowModal;
//   ShowHelpPage   the help page in "Times New Roman", captioned "Help using Ostravel";
//   a file list    ShowFileList (the file browser's View command), one file per Next click.
// Whenever the window is shown and becomes active it looks for its search word, which the last
// VIEW: link set (SetSearchWord) and which stays for every later showing until the next.
#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "browser/link_router.h"
#include "core/settings.h"
#include "viewer/file_list_cursor.h"
#include "viewer/file_list_viewer.h"

class QAction;
class QDragEnterEvent;
class QDropEvent;
class QLabel;
class QPrinter;
class QPushButton;

namespace vantorel::archive {
class MemberFile;
}  // namespace vantorel::archive

namespace vantorel::browser {
class FindDialog;
class HtmlViewer;
}  // namespace vantorel::browser

namespace vantorel::viewer {

// The caption of a help page.
inline constexpr char kHelpCaption[] = "Help using Ostravel";
// The Close button while a file list has files to come, and once it has none.
inline constexpr char kNextFileHint[] = "View next file";
inline constexpr char kReturnToListHint[] = "Return to file list";
// Its captions then: on the list's first file without an accelerator, on the later files and
// after the list with one. Both pairs are the window's texts as they stand.
struct ExitButtonCaptions {
  const char* close;  // no file to come
  const char* next;   // files to come
};
inline constexpr ExitButtonCaptions kFirstFileCaptions{"Close", "Next..."};
inline constexpr ExitButtonCaptions kLaterFileCaptions{"&Close", "&Next..."};

class ViewForm : public QDialog, public FileListViewer, private browser::LinkActions {
 public:
  // Builds the window and runs FormCreate for the screen it is on. settings (the run's record,
  // its DataDir chosen) outlive the window.
  explicit ViewForm(const core::BrowserSettings& settings, QWidget* parent = nullptr);
  ~ViewForm() override;

  // --- What the callers set before showing the window
  // The view gets the background white and shows the file as plain text; the caption becomes
  // caption (a UTF-8 text: kViewerCaption + the file as platform::ShownPath shows it). Throws the view's error ("Can't locate file: ") when the file cannot be loaded;
  // the view and the caption then stay as they were.
  void ShowTextFile(const std::string& file, const std::string& caption);
  // As ShowTextFile for the member (UTF-8, "/" separated) of the ZIP archive (a path text),
  // copied out to a temporary file (archive/member_file.h) that is removed when the window
  // closes or shows something else; ExtractBtn is shown meanwhile. Throws the copy's error.
  void ShowArchiveMember(const std::string& archive, const std::string& member,
                         const std::string& caption);
  // The archive whose member is shown; empty when none.
  const std::string& ShownArchive() const { return shown_archive_; }
  // The member's temporary copy; empty when none is shown.
  std::string MemberCopyPath() const;
  // Shows the window modally; returns when it closes. Nothing while it is shown already.
  void ShowModal();
  // The help display: the view gets the font "Times New Roman" (kept for later uses) and the
  // background white, loads DataDir + page_reference (an anchor may follow "#"), the caption
  // becomes kHelpCaption and the window is shown modally. A page that cannot be loaded is
  // reported in the error box and the window is not shown.
  void ShowHelpPage(const std::string& page_reference);
  // FileListViewer.
  void ShowFileList(const std::vector<std::string>& files) override;
  // The word looked for whenever the window is shown and becomes active; empty: none.
  void SetSearchWord(const std::string& word) { search_word_ = word; }
  const std::string& SearchWord() const { return search_word_; }
  // The file list the window shows or showed last.
  const FileListCursor& FileList() const { return file_list_; }

  // --- Handlers
  // For a screen wider than 640 pixels: the window at (35, 35), 700 by 550 (its design width
  // / 20 from the corner); otherwise its place and size stay the system's. The view keeps a
  // history of 6 entries; files can be dropped on the window.
  void FormCreate(int screen_width);
  // The view gets the focus; when it finds the search word (any letter case), the find dialog
  // gets the word and is shown at browser::FindDialogPosition of the window, raised and active
  // (as Find1Click shows it), so that a window manager that raises the window after
  // activating it cannot leave the dialog hidden behind the window.
  void FormActivate();
  // The status line shows the link under the pointer (empty: none).
  void HotSpotChange(const std::string& src);
  // A link clicked in the view, through the router; true when handled.
  bool HotSpotClick(const std::string& src);
  // Forward on while a newer entry exists, Back while an older one does; the view gets the
  // focus while the window is shown.
  void HistoryChange();
  // On: Forward, Back, Print and Find off. Off: Forward and Back as HistoryChange sets them,
  // Print and Find on exactly when a file is shown.
  void ProcessingHandler(bool processing_on);
  // Back shows the next older history entry, Forward the next newer one.
  void FwdBackBtnClick(const QPushButton* sender);
  // Shows the find dialog, modeless, raised and active.
  void Find1Click();
  // FindNext with the dialog's text and match case; when nothing further is found, the
  // information in the viewer's wording (browser::kViewerNotFound).
  void FindDialogFind();
  // Copies the selection; from browser::kCopyWarningLength characters on, only after OK to
  // browser::kCopyWarning.
  void CopyItemClick();
  // Ctrl+C: copies without asking. Ctrl+A: selects the whole document.
  void Copy1Click();
  void SelectAll1Click();
  // The print dialog; OK prints the chosen page range, else pages 1-9999.
  void Print1Click();
  // "Extract this archive": the extraction dialog on the shown member's archive, modally.
  void ExtractBtnClick();
  // Close, or Next while a file list has files to come: the next file with its caption, the
  // button "&Next..." ("View next file") while more are to come, else "&Close" ("Return to
  // file list"). A next file that cannot be loaded is reported and passed over.
  void ExitBtnClick();
  // Runs whenever the window closes: ends a file list (the button "&Close", "Return to file
  // list") and closes the find dialog.
  void FormClose();
  // Of the files dropped on the window, the first (at most 199 characters) by its extension:
  // .htm and .html as a page, .txt as text, .bmp, .jpg and .jpeg as an image; any other is
  // ignored. The caption stays.
  void FileDropHandler(const std::vector<std::string>& files);

  // Prints pages first to last (1 and 9999: all) of the shown document on printer; the number
  // of pages printed.
  int PrintTo(QPrinter& printer, int first, int last);

  // The status line's text, code page 1252.
  std::string StatusText() const;

  // Controls, named by role.
  QWidget* ButtonBar;
  QPushButton* BackBtn;
  QPushButton* ForwardBtn;
  QPushButton* FindBtn;
  QPushButton* CopyBtn;
  QPushButton* PrintBtn;
  QPushButton* ExitBtn;
  QPushButton* ExtractBtn;          // "Extract this archive", while a ZIP member is shown
  browser::HtmlViewer* Viewer;
  QLabel* Panel1;                   // status line
  QAction* Copy1;                   // Ctrl+C
  QAction* SelectAll1;              // Ctrl+A
  browser::FindDialog* FindDialog;  // modeless

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Shows the print dialog (pages 1 to 9999) for printer; true on OK.
  virtual bool ExecPrintDialog(QPrinter& printer);

 private:
  // LinkActions
  std::string ExpandLinkPath(const std::string& reference) override;
  void ShowSourceFile(const std::string& file, const std::string& caption,
                      const std::string& word) override;
  void BrowseDirectory(const std::string& directory) override;
  void LaunchProgram(const std::string& program, const std::string& parameters) override;
  bool EnsureCdReady(const std::string& path) override;
  void OpenPdfInReader(const std::string& path, int page) override;
  void ShowArchiveMember(const std::string& archive, const std::string& member,
                         const std::string& caption, const std::string& word) override;
  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;

  void BuildLayout();
  void ConnectCommands();
  void ConnectViewEvents();
  void SetHistoryButtons();
  // The member shown goes: its copy is removed, ExtractBtn hidden and the history emptied.
  void ReleaseMember();
  // The exit button as a file list leaves it: Next while files are to come.
  void SetExitButton(const ExitButtonCaptions& captions, bool more_to_come);

  const core::BrowserSettings& settings_;  // the run's settings record
  browser::LinkRouter router_{static_cast<browser::LinkActions&>(*this), settings_};
  FileListCursor file_list_;       // the file browser's list, once one was shown
  std::string search_word_;        // looked for on activation (1252); empty: none
  bool activate_pending_ = false;  // shown, not yet active since
  std::unique_ptr<archive::MemberFile> member_file_;  // the ZIP member shown, copied out
  std::string shown_archive_;      // its archive; empty when none
};

}  // namespace vantorel::viewer
