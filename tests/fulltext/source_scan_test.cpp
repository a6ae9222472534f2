// The walk over the archive's folders that every update starts with: its order, the files it
// leaves out, and symbolic links.
#include "fulltext/source_scan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace vantorel::testing {
namespace {

namespace fs = std::filesystem;

TEST(SourceScanTest, WalksFilesThenFoldersInNameOrderAndFollowsEachOutsideFolderOnce) {
  const TempDir dir;
  const fs::path disks = dir.path() / "Диски";
  for (const char* file : {"B.TXT", "a.txt", "PROG.EXE", "A/X.PAS", "A/Z/DEEP.C", "A.TXT"})
    dir.Write(std::string("Диски/") + file, "text");
  dir.Write("outside/NOTE.TXT", "text");
  dir.Write("outside/SUB/MORE.C", "text");
  fs::create_directory_symlink(disks, disks / "LOOP");             // inside: walked as itself
  fs::create_directory_symlink(dir.path() / "outside", disks / "OUT1");
  fs::create_directory_symlink(dir.path() / "outside", disks / "OUT2");  // walked once only
  fs::create_symlink(dir.path() / "nowhere", disks / "DANGLING");
  fs::create_symlink(disks / "a.txt", disks / "LINKED.TXT");       // a file through a link

  fulltext::ArchiveFolders folders;
  folders.data_dir = dir.path().string() + "/";
  folders.pdf_dir = folders.data_dir + "PDF/";  // missing: no files
  folders.source_dir = disks.string() + "/";
  std::vector<std::string> paths;
  for (const fulltext::SourceFile& file : fulltext::ScanSources(folders)) {
    paths.push_back(file.path);
    EXPECT_EQ(file.real, disks / file.path);
    EXPECT_EQ(file.size, 4u) << file.path;
  }
  EXPECT_EQ(paths, (std::vector<std::string>{"A.TXT", "B.TXT", "LINKED.TXT", "a.txt",
                                             "A/X.PAS", "A/Z/DEEP.C", "OUT1/NOTE.TXT",
                                             "OUT1/SUB/MORE.C"}));

  // The filter sees every file and takes what it keeps.
  std::vector<std::string> seen;
  const auto kept = fulltext::ScanSources(
      folders, [&](fulltext::Root, std::string_view path, std::uint64_t, std::int64_t) {
        seen.emplace_back(path);
        return path == "A/X.PAS";
      });
  EXPECT_EQ(seen, paths);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].path, "A/X.PAS");
}

}  // namespace
}  // namespace vantorel::testing
