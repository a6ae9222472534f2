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

// The disks are walked in parts, a folder of the top folder each, on two threads: the files
// still come in the order of one walk, the PDF files first, and an outside folder linked from
// two parts is walked in the first part only.
TEST(SourceScanTest, WalkInPartsKeepsTheOrderOfOneWalk) {
  const TempDir dir;
  const fs::path disks = dir.path() / "Диски";
  for (const char* file : {"PDF/B.PDF", "PDF/a.pdf", "PDF/NOTE.TXT"})
    dir.Write(std::string(file), "text");
  for (int i = 0; i < 30; ++i)
    dir.Write("Диски/D" + std::to_string(100 + i) + "/S/F.TXT", "text");
  dir.Write("Диски/TOP.TXT", "text");
  dir.Write("outside/NOTE.TXT", "text");
  dir.Write("other/MORE.C", "text");
  fs::create_directory_symlink(dir.path() / "outside", disks / "D105/S/L1");
  fs::create_directory_symlink(dir.path() / "outside", disks / "D120/L2");  // walked in D105
  fs::create_directory_symlink(dir.path() / "other", disks / "D120/S/L3");

  fulltext::ArchiveFolders folders;
  folders.data_dir = dir.path().string() + "/";
  folders.pdf_dir = folders.data_dir + "PDF/";
  folders.source_dir = disks.string() + "/";
  std::vector<std::string> expected = {"B.PDF", "a.pdf", "TOP.TXT"};
  for (int i = 0; i < 30; ++i) {
    const std::string folder = "D" + std::to_string(100 + i) + "/S/";
    expected.push_back(folder + "F.TXT");
    if (i == 5) expected.push_back(folder + "L1/NOTE.TXT");
    if (i == 20) expected.push_back(folder + "L3/MORE.C");
  }
  for (int run = 0; run < 20; ++run) {
    std::vector<std::string> seen;
    const auto kept = fulltext::ScanSources(
        folders, [&](fulltext::Root, std::string_view path, std::uint64_t, std::int64_t) {
          seen.emplace_back(path);
          return true;
        });
    ASSERT_EQ(seen, expected);
    ASSERT_EQ(kept.size(), expected.size());
    for (std::size_t i = 0; i < kept.size(); ++i) EXPECT_EQ(kept[i].path, expected[i]);
  }
}

}  // namespace
}  // namespace vantorel::testing
