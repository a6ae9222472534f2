// MemberFile: one member of an archive copied out for a window, and gone with the object.
#include "archive/member_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "scoped_environment.h"
#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testzip::ZipBuilder;

class MemberFileTest : public ::testing::Test {
 protected:
  MemberFileTest() {
    ZipBuilder zip;
    zip.Deflated("SRC/Main Unit.PAS", "unit Main; { the heap }");
    zip.Stored("\xD0\x90.TXT", "cyrillic").flags |= 0x800;  // a UTF-8 name
    zip.Encrypted("SECRET.TXT", "hidden", "pw");
    zip.Directory("SRC/");
    archive_ = platform::PathText(dir_.Write("Архив/DISK.ZIP", zip.Build()));
  }

  TempDir dir_;
  TempDir temporary_;  // $TMPDIR for the copies
  testing::ScopedEnvironment tmpdir_{"TMPDIR", temporary_.path().string()};
  std::string archive_;
};

TEST_F(MemberFileTest, CopiesTheMemberOutUnderItsNameAndRemovesItAfterwards) {
  fs::path copy;
  {
    const MemberFile member(archive_, "src/main unit.pas");  // letter case of a-z ignored
    copy = member.Path();  // named as stored
    EXPECT_EQ(copy.filename(), "Main Unit.PAS");
    EXPECT_EQ(copy.parent_path().parent_path(), temporary_.path());
    EXPECT_EQ(TempDir::Read(copy), "unit Main; { the heap }");
    const MemberFile utf8(archive_, "\xD0\x90.TXT");
    EXPECT_EQ(TempDir::Read(utf8.Path()), "cyrillic");
  }
  EXPECT_FALSE(fs::exists(copy.parent_path()));
  EXPECT_TRUE(fs::is_empty(temporary_.path()));
}

TEST_F(MemberFileTest, AMemberThatCannotBeShownIsNamed) {
  const std::string shown = platform::ShownPath(archive_);
  struct Case {
    const char* member;
    std::string message;
  };
  const Case cases[] = {
      {"NONE.TXT", "Unable to find NONE.TXT in " + shown},
      {"SECRET.TXT", "Unable to show SECRET.TXT: it is encrypted"},
      {"SRC/", "Unable to show SRC/: it is a folder"},
  };
  for (const Case& c : cases) {
    try {
      const MemberFile member(archive_, c.member);
      ADD_FAILURE() << c.member;
    } catch (const EMemberNotShown& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
  EXPECT_THROW(MemberFile(platform::PathText(dir_.path() / "NONE.ZIP"), "A.TXT"), ArchiveError);
  EXPECT_TRUE(fs::is_empty(temporary_.path()));
}

}  // namespace
}  // namespace vantorel::archive
