#include "viewer/view_link_router.h"

#include "browser/link_dispatcher.h"
#include "core/shared_state.h"
#include "core/texts.h"
#include "core/ui.h"

namespace vantorel::viewer {
namespace {

// Markers looked for in the upper-cased link.
constexpr std::string_view kFileMarker = "FILE:";
constexpr std::string_view kWebsiteMarker = "HTTP://";
constexpr std::string_view kDirectoryMarker = "DIRY:";
constexpr std::string_view kViewMarker = "VIEW:";

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

}  // namespace

bool ViewLinkRouter::HotSpotClick(std::string_view url) {
  const std::string upper = core::UpperCaseAscii(url);
  // A colon at index 0 or 1 is at position 1 or 2: a drive path.
  const std::size_t colon = url.find(':');
  const bool file_marked = Contains(upper, kFileMarker);
  if (colon == std::string_view::npos || colon <= 1 || file_marked) return FileBranch(url, file_marked);
  if (Contains(upper, kWebsiteMarker)) {
    WebsiteBranch(url);
    return true;
  }
  if (Contains(upper, kDirectoryMarker)) {
    DirectoryBranch(upper);
    return true;
  }
  if (Contains(upper, kViewMarker)) {
    ViewBranch(upper);
    return true;
  }
  return false;
}

bool ViewLinkRouter::FileBranch(std::string_view url, bool file_marked) {
  const browser::LinkParameters link = browser::SplitLinkParameters(core::CutToShortString(url));
  const std::string file = core::CutToShortString(actions_.ExpandLinkPath(link.file));
  const std::string extension = browser::LinkExtension(file);
  if (extension == ".PDF") {
    PdfBranch(file);
  } else if (extension == ".TXT") {
    actions_.LaunchProgram(browser::kTextEditorProgram, file);
  } else if (extension == ".MID" || extension == ".AVI") {
    actions_.LaunchProgram(browser::kMediaPlayerProgram, browser::kMediaPlayerParameters + file);
  } else if (extension == ".HTM" && file_marked) {
    const std::string& web_browser = core::Settings().BrowserPath;
    if (web_browser.empty()) {
      core::ShowWarning(browser::kNoBrowserForGifPage);
    } else {
      actions_.LaunchProgram(web_browser, file);
    }
  } else {
    return false;
  }
  return true;
}

// A PDF link names a file beside the shown page, not one of the article folder.
void ViewLinkRouter::PdfBranch(const std::string& path) {
  if (!actions_.FileExists(path)) {
    core::ShowError(browser::kMissingFile + path);
    return;
  }
  actions_.OpenPdfInReader(path);
}

void ViewLinkRouter::WebsiteBranch(std::string_view url) {
  const std::string& web_browser = core::Settings().BrowserPath;
  if (web_browser.empty()) {
    core::ShowWarning(browser::kNoWebBrowser);
    return;
  }
  actions_.LaunchProgram(web_browser, std::string(url));
}

void ViewLinkRouter::DirectoryBranch(std::string_view upper_url) {
  const std::string directory = browser::DirectoryLinkPath(upper_url);
  if (!actions_.EnsureCdReady(directory)) return;
  if (!actions_.DirectoryExists(directory)) {
    core::ShowError(browser::kMissingDirectoryBefore + directory + browser::kMissingDirectoryAfter);
    return;
  }
  actions_.BrowseFolder(directory);
}

// The window is already shown: the word is looked for the next time it becomes active.
void ViewLinkRouter::ViewBranch(std::string_view upper_url) {
  const browser::SourceFileLink link = browser::SourceFileLinkOf(upper_url);
  if (!actions_.EnsureCdReady(link.file)) return;
  actions_.ShowSourceFile(link.file);
  core::ViewerSearchWord() = link.word;
}

}  // namespace vantorel::viewer
