// The link router: every link clicked in a window's view (the main window's frame view, the
// viewer window's view) comes here before the view follows it. The router either acts itself
// (the view then does nothing more) or leaves the link to the view. Each window enables its
// routes by a LinkPolicy: the main window all of them, the viewer window a reduced set.
//
// Link forms, as written in the archive's pages and the generated pages (U is the reference
// with a-z upper-cased; positions count from 1):
//   "ARTSRCH.HTM", "BONSRCH.HTM" (the whole reference)   the article or bonus search command
//   "file:///pdf/freetextsearch.pdf" (the whole         on the archive's contents: the
//            reference, any letter case)              full-text search command; on any
//                                                        other page: the file branch (the PDF)
//   no ":", ":" at position 1 or 2, or "FILE:" anywhere  the file branch: the action of the
//                                                        file's extension, or the view
//   "HTTP://" anywhere                                   the web browser
//   "DIRY:", normally "diry:///disks/" + folder          the file browser (the viewer: its
//                                                        folder picker) on SourceDir + folder
//   "VIEW:", normally "VIEW:///DISKS/" + file            the viewer window on SourceDir + file,
//            [+ "?" + member] [+ "|" + word]             which then looks for the word; with
//                                                        a member the file is a ZIP archive and
//                                                        the viewer shows that member of it;
//            or "VIEW:///" + file in another folder      the same with the file relative to the
//                                                        shown page (as "SRCH:///" takes it)
//   "SRCH:", normally "SRCH:///" + page [+ "|" + word]   the page in the frame "MAIN", then the
//                                                        word found there
//   anything else                                        the view
// In the main window's file branch "file:///pdf/" + name stands for PdfDir + name, and
// "XBONUS/" anywhere for the folder "BONUS/" of the CD-ROM drive (CdPath). A PDF link may end
// in "#page=" + number (the full-text search's pages write it): the reader opens the file at
// that page where it can.
//
// A link is an archive text (code page 1252); the router converts it to UTF-8 as it takes
// it, so the paths it builds are UTF-8 path texts (platform/file_system.h), spelt as the links
// spell them ("\" separators, upper case); the file-system facade finds the files they name,
// and the messages and captions show them as ShownPath does. Search words stay 1252.
#pragma once

#include <string>
#include <string_view>

#include "core/settings.h"

namespace vantorel::browser {

// The program texts of the file actions. Here they stand for the desktop's default application
// for the file: "notepad.exe" gets the file as its parameter text, "MPlayer.exe" gets
// kMediaPlayerParameters + the file.
inline constexpr char kTextEditorProgram[] = "notepad.exe";
inline constexpr char kMediaPlayerProgram[] = "MPlayer.exe";
inline constexpr char kMediaPlayerParameters[] = "/play /close ";

// The frame that SRCH: links load their page into.
inline constexpr char kMainFrame[] = "MAIN";

// The archive's link to the free-text search PDF, which on the archive's contents in the main
// window stands for the full-text search; the same link on any other page (a help page), and
// the PDF linked in any other form, open the PDF in the reader.
inline constexpr char kFreeTextSearchLink[] = "file:///pdf/freetextsearch.pdf";

// Where a clicked link stands, as the main window tells it: the archive's contents (the
// start page, or a frame of it other than the content frame "MAIN"), or any other page (what
// the content frame shows: the welcome page, help, issues, result pages).
enum class LinkPlace { Contents, Other };
// What a PDF link ends in to name a page.
inline constexpr char kPdfPageMarker[] = "#page=";

// What the link router tells the user. The viewer window's
// caption for a source file is kViewerCaption + its path.
inline constexpr char kViewerCaption[] = "Source Viewer: ";
inline constexpr char kNoWebBrowser[] = "Unable to find your web browser to connect to this website";
inline constexpr char kNoBrowserForGifPage[] =
    "Because of licensing issues, this program does not display GIF images. We were unable to "
    "find your web browser in order to load this file containing GIF images.";
inline constexpr char kMissingFile[] = "Unable to find file: ";
inline constexpr char kMissingDirectoryBefore[] = "Sorry, the requested directory ";
inline constexpr char kMissingDirectoryAfter[] = " does not exist";

// A window's place on the screen, in pixels.
struct WindowGeometry {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct ScreenPoint {
  int x = 0;
  int y = 0;

