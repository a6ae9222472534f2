// Every link of the demo archive's front end, clicked in a real main window: the dispatcher,
// the frame view and the main window's actions run as in the program; only the outside
// programs, the CD-ROM check and the other windows are recorded instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "browser/find_dialog.h"
#include "browser/frame_viewer.h"
#include "browser/html_viewer.h"
#include "browser/main_form.h"
#include "core/settings.h"
#include "page_fixture_helpers.h"
#include "platform/file_system.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::browser {
namespace {

namespace fs = std::filesystem;
using core::BoxKind;
using testing::ScriptedUi;
using testing::TempDir;

constexpr char kBrowser[] = "/opt/web/browser";
constexpr char kNoWebBrowser[] = "Unable to find your web browser to connect to this website";
constexpr char kGifWarning[] =
    "Because of licensing issues, this program does not display GIF images. We were unable to "
    "find your web browser in order to load this file containing GIF images.";

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every occurrence of from (any letter case) replaced by to.
std::string ReplaceNoCase(const std::string& text, const std::string& from, const std::string& to) {
  const std::string upper_text = Upper(text);
  const std::string upper_from = Upper(from);
  std::string result;
  std::size_t start = 0;
  for (std::size_t at; (at = upper_text.find(upper_from, start)) != std::string::npos; start = at + from.size())
    result += text.substr(start, at - start) + to;
  return result + text.substr(start);
}

std::string Slashes(std::string text, char from, char to) {
  std::replace(text.begin(), text.end(), from, to);
  return text;
}

// The entry of root that relative ("/"-separated) names without regard to letter case, as the
// archive's links name its files.
std::optional<fs::path> FindNoCase(const fs::path& root, const std::string& relative) {
  fs::path found = root;
  std::stringstream parts(relative);
  for (std::string part; std::getline(parts, part, '/');) {
    if (part.empty()) continue;
    std::optional<fs::path> match;
    if (fs::is_directory(found)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(found)) {
        if (Upper(entry.path().filename().string()) == Upper(part)) match = entry.path();
      }
    }
    if (!match) return std::nullopt;
    found = *match;
  }
  return found;
}

// The link forms and what each is routed to.
enum class LinkForm {
  ArticleSearch,  // "ARTSRCH.HTM"
  BonusSearch,    // "BONSRCH.HTM"
  FullTextSearch, // "file:///pdf/freetextsearch.pdf", the whole link
  Page,           // file branch, left to the view: pages, anchors, other files
  BrowserPage,    // file branch, ".HTM" marked with "FILE:": the web browser
  Pdf,            // file branch ".PDF"
  Archive,        // ".ZIP"
  Text,           // ".TXT"
  Sound,          // ".WAV"
  Media,          // ".MID", ".AVI"
  Program,        // ".EXE"
  Website,        // "HTTP://"
  Directory,      // "DIRY:"
  SourceFile,     // "VIEW:"
  SearchPage,     // "SRCH:"
  Unknown,        // anything else: left to the view
};

const std::map<LinkForm, std::string> kFormNames = {
    {LinkForm::ArticleSearch, "ArticleSearch"}, {LinkForm::BonusSearch, "BonusSearch"},
    {LinkForm::FullTextSearch, "FullTextSearch"},
    {LinkForm::Page, "Page"},                   {LinkForm::BrowserPage, "BrowserPage"},
    {LinkForm::Pdf, "Pdf"},                     {LinkForm::Archive, "Archive"},
    {LinkForm::Text, "Text"},                   {LinkForm::Sound, "Sound"},
    {LinkForm::Media, "Media"},                 {LinkForm::Program, "Program"},
    {LinkForm::Website, "Website"},             {LinkForm::Directory, "Directory"},
    {LinkForm::SourceFile, "SourceFile"},       {LinkForm::SearchPage, "SearchPage"},
    {LinkForm::Unknown, "Unknown"}};

// A file link's file part: before the first blank, or without one before the first "?".
std::string FilePart(const std::string& url) {
  std::size_t end = url.find(' ');
  if (end == std::string::npos) end = url.find('?');
  return url.substr(0, end);
}

std::string ParameterPart(const std::string& url) {
  std::size_t end = url.find(' ');
  if (end == std::string::npos) end = url.find('?');
  return end == std::string::npos ? std::string() : url.substr(end + 1);
}

// The extension the file branch acts on: from the last "." to the end, upper case, 5 characters.
std::string Extension(const std::string& file) {
  const std::size_t dot = file.find_last_of('.');
  if (dot == std::string::npos || file.find_first_of("/\\:", dot) != std::string::npos) return {};
  return Upper(file.substr(dot, 5));
}

