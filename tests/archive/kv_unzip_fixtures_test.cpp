// Every stored and deflated entry of the fixture archives, extracted by KvUnZip, must come out
// with the size and SHA-256 the manifest gives. Entries of the other methods either come out
// right too or are reported as an unknown method and leave no file.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/kv_unzip.h"
#include "core/ui.h"
#include "legacy_helpers.h"
#include "temp_dir.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;

// Answers every box with OK and keeps its text.
class RecordingUi : public core::Ui {
 public:
  RecordingUi() { previous_ = core::SetUi(this); }
  ~RecordingUi() override { core::SetUi(previous_); }
  core::Answer Show(const core::MessageBox& box) override {
    texts.push_back(box.text);
    return core::Answer::Ok;
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

  std::vector<std::string> texts;

 private:
  core::Ui* previous_ = nullptr;
};

class Fixtures : public ::testing::TestWithParam<const char*> {};

TEST_P(Fixtures, StoredAndDeflatedEntriesExtractToTheManifestContent) {
  const auto fixtures = testing::FixturesDir();
  if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder not found";
  const fs::path folder = fixtures / "zip" / GetParam();
  const auto manifest = legacy::ReadManifest(folder / "manifest.json");
  ASSERT_FALSE(manifest.empty());

  int checked = 0;
  for (const auto& [archive, expected_entries] : manifest) {
    SCOPED_TRACE(archive);
    testing::TempDir dir;
    fs::copy_file(folder / archive, dir.path() / archive);
    RecordingUi ui;
    KvUnZip unzip;
    unzip.SetZipName((dir.path() / archive).string());
    unzip.LoadDirectory();
    ASSERT_EQ(unzip.EntryCount(), static_cast<int>(expected_entries.size()));
    unzip.SetDestDir(dir / "out");
    unzip.SetDoAll(true);
    unzip.SetRecreateDirs(true);
    unzip.SetReplaceReadOnly(true);
    const int extracted = unzip.Extract();

    int files_of_methods_0_and_8 = 0;
    for (const auto& expected : expected_entries) {
      const fs::path out = dir.path() / "out" / expected.name;
      if (expected.dir) {
        EXPECT_TRUE(fs::is_directory(out)) << expected.name;
        continue;
      }
      const bool decoded_here = expected.method == 0 || expected.method == 8;
      if (!decoded_here && !fs::exists(out)) continue;
      SCOPED_TRACE(expected.name + " method " + std::to_string(expected.method));
      ASSERT_TRUE(fs::is_regular_file(out));
      const std::string content = testing::TempDir::Read(out);
      EXPECT_EQ(content.size(), expected.size);
      EXPECT_EQ(legacy::Sha256Hex(content), expected.sha256);
      if (decoded_here) {
        ++files_of_methods_0_and_8;
        ++checked;
      }
    }
    EXPECT_GE(extracted, files_of_methods_0_and_8);
    for (const std::string& text : ui.texts) EXPECT_EQ(text, "Unknown Compression Method");
  }
  EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(Archives, Fixtures, ::testing::Values("pkzip", "corpus"));

}  // namespace
}  // namespace vantorel::archive