  bool operator==(const ScreenPoint&) const = default;
};

// What a window's links act through, whichever window: the platform's outside programs, CD-ROM
// drive and files, and the window's own view, source display and folder display. Each window
// implements it; tests record the calls. Messages to the user go through the Ui port, not
// through here.
class LinkActions {
 public:
  virtual ~LinkActions() = default;

  // The reference as a full file path, taken relative to the page the window shows
  // (link_path.h).
  virtual std::string ExpandLinkPath(const std::string& reference) = 0;
  // Starts the program (a path, kTextEditorProgram or kMediaPlayerProgram) with the parameter
  // text; a failure is told in an error box naming the file.
  virtual void LaunchProgram(const std::string& program, const std::string& parameters) = 0;
  // True when the caller may read from path: at once for a path on no CD-ROM drive, else
  // after the user confirmed the CD-ROM prompt with the disc in; false when cancelled.
  virtual bool EnsureCdReady(const std::string& path) = 0;
  // OpenPdfInReader, with command messages as the window shows them, at page (from 1; 0: the
  // reader's own choice). REQUIRES: the file exists.
  virtual void OpenPdfInReader(const std::string& path, int page) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;

  // --- The window's own
  // The file as plain text on a white background in the viewer window captioned caption;
  // word (1252, empty: none) is what the viewer looks for whenever it becomes active from now
  // on. The main window shows the viewer modally; the viewer shows the file in itself. Throws
  // the view's error when the file does not exist; the word then stays as it was.
  virtual void ShowSourceFile(const std::string& file, const std::string& caption,
                              const std::string& word) = 0;
  // As ShowSourceFile for the member (its stored name, UTF-8, "/" separated) of the ZIP
  // archive: the member is copied out to a temporary file for as long as the viewer shows it,
  // and the viewer offers to extract the archive. Throws an error naming the archive or the
  // member when it cannot be read.
  virtual void ShowArchiveMember(const std::string& archive, const std::string& member,
                                 const std::string& caption, const std::string& word) = 0;
  // The main window: the file browser on the directory, modally, released when it closes.
  // The viewer: its folder picker preset to the directory, modally; the pick is not used.
  virtual void BrowseDirectory(const std::string& directory) = 0;
};

// What the main window's links can do beyond: its frame view and find dialog, the searches,
// the extraction dialog and sounds.
class MainWindowLinkActions : public LinkActions {
 public:
  // Loads the file into the frame of that name; throws the view's "Can't locate file: " error
  // when the file does not exist.
  virtual void LoadDocumentIntoFrame(const std::string& frame, const std::string& file) = 0;
  // Searches forward in the active frame and selects the text; true when found. An empty text
  // is never found.
  virtual bool FindNext(const std::string& text, bool match_case) = 0;
  virtual WindowGeometry MainWindowGeometry() = 0;
  // Gives the find dialog text as its find text, moves its top-left corner to top_left and
  // shows it modeless.
  virtual void ShowFindDialog(const std::string& text, ScreenPoint top_left) = 0;
  // The main window's article search, bonus search and full-text search commands.
  virtual void ArticleSearch() = 0;
  virtual void SearchOther() = 0;
  virtual void FullTextSearch() = 0;
  // The extraction dialog on the archive, modally (OpenExtractDialog).
  virtual void OpenExtractDialog(const std::string& archive) = 0;
  // Plays the sound file without waiting for it to end.
  virtual void PlaySound(const std::string& file) = 0;
};

// The routes a window's links take beyond the ones every window has (websites, directories,
// source files, and the text, media, PDF and HTM files of the file branch). The viewer window
// shows pages beside source files, not the archive's front end: it takes links as written,
// relative to the shown page, and leaves the other kinds to its view.
struct LinkPolicy {
  // "ARTSRCH.HTM", "BONSRCH.HTM" and kFreeTextSearchLink start the searches; "SRCH:" links
  // load a page and find a word in it.
  bool search_links;
  // A file link is upper-cased with "XBONUS/" standing for the CD-ROM's bonus folder before it
  // is expanded; an article PDF is taken from PdfDir ("file:///pdf/"), only once an issue is
  // installed, and from the CD-ROM after its check.
  bool archive_folders;
  // .WAV plays, .EXE runs and .ZIP opens the extraction dialog.
  bool programs_and_archives;
};
inline constexpr LinkPolicy kMainWindowLinks{true, true, true};
inline constexpr LinkPolicy kViewerLinks{false, false, false};

// Which branch a link takes (the table above, after the two search pages): the file branch
// for a link without ":" past its second character or with "FILE:" anywhere; otherwise the
// first of "HTTP://", "DIRY:", "VIEW:", "SRCH:" found in the upper-cased link, in that order;
// None leaves it to the view. file_marked: "FILE:" occurs.
enum class LinkRoute { File, Website, Directory, View, Search, None };
struct LinkRouting {
  LinkRoute route;
  bool file_marked;
};
LinkRouting RouteOfLink(std::string_view url);

// A file link's parts: the file before the first blank (or, without a blank, before the
// first "?") and the parameter text after it; no separator: all of it is the file.
struct LinkParameters {
  std::string file;
  std::string parameters;
};
LinkParameters SplitLinkParameters(std::string_view link);

// The extension of a path: from its last "." that no "\", "/" or ":" follows to the end, a-z
// upper-cased, at most 5 characters; empty when there is none. ("/" ends a folder too: the
// expanded path of a page shown from a Linux folder keeps its "/".)
std::string LinkExtension(std::string_view path);

// The directory a DIRY: link names: the upper-cased link with every "/" turned into "\" and
// every "DIRY:\\\DISKS\" replaced by source_dir (SourceDir).
std::string DirectoryLinkPath(std::string_view upper_url, std::string_view source_dir);

// The file, member and search word a VIEW: link (as written) names: the word is the text after
// its first "|" (empty without one), upper-cased; before it, the text after the first "?" is
// the member, percent-decoded (core::PercentDecoded; empty without a "?"); the file is the text
// before those, upper-cased, with every "/" turned into "\" and every "VIEW:\\\DISKS\"
// replaced by source_dir (SourceDir). A file that then still begins with "VIEW:\\\" names no
// companion-disk file: file is then the upper-cased reference after the first 8 characters
// ("VIEW:///"), slashes as written, relative to the shown page, and relative is set.
struct SourceFileLink {
  std::string file;
  std::string member;
  std::string word;
  bool relative = false;  // file is a reference to resolve against the shown page
};
SourceFileLink SourceFileLinkOf(std::string_view url, std::string_view source_dir);

// A file link without the page it names: a link whose part before a last kPdfPageMarker (any
// letter case) ends in ".PDF" (any case) and whose part after it is a number from 1 gives that
// part and the number; any other link is given back whole, with page 0.
struct PdfPageLink {
  std::string url;
  int page = 0;
};
PdfPageLink SplitPdfPage(std::string_view url);

// Where the find dialog goes when a link found its word: its top-left corner at the middle of
// the window's width and a sixth of its height, the divisions truncating towards zero.
ScreenPoint FindDialogPosition(const WindowGeometry& window);

class LinkRouter {
 public:
  // The main window's router: every route (kMainWindowLinks). The actions and the settings
  // outlive the router; the settings are read as each link is routed.
  LinkRouter(MainWindowLinkActions& actions, const core::BrowserSettings& settings)
      : actions_(actions), main_window_(&actions), policy_(kMainWindowLinks), settings_(settings) {}
  // The viewer window's router: the reduced routes (kViewerLinks).
  LinkRouter(LinkActions& actions, const core::BrowserSettings& settings)
      : actions_(actions), main_window_(nullptr), policy_(kViewerLinks), settings_(settings) {}
  LinkRouter(const LinkRouter&) = delete;
  LinkRouter& operator=(const LinkRouter&) = delete;

