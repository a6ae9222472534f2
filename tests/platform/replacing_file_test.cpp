#include "platform/replacing_file.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vantorel::platform {
namespace {

using testing::TempDir;

// The names in the folder other than the target's.
std::vector<std::string> Parts(const TempDir& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    if (entry.path().filename() != "page.htm") names.push_back(entry.path().filename().string());
  return names;
}

TEST(ReplacingFile, TheTargetChangesOnlyWhenThePartIsCommitted) {
  TempDir dir;
  const std::filesystem::path target = dir.Write("page.htm", "old");
  {
    std::optional<ReplacingFile> file = ReplacingFile::Create(target);
    ASSERT_TRUE(file);
    ASSERT_TRUE(file->Part().WriteAt(0, "new page", 8));
    EXPECT_EQ(TempDir::Read(target), "old");
    ASSERT_EQ(Parts(dir).size(), 1u);
    EXPECT_EQ(Parts(dir)[0].rfind("page.htm.~part" + std::to_string(::getpid()) + "-", 0), 0u);
    ASSERT_TRUE(file->Commit());
  }
  EXPECT_EQ(TempDir::Read(target), "new page");
  EXPECT_EQ(Parts(dir), std::vector<std::string>{});

  {
    std::optional<ReplacingFile> given_up = ReplacingFile::Create(target);
    ASSERT_TRUE(given_up);
    ASSERT_TRUE(given_up->Part().WriteAt(0, "half", 4));
  }
  EXPECT_EQ(TempDir::Read(target), "new page");
  EXPECT_EQ(Parts(dir), std::vector<std::string>{});

  EXPECT_TRUE(WriteFileReplacingAt(target, "whole"));
  EXPECT_EQ(TempDir::Read(target), "whole");
  EXPECT_FALSE(WriteFileReplacingAt(dir.path() / "missing folder" / "page.htm", "x"));
}

TEST(ReplacingFile, PartsOfEndedWritersAreRemovedAndPartsBeingWrittenKept) {
  TempDir dir;
  const std::filesystem::path target = dir.path() / "page.htm";
  // A writer that ends without committing or cleaning up, as a killed process does.
  const pid_t child = ::fork();
  if (child == 0) {
    std::optional<ReplacingFile> file = ReplacingFile::Create(target);
    if (file) file->Part().WriteAt(0, "abandoned", 9);
    ::_exit(file ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_EQ(Parts(dir).size(), 1u);
  dir.Write("page.htm.other", "not a part");

  std::optional<ReplacingFile> writing = ReplacingFile::Create(target);
  ASSERT_TRUE(writing);
  ASSERT_EQ(Parts(dir).size(), 2u);  // the abandoned part is gone, this one and the other file stay
  RemoveAbandonedParts(target);
  EXPECT_EQ(Parts(dir).size(), 2u);
  ASSERT_TRUE(writing->Commit());
  EXPECT_EQ(Parts(dir), std::vector<std::string>{"page.htm.other"});
}

}  // namespace
}  // namespace vantorel::platform
