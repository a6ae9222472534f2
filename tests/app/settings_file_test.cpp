#include "app/settings_file.h"

#include <cstdlib>

#include <gtest/gtest.h>

#include "app/ini_file.h"
#include "platform/cd_drive.h"
#include "scoped_environment.h"
#include "temp_dir.h"

namespace vantorel::app {
namespace {

using core::BrowserSettings;
using testing::TempDir;

// Settings with a data folder and a mount table with CD-ROM drives at /media/e and /media/f.
class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsFileTest()
      : mounts_(dir_.Write("mounts", "/dev/sda1 / ext4 rw 0 0\n"
                                     "/dev/sr0 /media/e iso9660 ro 0 0\n"
                                     "/dev/sr1 /media/f udf ro 0 0\n"),
                dir_.Write("fstab", "")) {
    previous_ = platform::SetMountTable(&mounts_);
    settings_.DataDir = "/archive/";
  }
  ~SettingsFileTest() override { platform::SetMountTable(previous_); }

  BrowserSettings Load(std::string_view ini_text) {
    LoadSettings(dir_.Write("kvbrowse.ini", ini_text), settings_);
    return settings_;
  }

  TempDir dir_;
  platform::MountTableFiles mounts_;
  const platform::MountTable* previous_ = nullptr;
  BrowserSettings settings_;
};

TEST_F(SettingsFileTest, ASectionWithOnlyAnAcrobatKeyTakesTheDefaults) {
  const BrowserSettings s = Load("[KVXBrowse]\r\nAcrobat=/usr/bin/evince\r\n");
  EXPECT_EQ(s.AcrobatPath, "/usr/bin/evince");
  EXPECT_EQ(s.BrowserPath, "");
  EXPECT_EQ(s.PdfDir, "/archive/PDF/");
  EXPECT_EQ(s.SourceDir, "/archive/DISKS/");
  EXPECT_EQ(s.CdPath, "/media/e/");
  EXPECT_EQ(s.LastIssue, 72);
  EXPECT_EQ(s.ResultsThreshold, 30);
  EXPECT_FALSE(s.UseExternalZip);
  EXPECT_EQ(s.ZipUtilPath, "");
}

TEST_F(SettingsFileTest, InvalidNumbersTakeTheKeysDefaults) {
  const BrowserSettings s =
      Load("[kvxbrowse]\nlastissue=0x50\nRESULTS=abc\nUseExternalZip=2\n");
  EXPECT_EQ(s.LastIssue, 80);
  EXPECT_EQ(s.ResultsThreshold, 30);
  EXPECT_TRUE(s.UseExternalZip);
}

TEST_F(SettingsFileTest, DirectoryKeysGetOneFinalSeparator) {
  struct Case {
    const char* value;
    const char* loaded;
  };
  const Case cases[] = {
      {"E:\\PDF", "E:\\PDF\\"}, {"E:\\PDF\\", "E:\\PDF\\"}, {"/srv/pdf/", "/srv/pdf/"},
      {"/srv/pdf", "/srv/pdf\\"}, {"E:", "E:"},            {"", ""},
  };
  for (const Case& c : cases) {
    const BrowserSettings s = Load(std::string("[KVXBrowse]\nPdfFiles=") + c.value +
                                   "\nSourceFiles=" + c.value + "\nCDPath=" + c.value + "\n");
    const bool empty = *c.value == '\0';  // the folders of the archive that is open
    EXPECT_EQ(s.PdfDir, empty ? "/archive/PDF/" : c.loaded) << c.value;
    EXPECT_EQ(s.SourceDir, empty ? "/archive/DISKS/" : c.loaded) << c.value;
    EXPECT_EQ(s.CdPath, c.loaded) << c.value;
  }
}

TEST_F(SettingsFileTest, FirstRunTakesTheFirstCdRomDrive) {
  settings_.AcrobatPath = "kept";
  ApplyFirstRunValues(settings_);
  EXPECT_EQ(settings_.AcrobatPath, "kept");
  EXPECT_EQ(settings_.PdfDir, "/archive/PDF/");
  EXPECT_EQ(settings_.SourceDir, "/archive/DISKS/");
  EXPECT_EQ(settings_.CdPath, "/media/e/");
  EXPECT_EQ(settings_.LastIssue, 72);
  EXPECT_EQ(settings_.ResultsThreshold, 30);

  platform::MountTableFiles no_cd(dir_.Write("mounts2", "/dev/sda1 / ext4 rw 0 0\n"), "");
  platform::SetMountTable(&no_cd);
  ApplyFirstRunValues(settings_);
  EXPECT_EQ(settings_.CdPath, "");
  platform::SetMountTable(&mounts_);
}

TEST_F(SettingsFileTest, SavingWritesTheNineKeysInOrder) {
  settings_ = {.ProgramDir = "/p/", .DataDir = "/d/", .AcrobatPath = "/usr/bin/evince",
               .BrowserPath = "", .PdfDir = "/d/PDF/", .SourceDir = "E:\\DISKS\\",
               .CdPath = "/media/e/", .LastIssue = 80, .ResultsThreshold = -1,
               .UseExternalZip = true, .ZipUtilPath = "/usr/bin/file-roller"};
  const auto file = dir_.path() / "config" / "kvbrowse.ini";
  SaveSettings(file, settings_);
  EXPECT_EQ(TempDir::Read(file),
            "[KVXBrowse]\r\nAcrobat=/usr/bin/evince\r\nBrowser=\r\nPdfFiles=\r\n"
            "SourceFiles=E:\\DISKS\\\r\nCDPath=/media/e/\r\nLastIssue=80\r\nResults=-1\r\n"
            "UseExternalZip=1\r\nZipUtil=/usr/bin/file-roller\r\n");

  BrowserSettings loaded;
  loaded.DataDir = "/elsewhere/";
  LoadSettings(file, loaded);
  loaded.ProgramDir = settings_.ProgramDir;
  loaded.DataDir = settings_.DataDir;
  // The PDF folder was the archive's default: it follows the archive loaded with.
  EXPECT_EQ(loaded.PdfDir, "/elsewhere/PDF/");
  loaded.PdfDir = settings_.PdfDir;
  EXPECT_EQ(loaded, settings_);
}

// Paths are stored as UTF-8, whatever their script, and read back the same; a value an older
// version wrote in code page 1252 (not valid UTF-8) is read as 1252.
TEST_F(SettingsFileTest, PathsAreUtf8AndOlderValuesIn1252AreConverted) {
  const std::string archive = "/home/\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2/";
  settings_.PdfDir = archive + "\xC5\x81\xC3\xB3" "d\xC5\xBA/";
  settings_.SourceDir = archive + "\xE6\x9D\xB1\xE4\xBA\xAC/";
  settings_.AcrobatPath = "/opt/Lecteur \xC3\xA9t\xC3\xA9/reader";
  const auto file = dir_.path() / "kvbrowse.ini";
  SaveSettings(file, settings_);
  const std::string text = TempDir::Read(file);
  EXPECT_NE(text.find("\r\nPdfFiles=" + settings_.PdfDir + "\r\n"), std::string::npos) << text;
  BrowserSettings loaded;
  loaded.DataDir = "/archive/";
  LoadSettings(file, loaded);
  EXPECT_EQ(loaded.PdfDir, settings_.PdfDir);
  EXPECT_EQ(loaded.SourceDir, settings_.SourceDir);
  EXPECT_EQ(loaded.AcrobatPath, settings_.AcrobatPath);

  const BrowserSettings old = Load(
      "[KVXBrowse]\r\nAcrobat=/opt/Lecteur \xE9t\xE9/reader\r\nPdfFiles=/home/M\xFCller/PDF/\r\n"
      "SourceFiles=/home/plain/DISKS/\r\nZipUtil=/opt/\x80uro/zip\r\n");
  EXPECT_EQ(old.AcrobatPath, "/opt/Lecteur \xC3\xA9t\xC3\xA9/reader");
  EXPECT_EQ(old.PdfDir, "/home/M\xC3\xBCller/PDF/");
  EXPECT_EQ(old.SourceDir, "/home/plain/DISKS/");
  EXPECT_EQ(old.ZipUtilPath, "/opt/\xE2\x82\xAC" "uro/zip");
}

TEST_F(SettingsFileTest, SavingKeepsWhatElseTheFileHolds) {
  const auto file = dir_.Write("kvbrowse.ini",
                               "[Window]\r\nTop=3\r\n[kvxbrowse]\r\nlastissue=5\r\nMine=1\r\n");
  settings_.LastIssue = 6;
  SaveSettings(file, settings_);
  const std::string text = TempDir::Read(file);
  EXPECT_NE(text.find("[Window]\r\nTop=3\r\n[kvxbrowse]\r\nlastissue=6\r\nMine=1\r\nAcrobat="),
            std::string::npos)
      << text;
}

TEST_F(SettingsFileTest, AFileThatCannotBeWrittenIsReported) {
  dir_.Write("plain", "");
  EXPECT_THROW(SaveSettings(dir_.path() / "plain" / "kvbrowse.ini", settings_), IniWriteError);
}

TEST(ConfigDir, FollowsTheEnvironment) {
  const testing::ScopedEnvironment guard{"VANTOREL_CONFIG_DIR", "XDG_CONFIG_HOME", "HOME"};
  ::setenv("VANTOREL_CONFIG_DIR", "/tmp/vcfg", 1);
  ::setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(ConfigDir(), "/tmp/vcfg");
  ::unsetenv("VANTOREL_CONFIG_DIR");
  EXPECT_EQ(ConfigDir(), "/tmp/xdg/vantorel");
  ::unsetenv("XDG_CONFIG_HOME");
  ::setenv("HOME", "/home/reader", 1);
  EXPECT_EQ(ConfigDir(), "/home/reader/.config/vantorel");
}

}  // namespace
}  // namespace vantorel::app
