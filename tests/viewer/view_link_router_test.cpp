#include "browser/link_router.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/settings.h"
#include "core/texts.h"
#include "scripted_ui.h"

namespace vantorel::viewer {
namespace {

using core::BoxKind;
using testing::ScriptedUi;

// The viewer window and the platform as the router sees them, every call recorded. Links are
// expanded against the folder "C:\SHOWN\" the way the view does it: "file:///" dropped, "/"
// turned into "\", a relative name put under the folder.
class RecordingActions : public browser::LinkActions {
 public:
  std::string ExpandLinkPath(const std::string& reference) override {
    std::string path = reference;
    if (core::UpperCaseAscii(path).starts_with("FILE:///")) path.erase(0, 8);
    for (char& c : path)
      if (c == '/') c = '\\';
    return path.size() > 1 && path[1] == ':' ? path : "C:\\SHOWN\\" + path;
  }
  void ShowSourceFile(const std::string& file, const std::string&, const std::string& word) override {
    calls.push_back("ShowSourceFile(" + file + ")");
    search_word = word;
  }
  void BrowseDirectory(const std::string& directory) override { calls.push_back("BrowseFolder(" + directory + ")"); }
  void LaunchProgram(const std::string& program, const std::string& parameters) override {
    calls.push_back("LaunchProgram(" + program + ", " + parameters + ")");
  }
  bool EnsureCdReady(const std::string& path) override {
    calls.push_back("EnsureCdReady(" + path + ")");
    return cd_ready;
  }
  void OpenPdfInReader(const std::string& path, int page) override {
    calls.push_back("OpenPdfInReader(" + path + (page > 0 ? ", page " + std::to_string(page) : "") + ")");
  }
  void ShowArchiveMember(const std::string& archive, const std::string& member, const std::string&,
                         const std::string& word) override {
    calls.push_back("ShowArchiveMember(" + archive + ", " + member + ")");
    search_word = word;
  }
  bool FileExists(const std::string& path) override { return files.contains(path); }
  bool DirectoryExists(const std::string& path) override { return directories.contains(path); }

  bool cd_ready = true;              // the answer of the CD-ROM prompt
  std::set<std::string> files;       // the files that exist
  std::set<std::string> directories; // the folders that exist
  std::vector<std::string> calls;
  std::string search_word = "BEFORE";  // the word the window looks for
};

struct Case {
  std::string url;
  bool handled;
  std::vector<std::string> calls;
  std::string box = {};              // the one box shown, if any: "W:" warning, "E:" error + text
  std::string browser = {};          // BrowserPath
  bool cd_ready = true;
};

class ViewLinkRouterTest : public ::testing::Test {
 protected:
  ViewLinkRouterTest() {
    settings.SourceDir = "C:\\S\\";
    settings.PdfDir = "C:\\PDF\\";
    settings.CdPath = "e:\\";
    actions.files = {"C:\\SHOWN\\pdf\\abc.pdf", "C:\\PDF\\missing.pdf"};
    actions.directories = {"C:\\S\\ISSUE12"};
  }

  void Check(const Case& c) {
    SCOPED_TRACE(c.url);
    ScriptedUi ui;
    if (c.box.starts_with("W:")) ui.Expect(BoxKind::Warning, c.box.substr(2));
    if (c.box.starts_with("E:")) ui.Expect(BoxKind::Error, c.box.substr(2));
    settings.BrowserPath = c.browser;
    actions.cd_ready = c.cd_ready;
    actions.calls.clear();
    EXPECT_EQ(router.HotSpotClick(c.url), c.handled);
    EXPECT_EQ(actions.calls, c.calls);
    EXPECT_TRUE(ui.Done());
  }

