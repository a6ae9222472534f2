// The viewer window's link router: the main window's link dispatcher (browser/link_dispatcher.h)
// reduced to what a page shown in the viewer needs. Links are taken relative to the shown page
// and never stand for the search commands or the settings' folders.
//
// Link forms (U is the reference with a-z upper-cased; positions count from 1):
//   no ":", ":" at position 1 or 2, or "FILE:" anywhere  the file branch: the action of the
//                                                        file's extension, or the view
//   "HTTP://" anywhere                                   the web browser
//   "DIRY:", normally "diry:///disks/" + folder          the folder picker preset to it
//   "VIEW:", normally "VIEW:///DISKS/" + file            the file shown in this window, and
//            [+ "|" + word]                              the word looked for next time
//   anything else ("SRCH:" too)                          the view
#pragma once

#include <string>
#include <string_view>

namespace vantorel::viewer {

// What the router acts through: the viewer window with its view and folder picker, and the
// platform's outside programs, CD-ROM drive and files. The viewer window implements it; tests
// record the calls. Messages to the user go through the Ui port.
class ViewLinkActions {
 public:
  virtual ~ViewLinkActions() = default;

  // The reference as a full file path, taken relative to the page the window shows.
  virtual std::string ExpandLinkPath(const std::string& reference) = 0;
  // The window's view gets the background white and shows the file as plain text; the caption
  // becomes "Source Viewer: " + file. Throws the view's error when the file does not exist.
  virtual void ShowSourceFile(const std::string& file) = 0;
  // The window's folder picker, preset to the directory and shown modally; what the user picks
  // is not used.
  virtual void BrowseFolder(const std::string& directory) = 0;

  // Starts the program (a path, browser::kTextEditorProgram or browser::kMediaPlayerProgram)
  // with the parameter text; a failure is told in an error box naming the file.
  virtual void LaunchProgram(const std::string& program, const std::string& parameters) = 0;
  // True when the caller may read from path (platform::EnsureCdReady).
  virtual bool EnsureCdReady(const std::string& path) = 0;
  // OpenPdfInReader without command messages. REQUIRES: the file exists.
  virtual void OpenPdfInReader(const std::string& path) = 0;
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool DirectoryExists(const std::string& path) = 0;
};

class ViewLinkRouter {
 public:
  // The actions outlive the router.
  explicit ViewLinkRouter(ViewLinkActions& actions) : actions_(actions) {}
  ViewLinkRouter(const ViewLinkRouter&) = delete;
  ViewLinkRouter& operator=(const ViewLinkRouter&) = delete;

  // Routes the clicked link (url as written in the page) and acts on it; returns Handled: true
  // when the window dealt with the link and the view must not follow it. In order:
  //  1. No ":" in url, its first ":" at position 1 or 2, or "FILE:" in U: the file branch. The
  //     url's first 255 characters are split by browser::SplitLinkParameters; the file part is
  //     expanded as written (ExpandLinkPath) and cut to 255 characters; by its extension:
  //       .PDF   the error "Unable to find file: " + path when it does not exist, else
  //              OpenPdfInReader;
  //       .TXT   the text editor; .MID, .AVI: the media player;
  //       .HTM   only with "FILE:": the web browser, or without one the warning that GIF
  //              images are not shown;
  //       other  (.WAV, .EXE and .ZIP too) left to the view.
  //  2. "HTTP://" in U: the web browser with the url as written, or without one the warning
  //     "Unable to find your web browser to connect to this website".
  //  3. "DIRY:": EnsureCdReady(browser::DirectoryLinkPath), then the folder picker on it, or
  //     the error "Sorry, the requested directory " + path + " does not exist".
  //  4. "VIEW:": EnsureCdReady for the browser::SourceFileLinkOf file, the file shown in the
  //     window, then core::ViewerSearchWord() := the word.
  //  5. Anything else: left to the view.
  // A cancelled CD-ROM prompt drops the action; the link still counts as handled. Errors the
  // actions throw (the view's "Can't locate file: ") pass to the caller.
  bool HotSpotClick(std::string_view page_url);

 private:
  bool FileBranch(std::string_view url, bool file_marked);
  void PdfBranch(const std::string& path);
  void WebsiteBranch(std::string_view url);
  void DirectoryBranch(std::string_view upper_url);
  void ViewBranch(std::string_view upper_url);

  ViewLinkActions& actions_;  // the viewer window and the platform
};

}  // namespace vantorel::viewer
