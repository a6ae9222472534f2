#include "browser/link_router.h"

#include <algorithm>
#include <utility>

#include "core/code_pages.h"
#include "core/path_texts.h"
#include "core/texts.h"
#include "core/ui.h"
#include "platform/file_system.h"

namespace vantorel::browser {
namespace {

// Whole references that stand for the two search commands.
constexpr std::string_view kArticleSearchPage = "ARTSRCH.HTM";
constexpr std::string_view kBonusSearchPage = "BONSRCH.HTM";

// Markers looked for in the upper-cased link.
constexpr std::string_view kFileMarker = "FILE:";
constexpr std::string_view kWebsiteMarker = "HTTP://";
constexpr std::string_view kDirectoryMarker = "DIRY:";
constexpr std::string_view kViewMarker = "VIEW:";
constexpr std::string_view kSearchMarker = "SRCH:";

// Prefixes that stand for a folder of the settings.
constexpr std::string_view kPdfLinkPrefix = "file:///pdf/";           // PdfDir
constexpr std::string_view kBonusMarker = "XBONUS/";                  // CdPath + "BONUS/"
constexpr std::string_view kCdBonusFolder = "BONUS/";
constexpr std::string_view kDirectoryLinkPrefix = "DIRY:\\\\\\DISKS\\";  // SourceDir
constexpr std::string_view kViewLinkPrefix = "VIEW:\\\\\\DISKS\\";       // SourceDir
constexpr std::string_view kViewRelativePrefix = "VIEW:\\\\\\";            // the shown page's folder
constexpr std::string_view kSearchLinkPrefix = "SRCH:///";            // removed

// An extension is compared by its first five characters, the dot included.
constexpr std::size_t kExtensionMax = 5;

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

// ReplaceAllNoCase for a replacement that comes from the settings. Its rescans from the start
// never end when the setting itself contains the marker; such a setting is put in once for
// each marker of the text instead.
std::string ReplaceWithSetting(std::string_view text, std::string_view marker,
                               std::string_view setting) {
  if (core::FindNoCase(setting, marker) == std::string_view::npos)
    return core::ReplaceAllNoCase(text, marker, setting);
  std::string result;
  std::size_t from = 0;
  for (std::size_t at = core::FindNoCase(text, marker); at != std::string_view::npos;
       at = core::FindNoCase(text, marker, from)) {
    result.append(text.substr(from, at - from));
    result.append(setting);
    from = at + marker.size();
  }
  result.append(text.substr(from));
  return result;
}

std::string WithBackslashes(std::string_view text) {
  std::string result(text);
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

// A text cut at its first "|": the part before it and the word after it.
struct WordSplit {
  std::string text;
  std::string word;
};

WordSplit SplitAtBar(std::string_view text) {
  const std::size_t bar = text.find('|');
  if (bar == std::string_view::npos) return {std::string(text), {}};
  return {std::string(text.substr(0, bar)), std::string(text.substr(bar + 1))};
}

// True when the parameter text begins with a path on a drive: "X:\" on a drive letter, or a
// path from the root, which is how a CD-ROM drive's mount point is written here.
bool StartsWithDrivePath(std::string_view parameters) {
  if (parameters.size() >= 3 && parameters.substr(1, 2) == ":\\") return true;
  return !parameters.empty() && (parameters.front() == '/' || parameters.front() == '\\');
}

}  // namespace

LinkRouting RouteOfLink(std::string_view url) {
  const std::string upper = core::UpperCaseAscii(url);
  // A colon at index 0 or 1 is at position 1 or 2: a drive path.
  const std::size_t colon = url.find(':');
  const bool file_marked = Contains(upper, kFileMarker);
  if (colon == std::string_view::npos || colon <= 1 || file_marked)
    return {LinkRoute::File, file_marked};
  const std::pair<std::string_view, LinkRoute> markers[] = {
      {kWebsiteMarker, LinkRoute::Website},
      {kDirectoryMarker, LinkRoute::Directory},
      {kViewMarker, LinkRoute::View},
      {kSearchMarker, LinkRoute::Search}};
  for (const auto& [marker, route] : markers)
    if (Contains(upper, marker)) return {route, false};
  return {LinkRoute::None, false};
}

LinkParameters SplitLinkParameters(std::string_view link) {
  std::size_t separator = link.find(' ');
  if (separator == std::string_view::npos) separator = link.find('?');
  if (separator == std::string_view::npos) return {std::string(link), {}};
  return {std::string(link.substr(0, separator)), std::string(link.substr(separator + 1))};
}

std::string LinkExtension(std::string_view path) {
  constexpr core::FolderEnd kRule = core::FolderEnd::SeparatorOrDrive;
  if (!core::HasExtension(path, kRule)) return {};
  return core::UpperCaseAscii(("." + core::ExtensionOf(path, kRule)).substr(0, kExtensionMax));
}

std::string DirectoryLinkPath(std::string_view upper_url, std::string_view source_dir) {
  return ReplaceWithSetting(WithBackslashes(upper_url), kDirectoryLinkPrefix, source_dir);
}

SourceFileLink SourceFileLinkOf(std::string_view url, std::string_view source_dir) {
  const WordSplit split = SplitAtBar(url);
  std::string_view file = split.text;
  std::string member;
  if (const std::size_t question = file.find('?'); question != std::string_view::npos) {
    member = core::PercentDecoded(file.substr(question + 1));
    file = file.substr(0, question);
  }
  const std::string upper = core::UpperCaseAscii(file);
  std::string path = ReplaceWithSetting(WithBackslashes(upper), kViewLinkPrefix, source_dir);
  // A relative reference keeps its own "/", which "XBONUS/" and the expansion look for.
  const bool relative = path.starts_with(kViewRelativePrefix);
  if (relative) path = upper.substr(kViewRelativePrefix.size());
  return {std::move(path), std::move(member), core::UpperCaseAscii(split.word), relative};
}

PdfPageLink SplitPdfPage(std::string_view url) {
  constexpr std::string_view kPdfExtension = ".PDF";
  constexpr int kPageMax = 1000000;  // beyond any document
  const std::string upper = core::UpperCaseAscii(url);
  const std::size_t marker = upper.rfind(core::UpperCaseAscii(kPdfPageMarker));
  if (marker == std::string::npos || !std::string_view(upper).substr(0, marker).ends_with(kPdfExtension))
    return {std::string(url), 0};
  const std::string_view digits = url.substr(marker + std::string_view(kPdfPageMarker).size());
  int page = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9' || page >= kPageMax) return {std::string(url), 0};
    page = page * 10 + (c - '0');
  }
  if (page < 1) return {std::string(url), 0};
  return {std::string(url.substr(0, marker)), page};
}

ScreenPoint FindDialogPosition(const WindowGeometry& window) {
  return {window.left + window.width / 2, window.top + window.height / 6};
}

std::string LinkRouter::ResolveLinkTarget(std::string_view reference, bool expand) {
  std::string target = core::UpperCaseAscii(reference);
  if (Contains(target, kBonusMarker))
    target = ReplaceWithSetting(target, kBonusMarker, settings_.CdPath + std::string(kCdBonusFolder));
  if (expand) target = actions_.ExpandLinkPath(target);
  return target;
}

bool LinkRouter::HotSpotClick(std::string_view page_url, LinkPlace place) {
  const std::string url = core::Cp1252ToUtf8(page_url);
  const std::string upper = core::UpperCaseAscii(url);
  if (policy_.search_links && upper == kArticleSearchPage) {
    main_window_->ArticleSearch();
    return true;
  }
  if (policy_.search_links && upper == kBonusSearchPage) {
    main_window_->SearchOther();
    return true;
  }
  if (policy_.search_links && place == LinkPlace::Contents &&
      upper == core::UpperCaseAscii(kFreeTextSearchLink)) {
    main_window_->FullTextSearch();
    return true;
  }
  const LinkRouting routing = RouteOfLink(url);
  switch (routing.route) {
    case LinkRoute::File:
      return FileBranch(url, routing.file_marked);
    case LinkRoute::Website:
      WebsiteBranch(url);
      return true;
    case LinkRoute::Directory:
      DirectoryBranch(upper);
      return true;
    case LinkRoute::View:
      ViewBranch(url);
      return true;
    case LinkRoute::Search:
      if (!policy_.search_links) break;
      SearchBranch(url);
      return true;
    case LinkRoute::None:
      break;
  }
  return false;
}

bool LinkRouter::FileBranch(std::string_view page_url, bool file_marked) {
  const PdfPageLink paged = SplitPdfPage(page_url);
  const std::string_view url = paged.url;
  const LinkParameters link = SplitLinkParameters(core::CutToShortString(url));
  const std::string file = core::CutToShortString(
      policy_.archive_folders ? ResolveLinkTarget(link.file, true) : actions_.ExpandLinkPath(link.file));
  const std::string extension = LinkExtension(file);
  const bool programs = policy_.programs_and_archives;
  if (programs && extension == ".WAV") {
    main_window_->PlaySound(file);
  } else if (programs && extension == ".EXE") {
    RunProgram(file, link.parameters);
  } else if (programs && extension == ".ZIP") {
    if (actions_.EnsureCdReady(file)) main_window_->OpenExtractDialog(file);
  } else if (extension == ".PDF") {
    PdfBranch(url, file, paged.page);
  } else if (extension == ".TXT") {
    actions_.LaunchProgram(kTextEditorProgram, file);
  } else if (extension == ".MID" || extension == ".AVI") {
    actions_.LaunchProgram(kMediaPlayerProgram, kMediaPlayerParameters + file);
  } else if (extension == ".HTM" && file_marked) {
    const std::string& browser = settings_.BrowserPath;
    if (browser.empty()) {
      core::ShowWarning(kNoBrowserForGifPage);
    } else {
      actions_.LaunchProgram(browser, file);
    }
  } else {
    return false;
  }
  return true;
}

// Both the program and a parameter that names a file on a drive may lie on the CD-ROM; each
// gets its own prompt.
void LinkRouter::RunProgram(const std::string& program, std::string_view parameters) {
  const std::string resolved = ResolveLinkTarget(parameters, false);
  if (!actions_.EnsureCdReady(program)) return;
  if (StartsWithDrivePath(resolved) && !actions_.EnsureCdReady(resolved)) return;
  actions_.LaunchProgram(program, resolved);
}

// Article PDF links are taken from the link as written: "file:///pdf/" stands for PdfDir.
// Without the archive's folders a PDF link names a file beside the shown page.
void LinkRouter::PdfBranch(std::string_view url, const std::string& file, int page) {
  std::string path = file;
  if (policy_.archive_folders) {
    path = WithBackslashes(ReplaceWithSetting(url, kPdfLinkPrefix, settings_.PdfDir));
    if (settings_.LastIssue == 0) return;
    if (!actions_.EnsureCdReady(path)) return;
  }
  if (!actions_.FileExists(path)) {
    core::ShowError(kMissingFile + platform::ShownPath(path));
    return;
  }
  actions_.OpenPdfInReader(path, page);
}

void LinkRouter::WebsiteBranch(std::string_view url) {
  const std::string& browser = settings_.BrowserPath;
  if (browser.empty()) {
    core::ShowWarning(kNoWebBrowser);
    return;
  }
  actions_.LaunchProgram(browser, std::string(url));
}

void LinkRouter::DirectoryBranch(std::string_view upper_url) {
  const std::string directory = DirectoryLinkPath(upper_url, settings_.SourceDir);
  if (!actions_.EnsureCdReady(directory)) return;
  if (!actions_.DirectoryExists(directory)) {
    core::ShowError(kMissingDirectoryBefore + platform::ShownPath(directory) +
                    kMissingDirectoryAfter);
    return;
  }
  actions_.BrowseDirectory(directory);
}

void LinkRouter::ViewBranch(std::string_view url) {
  SourceFileLink link = SourceFileLinkOf(url, settings_.SourceDir);
  if (link.relative)
    link.file = core::CutToShortString(policy_.archive_folders ? ResolveLinkTarget(link.file, true)
                                                               : actions_.ExpandLinkPath(link.file));
  if (!actions_.EnsureCdReady(link.file)) return;
  if (!link.member.empty()) {
    actions_.ShowArchiveMember(link.file, link.member,
                               kViewerCaption + platform::ShownPath(link.file) + " : " + link.member,
                               core::Utf8ToCp1252(link.word));
    return;
  }
  actions_.ShowSourceFile(link.file, kViewerCaption + platform::ShownPath(link.file),
                          core::Utf8ToCp1252(link.word));
}

void LinkRouter::SearchBranch(std::string_view url) {
  const WordSplit split = SplitAtBar(url);
  const std::string page =
      ResolveLinkTarget(core::ReplaceAllNoCase(split.text, kSearchLinkPrefix, ""), true);
  main_window_->LoadDocumentIntoFrame(kMainFrame, page);
  // An empty word is never found. The word is searched for in the page's own code page.
  const std::string word = core::Utf8ToCp1252(split.word);
  if (word.empty() || !main_window_->FindNext(word, false)) return;
  main_window_->ShowFindDialog(word, FindDialogPosition(main_window_->MainWindowGeometry()));
}

}  // namespace vantorel::browser
