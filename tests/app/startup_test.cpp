#include "app/startup.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "app/no_archive_page.h"
#include "app/settings_file.h"
#include "fixed_associations.h"
#include "platform/cd_drive.h"
#include "platform/file_system.h"
#include "scoped_environment.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::app {
namespace {

using core::BoxKind;
using core::BrowserSettings;
using platform::PathText;
using testing::ScopedEnvironment;
using testing::ScriptedUi;
using testing::TempDir;

const char kMissingDataDir[] =
    "Data directory passed on command line does not exist, using program directory";

// The window's steps, recorded in order.
class RecordingWindow : public browser::MainFormSetupSteps {
 public:
  void PointPlacementAt(const std::filesystem::path& file) override {
    steps.push_back("placement " + file.string());
  }
  void SetOpenDialogDir(const std::string& dir) override { steps.push_back("open dialog " + dir); }
  void PrepareHistory() override { steps.push_back("history"); }
  void AcceptDroppedFiles() override { steps.push_back("drops"); }
  std::vector<std::string> steps;
};

// A program folder <tmp>/bin, an archive <tmp>/Archive with its sample files, a configuration
// folder <tmp>/config and no CD-ROM drive.
class StartupTest : public ::testing::Test {
 protected:
  StartupTest()
      : no_cd_(dir_.Write("mounts", "/dev/sda1 / ext4 rw 0 0\n"), dir_.path() / "fstab") {
    previous_mounts_ = platform::SetMountTable(&no_cd_);
    program_ = dir_.Write("bin/vantorel", "");
    for (const char* sample : {"DUMMY.PDF", "DUMMY.HTM", "DUMMY.ZIP"})
      dir_.Write(std::string("Archive/") + sample, "sample");
    program_dir_ = PathText(dir_.path() / "bin") + "/";
    archive_ = PathText(dir_.path() / "Archive") + "/";
    config_ = dir_.path() / "config";
  }
  ~StartupTest() override { platform::SetMountTable(previous_mounts_); }

  BrowserSettings CommandLine(std::vector<std::string> arguments) {
    BrowserSettings settings;
    settings.DebugMode = settings.ShowCommands = true;  // must start false
    ApplyCommandLine(program_, arguments, settings);
    return settings;
  }

  TempDir dir_;
  platform::MountTableFiles no_cd_;
  const platform::MountTable* previous_mounts_ = nullptr;
  std::filesystem::path program_, config_;
  std::string program_dir_, archive_;
  BrowserSettings settings_;  // the record the set-up fills
};

TEST_F(StartupTest, CommandLineSwitchesAndDataFolder) {
  struct Case {
    std::vector<std::string> arguments;
    bool debug, show_commands;
    std::string data_dir;
  };
  dir_.Write("bin/index.htm", "<html></html>");  // an archive beside the program
  const std::string data = archive_;
  const std::string bare = data.substr(0, data.size() - 1);
  const std::string other_case = PathText(dir_.path()) + "/ARCHIVE";
  const Case cases[] = {
      {{}, false, false, program_dir_},
      {{"/DEBUGMODE"}, true, false, program_dir_},
      {{"/dbm2"}, true, true, program_dir_},
      {{"/DbM2", "/DBM2"}, true, true, program_dir_},
      {{bare}, false, false, data},
      {{data}, false, false, data},
      {{other_case}, false, false, data},
      {{bare, "/debugMode"}, true, false, data},
      {{bare, "/DBM2"}, false, false, data},
      {{bare, "x", "/DEBUGMODE"}, false, false, data},
      {{"/DEBUGMODE", "/DEBUGMODE"}, true, false, program_dir_},
  };
  for (const Case& c : cases) {
    ScriptedUi ui;
    const BrowserSettings s = CommandLine(c.arguments);
    const std::string shown = c.arguments.empty() ? "(none)" : c.arguments[0];
    EXPECT_EQ(s.DebugMode, c.debug) << shown;
    EXPECT_EQ(s.ShowCommands, c.show_commands) << shown;
    EXPECT_EQ(s.ProgramDir, program_dir_) << shown;
    EXPECT_EQ(s.DataDir, c.data_dir) << shown;
  }
}

// The program of the fixture stands in PREFIX/bin as an installed one does.
TEST_F(StartupTest, WithoutADataFolderAnInstalledProgramStartsOnTheReadersCopyOfTheDemo) {
  dir_.Write("share/vantorel/demo/index.htm", "<html>demo</html>");
  dir_.Write("share/vantorel/demo/DISKS/Issue01/README.TXT", "read me");
  const ScopedEnvironment data_home("XDG_DATA_HOME", dir_ / "data");
  const std::filesystem::path copy = dir_.path() / "data" / "vantorel" / "demo";

  EXPECT_EQ(CommandLine({}).DataDir, PathText(copy) + "/");
  EXPECT_EQ(TempDir::Read(copy / "index.htm"), "<html>demo</html>");
  EXPECT_EQ(TempDir::Read(copy / "DISKS" / "Issue01" / "README.TXT"), "read me");

  // The copy is made once: what the program wrote into it since stays.
  dir_.Write("data/vantorel/demo/DISKS/Issue01/README.TXT", "changed");
  EXPECT_EQ(CommandLine({"/DEBUGMODE"}).DataDir, PathText(copy) + "/");
  EXPECT_EQ(TempDir::Read(copy / "DISKS" / "Issue01" / "README.TXT"), "changed");

  // A data folder on the command line, or an archive beside the program, comes first.
  EXPECT_EQ(CommandLine({archive_}).DataDir, archive_);
  dir_.Write("bin/index.htm", "<html>beside</html>");
  EXPECT_EQ(CommandLine({}).DataDir, program_dir_);
}

TEST_F(StartupTest, AnInstalledDemoThatCannotBeCopiedIsShownFromWhereItIsInstalled) {
  dir_.Write("share/vantorel/demo/index.htm", "<html>demo</html>");
  dir_.Write("data", "a file where the data folder belongs");
  const ScopedEnvironment data_home("XDG_DATA_HOME", dir_ / "data");
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning, "Cannot create folder \"" + PathText(dir_.path()) +
                                  "/data/vantorel/demo\"\rThe demo archive is shown from "
                                  "where it is installed.");
  EXPECT_EQ(CommandLine({}).DataDir, PathText(dir_.path() / "share/vantorel/demo") + "/");
}

