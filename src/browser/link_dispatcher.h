// The link dispatcher: every link clicked in the main window's frame view comes here before
// the view follows it. The dispatcher either acts itself (the view then does nothing more) or
// leaves the link to the view.
//
// Link forms, as written in the archive's pages and the generated pages (U is the reference
// with a-z upper-cased; positions count from 1):
//   "ARTSRCH.HTM", "BONSRCH.HTM" (the whole reference)   the article or bonus search command
//   no ":", ":" at position 1 or 2, or "FILE:" anywhere  the file branch: the action of the
//                                                        file's extension, or the view
//   "HTTP://" anywhere                                   the web browser
//   "DIRY:", normally "diry:///disks/" + folder          the file browser on SourceDir + folder
//   "VIEW:", normally "VIEW:///DISKS/" + file            the viewer window on SourceDir + file,
//            [+ "|" + word]                              which then looks for the word
//   "SRCH:", normally "SRCH:///" + page [+ "|" + word]   the page in the frame "MAIN", then the
//                                                        word found there
//   anything else                                        the view
// In the file branch "file:///pdf/" + name stands for PdfDir + name, and "XBONUS/" anywhere
// for the folder "BONUS/" of the CD-ROM drive (CdPath).
//
// A link is an archive text (code page 1252); the dispatcher converts it to UTF-8 as it takes
// it, so the paths it builds are UTF-8 path texts (platform/file_system.h), spelt as the links
// spell them ("\" separators, upper case); the file-system facade finds the files they name,
// and the messages and captions show them as ShownPath does. Search words stay 1252.
#pragma once

#include <string>
#include <string_view>

namespace vantorel::browser {

// The program texts of the file actions. Here they stand for the desktop's default application
// for the file: "notepad.exe" gets the file as its parameter text, "MPlayer.exe" gets
// kMediaPlayerParameters + the file.
inline constexpr char kTextEditorProgram[] = "notepad.exe";
inline constexpr char kMediaPlayerProgram[] = "MPlayer.exe";
inline constexpr char kMediaPlayerParameters[] = "/play /close ";

// The frame that SRCH: links load their page into.
inline constexpr char kMainFrame[] = "MAIN";

// What the link routers (this one and the viewer window's) tell the user. The viewer window's
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

// What the dispatcher acts through: the main window with its frame view and find dialog, the
// windows it shows modally, and the platform's outside programs, CD-ROM drive and files. The
// main window implements it; tests record the calls. Messages to the user go through the Ui
// port, not through here.
class LinkActions {
 public:
  virtual ~LinkActions() = default;

  // --- The main window's frame view
  // The reference as a full file path, taken relative to the shown page (link_path.h).
  virtual std::string ExpandLinkPath(const std::string& reference) = 0;
  // Loads the file into the frame of that name; throws the view's "Can't locate file: " error
  // when the file does not exist.
  virtual void LoadDocumentIntoFrame(const std::string& frame, const std::string& file) = 0;
  // Searches forward in the active frame and selects the text; true when found. An empty text
  // is never found.
  virtual bool FindNext(const std::string& text, bool match_case) = 0;

  // --- The main window
  virtual WindowGeometry MainWindowGeometry() = 0;
  // Gives the find dialog text as its find text, moves its top-left corner to top_left and
  // shows it modeless.
  virtual void ShowFindDialog(const std::string& text, ScreenPoint top_left) = 0;
  // The main window's article search and bonus search commands.
  virtual void ArticleSearch() = 0;
  virtual void SearchOther() = 0;

  // --- Other windows
  // The viewer window's view gets the background white and shows the file as plain text;
  // the window's caption becomes caption. Throws the view's error when the file does not
  // exist. Does not show the window.
  virtual void LoadViewerTextFile(const std::string& file, const std::string& caption) = 0;
  // Shows the viewer window modally; returns when it closes.
  virtual void ShowViewerModal() = 0;
  // Creates the file browser on the directory, shows it modally and releases it when it
  // closes.
  virtual void BrowseDirectory(const std::string& directory) = 0;
  // The extraction dialog on the archive, modally (OpenExtractDialog).
  virtual void OpenExtractDialog(const std::string& archive) = 0;

