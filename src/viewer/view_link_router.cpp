#include "viewer/view_link_router.h"

#include "browser/link_dispatcher.h"
#include "core/code_pages.h"
#include "core/shared_state.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"

namespace vantorel::viewer {

// Search links are left to the view here. The link is converted from the page's code page as
// it is taken.
bool ViewLinkRouter::HotSpotClick(std::string_view page_url) {
  const std::string url = core::Cp1252ToUtf8(page_url);
  const browser::LinkRouting routing = browser::RouteOfLink(url);
  switch (routing.route) {
    case browser::LinkRoute::File:
      return FileBranch(url, routing.file_marked);
    case browser::LinkRoute::Website:
      WebsiteBranch(url);
      return true;
    case browser::LinkRoute::Directory:
      DirectoryBranch(core::UpperCaseAscii(url));
      return true;
    case browser::LinkRoute::View:
      ViewBranch(core::UpperCaseAscii(url));
      return true;
    case browser::LinkRoute::Search:
    case browser::LinkRoute::None:
      break;
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
    core::ShowError(browser::kMissingFile + platform::ShownPath(path));
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
    core::ShowError(browser::kMissingDirectoryBefore + platform::ShownPath(directory) +
                    browser::kMissingDirectoryAfter);
    return;
  }
  actions_.BrowseFolder(directory);
}

// The window is already shown: the word is looked for the next time it becomes active.
void ViewLinkRouter::ViewBranch(std::string_view upper_url) {
  const browser::SourceFileLink link = browser::SourceFileLinkOf(upper_url);
  if (!actions_.EnsureCdReady(link.file)) return;
  actions_.ShowSourceFile(link.file);
  core::ViewerSearchWord() = core::Utf8ToCp1252(link.word);
}

}  // namespace vantorel::viewer