// Without a data folder, an archive beside the program or an installed demo, the reader is
// told so; the program folder stays DataDir and nothing is written into it.
TEST_F(StartupTest, WithoutAnyArchiveTheReaderIsToldSoAndNothingIsWrittenBesideTheProgram) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"/DEBUGMODE"}, {"/dbm2", "/DEBUGMODE"}}) {
    ScriptedUi ui;
    ui.Expect(BoxKind::Warning, kNoArchiveMessage);
    EXPECT_EQ(CommandLine(arguments).DataDir, program_dir_);
  }
  // A catalogue table beside the program is an archive too.
  dir_.Write("bin/article.dbf", "");
  ScriptedUi ui;
  EXPECT_EQ(CommandLine({}).DataDir, program_dir_);
  std::filesystem::remove(dir_.path() / "bin" / "article.dbf");
  EXPECT_EQ(platform::EntryNamesAt(dir_.path() / "bin"), std::vector<std::string>{"vantorel"});
}

TEST_F(StartupTest, AMissingDataFolderFallsBackToTheProgramFolder) {
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning, kMissingDataDir).Expect(BoxKind::Warning, kMissingDataDir);
  EXPECT_EQ(CommandLine({PathText(dir_.path()) + "/missing"}).DataDir, program_dir_);
  EXPECT_EQ(CommandLine({program_.string()}).DataDir, program_dir_);  // a file, not a folder
}

// A copy of the program started for a page another copy could not show in a frame gets the
// page, quoted away by the command line, with its anchor.
TEST_F(StartupTest, APageArgumentOpensThatPageInTheArchiveItBelongsTo) {
  dir_.Write("Archive/B1.HTM", "<html></html>");
  dir_.Write("Archive/sub/Page.html", "<html></html>");
  dir_.Write("Archive/index.htm", "<html></html>");
  dir_.Write("Other/Loose.htm", "<html></html>");
  const std::string other = PathText(dir_.path() / "Other") + "/";
  const std::string page = archive_ + "B1.HTM";
  const std::string windows_form = "\\" + PathText(dir_.path()).substr(1) + "\\ARCHIVE\\b1.htm";
  struct Case {
    std::string argument;
    std::optional<std::string> start_page;
    std::string data_dir;
  };
  const Case cases[] = {
      {page, page, archive_},
      {page + "#Stream", page + "#Stream", archive_},
      {windows_form + "#TOP", page + "#TOP", archive_},
      {archive_ + "sub/Page.html", archive_ + "sub/Page.html", archive_},  // the archive's page
      {other + "Loose.htm", other + "Loose.htm", other},  // no index.htm above: its own folder
      {archive_ + "missing.htm#TOP", std::nullopt, program_dir_},
      {archive_, std::nullopt, archive_},  // a folder is the data folder
  };
  for (const Case& c : cases) {
    ScriptedUi ui;
    if (!c.start_page && c.data_dir == program_dir_) ui.Expect(BoxKind::Warning, kMissingDataDir);
    EXPECT_EQ(StartPageArgument({c.argument}), c.start_page) << c.argument;
    EXPECT_EQ(CommandLine({c.argument}).DataDir, c.data_dir) << c.argument;
  }
}

