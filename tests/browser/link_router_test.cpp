#include "browser/link_router.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "browser/link_path.h"
#include "core/settings.h"
#include "core/ui.h"
#include "scripted_ui.h"

namespace vantorel::browser {
namespace {

using core::BoxKind;
using testing::ScriptedUi;

// The page the links are clicked on lies in C:\DATA\. The CD-ROM drive is E: (or, written as
// a mount point, /media/cdrom).
constexpr char kShownPageDir[] = R"(C:\DATA\)";
constexpr char kBrowser[] = R"(C:\WEB\BROWSER.EXE)";
constexpr char kEarlierWord[] = "EARLIER";

bool OnCdRom(const std::string& path) {
  return (path.size() >= 2 && (path[0] == 'e' || path[0] == 'E') && path[1] == ':') ||
         path.starts_with(R"(\media\cdrom)") || path.starts_with("/media/cdrom");
}

// The main window, its windows and the platform, recording every action in order. Queries
// (expansion, existence, geometry) are answered, not recorded.
class RecordingActions : public MainWindowLinkActions {
 public:
  std::string ExpandLinkPath(const std::string& reference) override {
    return browser::ExpandLinkPath(reference, LinkBase{"", "", kShownPageDir});
  }
  void LoadDocumentIntoFrame(const std::string& frame, const std::string& file) override {
    if (missing_page) throw std::runtime_error("Can't locate file: " + file);
    Record("LoadDocumentIntoFrame(" + frame + ", " + file + ")");
  }
  bool FindNext(const std::string& text, bool match_case) override {
    Record("FindNext(" + text + (match_case ? ", match case)" : ", any case)"));
    return word_on_page && !text.empty();
  }
  WindowGeometry MainWindowGeometry() override { return window; }
  void ShowFindDialog(const std::string& text, ScreenPoint top_left) override {
    Record("ShowFindDialog(" + text + " at " + std::to_string(top_left.x) + "," +
           std::to_string(top_left.y) + ")");
  }
  void ArticleSearch() override { Record("ArticleSearch"); }
  void SearchOther() override { Record("SearchOther"); }
  // The main window's source display: the viewer loads the file and gets the word, then shows.
  void ShowSourceFile(const std::string& file, const std::string& caption,
                      const std::string& word) override {
    if (missing_page) throw std::runtime_error("Can't locate file: " + file);
    Record("LoadViewerTextFile(" + file + ", caption " + caption + ")");
    viewer_search_word = word;
    Record("ShowViewerModal(ViewerSearchWord " + viewer_search_word + ")");
  }
  void BrowseDirectory(const std::string& directory) override {
    Record("BrowseDirectory(" + directory + ")");
  }
  void OpenExtractDialog(const std::string& archive) override {
    Record("OpenExtractDialog(" + archive + ")");
  }
  void LaunchProgram(const std::string& program, const std::string& parameters) override {
    Record("LaunchProgram(" + program + ", " + parameters + ")");
  }
  bool EnsureCdReady(const std::string& path) override {
    Record("EnsureCdReady(" + path + ")");
    return !(OnCdRom(path) && cd_cancelled);
  }
  void OpenPdfInReader(const std::string& path, int page) override {
    Record("OpenPdfInReader(" + path + (page > 0 ? ", page " + std::to_string(page) : "") + ")");
  }
  void ShowArchiveMember(const std::string& archive, const std::string& member,
                         const std::string& caption, const std::string& word) override {
    if (missing_page) throw std::runtime_error("Unable to find " + member);
    Record("LoadViewerArchiveMember(" + archive + ", " + member + ", caption " + caption + ")");
    viewer_search_word = word;
    Record("ShowViewerModal(ViewerSearchWord " + viewer_search_word + ")");
  }
  void FullTextSearch() override { Record("FullTextSearch"); }
  void PlaySound(const std::string& file) override { Record("PlaySound(" + file + ")"); }
  bool FileExists(const std::string& path) override { return files.contains(path); }
  bool DirectoryExists(const std::string& path) override { return directories.contains(path); }