  core::BrowserSettings settings;
  RecordingActions actions;
  browser::LinkRouter router{static_cast<browser::LinkActions&>(actions), settings};
};

TEST_F(ViewLinkRouterTest, FileLinksAreTakenAsWrittenRelativeToTheShownPage) {
  const Case cases[] = {
      {"notes.txt", true, {R"(LaunchProgram(notepad.exe, C:\SHOWN\notes.txt))"}},
      {"file:///XBONUS/readme.txt", true, {R"(LaunchProgram(notepad.exe, C:\SHOWN\XBONUS\readme.txt))"}},
      {"Music/Theme.mid", true, {R"(LaunchProgram(MPlayer.exe, /play /close C:\SHOWN\Music\Theme.mid))"}},
      {"intro.AVI?loop", true, {R"(LaunchProgram(MPlayer.exe, /play /close C:\SHOWN\intro.AVI))"}},
      {"D:/KVX/notes.txt extra", true, {R"(LaunchProgram(notepad.exe, D:\KVX\notes.txt))"}},
      {"file:///gifs.htm", true, {R"(LaunchProgram(C:\WEB\BROWSER.EXE, C:\SHOWN\gifs.htm))"}, "",
       R"(C:\WEB\BROWSER.EXE)"},
      {"file:///gifs.htm", true, {},
       "W:Because of licensing issues, this program does not display GIF images. We were unable to find your "
       "web browser in order to load this file containing GIF images."},
  };
  for (const Case& c : cases) Check(c);
}

// Sounds, programs and archives are the view's: the window neither plays, runs nor extracts.
TEST_F(ViewLinkRouterTest, OtherFileLinksAreLeftToTheView) {
  const Case cases[] = {
      {"sound.wav", false, {}},
      {"SETUP.EXE -q", false, {}},
      {"file:///XBONUS/setup.exe", false, {}},
      {"DISKS/A.ZIP", false, {}},
      {"page.htm", false, {}},
      {"page.htm#Part2", false, {}},
      {"#Top", false, {}},
      {"file:///page.html", false, {}},
      {"ARTSRCH.HTM", false, {}},
      {"bonsrch.htm", false, {}},
      {"README", false, {}},
      // The free-text link is the main window's search command; here it names a PDF.
      {"file:///pdf/freetextsearch.pdf", true, {}, "E:Unable to find file: C:/SHOWN/pdf/freetextsearch.pdf"},
  };
  for (const Case& c : cases) Check(c);
}

// A PDF link names the file beside the shown page: no PdfDir, no LastIssue test, no CD-ROM
// prompt, no command messages.
TEST_F(ViewLinkRouterTest, PdfLinksOpenTheFileBesideTheShownPage) {
  const Case cases[] = {
      {"file:///pdf/abc.pdf", true, {R"(OpenPdfInReader(C:\SHOWN\pdf\abc.pdf))"}},
      {"file:///pdf/missing.pdf", true, {}, "E:Unable to find file: C:/SHOWN/pdf/missing.pdf"},
      {"file:///pdf/abc.pdf#page=12", true, {R"(OpenPdfInReader(C:\SHOWN\pdf\abc.pdf, page 12))"}},
  };
  for (const Case& c : cases) Check(c);
}

TEST_F(ViewLinkRouterTest, WebsiteDirectoryViewAndOtherLinks) {
  const Case cases[] = {
      {"http://www.Vantorel.example/", true,
       {R"(LaunchProgram(C:\WEB\BROWSER.EXE, http://www.Vantorel.example/))"}, "", R"(C:\WEB\BROWSER.EXE)"},
      {"http://www.Vantorel.example/", true, {}, "W:Unable to find your web browser to connect to this website"},
      {"diry:///disks/issue12", true, {R"(EnsureCdReady(C:\S\ISSUE12))", R"(BrowseFolder(C:\S\ISSUE12))"}},
      {"diry:///disks/issue13", true, {R"(EnsureCdReady(C:\S\ISSUE13))"},
       "E:Sorry, the requested directory C:/S/ISSUE13 does not exist"},
      {"diry:///disks/issue12", true, {R"(EnsureCdReady(C:\S\ISSUE12))"}, "", "", false},
      {"SRCH:///B1.HTM|Stream", false, {}},
      {"mailto:editor@vantorel.example", false, {}},
  };
  for (const Case& c : cases) Check(c);
  EXPECT_EQ(actions.search_word, "BEFORE");
}

TEST_F(ViewLinkRouterTest, ViewLinksShowTheSourceFileAndSetTheWord) {
  Check({"VIEW:///DISKS/X/A.PAS|Stream", true, {R"(EnsureCdReady(C:\S\X\A.PAS))", R"(ShowSourceFile(C:\S\X\A.PAS))"}});
  EXPECT_EQ(actions.search_word, "STREAM");
  Check({"view:///disks/x/b.pas", true, {R"(EnsureCdReady(C:\S\X\B.PAS))", R"(ShowSourceFile(C:\S\X\B.PAS))"}});
  EXPECT_EQ(actions.search_word, "");
  // A member of a ZIP archive: the window shows it in itself.
  Check({"VIEW:///DISKS/X/A.ZIP?Src/Unit%201.pas|heap", true,
         {R"(EnsureCdReady(C:\S\X\A.ZIP))", R"(ShowArchiveMember(C:\S\X\A.ZIP, Src/Unit 1.pas))"}});
  EXPECT_EQ(actions.search_word, "HEAP");
  // Outside the companion disks the file is taken relative to the shown page.
  Check({"VIEW:///EXTRAS/Tools.ZIP?Read%20Me.txt|marmot", true,
         {R"(EnsureCdReady(C:\SHOWN\EXTRAS\TOOLS.ZIP))",
          R"(ShowArchiveMember(C:\SHOWN\EXTRAS\TOOLS.ZIP, Read Me.txt))"}});
  EXPECT_EQ(actions.search_word, "MARMOT");
  actions.search_word.clear();

  // A cancelled CD-ROM prompt drops the link: no file, the word stays.
  actions.search_word = "BEFORE";
  Check({"VIEW:///DISKS/X/A.PAS|Heap", true, {R"(EnsureCdReady(C:\S\X\A.PAS))"}, "", "", false});
  EXPECT_EQ(actions.search_word, "BEFORE");
}

}  // namespace
}  // namespace vantorel::viewer
