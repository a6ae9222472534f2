// --help and --version of every program, run as processes the way a reader types them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/version.h"
#include "temp_dir.h"

namespace vantorel::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Program {
  const char* name;
  const char* file;
};

std::vector<Program> BuiltPrograms() {
  std::vector<Program> programs;
#ifdef VANTOREL_PROGRAM
  programs.push_back({"vantorel", VANTOREL_PROGRAM});
#endif
#ifdef VANTOREL_DBF_PROGRAM
  programs.push_back({"vantorel-dbf", VANTOREL_DBF_PROGRAM});
#endif
#ifdef VANTOREL_UNZIP_PROGRAM
  programs.push_back({"vantorel-unzip", VANTOREL_UNZIP_PROGRAM});
#endif
#ifdef VANTOREL_SEARCH_PROGRAM
  programs.push_back({"vantorel-search", VANTOREL_SEARCH_PROGRAM});
#endif
  return programs;
}

struct ProgramRun {
  int status;
  std::string out;
  std::string err;
};

// Runs the program with one argument and no display to connect to: the texts must come
// without a window system.
ProgramRun RunWith(const TempDir& dir, const Program& program, const std::string& argument) {
  const std::string out = dir / "out", err = dir / "err";
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" +
                              std::string(program.file) + "' " + argument + " >'" + out +
                              "' 2>'" + err + "' </dev/null";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TempDir::Read(out), TempDir::Read(err)};
}

TEST(CommandLineInfo, HelpPrintsUsageOptionsExitStatusAndAnExample) {
  const TempDir dir;
  for (const Program& program : BuiltPrograms()) {
    SCOPED_TRACE(program.name);
    const ProgramRun run = RunWith(dir, program, "--help");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_THAT(run.out, StartsWith(std::string("Usage: ") + program.name + " "));
    EXPECT_THAT(run.out, HasSubstr("      --help     display this help and exit\n"));
    EXPECT_THAT(run.out, HasSubstr("      --version  output version information and exit\n"));
    EXPECT_THAT(run.out, HasSubstr("\nExit status:\n 0  "));
    EXPECT_THAT(run.out, ContainsRegex(std::string("\nExamples?:\n  ") + program.name + " "));
  }
}

TEST(CommandLineInfo, VersionNamesTheProgramAndTheOneVersion) {
  const TempDir dir;
  for (const Program& program : BuiltPrograms()) {
    SCOPED_TRACE(program.name);
    const ProgramRun run = RunWith(dir, program, "--version");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_THAT(run.out, StartsWith(std::string(program.name) + " (Vantorel Article Browser) " +
                                    core::kVersion + "\n"));
  }
}

TEST(CommandLineInfo, AWrongCommandLinePointsToHelpOnStandardError) {
  const TempDir dir;
  for (const Program& program : BuiltPrograms()) {
    if (std::string(program.name) == "vantorel") continue;  // takes any folder or page
    SCOPED_TRACE(program.name);
    const ProgramRun run = RunWith(dir, program, "--no-such-option");
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr(std::string("Try '") + program.name + " --help'"));
  }
}

}  // namespace
}  // namespace vantorel::testing