  std::vector<std::string> calls;      // every action, in order
  std::set<std::string> files;         // paths that name files, spelled as the dispatcher asks
  std::set<std::string> directories;   // paths that name directories
  bool cd_cancelled = false;           // the user cancels the CD-ROM prompt
  bool word_on_page = true;            // FindNext finds any non-empty text
  bool missing_page = false;           // pages and text files fail to load as in the view
  std::string viewer_search_word = kEarlierWord;  // the word the viewer looks for
  WindowGeometry window{100, 50, 700, 550};

 private:
  void Record(std::string call) { calls.push_back(std::move(call)); }
};

struct Box {
  BoxKind kind;
  std::string text;
};

// One link clicked with these settings (the defaults below unless the set-up changes them).
struct LinkCase {
  const char* name;
  std::string url;
  bool handled;
  std::vector<std::string> calls;
  std::vector<Box> boxes = {};
  void (*setup)(core::BrowserSettings&, RecordingActions&) = nullptr;
  std::string viewer_search_word = kEarlierWord;  // ViewerSearchWord afterwards
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.url; }

// The settings every link case starts from, and the main window's router over recorded
// actions.
class LinkDispatcherFixture : public ::testing::Test {
 protected:
  LinkDispatcherFixture() {
    settings_.PdfDir = R"(C:\P\)";
    settings_.SourceDir = R"(C:\S\)";
    settings_.CdPath = R"(e:\)";
    settings_.LastIssue = 72;
    settings_.BrowserPath = kBrowser;
  }