TEST_F(StartupTest, FirstRunDiscoversTheProgramsAndWritesTheSettings) {
  FixedAssociations associations;
  const std::string reader = program_.string();  // any existing file will do
  associations.programs = {{".PDF", reader}, {".HTM", "/usr/bin/firefox"}};
  ScriptedUi ui;
  RecordingWindow window;
  EXPECT_TRUE(RunMainFormSetup(program_, {archive_}, config_, settings_, window));
  EXPECT_EQ(window.steps, (std::vector<std::string>{"placement " + (config_ / "kvxform.ini").string(),
                                                    "open dialog " + archive_, "history", "drops"}));
  EXPECT_EQ(TempDir::Read(config_ / "kvbrowse.ini"),
            "[KVXBrowse]\r\nAcrobat=" + reader + "\r\nBrowser=/usr/bin/firefox\r\nPdfFiles=\r\n"
            "SourceFiles=\r\nCDPath=\r\nLastIssue=72\r\nResults=30\r\nUseExternalZip=0\r\nZipUtil=\r\n");
  EXPECT_EQ(settings_.PdfDir, archive_ + "PDF/");
  EXPECT_EQ(settings_.SourceDir, archive_ + "DISKS/");
}

// The PDF and companion-disk folders are stored as the defaults, so each archive opened later
// finds its own; a folder chosen elsewhere stays chosen.
TEST_F(StartupTest, DefaultFoldersFollowTheArchiveThatIsOpen) {
  FixedAssociations associations;
  const std::string second = PathText(dir_.path() / "Second") + "/";
  dir_.Write("Second/index.htm", "<html></html>");
  ScriptedUi ui;
  RecordingWindow window;
  ASSERT_TRUE(RunMainFormSetup(program_, {archive_}, config_, settings_, window));
  ASSERT_TRUE(RunMainFormSetup(program_, {second}, config_, settings_, window));
  EXPECT_EQ(settings_.PdfDir, second + "PDF/");
  EXPECT_EQ(settings_.SourceDir, second + "DISKS/");

  settings_.SourceDir = "/srv/disks/";  // as the Options dialog leaves a chosen folder
  SaveSettings(config_ / kSettingsFileName, settings_);
  ASSERT_TRUE(RunMainFormSetup(program_, {archive_}, config_, settings_, window));
  EXPECT_EQ(settings_.PdfDir, archive_ + "PDF/");
  EXPECT_EQ(settings_.SourceDir, "/srv/disks/");
}

TEST_F(StartupTest, AReaderTheDesktopNamesButThatIsMissingIsReported) {
  FixedAssociations associations;
  associations.programs = {{".PDF", "/opt/Acrobat/acroread"}};
  ScriptedUi ui;
  ui.Expect(BoxKind::Information, kReaderNotFoundMessage);
  RecordingWindow window;
  EXPECT_TRUE(RunMainFormSetup(program_, {archive_}, config_, settings_, window));
  EXPECT_EQ(settings_.AcrobatPath, "");
}

TEST_F(StartupTest, AnEmptyReaderKeyWithoutAnyReaderStaysEmptyWithoutAMessage) {
  FixedAssociations associations;
  dir_.Write("config/kvbrowse.ini", "[KVXBrowse]\r\nAcrobat=\r\nBrowser=/usr/bin/lynx\r\nLastIssue=50\r\n");
  ScriptedUi ui;
  RecordingWindow window;
  EXPECT_TRUE(RunMainFormSetup(program_, {archive_}, config_, settings_, window));
  EXPECT_EQ(associations.questions, 2);  // the reader and the zip utility
  EXPECT_EQ(settings_.LastIssue, 50);
  const std::string written = TempDir::Read(config_ / "kvbrowse.ini");
  EXPECT_TRUE(written.starts_with(
      "[KVXBrowse]\r\nAcrobat=\r\nBrowser=/usr/bin/lynx\r\nLastIssue=50\r\nPdfFiles="))
      << written;
}

