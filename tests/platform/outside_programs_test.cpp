#include "platform/outside_programs.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "program_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::platform {
namespace {

using core::Answer;
using core::BoxKind;
using core::Buttons;
using testing::ScriptedUi;
using testing::TempDir;

TEST(SplitCommandLine, SplitsAsAWindowsCommandLine) {
  struct Case {
    const char* text;
    std::vector<std::string> arguments;
  };
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {"a b\t c", {"a", "b", "c"}},
      {"/play /close C:\\X\\Y.MID", {"/play", "/close", "C:\\X\\Y.MID"}},
      {"\"C:\\My Files\\a.pdf\" x", {"C:\\My Files\\a.pdf", "x"}},
      {"\"\" x", {"", "x"}},
      {"a\\\\b", {"a\\\\b"}},
      {"a\\\"b", {"a\"b"}},
      {"a\\\\\"b c\"", {"a\\b c"}},
      {"a\\\\\\\"b", {"a\\\"b"}},
      {"\"a\"\"b\" c", {"a\"b", "c"}},
      {"ab\"c d\"e f", {"abc de", "f"}},
      {"\"unclosed quote", {"unclosed quote"}},
      {"trailing\\", {"trailing\\"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.arguments) << c.text;
}

TEST(FindAssociatedProgram, AsksOnlyAboutAnExistingSampleFile) {
  TempDir dir;
  FixedAssociations associations;
  associations.program = "/usr/bin/reader";
  const std::string data_dir = PathText(dir.path()) + "/";
  EXPECT_EQ(FindAssociatedProgram(data_dir, "DUMMY.PDF"), "");
  dir.Write("dummy.pdf", "%PDF-1.4\n");
  EXPECT_EQ(FindAssociatedProgram(data_dir, "DUMMY.PDF"), "/usr/bin/reader");
  EXPECT_EQ(associations.asked.back(), dir.path() / "dummy.pdf");
  associations.program = "";
  EXPECT_EQ(FindAssociatedProgram(data_dir, "DUMMY.PDF"), "");
}

// GIO caches the desktop's folders on first use, so this runs in a child process with its own
// XDG folders: one application registered for PDF files, and one for ZIP files whose program
// does not exist (GIO drops such an application, so ZIP files have no program).
TEST(FindAssociatedProgram, AsksGioForTheDefaultApplication) {
  TempDir dir;
  const std::string reader = WriteArgumentsScript(dir, "bin/testreader");
  dir.Write("data/applications/testreader.desktop",
            "[Desktop Entry]\nType=Application\nName=Test Reader\nExec=\"" + reader +
                "\" %f\nMimeType=application/pdf;\n");
  dir.Write("data/applications/ghostzip.desktop",
            "[Desktop Entry]\nType=Application\nName=Ghost\nExec=vantorel-no-such-program %f\n"
            "MimeType=application/zip;\n");
  dir.Write("config/mimeapps.list",
            "[Default Applications]\napplication/pdf=testreader.desktop\n"
            "application/zip=ghostzip.desktop\n");
  dir.Write("archive/DUMMY.PDF", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
  dir.Write("archive/DUMMY.ZIP", std::string("PK\x05\x06", 4) + std::string(18, '\0'));
  dir.Write("archive/DUMMY.XYZQ", "\x01\x02 unknown");

  const pid_t child = fork();
  if (child == 0) {
    ::setenv("XDG_DATA_HOME", (dir.path() / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
    ::setenv("XDG_CONFIG_DIRS", (dir.path() / "none").c_str(), 1);
    ::setenv("XDG_DATA_DIRS", "/usr/share", 1);
    SetAssociations(nullptr);
    const std::string data_dir = PathText(dir.path() / "archive") + "/";
    const std::string answers = FindAssociatedProgram(data_dir, "DUMMY.PDF") + "|" +
                                FindAssociatedProgram(data_dir, "dummy.zip") + "|" +
                                FindAssociatedProgram(data_dir, "DUMMY.XYZQ") + "|" +
                                FindAssociatedProgram(data_dir, "MISSING.PDF");
    dir.Write("answers", answers);
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(TempDir::Read(dir.path() / "answers"), reader + "|||");
}

TEST(IsUrl, TellsUrlsFromPaths) {
  const std::pair<const char*, bool> cases[] = {
      {"http://www.example.com/", true},  {"HTTP://WWW.EXAMPLE.COM/a b", true},
      {"mailto:editor@example.com", true}, {"svn+ssh://host/x", true},
      {"C:\\DATA\\X.PDF", false},          {"c:/data/x.pdf", false},
      {"/home/reader/x.pdf", false},       {"1http://x", false},
      {"no colon", false},                 {"", false},
      {"a b:c", false},
  };
  for (const auto& [text, url] : cases) EXPECT_EQ(IsUrl(text), url) << text;
}

// Launches against the desktop with fixed answers; real files in a temporary folder.
class LaunchProgramTest : public ::testing::Test {
 protected:
  std::string Text(const std::filesystem::path& path) const { return PathText(path); }

  TempDir dir_;
  ScriptedUi ui_;
  FixedAssociations desktop_;
};

TEST_F(LaunchProgramTest, StartsALinuxProgramWithItsParameters) {
  CopyArgumentsProgram(dir_, "bin", "args");
  dir_.Write("docs/My Article.pdf", "%PDF");
  const std::string program = Text(dir_.path()) + "\\BIN\\ARGS";  // found without regard to case

  LaunchProgram(program, "\"a b\" c");
  EXPECT_EQ(WaitForArguments(dir_), (std::vector<std::string>{"a b", "c"}));

  LaunchProgram(program, "");
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{});

  LaunchProgram(program, Text(dir_.path()) + "\\DOCS\\my article.PDF");
  EXPECT_EQ(WaitForArguments(dir_),
            std::vector<std::string>{(dir_.path() / "docs" / "My Article.pdf").string()});

  LaunchProgram(program, "/play /close \"" + Text(dir_.path()) + "/docs/My\"");
  EXPECT_EQ(WaitForArguments(dir_),
            (std::vector<std::string>{"/play", "/close", Text(dir_.path()) + "/docs/My"}));

  LaunchProgram(program, "http://www.example.com/a b?q=\"x y\"");
  EXPECT_EQ(WaitForArguments(dir_),
            std::vector<std::string>{"http://www.example.com/a b?q=\"x y\""});
  EXPECT_TRUE(desktop_.opened.empty());
}

// Whatever its permission bits say, a file that is no Linux program opens as a document and
// is never run: a text, a "#!" script, a binary that is not ELF, a folder.
TEST_F(LaunchProgramTest, OpensEveryOtherFileAsADocument) {
  const std::string marker = dir_ / "executed";
  const std::string script = "#!/bin/sh\ntouch '" + marker + "'\n";
  struct Case {
    const char* name;
    std::string content;  // empty: a folder
    std::filesystem::perms mode;
  };
  using std::filesystem::perms;
  const Case cases[] = {
      {"Bonus/Readme.TXT", "Read me", perms::owner_read | perms::owner_write},
      {"Disk/NOTES.TXT", script, perms::owner_all},
      {"Disk/INSTALL.SH", script, perms::owner_all},
      {"Disk/DATA.BIN", std::string("\x7f" "EL\x01\x02", 5), perms::owner_all},
      {"Disk/Folder", "", perms::owner_all},
  };
  for (const Case& c : cases) {
    const std::filesystem::path file = dir_.path() / c.name;
    if (c.content.empty())
      std::filesystem::create_directories(file);
    else
      dir_.Write(c.name, c.content);
    std::filesystem::permissions(file, c.mode);
    desktop_.opened.clear();
    LaunchProgram(Text(file), "ignored");
    EXPECT_EQ(desktop_.opened, std::vector<std::filesystem::path>{file}) << c.name;
    EXPECT_EQ(desktop_.opened_as, std::vector<std::string>{"text/plain"}) << c.name;
    desktop_.opened_as.clear();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(std::filesystem::exists(marker));
}

// DOS programs go to the application of the first DOS program type the desktop has one for,
// never to the text editor of a batch file's own type; without one, one box says so.
TEST_F(LaunchProgramTest, SendsDosProgramsToTheDesktopsDosApplication) {
  struct Case {
    const char* name;
    const char* own_type;                     // what the desktop makes of the file
    std::vector<std::string> handled_types;   // types the desktop has an application for
    const char* opened_as;                    // empty: the box
  };
  const Case cases[] = {
      {"TOOLS/HELLO.EXE", "application/x-ms-dos-executable",
       {"text/plain", "application/x-ms-dos-executable"}, "application/x-ms-dos-executable"},
      {"TOOLS/RUN.BAT", "text/plain", {"text/plain", "application/x-bat"}, "application/x-bat"},
      {"TOOLS/T.COM", "text/plain", {"text/plain", "application/x-msdos-program"},
       "application/x-msdos-program"},
      {"TOOLS/hello.exe", "application/x-ms-dos-executable", {"application/x-dosexec"},
       "application/x-dosexec"},
      {"TOOLS/GAME.OVL", "application/x-ms-dos-executable", {"application/x-ms-dos-executable"},
       "application/x-ms-dos-executable"},
      {"TOOLS/HELLO.EXE", "application/x-ms-dos-executable", {"text/plain"}, ""},
      {"TOOLS/RUN.BAT", "text/plain", {"text/plain"}, ""},
  };
  for (const Case& c : cases) {
    const std::filesystem::path file = dir_.Write(c.name, "MZ\x1a");
    desktop_.content_type = c.own_type;
    desktop_.handled_types = c.handled_types;
    desktop_.opened.clear();
    desktop_.opened_as.clear();
    if (*c.opened_as == '\0')
      ui_.Expect(BoxKind::Error, "Unable to run the DOS program " + Text(file) +
                                     ":\rno program to run DOS programs (such as DOSBox) is installed.");
    LaunchProgram(Text(file), "/Q");
    if (*c.opened_as == '\0') {
      EXPECT_TRUE(desktop_.opened.empty()) << c.name;
    } else {
      EXPECT_EQ(desktop_.opened, std::vector<std::filesystem::path>{file}) << c.name;
      EXPECT_EQ(desktop_.opened_as, std::vector<std::string>{c.opened_as}) << c.name;
    }
  }
}

TEST_F(LaunchProgramTest, SaysWhyNothingStarted) {
  const auto readme = dir_.Write("Disk/README.TXT", "text");
  const std::string program = CopyArgumentsProgram(dir_, "bin", "noexec");
  std::filesystem::permissions(program, std::filesystem::perms::owner_read |
                                            std::filesystem::perms::owner_write);

  ui_.Expect(BoxKind::Error, "Unable to find file: " + Text(dir_.path()) + "/BONUS/SETUP.EXE");
  LaunchProgram(Text(dir_.path()) + "/BONUS/SETUP.EXE", "");
  ui_.Expect(BoxKind::Error, "Unable to find file: vantorel-no-such-program");
  LaunchProgram("vantorel-no-such-program", "x");

  desktop_.handled_types.clear();
  ui_.Expect(BoxKind::Error, "Unable to open " + Text(readme) +
                                 ":\rno program to open files of this type is installed.");
  LaunchProgram(Text(readme), "");

  desktop_.handled_types = {"text/plain"};
  desktop_.launch = {DesktopLaunch::Outcome::Failed, "Unable to find terminal required for application"};
  ui_.Expect(BoxKind::Error, "Unable to start " + Text(readme) +
                                 ":\rUnable to find terminal required for application");
  LaunchProgram(Text(readme), "");

  ui_.Expect(BoxKind::Error, "Unable to start " + program + ":\rPermission denied");
  LaunchProgram(program, "");

  LaunchProgram("", "x");
  EXPECT_TRUE(ui_.Done());
}

// The file browser's Run may run a script whose permission bits allow it, once the reader
// says Yes; No, or any other launch, opens it as a document.
TEST_F(LaunchProgramTest, RunsAScriptOnlyWhenTheReaderSaysSo) {
  const std::string script = WriteArgumentsScript(dir_, "Disk/run.sh");
  const std::string question = "Run the script " + script + " as a program?\rNo opens it as a document.";

  ui_.Expect(BoxKind::Confirmation, question, Buttons::YesNo, Answer::Yes);
  LaunchProgram(script, "", Scripts::AskToRun);
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{});
  EXPECT_TRUE(desktop_.opened.empty());

  ui_.Expect(BoxKind::Confirmation, question, Buttons::YesNo, Answer::No);
  LaunchProgram(script, "", Scripts::AskToRun);
  LaunchProgram(script, "");
  std::filesystem::permissions(script, std::filesystem::perms::owner_read);
  LaunchProgram(script, "", Scripts::AskToRun);
  EXPECT_EQ(desktop_.opened, std::vector<std::filesystem::path>(3, script));
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "arguments"));
}

// The PDF reader and the web browser of the settings run whatever kind of program they are,
// through the desktop entry that registers them for the file or URL when there is one.
TEST_F(LaunchProgramTest, StartsTheChosenProgramsThroughTheirDesktopEntries) {
  const std::string browser = WriteArgumentsScript(dir_, "bin/browser");
  const auto pdf = dir_.Write("PDF/KV0101.PDF", "%PDF-1.4\n");
  const ChosenPrograms chosen{browser, browser};
  const std::string url = "http://www.example.com/a b?q=\"x y\"";

  LaunchProgram(browser, url, Scripts::AsDocuments, chosen);
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{url});
  LaunchProgram(browser, Text(dir_.path()) + "/pdf/kv0101.pdf", Scripts::AsDocuments, chosen);
  EXPECT_EQ(WaitForArguments(dir_), std::vector<std::string>{pdf.string()});

  desktop_.registers_programs = true;
  LaunchProgram(browser, url, Scripts::AsDocuments, chosen);
  LaunchProgram(browser, Text(dir_.path()) + "/pdf/kv0101.pdf", Scripts::AsDocuments, chosen);
  LaunchProgram(browser, "-a -b", Scripts::AsDocuments, chosen);
  EXPECT_EQ(WaitForArguments(dir_), (std::vector<std::string>{"-a", "-b"}));
  EXPECT_EQ(desktop_.opened_with,
            (std::vector<std::string>{browser + " url " + url, browser + " file " + pdf.string()}));
  EXPECT_TRUE(desktop_.opened.empty());
}

// --- The desktop of GIO --------------------------------------------------------------------

// A Ui for a child process: notes every box, says Yes to every question.
class NotingUi : public core::Ui {
 public:
  NotingUi() { core::SetUi(this); }
  core::Answer Show(const core::MessageBox& box) override {
    boxes += box.text + "\n";
    return box.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  }
  std::optional<std::string> AskForFile(const core::FileRequest&) override { return {}; }
  std::optional<std::string> AskForFolder(const core::FolderRequest&) override { return {}; }
  std::optional<std::string> AskForPassword(const core::PasswordRequest&) override { return {}; }
  void ShowProgress(const std::string&) override {}
  void SetBusy(bool) override {}

  std::string boxes;  // every box text, one a line
};

// A desktop made only of the test's folders: the applications and default applications in
// dir/data and dir/config, the system's MIME database, and dir/bin as the search path (where
// no terminal is). Each application named is a script dir/bin/NAME that adds the line
// NAME|argument|argument... to dir/launches.
class TestDesktop {
 public:
  explicit TestDesktop(const TempDir& dir) : dir_(dir) {
    std::filesystem::create_directories(dir.path() / "share");
    std::filesystem::create_symlink("/usr/share/mime", dir.path() / "share" / "mime");
  }

  // Registers the application NAME, started as Exec (with NAME for its executable), as the
  // default for the types.
  void Register(const std::string& name, const std::string& exec, const std::string& types,
                bool terminal = false) {
    const auto script = dir_.Write("bin/" + name,
                                   "#!/bin/sh\nline='" + name + "'\nfor a in \"$@\"; do line=\"$line|$a\"; done\n"
                                   "printf '%s\\n' \"$line\" >> '" + (dir_ / "launches") + "'\n");
    ::chmod(script.c_str(), 0755);
    std::string command = exec;
    command.replace(command.find(name), name.size(), "\"" + script.string() + "\"");
    dir_.Write("data/applications/" + name + ".desktop",
               "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=" + command +
                   "\nTerminal=" + (terminal ? "true" : "false") + "\nMimeType=" + types + ";\n");
    std::string::size_type from = 0;
    while (from <= types.size()) {
      const auto end = std::min(types.find(';', from), types.size());
      defaults_ += types.substr(from, end - from) + "=" + name + ".desktop\n";
      from = end + 1;
    }
  }

  std::string Script(const std::string& name) const { return dir_ / ("bin/" + name); }

  // Runs body in a child process on this desktop (GIO keeps what it read of the desktop for
  // the life of a process) and returns the boxes it showed, then the launches sorted, once
  // `launches` of them came (or after five seconds).
  std::string Run(const std::function<void()>& body, std::size_t launches) {
    dir_.Write("config/mimeapps.list", "[Default Applications]\n" + defaults_);
    const std::filesystem::path out = dir_.path() / "outcome";
    const pid_t child = fork();
    if (child == 0) {
      ::setenv("XDG_DATA_HOME", (dir_.path() / "data").c_str(), 1);
      ::setenv("XDG_DATA_DIRS", (dir_.path() / "share").c_str(), 1);
      ::setenv("XDG_CONFIG_HOME", (dir_.path() / "config").c_str(), 1);
      ::setenv("XDG_CONFIG_DIRS", (dir_.path() / "none").c_str(), 1);
      ::setenv("PATH", (dir_.path() / "bin").c_str(), 1);
      ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
      SetAssociations(nullptr);
      NotingUi ui;
      body();
      std::vector<std::string> lines;
      for (int i = 0; i < 500; ++i) {
        std::istringstream content(TempDir::Read(dir_.path() / "launches"));
        lines.clear();
        for (std::string line; std::getline(content, line);) lines.push_back(line);
        if (lines.size() >= launches) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      std::sort(lines.begin(), lines.end());
      std::string outcome = ui.boxes + "--\n";
      for (const std::string& line : lines) outcome += line + "\n";
      dir_.Write("outcome", outcome);
      std::_Exit(0);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
      return "(the child failed)";
    return TempDir::Read(out);
  }

 private:
  const TempDir& dir_;
  std::string defaults_;  // lines of the default applications
};

// Documents with the execute bit, a "#!" one among them, open with the desktop's application,
// which gets its desktop entry's whole command line; a website reaches the browser as one
// argument; an application that needs a terminal where there is none, and a DOS program with
// no DOS application, say so.
TEST(LaunchProgramOnGio, OpensDocumentsWithTheDesktopsApplicationsAndNeverRunsThem) {
  TempDir dir;
  TestDesktop desktop(dir);
  desktop.Register("editor", "editor --new %F", "text/plain");
  desktop.Register("reader", "reader --some-option %f", "application/pdf");
  desktop.Register("browser", "browser --new-window %u", "x-scheme-handler/http");
  desktop.Register("pascal", "pascal %f", "text/x-pascal", true);
  const std::string marker = dir / "executed";
  const std::string script = "#!/bin/sh\ntouch '" + marker + "'\n";
  const auto notes = dir.Write("My Disk/NOTES.TXT", script);
  const auto install = dir.Write("My Disk/INSTALL.SH", script);
  const auto readme = dir.Write("My Disk/README", "Read me first.\n");
  const auto pascal = dir.Write("My Disk/A.PAS", "program A;\nbegin\nend.\n");
  const auto hello = dir.Write("My Disk/HELLO.EXE", std::string("MZ\x1a\0\x01\0\0\0", 8));
  const auto pdf = dir.Write("PDF/KV0101.PDF", "%PDF-1.4\n%\xe2\xe3\xcf\xd3\n");
  for (const auto& file : {notes, install, readme, pascal, hello}) ::chmod(file.c_str(), 0755);

  const std::string outcome = desktop.Run(
      [&] {
        const ChosenPrograms chosen{desktop.Script("reader"), desktop.Script("browser")};
        LaunchProgram(PathText(notes), "", Scripts::AsDocuments, chosen);
        LaunchProgram(PathText(install), "", Scripts::AsDocuments, chosen);
        LaunchProgram(PathText(readme), "", Scripts::AskToRun, chosen);
        LaunchProgram(PathText(pascal), "", Scripts::AsDocuments, chosen);
        LaunchProgram(PathText(hello), "/Q", Scripts::AsDocuments, chosen);
        LaunchProgram(chosen.reader, PathText(pdf), Scripts::AsDocuments, chosen);
        LaunchProgram(chosen.browser, "http://www.example.com/a%20b?q=1", Scripts::AsDocuments, chosen);
      },
      5);
  EXPECT_EQ(outcome,
            "Unable to start " + PathText(pascal) + ":\rUnable to find terminal required for application\n" +
                "Unable to run the DOS program " + PathText(hello) +
                ":\rno program to run DOS programs (such as DOSBox) is installed.\n--\n" +
                "browser|--new-window|http://www.example.com/a%20b?q=1\n" +
                "editor|--new|" + install.string() + "\n" + "editor|--new|" + notes.string() + "\n" +
                "editor|--new|" + readme.string() + "\n" + "reader|--some-option|" + pdf.string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(marker));
}

// DOS programs and batch files go to the desktop's DOS application; a text stays a text.
TEST(LaunchProgramOnGio, SendsDosProgramsToTheRegisteredDosApplication) {
  TempDir dir;
  TestDesktop desktop(dir);
  desktop.Register("editor", "editor %f", "text/plain");
  desktop.Register("dosemu", "dosemu %f", "application/x-ms-dos-executable");
  const auto hello = dir.Write("DISKS/HELLO.EXE", std::string("MZ\x1a\0\x01\0\0\0", 8));
  const auto batch = dir.Write("DISKS/RUN.BAT", "@echo off\r\nhello\r\n");
  const auto text = dir.Write("DISKS/README.TXT", "Read me.\r\n");
  const std::string outcome = desktop.Run(
      [&] {
        for (const auto& file : {hello, batch, text}) LaunchProgram(PathText(file), "");
      },
      3);
  EXPECT_EQ(outcome, "--\ndosemu|" + hello.string() + "\ndosemu|" + batch.string() + "\neditor|" +
                         text.string() + "\n");
}

}  // namespace
}  // namespace vantorel::platform