  core::BrowserSettings settings_;
  RecordingActions actions_;
  LinkRouter dispatcher_{static_cast<MainWindowLinkActions&>(actions_), settings_};
};

class LinkDispatcherTest : public LinkDispatcherFixture,
                           public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkDispatcherTest, RoutesTheLink) {
  const LinkCase& c = GetParam();
  if (c.setup != nullptr) c.setup(settings_, actions_);
  ScriptedUi ui;
  for (const Box& box : c.boxes) ui.Expect(box.kind, box.text);

  EXPECT_EQ(dispatcher_.HotSpotClick(c.url), c.handled);
  EXPECT_EQ(actions_.calls, c.calls);
  EXPECT_TRUE(ui.Done());
  EXPECT_EQ(actions_.viewer_search_word, c.viewer_search_word);
}

const char kGifWarning[] =
    "Because of licensing issues, this program does not display GIF images. We were unable to "
    "find your web browser in order to load this file containing GIF images.";

INSTANTIATE_TEST_SUITE_P(
    SearchCommands, LinkDispatcherTest,
    ::testing::Values(
        LinkCase{"ArticleSearchInUpperCase", "ARTSRCH.HTM", true, {"ArticleSearch"}},
        LinkCase{"ArticleSearchInLowerCase", "artsrch.htm", true, {"ArticleSearch"}},
        LinkCase{"BonusSearchInMixedCase", "BonSrch.Htm", true, {"SearchOther"}},
        // The whole reference must match: with an anchor it is a page link for the view.
        LinkCase{"ArticleSearchWithAnchorIsLeftToTheView", "ARTSRCH.HTM#x", false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The archive's free-text link is the full-text search on the contents only; on any other page
// (a help page) it opens the PDF, as does the PDF named any other way (here with a page).
TEST_F(LinkDispatcherFixture, TheFreeTextLinkIsTheFullTextSearchOnTheContentsOnly) {
  struct Case {
    const char* url;
    LinkPlace place;
    std::vector<std::string> calls;
  };
  const std::string ensure = R"(EnsureCdReady(C:\P\freetextsearch.pdf))";
  const std::string open = R"(OpenPdfInReader(C:\P\freetextsearch.pdf))";
  const Case cases[] = {
      {"file:///pdf/freetextsearch.pdf", LinkPlace::Contents, {"FullTextSearch"}},
      {"FILE:///PDF/FreeTextSearch.PDF", LinkPlace::Contents, {"FullTextSearch"}},
      {"file:///pdf/freetextsearch.pdf", LinkPlace::Other, {ensure, open}},
      {"FILE:///PDF/FreeTextSearch.PDF", LinkPlace::Other,
       {R"(EnsureCdReady(C:\P\FreeTextSearch.PDF))", R"(OpenPdfInReader(C:\P\FreeTextSearch.PDF))"}},
      {"file:///pdf/freetextsearch.pdf#page=1", LinkPlace::Contents,
       {ensure, R"(OpenPdfInReader(C:\P\freetextsearch.pdf, page 1))"}},
      {"file:///pdf/freetextsearch.pdf#page=1", LinkPlace::Other,
       {ensure, R"(OpenPdfInReader(C:\P\freetextsearch.pdf, page 1))"}},
  };
  actions_.files = {R"(C:\P\freetextsearch.pdf)", R"(C:\P\FreeTextSearch.PDF)"};
  for (const Case& c : cases) {
    actions_.calls.clear();
    ScriptedUi ui;
    EXPECT_TRUE(dispatcher_.HotSpotClick(c.url, c.place)) << c.url;
    EXPECT_EQ(actions_.calls, c.calls) << c.url;
    EXPECT_TRUE(ui.Done());
  }
}

INSTANTIATE_TEST_SUITE_P(
    PageLinks, LinkDispatcherTest,
    ::testing::Values(
        LinkCase{"RelativePageLink", "issue12/contents.htm", false, {}},
        LinkCase{"AnchorOnTheSamePage", "#TOP", false, {}},
        LinkCase{"Image", "images/cover.jpg", false, {}},
        LinkCase{"FileWithoutExtension", "file:///C|/KVX/README", false, {}},
        // A "." in a folder name is no extension.
        LinkCase{"DotInAFolderName", R"(C:\KVX\V1.2\README)", false, {}},
        LinkCase{"HtmlWithFileMarkerIsLeftToTheView", "file:///C|/KVX/GIFS.HTML", false, {}},
        LinkCase{"HtmWithoutFileMarkerIsLeftToTheView", "gifs.htm", false, {}},
        LinkCase{"UnknownScheme", "mailto:editor@vantorel.example", false, {}},
        LinkCase{"FtpLinkWithATextFileIsLeftToTheView", "ftp://ftp.vantorel.example/readme.txt",
                 false, {}},
        // Links are held in 255 characters: ".wav" beyond them is not seen.
        LinkCase{"LinkCutAt255Characters", "file:///C|/" + std::string(250, 'A') + ".wav", false,
                 {}},
        // So is the expanded path: C:\DATA\ + 240 + \SONG.WAV is 257 characters.
        LinkCase{"ExpandedPathCutAt255Characters", std::string(240, 'B') + "/song.wav", false,
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    FileActions, LinkDispatcherTest,
    ::testing::Values(
        // A sound plays without any CD-ROM check, also from the CD-ROM.
        LinkCase{"SoundPlays", "sounds/chime.wav", true, {R"(PlaySound(C:\DATA\SOUNDS\CHIME.WAV))"}},
        LinkCase{"SoundOnTheCdRomPlaysWithoutPrompt", "file:///XBONUS/chime.wav", true,
                 {R"(PlaySound(e:\BONUS\CHIME.WAV))"}},
        LinkCase{"TextFileInTheEditor", "readme.txt", true,
                 {R"(LaunchProgram(notepad.exe, C:\DATA\README.TXT))"}},
        LinkCase{"TextFileOnADrivePath", R"(D:\KVX\README.TXT)", true,
                 {R"(LaunchProgram(notepad.exe, D:\KVX\README.TXT))"}},
        LinkCase{"MidiInTheMediaPlayer", "music/theme.mid", true,
                 {R"(LaunchProgram(MPlayer.exe, /play /close C:\DATA\MUSIC\THEME.MID))"}},
        LinkCase{"VideoInTheMediaPlayer", "file:///XBONUS/intro.avi", true,
                 {R"(LaunchProgram(MPlayer.exe, /play /close e:\BONUS\INTRO.AVI))"}},
        LinkCase{"ArchiveInTheExtractionDialog", "file:///XBONUS/disk1.zip", true,
                 {R"(EnsureCdReady(e:\BONUS\DISK1.ZIP))", R"(OpenExtractDialog(e:\BONUS\DISK1.ZIP))"}},
        LinkCase{"ArchiveWithCdRomPromptCancelled", "file:///XBONUS/disk1.zip", true,
                 {R"(EnsureCdReady(e:\BONUS\DISK1.ZIP))"}, {},
                 [](core::BrowserSettings&, RecordingActions& a) { a.cd_cancelled = true; }},
        LinkCase{"LocalPageWithGifsInTheWebBrowser", "file:///C|/KVX/GIFS.HTM", true,
                 {R"(LaunchProgram(C:\WEB\BROWSER.EXE, C:\KVX\GIFS.HTM))"}},
        LinkCase{"LocalPageWithGifsWithoutWebBrowser", "FILE:///C|/KVX/GIFS.HTM", true, {},
                 {{BoxKind::Warning, kGifWarning}},
                 [](core::BrowserSettings& s, RecordingActions&) { s.BrowserPath.clear(); }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Programs, LinkDispatcherTest,
    ::testing::Values(
        // "XBONUS/" becomes CdPath + "BONUS/": CdPath keeps its case, the rest is upper case.
        LinkCase{"BonusInstallerFromTheCdRom", "file:///XBONUS/setup.exe", true,
                 {R"(EnsureCdReady(e:\BONUS\SETUP.EXE))", R"(LaunchProgram(e:\BONUS\SETUP.EXE, ))"}},
        // Program and parameter both on the CD-ROM: one prompt for each.
        LinkCase{"InstallerWithAParameterOnTheCdRom", "file:///XBONUS/setup.exe XBONUS/readme.txt",
                 true,
                 {R"(EnsureCdReady(e:\BONUS\SETUP.EXE))", R"(EnsureCdReady(e:\BONUS/README.TXT))",
                  R"(LaunchProgram(e:\BONUS\SETUP.EXE, e:\BONUS/README.TXT))"}},
        // The same with the CD-ROM drive as a mount point.
        LinkCase{"InstallerWithAParameterOnAMountedCdRom",
                 "file:///XBONUS/setup.exe XBONUS/readme.txt", true,
                 {R"(EnsureCdReady(\media\cdrom\BONUS\SETUP.EXE))",
                  R"(EnsureCdReady(/media/cdrom/BONUS/README.TXT))",
                  R"(LaunchProgram(\media\cdrom\BONUS\SETUP.EXE, /media/cdrom/BONUS/README.TXT))"},
                 {},
                 [](core::BrowserSettings& s, RecordingActions&) { s.CdPath = "/media/cdrom/"; }},
        LinkCase{"InstallerWithCdRomPromptCancelled", "file:///XBONUS/setup.exe XBONUS/readme.txt",
                 true, {R"(EnsureCdReady(e:\BONUS\SETUP.EXE))"}, {},
                 [](core::BrowserSettings&, RecordingActions& a) { a.cd_cancelled = true; }},
        LinkCase{"ProgramOnDiskWithParameterPromptCancelled",
                 R"(C:\TOOLS\VIEWER.EXE e:\bonus\manual.doc)", true,
                 {R"(EnsureCdReady(C:\TOOLS\VIEWER.EXE))", R"(EnsureCdReady(E:\BONUS\MANUAL.DOC))"},
                 {}, [](core::BrowserSettings&, RecordingActions& a) { a.cd_cancelled = true; }},
        // The first blank separates the parameters (upper-cased like the link); without a
        // blank, the first "?".
        LinkCase{"ParametersAfterTheFirstBlank", "tools/run.exe a?b c", true,
                 {R"(EnsureCdReady(C:\DATA\TOOLS\RUN.EXE))",
                  R"(LaunchProgram(C:\DATA\TOOLS\RUN.EXE, A?B C))"}},
        LinkCase{"ParametersAfterTheFirstQuestionMark", "tools/run.exe?-q", true,
                 {R"(EnsureCdReady(C:\DATA\TOOLS\RUN.EXE))",
                  R"(LaunchProgram(C:\DATA\TOOLS\RUN.EXE, -Q))"}},
        // Without CdPath the marker stands for "BONUS/" next to the page.
        LinkCase{"BonusInstallerWithoutCdPath", "file:///XBONUS/setup.exe", true,
                 {R"(EnsureCdReady(C:\DATA\BONUS\SETUP.EXE))",
                  R"(LaunchProgram(C:\DATA\BONUS\SETUP.EXE, ))"},
                 {}, [](core::BrowserSettings& s, RecordingActions&) { s.CdPath.clear(); }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ArticlePdfs, LinkDispatcherTest,
    ::testing::Values(
        LinkCase{"ArticlePdfInTheReader", "file:///pdf/abc.pdf", true,
                 {R"(EnsureCdReady(C:\P\abc.pdf))", R"(OpenPdfInReader(C:\P\abc.pdf))"}, {},
                 [](core::BrowserSettings&, RecordingActions& a) { a.files = {R"(C:\P\abc.pdf)"}; }},
        // The prefix matches in any case; the rest keeps the link's case.
        LinkCase{"PrefixInAnyCase", "FILE:///PDF/Abc.pdf", true,
                 {R"(EnsureCdReady(C:\P\Abc.pdf))", R"(OpenPdfInReader(C:\P\Abc.pdf))"}, {},
                 [](core::BrowserSettings&, RecordingActions& a) { a.files = {R"(C:\P\Abc.pdf)"}; }},
        // A page's link is 1252; the file it names is the UTF-8 name on disk.
        LinkCase{"LinkIn1252NamesAUtf8File", "file:///pdf/M\xFCller.pdf", true,
                 {"EnsureCdReady(C:\\P\\M\xC3\xBCller.pdf)",
                  "OpenPdfInReader(C:\\P\\M\xC3\xBCller.pdf)"},
                 {},
                 [](core::BrowserSettings&, RecordingActions& a) {
                   a.files = {"C:\\P\\M\xC3\xBCller.pdf"};
                 }},
        LinkCase{"NothingWithoutIssues", "file:///pdf/abc.pdf", true, {}, {},
                 [](core::BrowserSettings& s, RecordingActions& a) {
                   s.LastIssue = 0;
                   a.files = {R"(C:\P\abc.pdf)"};
                 }},
        // A page at the end goes to the reader; "#page=" before no number, or after no PDF,
        // stays part of the link.
        LinkCase{"ArticlePdfAtAPage", "file:///pdf/0012.PDF#Page=3", true,
                 {R"(EnsureCdReady(C:\P\0012.PDF))", R"(OpenPdfInReader(C:\P\0012.PDF, page 3))"}, {},
                 [](core::BrowserSettings&, RecordingActions& a) { a.files = {R"(C:\P\0012.PDF)"}; }},
        LinkCase{"PageWithoutANumberIsNoPage", "file:///pdf/0012.PDF#page=x", false, {}},
        LinkCase{"PageZeroIsNoPage", "file:///pdf/0012.PDF#page=0", false, {}},
        LinkCase{"PageAfterAPageLinkIsAnAnchor", "notes.htm#page=2", false, {}},
        LinkCase{"MissingPdf", "file:///pdf/abc.pdf", true, {R"(EnsureCdReady(C:\P\abc.pdf))"},
                 {{BoxKind::Error, "Unable to find file: C:/P/abc.pdf"}}},
        LinkCase{"PdfOnTheCdRomPromptsOnce", "file:///pdf/abc.pdf", true,
                 {R"(EnsureCdReady(e:\PDF\abc.pdf))", R"(OpenPdfInReader(e:\PDF\abc.pdf))"}, {},
                 [](core::BrowserSettings& s, RecordingActions& a) {
                   s.PdfDir = R"(e:\PDF\)";
                   a.files = {R"(e:\PDF\abc.pdf)"};
                 }},
        LinkCase{"PdfOnTheCdRomPromptCancelled", "file:///pdf/abc.pdf", true,
                 {R"(EnsureCdReady(e:\PDF\abc.pdf))"}, {},
                 [](core::BrowserSettings& s, RecordingActions& a) {
                   s.PdfDir = R"(e:\PDF\)";
                   a.cd_cancelled = true;
                 }},
        // A PdfDir that holds the prefix itself is put in once, not again and again.
        LinkCase{"PdfDirHoldingTheLinkPrefix", "file:///pdf/abc.pdf", true,
                 {R"(EnsureCdReady(C:\file:\\\pdf\\abc.pdf))",
                  R"(OpenPdfInReader(C:\file:\\\pdf\\abc.pdf))"},
                 {},
                 [](core::BrowserSettings& s, RecordingActions& a) {
                   s.PdfDir = R"(C:\file:///pdf/\)";
                   a.files = {R"(C:\file:\\\pdf\\abc.pdf)"};
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

const char kNoWebBrowser[] = "Unable to find your web browser to connect to this website";

INSTANTIATE_TEST_SUITE_P(
    Websites, LinkDispatcherTest,
    ::testing::Values(
        // The browser gets the link as written.
        LinkCase{"WebsiteInTheBrowser", "http://www.Vantorel.example/Index.html", true,
                 {R"(LaunchProgram(C:\WEB\BROWSER.EXE, http://www.Vantorel.example/Index.html))"}},
        LinkCase{"WebsiteWithoutBrowser", "HTTP://www.vantorel.example/", true, {},
                 {{BoxKind::Warning, kNoWebBrowser}},
                 [](core::BrowserSettings& s, RecordingActions&) { s.BrowserPath.clear(); }},
        // "file:" anywhere sends a website link to the file branch, which leaves it to the view.
        LinkCase{"WebsiteMentioningFileGoesToTheFileBranch",
                 "http://www.vantorel.example/?file:list", false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Directories, LinkDispatcherTest,
    ::testing::Values(
        LinkCase{"CompanionDiskDirectoryInTheFileBrowser", "diry:///disks/issue12", true,
                 {R"(EnsureCdReady(C:\S\ISSUE12))", R"(BrowseDirectory(C:\S\ISSUE12))"}, {},
                 [](core::BrowserSettings&, RecordingActions& a) {
                   a.directories = {R"(C:\S\ISSUE12)"};
                 }},
        LinkCase{"MissingDirectory", "diry:///disks/issue12", true,
                 {R"(EnsureCdReady(C:\S\ISSUE12))"},
                 {{BoxKind::Error, "Sorry, the requested directory C:/S/ISSUE12 does not exist"}}},
        LinkCase{"DirectoryOnTheCdRomPromptCancelled", "diry:///disks/issue12", true,
                 {R"(EnsureCdReady(e:\DISKS\ISSUE12))"}, {},
                 [](core::BrowserSettings& s, RecordingActions& a) {
                   s.SourceDir = R"(e:\DISKS\)";
                   a.cd_cancelled = true;
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SourceFiles, LinkDispatcherTest,
    ::testing::Values(
        // The word is upper case, as the whole link is.
        LinkCase{"SourceFileWithAWord", "VIEW:///DISKS/X/A.PAS|Stream", true,
                 {R"(EnsureCdReady(C:\S\X\A.PAS))",
                  R"(LoadViewerTextFile(C:\S\X\A.PAS, caption Source Viewer: C:/S/X/A.PAS))",
                  "ShowViewerModal(ViewerSearchWord STREAM)"},
                 {}, nullptr, "STREAM"},
        LinkCase{"SourceFileWithoutAWordClearsTheWord", "view:///disks/x/a.pas", true,
                 {R"(EnsureCdReady(C:\S\X\A.PAS))",
                  R"(LoadViewerTextFile(C:\S\X\A.PAS, caption Source Viewer: C:/S/X/A.PAS))",
                  "ShowViewerModal(ViewerSearchWord )"},
                 {}, nullptr, ""},
        LinkCase{"WordAfterTheFirstBar", "VIEW:///DISKS/X/A.PAS|one|two", true,
                 {R"(EnsureCdReady(C:\S\X\A.PAS))",
                  R"(LoadViewerTextFile(C:\S\X\A.PAS, caption Source Viewer: C:/S/X/A.PAS))",
                  "ShowViewerModal(ViewerSearchWord ONE|TWO)"},
                 {}, nullptr, "ONE|TWO"},
        // With "?" the file is a ZIP archive and the rest, percent-decoded and in its own
        // letter case, the member; the viewer shows the member with the word.
        LinkCase{"ZipMemberWithAWord", R"(VIEW:///DISKS/Issue02\L005.ZIP?Src/Main%20Unit.Pas|heap)",
                 true,
                 {R"(EnsureCdReady(C:\S\ISSUE02\L005.ZIP))",
                  R"(LoadViewerArchiveMember(C:\S\ISSUE02\L005.ZIP, Src/Main Unit.Pas, caption )"
                  "Source Viewer: C:/S/ISSUE02/L005.ZIP : Src/Main Unit.Pas)",
                  "ShowViewerModal(ViewerSearchWord HEAP)"},
                 {}, nullptr, "HEAP"},
        LinkCase{"ZipMemberNamedInUtf8", "VIEW:///DISKS/A.ZIP?%D0%90.TXT", true,
                 {R"(EnsureCdReady(C:\S\A.ZIP))",
                  R"(LoadViewerArchiveMember(C:\S\A.ZIP, )" "\xD0\x90.TXT, caption "
                  "Source Viewer: C:/S/A.ZIP : \xD0\x90.TXT)",
                  "ShowViewerModal(ViewerSearchWord )"},
                 {}, nullptr, ""},
        // Outside the companion disks (a bonus ZIP archive of the full-text pages) the file
        // is taken relative to the shown page, as SRCH: pages are, "XBONUS/" included.
        LinkCase{"BonusZipMemberRelativeToThePage",
                 R"(VIEW:///EXTRAS\Tools.ZIP?Src/Read%20Me.txt|marmot)", true,
                 {R"(EnsureCdReady(C:\DATA\EXTRAS\TOOLS.ZIP))",
                  R"(LoadViewerArchiveMember(C:\DATA\EXTRAS\TOOLS.ZIP, Src/Read Me.txt, caption )"
                  "Source Viewer: C:/DATA/EXTRAS/TOOLS.ZIP : Src/Read Me.txt)",
                  "ShowViewerModal(ViewerSearchWord MARMOT)"},
                 {}, nullptr, "MARMOT"},
        LinkCase{"BonusTextFileRelativeToThePage", "view:///extras/notes.txt|Heap", true,
                 {R"(EnsureCdReady(C:\DATA\EXTRAS\NOTES.TXT))",
                  R"(LoadViewerTextFile(C:\DATA\EXTRAS\NOTES.TXT, caption Source Viewer: C:/DATA/EXTRAS/NOTES.TXT))",
                  "ShowViewerModal(ViewerSearchWord HEAP)"},
                 {}, nullptr, "HEAP"},
        LinkCase{"BonusZipMemberOnTheCdRom", "VIEW:///XBONUS/TOOLS.ZIP?A.TXT", true,
                 {R"(EnsureCdReady(e:\BONUS\TOOLS.ZIP))",
                  R"(LoadViewerArchiveMember(e:\BONUS\TOOLS.ZIP, A.TXT, caption )"
                  "Source Viewer: e:/BONUS/TOOLS.ZIP : A.TXT)",
                  "ShowViewerModal(ViewerSearchWord )"},
                 {}, nullptr, ""},
        LinkCase{"SourceFileOnTheCdRomPromptCancelled", "VIEW:///DISKS/X/A.PAS|Stream", true,
                 {R"(EnsureCdReady(e:\DISKS\X\A.PAS))"}, {},
                 [](core::BrowserSettings& s, RecordingActions& a) {
                   s.SourceDir = R"(e:\DISKS\)";
                   a.cd_cancelled = true;
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SearchPages, LinkDispatcherTest,
    ::testing::Values(
        // The word keeps its case; the dialog goes to (100 + 700 / 2, 50 + 550 / 6).
        LinkCase{"BonusPageWithAWord", "SRCH:///B1.HTM|Stream", true,
                 {R"(LoadDocumentIntoFrame(MAIN, C:\DATA\B1.HTM))", "FindNext(Stream, any case)",
                  "ShowFindDialog(Stream at 450,141)"}},
        LinkCase{"BonusPageWithoutAWord", "srch:///b1.htm", true,
                 {R"(LoadDocumentIntoFrame(MAIN, C:\DATA\B1.HTM))"}},
        LinkCase{"WordNotOnThePage", "SRCH:///B1.HTM|Stream", true,
                 {R"(LoadDocumentIntoFrame(MAIN, C:\DATA\B1.HTM))", "FindNext(Stream, any case)"},
                 {}, [](core::BrowserSettings&, RecordingActions& a) { a.word_on_page = false; }},
        LinkCase{"BonusPageOnTheCdRom", "SRCH:///XBONUS/B2.HTM|Word", true,
                 {R"(LoadDocumentIntoFrame(MAIN, e:\BONUS\B2.HTM))", "FindNext(Word, any case)",
                  "ShowFindDialog(Word at 450,141)"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The view's error for a missing file passes to the caller, and nothing after the load happens:
// no search, and no search word left for the viewer's next use.
TEST_F(LinkDispatcherFixture, TheViewsLoadErrorPassesToTheCaller) {
  actions_.missing_page = true;
  ScriptedUi ui;
  EXPECT_THROW(dispatcher_.HotSpotClick("SRCH:///NONE.HTM|Stream"), std::runtime_error);
  EXPECT_THROW(dispatcher_.HotSpotClick("VIEW:///DISKS/NONE.PAS|Stream"), std::runtime_error);
  EXPECT_EQ(actions_.calls, std::vector<std::string>{R"(EnsureCdReady(C:\S\NONE.PAS))"});
  EXPECT_EQ(actions_.viewer_search_word, kEarlierWord);
}

struct ResolveCase {
  const char* reference;
  bool expand;
  const char* cd_path;
  const char* expected;
};

void PrintTo(const ResolveCase& c, std::ostream* os) { *os << c.reference; }

class ResolveLinkTargetTest : public ::testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveLinkTargetTest, UpperCasesReplacesTheBonusMarkerAndExpands) {
  const ResolveCase& c = GetParam();
  core::BrowserSettings settings;
  settings.CdPath = c.cd_path;
  RecordingActions actions;
  LinkRouter dispatcher(static_cast<MainWindowLinkActions&>(actions), settings);
  EXPECT_EQ(dispatcher.ResolveLinkTarget(c.reference, c.expand), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResolveLinkTargetTest,
    ::testing::Values(
        ResolveCase{"file:///XBONUS/setup.exe", false, R"(e:\)", R"(FILE:///e:\BONUS/SETUP.EXE)"},
        ResolveCase{"file:///XBONUS/setup.exe", true, R"(e:\)", R"(e:\BONUS\SETUP.EXE)"},
        ResolveCase{"xbonus/a/xBonus/b.txt", false, R"(e:\cd\)", R"(e:\cd\BONUS/A/e:\cd\BONUS/B.TXT)"},
        ResolveCase{"readme.txt", true, R"(e:\)", R"(C:\DATA\README.TXT)"},
        ResolveCase{"caf\xe9.txt", false, "", "CAF\xe9.TXT"}));

struct ExtensionCase {
  const char* path;
  const char* expected;
};

void PrintTo(const ExtensionCase& c, std::ostream* os) { *os << c.path; }

class LinkExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(LinkExtensionTest, FromTheLastDotOfTheName) {
  EXPECT_EQ(LinkExtension(GetParam().path), GetParam().expected) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LinkExtensionTest,
    ::testing::Values(ExtensionCase{R"(C:\DATA\A.pdf)", ".PDF"},
                      ExtensionCase{R"(C:\DATA\A.B.Htm)", ".HTM"},
                      ExtensionCase{R"(C:\DATA\PAGE.html)", ".HTML"},
                      ExtensionCase{R"(C:\DATA\PAGE.HTML5X)", ".HTML"},
                      ExtensionCase{R"(C:\DATA\ALL.HTM#TOP)", ".HTM#"},
                      ExtensionCase{R"(C:\V1.2\README)", ""},
                      ExtensionCase{"A.B:README", ""},
                      ExtensionCase{"/tmp/DISK.ZIP/README", ""},
                      ExtensionCase{"README.", "."},
                      ExtensionCase{"", ""}));

TEST(SplitLinkParametersTest, AtTheFirstBlankElseTheFirstQuestionMark) {
  EXPECT_EQ(SplitLinkParameters("A.EXE B?C D").file, "A.EXE");
  EXPECT_EQ(SplitLinkParameters("A.EXE B?C D").parameters, "B?C D");
  EXPECT_EQ(SplitLinkParameters("A.EXE?B?C").file, "A.EXE");
  EXPECT_EQ(SplitLinkParameters("A.EXE?B?C").parameters, "B?C");
  EXPECT_EQ(SplitLinkParameters("A.EXE").file, "A.EXE");
  EXPECT_EQ(SplitLinkParameters("A.EXE").parameters, "");
  EXPECT_EQ(SplitLinkParameters("A.EXE ").parameters, "");
}

TEST(FindDialogPositionTest, HalfTheWidthAndASixthOfTheHeightTruncated) {
  EXPECT_EQ(FindDialogPosition({0, 0, 701, 551}), (ScreenPoint{350, 91}));
  EXPECT_EQ(FindDialogPosition({-1280, -20, 1001, 605}), (ScreenPoint{-780, 80}));
  EXPECT_EQ(FindDialogPosition({10, 10, 1, 5}), (ScreenPoint{10, 10}));
}

}  // namespace
}  // namespace vantorel::browser
