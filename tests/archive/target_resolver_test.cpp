#include "archive/target_resolver.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/file_system.h"
#include "temp_dir.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;

// The resolver must agree with the file-system facade, also after the run created files.
TEST(TargetResolver, ResolvesAsTheFacadeDoes) {
  testing::TempDir dir;
  dir.Write("Sub/ReadMe.TXT", "");
  dir.Write("Sub/readme.txt", "");
  dir.Write("Sub/Other.txt", "");
  dir.Write("Sub/OTHER.txt", "");
  TargetResolver resolver;
  for (const char* text : {"sub\\README.TXT", "SUB\\readme.txt", "sub\\other.TXT", "sub\\new.txt",
                           "missing\\x.txt", "sub/ReadMe.TXT"}) {
    const std::string path_text = dir.path().string() + "\\" + text;
    EXPECT_EQ(resolver.Resolve(path_text), platform::ResolvePath(path_text)) << text;
  }

  const std::string created_text = dir.path().string() + "\\SUB\\Fresh.Txt";
  const fs::path created = resolver.Resolve(created_text);
  EXPECT_EQ(created, dir.path() / "Sub" / "Fresh.Txt");
  std::ofstream(created).put('x');
  resolver.Created(created);
  EXPECT_EQ(resolver.Resolve(dir.path().string() + "\\sub\\FRESH.TXT"), created);

  fs::remove(created);
  EXPECT_EQ(resolver.Resolve(dir.path().string() + "\\sub\\FRESH.TXT"), dir.path() / "Sub" / "FRESH.TXT");
}

}  // namespace
}  // namespace vantorel::archive