TEST_F(StartupTest, SampleFilesMissingFromTheDataFolderGiveNoPrograms) {
  FixedAssociations associations;
  associations.programs = {{".PDF", program_.string()}, {".HTM", "/usr/bin/firefox"}};
  ScriptedUi ui;
  RecordingWindow window;
  ui.Expect(BoxKind::Warning, kNoArchiveMessage);
  EXPECT_TRUE(RunMainFormSetup(program_, {}, config_, settings_, window));  // DataDir: the program folder
  EXPECT_EQ(settings_.DataDir, program_dir_);
  EXPECT_EQ(settings_.AcrobatPath, "");
  EXPECT_EQ(settings_.BrowserPath, "");
  EXPECT_EQ(associations.questions, 0);
}

// A settings folder that cannot be written costs only the saving: one warning, and the rest
// of the set-up (the history, dropped files) runs.
TEST_F(StartupTest, AnUnwritableSettingsFolderCostsOnlyTheSavingOfTheSettings) {
  dir_.Write("config-file", "a file where the configuration folder should be");
  const auto config = dir_.path() / "config-file";
  ScriptedUi ui;
  ui.Expect(BoxKind::Warning, kMissingDataDir)
      .Expect(BoxKind::Warning,
              "Unable to write to " + (config / "kvbrowse.ini").string() + kSettingsNotSavedNote);
  RecordingWindow window;
  EXPECT_TRUE(RunMainFormSetup(program_, {"/nowhere", "/DEBUGMODE"}, config, settings_, window));
  EXPECT_EQ(window.steps, (std::vector<std::string>{"placement " + (config / "kvxform.ini").string(),
                                                    "open dialog " + program_dir_, "history", "drops"}));
  EXPECT_TRUE(settings_.DebugMode);
  EXPECT_EQ(settings_.LastIssue, 72);
}

// Each damaged settings file: the set-up runs through without a message, unreadable keys take
// their defaults, readable ones are kept, and the file written back reads as the settings in use.
TEST_F(StartupTest, DamagedSettingsFilesStartWithTheDefaultsAndAreWrittenBackReadable) {
  std::mt19937 random(20261210);
  std::string noise(64 * 1024, '\0');
  for (char& byte : noise) byte = static_cast<char>(random());
  struct Case {
    const char* name;
    std::string bytes;
    std::int32_t last_issue;
    std::int32_t results;
  };
  const Case cases[] = {
      {"random bytes", noise, 72, 30},
      {"10 MB number", "[KVXBrowse]\r\nLastIssue=50\r\nResults=" + std::string(10 << 20, '9') + "\r\n", 50, 30},
      {"10 MB without a line end", "[KVXBrowse]\nResults=12\n" + std::string(10 << 20, '['), 72, 12},
      {"absurd numbers", "[KVXBrowse]\nLastIssue=99999999999\nResults=-2147483649\nUseExternalZip=0x\n", 72, 30},
      {"extreme numbers", "[KVXBrowse]\nLastIssue=-2147483648\nResults=0x7FFFFFFF\n", -2147483647 - 1, 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = dir_.Write("config/kvbrowse.ini", c.bytes);
    settings_ = {};
    FixedAssociations associations;
    ScriptedUi ui;
    RecordingWindow window;
    EXPECT_TRUE(RunMainFormSetup(program_, {archive_}, config_, settings_, window));
    EXPECT_EQ(settings_.LastIssue, c.last_issue);
    EXPECT_EQ(settings_.ResultsThreshold, c.results);
    EXPECT_FALSE(settings_.UseExternalZip);
    BrowserSettings reread;
    reread.DataDir = archive_;
    LoadSettings(file, reread);
    EXPECT_EQ(reread.LastIssue, c.last_issue);
    EXPECT_EQ(reread.ResultsThreshold, c.results);
    EXPECT_EQ(reread.PdfDir, settings_.PdfDir);
    EXPECT_EQ(reread.SourceDir, settings_.SourceDir);
  }
}

}  // namespace
}  // namespace vantorel::app
