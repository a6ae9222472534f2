// Companion-disk folders found in a listing made once per parent folder: the answers are the
// ones the path facade gives when asked about each folder on the disk.
#include <gtest/gtest.h>

#include <filesystem>

#include "catalogue/source_folders.h"
#include "core/code_pages.h"
#include "platform/file_system.h"
#include "temp_dir.h"

namespace vantorel::catalogue {
namespace {

namespace fs = std::filesystem;

TEST(SourceFolders, AnswerAsThePathFacadeDoes) {
  testing::TempDir dir;
  for (const char* folder : {"Issue07/ASSEMB", "Issue07/DUP", "Issue07/sub/deeper",
                             "Issue07/\xC3\x9C" "bung", "Issue12/TIPTRIX"})
    fs::create_directories(dir.path() / folder);
  dir.Write("Issue07/Dup", "a file beside the folder DUP");
  dir.Write("Issue07/NOTES", "a file");
  fs::create_directory_symlink(dir.path() / "Issue12", dir.path() / "Issue07/LINKED");
  fs::create_symlink(dir.path() / "gone", dir.path() / "Issue07/DANGLING");
  const std::string source_dir = dir.path().string() + "/";

  SourceFolders folders(source_dir);
  const struct {
    const char* folder;  // relative, "\" separated, code page 1252
    bool exists;
  } cases[] = {
      {"Issue07\\ASSEMB", true},       {"issue07\\assemb", true},
      {"ISSUE07\\Assemb", true},       {"Issue07\\MISSING", false},
      {"Issue07\\NOTES", false},       {"Issue07\\notes", false},
      {"Issue07\\Dup", false},         {"Issue07\\dup", true},
      {"Issue07\\LINKED", true},       {"Issue07\\DANGLING", false},
      {"Issue07\\sub\\deeper", true},  {"Issue07\\SUB\\DEEPER", true},
      {"Issue07\\\xDC" "bung", true},  {"Issue07\\\xFC" "bung", false},
      {"Issue99\\ASSEMB", false},      {"Issue07\\NOTES\\X", false},
      {"Issue12\\TIPTRIX", true},      {"Issue07", true},
      {"Issue07\\", true},             {"Issue07\\..", true},
      {"Issue07\\.", true},            {"Issue07\\ASSEMB\\..\\DUP", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder);
    const std::string path = source_dir + core::Cp1252ToUtf8(c.folder);
    ASSERT_EQ(platform::DirectoryExists(path), c.exists) << "the facade's answer";
    EXPECT_EQ(folders.Exists(c.folder), c.exists);
  }
}

}  // namespace
}  // namespace vantorel::catalogue
