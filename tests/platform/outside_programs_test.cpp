#include "platform/outside_programs.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include <gtest/gtest.h>

#include "core/shared_state.h"
#include "platform/file_system.h"
#include "program_helpers.h"
#include "temp_dir.h"

namespace vantorel::platform {
namespace {

using core::Settings;
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
  Settings() = {};
  Settings().DataDir = PathText(dir.path()) + "/";
  EXPECT_EQ(FindAssociatedProgram("DUMMY.PDF"), "");
  dir.Write("dummy.pdf", "%PDF-1.4\n");
  EXPECT_EQ(FindAssociatedProgram("DUMMY.PDF"), "/usr/bin/reader");
  EXPECT_EQ(associations.asked.back(), dir.path() / "dummy.pdf");
  associations.program = "";
  EXPECT_EQ(FindAssociatedProgram("DUMMY.PDF"), "");
  Settings() = {};
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
    Settings().DataDir = PathText(dir.path() / "archive") + "/";
    const std::string answers = FindAssociatedProgram("DUMMY.PDF") + "|" +
                                FindAssociatedProgram("dummy.zip") + "|" +
                                FindAssociatedProgram("DUMMY.XYZQ") + "|" +
                                FindAssociatedProgram("MISSING.PDF");
    dir.Write("answers", answers);
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(TempDir::Read(dir.path() / "answers"), reader + "|||");
}

TEST(LaunchProgram, StartsAProgramWithItsParameters) {
  TempDir dir;
  WriteArgumentsScript(dir, "bin/args.sh");
  dir.Write("docs/My Article.pdf", "%PDF");
  const std::string program = PathText(dir.path()) + "\\BIN\\ARGS.SH";  // found without regard to case

  LaunchProgram(program, "\"a b\" c");
  EXPECT_EQ(WaitForArguments(dir), (std::vector<std::string>{"a b", "c"}));

  LaunchProgram(program, "");
  EXPECT_EQ(WaitForArguments(dir), std::vector<std::string>{});

  LaunchProgram(program, PathText(dir.path()) + "\\DOCS\\my article.PDF");
  EXPECT_EQ(WaitForArguments(dir),
            std::vector<std::string>{(dir.path() / "docs" / "My Article.pdf").string()});

  LaunchProgram(program, "/play /close \"" + PathText(dir.path()) + "/docs/My\"");
  EXPECT_EQ(WaitForArguments(dir),
            (std::vector<std::string>{"/play", "/close", PathText(dir.path()) + "/docs/My"}));
}

TEST(LaunchProgram, OpensADocumentWithTheDefaultProgram) {
  TempDir dir;
  const auto document = dir.Write("Bonus/Readme.TXT", "text");
  FixedAssociations associations;
  LaunchProgram(PathText(dir.path()) + "/bonus/README.txt", "ignored");
  EXPECT_EQ(associations.opened, std::vector<std::filesystem::path>{document});
}

TEST(LaunchProgram, StaysSilentWhenNothingCanStart) {
  TempDir dir;
  FixedAssociations associations;
  LaunchProgram("", "x");
  LaunchProgram(PathText(dir.path()) + "/missing.exe", "x");
  LaunchProgram("vantorel-no-such-program", "x");
  EXPECT_TRUE(associations.opened.empty());
}

}  // namespace
}  // namespace vantorel::platform
