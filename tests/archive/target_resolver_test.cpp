#include "archive/target_resolver.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;

// Below the destination: names as written, except a missing folder name, which finds a folder
// that was there before in another letter case. Files never do; folders the run makes never
// do. A folder that is not there makes everything below it fresh.
TEST(TargetResolver, MatchesOnlyFoldersThatWereThereBefore) {
  testing::TempDir dir;
  dir.Write("Sub/ReadMe.TXT", "");
  dir.Write("Sub/Deep/x", "");
  dir.Write("Sub/deep/y", "");
  dir.Write("FILE", "");
  const std::string dest = dir.path().string();
  TargetResolver resolver(dest, dir.path(), false);
  const struct {
    const char* text;
    const char* path;
    bool fresh;
  } cases[] = {
      {"\\sub\\README.TXT", "Sub/README.TXT", false},
      {"\\Sub\\ReadMe.TXT", "Sub/ReadMe.TXT", false},
      {"\\SUB\\DEEP\\z", "Sub/Deep/z", false},   // the first in byte order
      {"\\sub\\deep\\z", "Sub/deep/z", false},   // as written first
      {"\\file\\z", "file/z", true},              // FILE is no folder
      {"\\new\\Sub\\z", "new/Sub/z", true},
      {"/sub/new/a/b", "Sub/new/a/b", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const TargetResolver::Resolved resolved = resolver.Resolve(dest + c.text);
    EXPECT_EQ(resolved.path, dir.path() / c.path);
    EXPECT_EQ(resolved.fresh, c.fresh);
  }

  // A folder the run makes is not found in another letter case, even once it exists.
  const TargetResolver::Resolved made = resolver.ResolveFolder(dest + "\\Made");
  ASSERT_TRUE(made.fresh);
  ASSERT_TRUE(resolver.PrepareFolder(made.path, made.fresh));
  EXPECT_EQ(resolver.Resolve(dest + "\\MADE\\x").path, dir.path() / "MADE/x");
  EXPECT_EQ(resolver.Resolve(dest + "\\Made\\x").path, dir.path() / "Made/x");

  // Inside fresh folders only what the run created exists.
  const TargetResolver::Resolved file = resolver.Resolve(dest + "\\Made\\x");
  EXPECT_FALSE(resolver.StatusOf(file).exists);
  resolver.Created(file, true);
  EXPECT_EQ(resolver.StatusOf(file).type, platform::EntryStatus::Type::File);
  EXPECT_TRUE(resolver.StatusOf(file).read_only);
}

}  // namespace
}  // namespace vantorel::archive