// A PDF link's page ("#page=" + number at its end), and the link without it; page 0 and the
// whole link when there is none.
std::pair<std::string, int> PdfPage(const std::string& url) {
  static const std::regex page(R"((.*\.PDF)#PAGE=([1-9][0-9]*))", std::regex::icase);
  std::smatch match;
  if (!std::regex_match(url, match, page)) return {url, 0};
  return {match[1].str(), std::stoi(match[2].str())};
}

LinkForm Classify(const std::string& whole_url) {
  const std::string url = PdfPage(whole_url).first;
  const std::string u = Upper(url);
  if (u == "ARTSRCH.HTM") return LinkForm::ArticleSearch;
  if (u == "BONSRCH.HTM") return LinkForm::BonusSearch;
  if (whole_url == url && u == "FILE:///PDF/FREETEXTSEARCH.PDF") return LinkForm::FullTextSearch;
  const std::size_t colon = url.find(':');
  const bool file_marked = Contains(u, "FILE:");
  if (colon == std::string::npos || colon <= 1 || file_marked) {
    const std::string e = Extension(FilePart(url));
    if (e == ".WAV") return LinkForm::Sound;
    if (e == ".EXE") return LinkForm::Program;
    if (e == ".ZIP") return LinkForm::Archive;
    if (e == ".PDF") return LinkForm::Pdf;
    if (e == ".TXT") return LinkForm::Text;
    if (e == ".MID" || e == ".AVI") return LinkForm::Media;
    if (e == ".HTM" && file_marked) return LinkForm::BrowserPage;
    return LinkForm::Page;
  }
  if (Contains(u, "HTTP://")) return LinkForm::Website;
  if (Contains(u, "DIRY:")) return LinkForm::Directory;
  if (Contains(u, "VIEW:")) return LinkForm::SourceFile;
  if (Contains(u, "SRCH:")) return LinkForm::SearchPage;
  return LinkForm::Unknown;
}

