#include "platform/copy_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "temp_dir.h"

namespace vantorel::platform {
namespace {

using testing::TempDir;

void SetModificationTime(const std::filesystem::path& file, std::time_t time) {
  const struct timespec times[2] = {{time, 0}, {time, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

std::time_t ModificationTime(const std::filesystem::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0);
  return info.st_mtime;
}

TEST(CopyFileKeepDate, ReplacesAnExistingFileAndKeepsTheSourceDate) {
  TempDir dir;
  std::string content(200000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  const auto source = dir.Write("DISKS/KV01/SOURCE.PAS", content);
  SetModificationTime(source, 981173106);  // 2001-02-03
  const auto target = dir.Write("copy/source.pas", std::string(300000, 'x'));

  CopyFileKeepDate(PathText(dir.path()) + "\\disks\\kv01\\source.pas",
                   PathText(dir.path()) + "\\COPY\\SOURCE.PAS");
  EXPECT_EQ(TempDir::Read(target), content);
  EXPECT_EQ(ModificationTime(target), 981173106);
}

TEST(CopyFileKeepDate, CopiesAnEmptyFile) {
  TempDir dir;
  const auto source = dir.Write("empty.txt", "");
  SetModificationTime(source, 700000000);
  CopyFileKeepDate(PathText(source), PathText(dir.path() / "new.txt"));
  EXPECT_EQ(TempDir::Read(dir.path() / "new.txt"), "");
  EXPECT_EQ(ModificationTime(dir.path() / "new.txt"), 700000000);
}

TEST(CopyFileKeepDate, RaisesFileErrors) {
  TempDir dir;
  const auto source = dir.Write("a.txt", "abc");
  const std::string missing = PathText(dir.path() / "missing.txt");
  const std::string no_folder = PathText(dir.path() / "no" / "b.txt");
  struct Case {
    std::string source, target, message;
  };
  const Case cases[] = {
      {missing, PathText(dir.path() / "b.txt"),
       "Cannot open file \"" + missing + "\". No such file or directory"},
      {PathText(source), no_folder,
       "Cannot create file \"" + no_folder + "\". No such file or directory"},
      {PathText(dir.path()), PathText(dir.path() / "c.txt"),
       "Cannot open file \"" + PathText(dir.path()) + "\". Is a directory"},
  };
  for (const Case& c : cases) {
    try {
      CopyFileKeepDate(c.source, c.target);
      ADD_FAILURE() << "no error for " << c.source;
    } catch (const FileError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "b.txt"));
}

TEST(CopyFileKeepDate, RefusesToCopyAFileOntoItself) {
  TempDir dir;
  const auto source = dir.Write("Same.txt", "keep me");
  EXPECT_THROW(CopyFileKeepDate(PathText(source), PathText(dir.path()) + "/SAME.TXT"), FileError);
  EXPECT_EQ(TempDir::Read(source), "keep me");
}

}  // namespace
}  // namespace vantorel::platform
