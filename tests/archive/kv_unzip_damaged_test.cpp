// Damaged archives: a valid archive with bytes changed at random must load and extract with
// the reader's own errors or skips only: no crash, no hang, nothing written outside the
// destination.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "archive/archive_errors.h"
#include "archive/kv_unzip.h"
#include "core/ui.h"
#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;

class AnsweringUi : public core::Ui {
 public:
  AnsweringUi() { previous_ = core::SetUi(this); }
  ~AnsweringUi() override { core::SetUi(previous_); }
  core::Answer Show(const core::MessageBox& box) override {
    return box.buttons == core::Buttons::YesNo ? core::Answer::Yes : core::Answer::Ok;
  }
  std::optional<std::string> AskForFile(const core::FileRequest&) override { return std::nullopt; }
  std::optional<std::string> AskForFolder(const core::FolderRequest&) override {
    return std::nullopt;
  }
  std::optional<std::string> AskForPassword(const core::PasswordRequest&) override {
    return std::nullopt;
  }
  void ShowProgress(const std::string&) override {}
  void SetBusy(bool) override {}

 private:
  core::Ui* previous_ = nullptr;
};

TEST(DamagedArchives, ChangedBytesGiveErrorsOrSkipsOnly) {
  testzip::ZipBuilder zip;
  zip.Directory("dir/");
  zip.Stored("dir/a.txt", "stored text");
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "line " + std::to_string(i) + "\n";
  zip.Deflated("dir/sub/b.txt", text);
  zip.Deflated("c.bin", std::string(5000, 'c')).comment = "comment";
  zip.archive_comment = "archive comment";
  const std::string original = zip.Build();

  AnsweringUi ui;
  testing::TempDir dir;
  const fs::path dest = dir.path() / "box" / "out";
  std::mt19937 rng(12345);
  for (int round = 0; round < 150; ++round) {
    std::string bytes = original;
    const int changes = 1 + static_cast<int>(rng() % 4);
    for (int c = 0; c < changes; ++c) {
      const std::size_t at = rng() % bytes.size();
      switch (rng() % 3) {
        case 0: bytes[at] = static_cast<char>(rng()); break;
        case 1: bytes[at] = static_cast<char>(bytes[at] ^ (1 << (rng() % 8))); break;
        default: bytes[at] = static_cast<char>(rng() % 2 ? 0xFF : 0x00); break;
      }
    }
    if (round % 10 == 0) bytes.resize(rng() % bytes.size());
    const fs::path archive = dir.Write("box/T.ZIP", bytes);
    KvUnZip unzip;
    unzip.SetDoAll(true);
    unzip.SetRecreateDirs(true);
    unzip.SetReplaceReadOnly(true);
    unzip.SetOverwriteMode(UZOverwriteMode::Always);
    unzip.SetDestDir(dest.string());
    try {
      unzip.SetZipName(archive.string());
      unzip.LoadDirectory();
      unzip.Extract();
    } catch (const ArchiveError&) {
    }
    EXPECT_FALSE(unzip.Busy());
    for (const auto& entry : fs::directory_iterator(dir.path() / "box"))
      EXPECT_TRUE(entry.path().filename() == "T.ZIP" || entry.path().filename() == "out")
          << "round " << round << ": " << entry.path();
    fs::remove_all(dest);
  }
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().filename(), "box");
}

}  // namespace
}  // namespace vantorel::archive