  // Routes the clicked link (url as written in the page) and acts on it; returns Handled:
  // true when the window dealt with the link and the view must not follow it. In order:
  //  1. search_links: U is "ARTSRCH.HTM": ArticleSearch; "BONSRCH.HTM": SearchOther;
  //     kFreeTextSearchLink upper-cased, clicked on the Contents: FullTextSearch.
  //  2. No ":" in url, its first ":" at position 1 or 2, or "FILE:" in U: the file branch. A
  //     page the link names is taken off (SplitPdfPage). The
  //     url's first 255 characters are split by SplitLinkParameters; the file is resolved
  //     (archive_folders: ResolveLinkTarget with expand; else ExpandLinkPath as written) and
  //     cut to 255 characters; by its LinkExtension:
  //       .WAV   programs_and_archives: PlaySound, without a CD-ROM check;
  //       .EXE   programs_and_archives: the parameters resolved without expand; EnsureCdReady
  //              for the program and, when the parameters begin with a drive path (":\" at
  //              position 2, or "/" or "\" first, as a mount point is written), for them;
  //              LaunchProgram;
  //       .ZIP   programs_and_archives: EnsureCdReady, OpenExtractDialog;
  //       .PDF   archive_folders: the url as written with every "file:///pdf/" (any case)
  //              replaced by PdfDir and every "/" turned into "\": nothing while LastIssue is
  //              0; EnsureCdReady. Else the resolved file. Then the error "Unable to find
  //              file: " + path, or OpenPdfInReader at the link's page;
  //       .TXT   the text editor; .MID, .AVI: the media player;
  //       .HTM   only with "FILE:": the web browser, or without one the warning that GIF
  //              images are not shown;
  //       other  left to the view.
  //  3. "HTTP://" in U: the web browser with the url as written, or without one the warning
  //     "Unable to find your web browser to connect to this website".
  //  4. "DIRY:": EnsureCdReady(DirectoryLinkPath), then BrowseDirectory on it, or the error
  //     "Sorry, the requested directory " + path + " does not exist".
  //  5. "VIEW:": the SourceFileLinkOf file, a relative one resolved as the file branch
  //     resolves a file (archive_folders: ResolveLinkTarget with expand; else ExpandLinkPath)
  //     and cut to 255 characters; EnsureCdReady for it, then ShowSourceFile with the
  //     caption "Source Viewer: " + the file as shown and the word; with a member,
  //     ShowArchiveMember with the caption "Source Viewer: " + the archive as shown + " : " +
  //     the member.
  //  6. search_links, "SRCH:": the url as written cut before its first "|" (the word after it
  //     keeps its case), every "SRCH:///" removed, resolved with expand and loaded into
  //     "MAIN"; when FindNext finds the word, the find dialog at FindDialogPosition with it.
  //  7. Anything else: left to the view.
  // A cancelled CD-ROM prompt drops the action; the link still counts as handled. Errors the
  // actions throw (the view's "Can't locate file: ") pass to the caller.
  bool HotSpotClick(std::string_view page_url, LinkPlace place = LinkPlace::Other);

  // A link reference (UTF-8) as the path it stands for: a-z upper-cased, every "XBONUS/"
  // replaced by CdPath + "BONUS/" (CdPath keeps its letter case), and with expand the view's
  // ExpandLinkPath applied.
  std::string ResolveLinkTarget(std::string_view reference, bool expand);

 private:
  // The branches of HotSpotClick. The file branch returns Handled; the others always handle
  // the link.
  bool FileBranch(std::string_view url, bool file_marked);
  void RunProgram(const std::string& program, std::string_view parameters);
  void PdfBranch(std::string_view url, const std::string& file, int page);
  void WebsiteBranch(std::string_view url);
  void DirectoryBranch(std::string_view upper_url);
  void ViewBranch(std::string_view url);
  void SearchBranch(std::string_view url);

  LinkActions& actions_;                 // the window and the platform
  MainWindowLinkActions* main_window_;   // the main window's own; null for the viewer
  const LinkPolicy policy_;              // the routes the window takes
  const core::BrowserSettings& settings_;  // the folders, the browser, the last issue
};

}  // namespace vantorel::browser
