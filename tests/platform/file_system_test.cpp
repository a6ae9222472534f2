#include "platform/file_system.h"

#include <sys/stat.h>
#include <utime.h>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vantorel::platform {
namespace {

namespace fs = std::filesystem;

class FileSystemFacade : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("disks/Issue12/a.pas", "program a;");
    dir_.Write("disks/Issue12/TIPTRIX/Readme.TXT", "tips");
    dir_.Write("Data/index.htm", "<HTML>");
    dir_.Write("Data/INDEX.HTM", "<HTML>upper");
    dir_.Write("Mixed/Zeta.txt", "1");
    dir_.Write("Mixed/zeta.TXT", "2");
    dir_.Write("Mixed/\xC3\xBC" "ber.txt", "umlaut");  // UTF-8 name on disk
    fs::create_directories(dir_.path() / "Mixed/folder.txt");
  }
  std::string Root() const { return dir_.path().string(); }
  testing::TempDir dir_;
};

TEST_F(FileSystemFacade, ResolvesBackslashesAndAnyLetterCase) {
  const struct {
    std::string text, expected;  // expected relative to the root
  } cases[] = {
      {"\\DISKS\\ISSUE12\\A.PAS", "disks/Issue12/a.pas"},
      {"/disks/issue12/tiptrix/README.txt", "disks/Issue12/TIPTRIX/Readme.TXT"},
      {"\\Data\\index.htm", "Data/index.htm"},   // exact match wins
      {"\\Data\\INDEX.HTM", "Data/INDEX.HTM"},   // exact match wins
      {"\\Data\\Index.Htm", "Data/INDEX.HTM"},   // else the first in byte order
      {"\\mixed\\ZETA.txt", "Mixed/Zeta.txt"},
      {"\\DISKS\\\\Issue12\\", "disks/Issue12"},  // empty components collapse
      {"\\DISKS\\NEW\\File.TXT", "disks/NEW/File.TXT"},  // the missing rest stays as written
      {"\\mixed\\\xDC" "BER.TXT", "Mixed/\xC3\xBC" "ber.txt"},  // 1252 text, UTF-8 name; only a-z fold
  };
  for (const auto& c : cases) {
    const fs::path resolved = ResolvePath(Root() + c.text);
    if (c.text == "\\mixed\\\xDC" "BER.TXT") {
      EXPECT_EQ(resolved, dir_.path() / "Mixed" / "\xC3\x9C" "BER.TXT") << "U-umlaut does not fold";
      continue;
    }
    EXPECT_EQ(resolved, dir_.path() / c.expected) << c.text;
  }
  EXPECT_EQ(ResolvePath(Root() + "\\MIXED\\\xFC" "BER.TXT"), dir_.path() / "Mixed/\xC3\xBC" "ber.txt");
}

TEST_F(FileSystemFacade, FileAndDirectoryTests) {
  EXPECT_TRUE(FileExists(Root() + "\\DISKS\\ISSUE12\\A.PAS"));
  EXPECT_FALSE(FileExists(Root() + "\\DISKS\\ISSUE12")) << "a directory is not a file";
  EXPECT_FALSE(FileExists(Root() + "\\Mixed\\FOLDER.TXT")) << "a directory of that name does not count";
  EXPECT_FALSE(FileExists(Root() + "\\DISKS\\ISSUE13\\A.PAS"));
  dir_.Write(".hidden", "x");
  EXPECT_TRUE(FileExists(Root() + "/.HIDDEN"));
  EXPECT_TRUE(DirectoryExists(Root() + "\\disks\\issue12\\"));
  EXPECT_FALSE(DirectoryExists(Root() + "\\disks\\issue12\\a.pas"));
}

TEST_F(FileSystemFacade, OpenReadWriteCreate) {
  auto file = File::Open(Root() + "\\DISKS\\ISSUE12\\A.PAS", File::Mode::Read);
  ASSERT_TRUE(file);
  char buffer[32] = {};
  EXPECT_EQ(file->ReadAt(8, buffer, sizeof buffer), 2);
  EXPECT_EQ(std::string(buffer), "a;");
  EXPECT_EQ(file->Size(), 10);
  EXPECT_FALSE(file->WriteAt(0, "x", 1)) << "opened for reading only";

  EXPECT_FALSE(File::Open(Root() + "\\NOWHERE.TXT", File::Mode::Read));
  EXPECT_FALSE(File::Open(Root() + "\\DISKS", File::Mode::Read)) << "a directory is no file";

  auto created = File::Open(Root() + "\\Data\\NEW.DBF", File::Mode::CreateReplace);
  ASSERT_TRUE(created);
  EXPECT_TRUE(created->WriteAt(0, "hello", 5));
  EXPECT_EQ(created->Path(), dir_.path() / "Data/NEW.DBF");
  auto replaced = File::Open(Root() + "\\data\\new.dbf", File::Mode::CreateReplace);
  ASSERT_TRUE(replaced);
  EXPECT_EQ(replaced->Path(), dir_.path() / "Data/NEW.DBF") << "replaces the existing file";
  EXPECT_EQ(replaced->Size(), 0);
}

TEST_F(FileSystemFacade, PackedModificationTime) {
  const fs::path file = dir_.path() / "disks/Issue12/a.pas";
  std::tm local{};
  local.tm_year = 96;  // 1996-03-17 14:25:31
  local.tm_mon = 2;
  local.tm_mday = 17;
  local.tm_hour = 14;
  local.tm_min = 25;
  local.tm_sec = 31;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  const utimbuf times{when, when};
  ASSERT_EQ(::utime(file.c_str(), &times), 0);
  const std::uint32_t expected = ((16u << 9 | 3u << 5 | 17u) << 16) | (14u << 11 | 25u << 5 | 15u);
  EXPECT_EQ(FileAge(Root() + "\\DISKS\\ISSUE12\\A.PAS"), expected);
  EXPECT_EQ(FromDosDateTime(expected), when - 1) << "two-second resolution";
  EXPECT_FALSE(FileAge(Root() + "\\missing.ndx"));
  EXPECT_FALSE(FileAge(Root() + "\\disks")) << "directories have no file age";
  EXPECT_EQ(ToDosDateTime(0), (1u << 5 | 1u) << 16) << "before 1980 clamps to 1980-01-01";
}

}  // namespace
}  // namespace vantorel::platform