  // --- Outside programs, the CD-ROM drive and files
  // Starts the program (a path, kTextEditorProgram or kMediaPlayerProgram) with the parameter
  // text; a failure is told in an error box naming the file.
  virtual void LaunchProgram(const std::string& program, const std::string& parameters) = 0;
  // True when the caller may read from path: at once for a path on no CD-ROM drive, else
  // after the user confirmed the CD-ROM prompt with the disc in; false when cancelled.
  virtual bool EnsureCdReady(const std::string& path) = 0;
  // OpenPdfInReader with command messages. REQUIRES: the file exists.
  virtual void OpenPdfInReader(const std::string& path) = 0;
  // Plays the sound file without waiting for it to end.
  virtual void PlaySound(const std::string& file) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
};

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
// every "DIRY:\\\DISKS\" replaced by SourceDir.
std::string DirectoryLinkPath(std::string_view upper_url);

// The file and search word a VIEW: link names, from the upper-cased link: the word is the text
// after its first "|" (empty without one); the file is the text before it with every "/"
// turned into "\" and every "VIEW:\\\DISKS\" replaced by SourceDir.
struct SourceFileLink {
  std::string file;
  std::string word;
};
SourceFileLink SourceFileLinkOf(std::string_view upper_url);

// Where the find dialog goes when a link found its word: its top-left corner at the middle of
// the window's width and a sixth of its height, the divisions truncating towards zero.
ScreenPoint FindDialogPosition(const WindowGeometry& window);

class LinkDispatcher {
 public:
  // The actions outlive the dispatcher.
  explicit LinkDispatcher(LinkActions& actions) : actions_(actions) {}
  LinkDispatcher(const LinkDispatcher&) = delete;
  LinkDispatcher& operator=(const LinkDispatcher&) = delete;

  // Routes the clicked link (url as written in the page) and acts on it; returns Handled:
  // true when the program dealt with the link and the view must not follow it. In order:
  //  1. U is "ARTSRCH.HTM": ArticleSearch; "BONSRCH.HTM": SearchOther.
  //  2. No ":" in url, its first ":" at position 1 or 2, or "FILE:" in U: the file branch. The
  //     url's first 255 characters are split by SplitLinkParameters; the file is resolved with
  //     expand and cut to 255 characters; by its LinkExtension:
  //       .WAV   PlaySound, without a CD-ROM check;
  //       .EXE   the parameters resolved without expand; EnsureCdReady for the program and,
  //              when the parameters begin with a drive path (":\" at position 2, or "/" or
  //              "\" first, as a mount point is written), for them; LaunchProgram;
  //       .ZIP   EnsureCdReady, OpenExtractDialog;
  //       .PDF   the url as written with every "file:///pdf/" (any case) replaced by PdfDir
  //              and every "/" turned into "\": nothing while LastIssue is 0; EnsureCdReady;
  //              the error "Unable to find file: " + path, or OpenPdfInReader;
  //       .TXT   the text editor; .MID, .AVI: the media player;
  //       .HTM   only with "FILE:": the web browser, or without one the warning that GIF
  //              images are not shown;
  //       other  left to the view.
  //  3. "HTTP://" in U: the web browser with the url as written, or without one the warning
  //     "Unable to find your web browser to connect to this website".
  //  4. "DIRY:": EnsureCdReady(DirectoryLinkPath), then the file browser on it, or the error
  //     "Sorry, the requested directory " + path + " does not exist".
  //  5. "VIEW:": EnsureCdReady for the SourceFileLinkOf file, the file in the viewer with the
  //     caption "Source Viewer: " + the file as shown, ViewerSearchWord := the word, the viewer shown.
  //  6. "SRCH:": the url as written cut before its first "|" (the word after it keeps its
  //     case), every "SRCH:///" removed, resolved with expand and loaded into "MAIN"; when
  //     FindNext finds the word, the find dialog at FindDialogPosition with the word.
  //  7. Anything else: left to the view.
  // A cancelled CD-ROM prompt drops the action; the link still counts as handled. Errors the
  // actions throw (the view's "Can't locate file: ") pass to the caller.
  bool HotSpotTargetClick(std::string_view page_url);

  // A link reference (UTF-8) as the path it stands for: a-z upper-cased, every "XBONUS/" replaced by
  // CdPath + "BONUS/" (CdPath keeps its letter case), and with expand the frame view's
  // ExpandLinkPath applied.
  std::string ResolveLinkTarget(std::string_view reference, bool expand);

 private:
  // The branches of HotSpotTargetClick. The file branch returns Handled; the others always
  // handle the link.
  bool FileBranch(std::string_view url, bool file_marked);
  void RunProgram(const std::string& program, std::string_view parameters);
  void PdfBranch(std::string_view url);
  void WebsiteBranch(std::string_view url);
  void DirectoryBranch(std::string_view upper_url);
  void ViewBranch(std::string_view upper_url);
  void SearchBranch(std::string_view url);

  LinkActions& actions_;  // the main window and the platform
};

}  // namespace vantorel::browser