// Every HREF value of a page, quoted or not, in document order.
std::vector<std::string> HrefsOf(const fs::path& page) {
  std::ifstream in(page, std::ios::binary);
  const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const std::regex href(R"re(\bHREF\s*=\s*(?:"([^"]*)"|([^\s>]+)))re", std::regex::icase);
  std::vector<std::string> hrefs;
  for (auto it = std::sregex_iterator(html.begin(), html.end(), href); it != std::sregex_iterator(); ++it)
    hrefs.push_back((*it)[1].matched ? (*it)[1].str() : (*it)[2].str());
  return hrefs;
}

// The program around the window, recording the windows it is asked for.
class RecordingHost : public MainFormHost, public MainFormWindows {
 public:
  bool RunSetup(MainFormSetupSteps& window) override {
    window.PrepareHistory();
    return true;
  }
  void RestorePlacement(const fs::path&, QMainWindow&) override {}
  void StorePlacement(const fs::path&, const QMainWindow&) override {}
  void ShowOptions() override {}
  std::string StartPage() override { return settings.DataDir + "index.htm"; }
  MainFormWindows& Windows() override { return *this; }

  core::SearchOutcome ShowArticleSearch() override {
    calls.push_back("article search");
    return {};
  }
  core::SearchOutcome ShowBonusSearch() override {
    calls.push_back("bonus search");
    return {};
  }
  void OpenExtractDialog(const std::string& archive) override { calls.push_back("extract " + archive); }
  void BrowseDirectory(const std::string& directory) override { calls.push_back("browse " + directory); }
  void LoadViewerTextFile(const std::string& file, const std::string& caption,
                          const std::string& word) override {
    calls.push_back("viewer " + file + " | " + caption);
    viewer_search_word = word;
  }
  void LoadViewerArchiveMember(const std::string& archive, const std::string& member,
                               const std::string& caption, const std::string& word) override {
    calls.push_back("viewer " + archive + " : " + member + " | " + caption);
    viewer_search_word = word;
  }
  std::optional<std::string> AskFullTextQuery(const std::string&) override {
    calls.push_back("full-text search");
    return std::nullopt;
  }
  void ShowViewerModal() override { calls.push_back("viewer shown"); }
  void StartProgramCopy(const std::string& parameters) override { calls.push_back("copy " + parameters); }

  core::BrowserSettings settings;  // the record the window reads
  std::vector<std::string> calls;  // windows and outside programs, in order
  std::string viewer_search_word;  // the word the viewer was given last
};

// The main window with the outside programs and the CD-ROM check recorded: the disc is
// always in.
class DemoForm : public MainForm {
 public:
  explicit DemoForm(RecordingHost& host) : MainForm(host, host.settings), host_(host) {}

  std::set<std::string> cd_checked;  // every path EnsureCdReady was asked about

 private:
  void LaunchProgram(const std::string& program, const std::string& parameters) override {
    host_.calls.push_back("launch " + program + " | " + parameters);
  }
  bool EnsureCdReady(const std::string& path) override {
    cd_checked.insert(path);
    return true;
  }
  void OpenPdfInReader(const std::string& path, int page) override {
    host_.calls.push_back("pdf " + path + (page > 0 ? " page " + std::to_string(page) : ""));
  }
  void PlaySound(const std::string& file) override { host_.calls.push_back("sound " + file); }

  RecordingHost& host_;
};

// A page of the front end whose links are clicked: shown in "MAIN" (active), or else as the
// frameset index.htm shows it (its first frame, CONTENTS, active).
struct LinkPage {
  std::string file;
  bool in_main;
};
const std::vector<LinkPage> kLinkPages = {
    {"contents.htm", false}, {"start.htm", true}, {"index.htm", false}, {"issues.htm", true}};

// The archive's deliberately missing files, as the search result pages link them.
const std::vector<std::string> kMissingTargetLinks = {
    "file:///pdf/0012.PDF", "file:///pdf/T020.PDF", "diry:///disks/Issue12/NOSUCH",
    "diry:///disks/Issue30/TIPTRIX"};

class DemoLinksTest : public ::testing::TestWithParam<bool> {
 protected:
  static void SetUpTestSuite() {
    testing::EnsureQtApplication();
    const std::string script = std::string(VANTOREL_SOURCE_DIR) + "/tools/make_demo_archive.py";
    if (!fs::exists(script) || std::system("python3 --version > /dev/null 2>&1") != 0) return;
    archive_dir_ = std::make_unique<TempDir>();
    const std::string out = *archive_dir_ / "demo";
    const std::string command = "python3 '" + script + "' '" + out + "' --articles 30 > /dev/null 2>&1";
    if (std::system(command.c_str()) != 0 || !fs::exists(out + "/index.htm")) archive_dir_.reset();
  }
  static void TearDownTestSuite() { archive_dir_.reset(); }

  void SetUp() override {
    if (!archive_dir_) GTEST_SKIP() << "no python3 or no demo archive generator";
    out_ = archive_dir_->path() / "demo";
    host_.settings.DataDir = out_.string() + "/";
    host_.settings.PdfDir = host_.settings.DataDir + "PDF/";
    host_.settings.SourceDir = host_.settings.DataDir + "DISKS/";
    host_.settings.CdPath = host_.settings.DataDir;
    host_.settings.LastIssue = 100;
    host_.settings.BrowserPath = GetParam() ? kBrowser : "";
    form_ = std::make_unique<DemoForm>(host_);
    form_->resize(800, 600);
  }
  void TearDown() override { form_.reset(); }

  // Shows the page with its frame active, as when the user clicks one of its links.
  void ShowPage(const LinkPage& page) {
    form_->FrameViewer->LoadDocument(host_.settings.DataDir + "index.htm");
    if (page.in_main) form_->FrameViewer->LoadDocumentIntoFrame(kMainFrame, host_.settings.DataDir + page.file);
  }

  // Clicks the link on the shown page and checks what it did against its form.
  void CheckLink(const std::string& url);

  static std::unique_ptr<TempDir> archive_dir_;
  fs::path out_;
  RecordingHost host_;
  std::unique_ptr<DemoForm> form_;
  std::map<LinkForm, int> counts_;
  std::set<std::string> missing_targets_;  // links whose target the archive lacks
};

std::unique_ptr<TempDir> DemoLinksTest::archive_dir_;

void DemoLinksTest::CheckLink(const std::string& url) {
  SCOPED_TRACE(url);
  const LinkForm form = Classify(url);
  ++counts_[form];
  const std::string u = Upper(url);
  // The reference as the shown page's frame view expands it.
  const auto expand = [&](const std::string& reference) { return form_->FrameViewer->ExpandLinkPath(reference); };
  const auto resolve = [&](const std::string& reference) {
    return expand(ReplaceNoCase(Upper(reference), "XBONUS/", host_.settings.CdPath + "BONUS/"));
  };
  const std::string file = resolve(FilePart(url));
  const std::string browser = host_.settings.BrowserPath;

  bool handled = true;
  std::vector<std::string> calls;
  std::set<std::string> cd_checks;
  std::optional<std::pair<BoxKind, std::string>> box;
  std::optional<fs::path> target;  // the archive's file or folder the link names
  bool target_needed = true;
  std::string search_word;

  switch (form) {
    case LinkForm::ArticleSearch:
      calls = {"article search"};
      target_needed = false;
      break;
    case LinkForm::BonusSearch:
      calls = {"bonus search"};
      target_needed = false;
      break;
    case LinkForm::FullTextSearch:
      calls = {"full-text search"};
      target_needed = false;
      break;
    case LinkForm::Page:
    case LinkForm::Unknown: {
      handled = false;
      std::string page = FilePart(url).substr(0, FilePart(url).find('#'));
      if (page.empty()) page = form_->FrameViewer->ActiveFrameView()->ShownFileName().substr(out_.string().size());
      target = FindNoCase(out_, page);
      break;
    }
    case LinkForm::BrowserPage:
      if (browser.empty())
        box = {BoxKind::Warning, kGifWarning};
      else
        calls = {"launch " + browser + " | " + file};
      target = FindNoCase(out_, Slashes(ReplaceNoCase(FilePart(url), "file:///", ""), '\\', '/'));
      break;
    case LinkForm::Pdf: {
      const auto [link, page] = PdfPage(url);
      const std::string pdf = Slashes(ReplaceNoCase(link, "file:///pdf/", host_.settings.PdfDir), '/', '\\');
      cd_checks = {pdf};
      target = FindNoCase(out_ / "PDF", ReplaceNoCase(link, "file:///pdf/", ""));
      if (target)
        calls = {"pdf " + pdf + (page > 0 ? " page " + std::to_string(page) : "")};
      else
        box = {BoxKind::Error, "Unable to find file: " + platform::ShownPath(pdf)};
      break;
    }
    case LinkForm::Archive:
      cd_checks = {file};
      calls = {"extract " + file};
      target = FindNoCase(out_, FilePart(url));
      break;
    case LinkForm::Text:
      calls = {"launch notepad.exe | " + file};
      target = FindNoCase(out_, FilePart(url));
      break;
    case LinkForm::Sound:
      calls = {"sound " + file};
      target = FindNoCase(out_, FilePart(url));
      break;
    case LinkForm::Media:
      calls = {"launch MPlayer.exe | /play /close " + file};
      target = FindNoCase(out_, FilePart(url));
      break;
    case LinkForm::Program: {
      cd_checks = {file};
      calls = {"launch " + file + " | " + Upper(ParameterPart(url))};
      const std::string program = FilePart(url);
      target = Contains(Upper(program), "XBONUS/")
                   ? FindNoCase(out_, "BONUS/" + program.substr(Upper(program).find("XBONUS/") + 7))
                   : FindNoCase(out_, program);
      break;
    }
    case LinkForm::Website:
      if (browser.empty())
        box = {BoxKind::Warning, kNoWebBrowser};
      else
        calls = {"launch " + browser + " | " + url};
      target_needed = false;
      break;
    case LinkForm::Directory: {
      const std::string dir = ReplaceNoCase(Slashes(u, '/', '\\'), R"(DIRY:\\\DISKS\)", host_.settings.SourceDir);
      cd_checks = {dir};
      target = FindNoCase(out_ / "DISKS", ReplaceNoCase(url, "diry:///disks/", ""));
      if (target && fs::is_directory(*target))
        calls = {"browse " + dir};
      else
        box = {BoxKind::Error,
               "Sorry, the requested directory " + platform::ShownPath(dir) + " does not exist"};
      break;
    }
    case LinkForm::SourceFile: {
      const std::size_t bar = u.find('|');
      const std::string source =
          ReplaceNoCase(Slashes(u.substr(0, bar), '/', '\\'), R"(VIEW:\\\DISKS\)", host_.settings.SourceDir);
      search_word = bar == std::string::npos ? "" : u.substr(bar + 1);
      cd_checks = {source};
      calls = {"viewer " + source + " | Source Viewer: " + platform::ShownPath(source), "viewer shown"};
      target = FindNoCase(out_ / "DISKS", ReplaceNoCase(url.substr(0, url.find('|')), "VIEW:///DISKS/", ""));
      break;
    }
    case LinkForm::SearchPage: {
      const std::size_t bar = url.find('|');
      search_word = bar == std::string::npos ? "" : url.substr(bar + 1);
      const std::string page = ReplaceNoCase(url.substr(0, bar), "SRCH:///", "");
      target = FindNoCase(out_, page);
      break;
    }
  }
  const std::string search_page =
      form == LinkForm::SearchPage ? resolve(ReplaceNoCase(url.substr(0, url.find('|')), "SRCH:///", "")) : "";

  if (target_needed && !target) missing_targets_.insert(url);
  if (form != LinkForm::Pdf && form != LinkForm::Directory && target_needed) {
    EXPECT_TRUE(target.has_value()) << "the archive lacks the link's target";
  }

  host_.calls.clear();
  form_->cd_checked.clear();
  form_->FindDialog1->hide();
  ScriptedUi ui;
  if (box) ui.Expect(box->first, box->second);

  const QRect window = form_->frameGeometry();
  EXPECT_EQ(form_->HotSpotTargetClick(url), handled) << kFormNames.at(form);
  EXPECT_EQ(host_.calls, calls) << kFormNames.at(form);
  for (const std::string& path : cd_checks) {
    EXPECT_TRUE(form_->cd_checked.contains(path)) << "no CD-ROM check of " << path;
  }
  EXPECT_TRUE(ui.Done());

  if (form == LinkForm::Sound) {
    EXPECT_TRUE(form_->cd_checked.empty()) << "a sound plays without a CD-ROM check";
  }
  if (form == LinkForm::SourceFile) {
    EXPECT_EQ(host_.viewer_search_word, search_word);
  }
  if (form == LinkForm::SearchPage) {
    ASSERT_NE(form_->FrameViewer->FrameView(kMainFrame), nullptr);
    // The view shows the page under the name of the file it found.
    EXPECT_TRUE(fs::equivalent(form_->FrameViewer->FrameView(kMainFrame)->ShownFileName(), *target))
        << search_page;
    std::ifstream in(*target, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const bool on_page = !search_word.empty() && Contains(Upper(text), Upper(search_word));
    EXPECT_EQ(form_->FindDialog1->isVisible(), on_page);
    if (on_page) {
      EXPECT_EQ(form_->FindDialog1->FindText(), search_word);
      EXPECT_EQ(form_->FindDialog1->pos(),
                QPoint(window.left() + window.width() / 2, window.top() + window.height() / 6));
    }
  }
  if (form == LinkForm::Page && target && Extension(target->string()) == ".HTM") {
    const std::string page = FilePart(url);
    if (page.front() != '#') {
      // The view follows it: the page loads.
      EXPECT_NO_THROW(form_->FrameViewer->LoadDocumentIntoFrame(kMainFrame, expand(page)));
    }
  }
}

TEST_P(DemoLinksTest, EveryFrontEndLinkDoesWhatItsFormSays) {
  for (const LinkPage& page : kLinkPages) {
    const std::vector<std::string> links = HrefsOf(out_ / page.file);
    EXPECT_FALSE(links.empty()) << page.file;
    for (const std::string& url : links) {
      ShowPage(page);
      CheckLink(url);
    }
  }
  for (const std::string& url : kMissingTargetLinks) {
    ShowPage(kLinkPages.front());
    CheckLink(url);
  }

  // The archive lacks exactly the files it leaves out on purpose, and its front end shows
  // every form the program acts on.
  EXPECT_EQ(missing_targets_, std::set<std::string>(kMissingTargetLinks.begin(), kMissingTargetLinks.end()));
  for (const LinkForm form :
       {LinkForm::ArticleSearch, LinkForm::BonusSearch, LinkForm::Page, LinkForm::BrowserPage, LinkForm::Pdf,
        LinkForm::Archive, LinkForm::Text, LinkForm::Sound, LinkForm::Media, LinkForm::Program,
        LinkForm::Website, LinkForm::Directory, LinkForm::SourceFile, LinkForm::SearchPage}) {
    EXPECT_GT(counts_[form], 0) << "no link of the form " << kFormNames.at(form);
  }
  EXPECT_EQ(counts_[LinkForm::Unknown], 0);

  std::string summary;
  for (const auto& [form, count] : counts_) summary += kFormNames.at(form) + "=" + std::to_string(count) + " ";
  RecordProperty("links_by_form", summary);
}

INSTANTIATE_TEST_SUITE_P(WebBrowser, DemoLinksTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Known" : "Unknown"; });

}  // namespace
}  // namespace vantorel::browser
