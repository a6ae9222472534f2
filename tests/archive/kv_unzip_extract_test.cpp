// Extracting entries: target paths, overwrite policy, read-only files, attributes and dates,
// percentages, the CRC check, decoding failures and the errors that stop a run.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/extract_steps.h"
#include "archive/kv_unzip.h"
#include "archive/target_path.h"
#include "core/ui.h"
#include "platform/file_system.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;
using core::Answer;
using core::BoxKind;
using core::Buttons;
using testzip::ZipBuilder;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// An instance set up as the extraction dialog sets it up, over an archive written by the test.
class Extraction : public ::testing::Test {
 protected:
  Extraction() {
    unzip_.SetReplaceReadOnly(true);
    unzip_.SetDoAll(true);
    unzip_.SetRecreateDirs(true);
    unzip_.SetRetainAttributes(true);
    unzip_.SetDestDir(dest_);
    unzip_.OnTotalPercentDone = [this](int percent) { total_percents_.push_back(percent); };
    unzip_.OnFilePercentDone = [this](int percent) { file_percents_.push_back(percent); };
    unzip_.OnSkippingFile = [this](SkipReason reason, const std::string& fname, int) {
      skipped_.emplace_back(reason, fname);
    };
    unzip_.OnBadCRC = [this](std::uint32_t, std::uint32_t, int index) { bad_crc_.push_back(index); };
  }

  int Extract(const ZipBuilder& zip) {
    unzip_.SetZipName(dir_.Write("T.ZIP", zip.Build()).string());
    unzip_.LoadDirectory();
    return unzip_.Extract();
  }
  std::string Out(const std::string& relative) const { return dest_ + "/" + relative; }
  std::string Read(const std::string& relative) const { return testing::TempDir::Read(Out(relative)); }
  bool Exists(const std::string& relative) const { return fs::exists(Out(relative)); }

  testing::TempDir dir_;
  testing::ScriptedUi ui_;
  const std::string dest_ = dir_ / "out";
  KvUnZip unzip_;
  std::vector<int> total_percents_;
  std::vector<int> file_percents_;
  std::vector<std::pair<SkipReason, std::string>> skipped_;
  std::vector<int> bad_crc_;
};

TEST_F(Extraction, StoredAndDeflatedEntriesWithTheirDirectories) {
  ZipBuilder zip;
  zip.Directory("docs/");
  zip.Stored("src/unit/a.pas", "program a;");
  zip.Deflated("src/b.bin", Pattern(100000));
  zip.Deflated("empty.txt", "");
  EXPECT_EQ(Extract(zip), 3);
  EXPECT_TRUE(fs::is_directory(Out("docs")));
  EXPECT_EQ(Read("src/unit/a.pas"), "program a;");
  EXPECT_EQ(Read("src/b.bin"), Pattern(100000));
  EXPECT_TRUE(fs::is_regular_file(Out("empty.txt")));
  EXPECT_EQ(fs::file_size(Out("empty.txt")), 0u);
  EXPECT_TRUE(skipped_.empty());
  EXPECT_TRUE(bad_crc_.empty());
  EXPECT_EQ(total_percents_.back(), 100);
  EXPECT_FALSE(unzip_.Busy());
}

TEST_F(Extraction, DestinationIsCreatedWithItsParents) {
  unzip_.SetDestDir(dir_ / "a/b/c/");
  ZipBuilder zip;
  zip.Stored("x.txt", "x");
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(testing::TempDir::Read(dir_ / "a/b/c/x.txt"), "x");
  EXPECT_EQ(unzip_.DestDir(), dir_ / "a/b/c");
}

// A destination that cannot take files is reported once, before any entry is looked at (no
// question about an existing file); an empty run does not need one.
TEST_F(Extraction, UnwritableDestinationIsReportedOnceBeforeAnything) {
  dir_.Write("plain", "a file, not a folder");
  ZipBuilder zip;
  zip.Stored("x.txt", "x");
  zip.Stored("d/y.txt", "y");
  const std::string dest = dir_ / "plain/sub";
  unzip_.SetDestDir(dest);
  try {
    Extract(zip);
    ADD_FAILURE() << "no error";
  } catch (const ECannotWrite& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot write to " + dest + ": Not a directory");
  }
  EXPECT_TRUE(skipped_.empty());
  EXPECT_EQ(testing::TempDir::Read(dir_ / "plain"), "a file, not a folder");

  // A read-only folder (permission bits hold for users other than root).
  if (::geteuid() != 0) {
    dir_.Write("ro/x.txt", "old");
    ::chmod((dir_ / "ro").c_str(), 0555);
    unzip_.SetDestDir(dir_ / "ro");
    EXPECT_THROW(
        {
          try {
            Extract(zip);
          } catch (const ECannotWrite& error) {
            EXPECT_EQ(std::string(error.what()),
                      "Cannot write to " + (dir_ / "ro") + ": Permission denied");
            throw;
          }
        },
        ECannotWrite);
    ::chmod((dir_ / "ro").c_str(), 0755);
    EXPECT_EQ(testing::TempDir::Read(dir_ / "ro/x.txt"), "old");
    EXPECT_TRUE(ui_.Done());  // nothing asked
  }

  unzip_.SetDestDir(dest);
  EXPECT_EQ(Extract(ZipBuilder()), 0);
}

TEST(TargetDirectory, JoinsDestinationRootAndStoredPath) {
  const struct {
    const char *dest, *root, *path;
    bool recreate;
    const char* expected;
  } cases[] = {
      {"D:\\out", "", "src\\unit\\", true, "D:\\out\\src\\unit\\"},
      {"D:\\out", "", "C:\\tmp\\", true, "D:\\out\\tmp\\"},
      {"D:\\out", "", "\\tmp\\", true, "D:\\out\\tmp\\"},
      {"D:\\out", "", "", true, "D:\\out\\"},
      {"D:\\out", "", "src\\", false, "D:\\out\\"},
      {"D:\\out", "SRC\\", "src\\unit\\", true, "D:\\out\\unit\\"},
      {"D:\\out", "SRC\\", "src\\", true, "D:\\out\\"},
      {"D:\\out", "lib\\", "src\\unit\\", true, "D:\\out\\src\\unit\\"},
      {"", "", "C:\\tmp\\", true, "C:\\tmp\\"},
      {"", "", "\\tmp\\", true, "\\tmp\\"},
      {"", "", "src\\", true, "\\src\\"},
      {"/tmp/out", "", "src\\", true, "/tmp/out\\src\\"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TargetDirectory(c.dest, c.root, c.path, c.recreate), c.expected)
        << c.dest << " " << c.root << " " << c.path;
}

TEST_F(Extraction, StoredPathsWithDriveOrRootLandUnderTheDestination) {
  ZipBuilder zip;
  zip.Stored("C:\\tmp\\a.txt", "a");
  zip.Stored("/tmp/b.txt", "b");
  zip.Stored("\\tmp\\c.txt", "c");
  EXPECT_EQ(Extract(zip), 3);
  EXPECT_EQ(Read("tmp/a.txt"), "a");
  EXPECT_EQ(Read("tmp/b.txt"), "b");
  EXPECT_EQ(Read("tmp/c.txt"), "c");
}

TEST_F(Extraction, RecreateDirsOffPutsEveryFileIntoTheDestination) {
  unzip_.SetRecreateDirs(false);
  ZipBuilder zip;
  zip.Directory("docs/");
  zip.Stored("src/unit/a.pas", "a");
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(Read("a.pas"), "a");
  EXPECT_FALSE(Exists("src"));
  EXPECT_FALSE(Exists("docs"));
}

TEST_F(Extraction, PathsLeadingOutOfTheDestinationAreSkipped) {
  fs::create_directories(dest_);
  fs::create_directories(dir_ / "outside");
  fs::create_directory_symlink(dir_ / "outside", dest_ + "/link");
  ZipBuilder zip;
  zip.Stored("../evil1.txt", "x");
  zip.Stored("a/../../evil2.txt", "x");
  zip.Stored("..\\evil3.txt", "x");
  zip.Stored("C:..\\evil4.txt", "x");
  zip.Stored("link/evil5.txt", "x");
  zip.Directory("../evildir/");
  zip.Stored("..", "x");
  zip.Stored("fine/ok.txt", "ok");
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(Read("fine/ok.txt"), "ok");
  ASSERT_EQ(skipped_.size(), 7u);
  for (const auto& [reason, fname] : skipped_) EXPECT_EQ(reason, SkipReason::UnsafePath) << fname;
  for (const auto& entry : fs::recursive_directory_iterator(dir_.path()))
    EXPECT_EQ(entry.path().filename().string().find("evil"), std::string::npos) << entry.path();
  EXPECT_EQ(total_percents_.back(), 100);
}

TEST_F(Extraction, TargetThatIsASymbolicLinkOutOfTheDestinationIsSkipped) {
  fs::create_directories(dest_);
  dir_.Write("secret.txt", "keep");
  fs::create_symlink(dir_ / "secret.txt", dest_ + "/a.txt");
  ZipBuilder zip;
  zip.Stored("a.txt", "overwritten");
  unzip_.SetOverwriteMode(UZOverwriteMode::Always);
  EXPECT_EQ(Extract(zip), 0);
  EXPECT_EQ(testing::TempDir::Read(dir_ / "secret.txt"), "keep");
  ASSERT_EQ(skipped_.size(), 1u);
  EXPECT_EQ(skipped_[0].first, SkipReason::UnsafePath);
}

TEST_F(Extraction, NamesWithControlCharactersAreNotCreated) {
  ZipBuilder zip;
  zip.Stored(std::string("bad\x01name.txt"), "x");
  zip.Stored(std::string("nul\0tail.txt", 12), "x");
  zip.Stored("good.txt", "g");
  EXPECT_EQ(Extract(zip), 1);
  ASSERT_EQ(skipped_.size(), 2u);
  EXPECT_EQ(skipped_[0].first, SkipReason::CannotCreate);
  EXPECT_EQ(skipped_[1].first, SkipReason::CannotCreate);
  EXPECT_FALSE(Exists("nul"));
}

TEST_F(Extraction, DirectoryEntriesAreCreatedButNotCounted) {
  ZipBuilder zip;
  zip.Stored("one.txt", "1");
  zip.Directory("empty/inner/");
  zip.Stored("two.txt", "2");
  int started = 0;
  unzip_.OnStartUnZip = [&](int, std::string&, bool&) { ++started; };
  EXPECT_EQ(Extract(zip), 2);
  EXPECT_TRUE(fs::is_directory(Out("empty/inner")));
  EXPECT_EQ(started, 2);
}

TEST_F(Extraction, OverwritePromptThroughTheUi) {
  ZipBuilder zip;
  zip.Stored("dir/keep.txt", "new keep");
  zip.Stored("replace.txt", "new replace");
  zip.Stored("fresh.txt", "fresh");
  dir_.Write("out/DIR/keep.txt", "old keep");  // the existing folder, found ignoring case
  dir_.Write("out/replace.txt", "old replace");
  dir_.Write("out/FRESH.TXT", "another file");  // files are never matched ignoring case
  ui_.Expect(BoxKind::Confirmation, "Replace existing file keep.txt?", Buttons::YesNo, Answer::No,
             "File Exists Alert")
      .Expect(BoxKind::Confirmation, "Replace existing file replace.txt?", Buttons::YesNo,
              Answer::Yes, "File Exists Alert");
  EXPECT_EQ(Extract(zip), 2);
  EXPECT_EQ(Read("DIR/keep.txt"), "old keep");
  EXPECT_FALSE(Exists("dir"));
  EXPECT_EQ(Read("replace.txt"), "new replace");
  EXPECT_EQ(Read("fresh.txt"), "fresh");
  EXPECT_EQ(Read("FRESH.TXT"), "another file");
  ASSERT_EQ(skipped_.size(), 1u);
  EXPECT_EQ(skipped_[0].first, SkipReason::FileExists);
  EXPECT_EQ(total_percents_.back(), 100);  // the skipped share is out of the basis
}

TEST_F(Extraction, SecondEntryOfTheSameNameAsksBeforeOverwriting) {
  ZipBuilder zip;
  zip.Stored("twice.txt", "first");
  zip.Stored("twice.txt", "second");
  ui_.Expect(BoxKind::Confirmation, "Replace existing file twice.txt?", Buttons::YesNo, Answer::Yes);
  EXPECT_EQ(Extract(zip), 2);
  EXPECT_EQ(Read("twice.txt"), "second");
}

TEST_F(Extraction, OverwritePromptEventDecidesInsteadOfTheBox) {
  ZipBuilder zip;
  zip.Stored("a.txt", "new");
  dir_.Write("out/a.txt", "old");
  std::vector<std::string> asked;
  unzip_.OnPromptForOverwrite = [&](bool& overwrite_it, int index, std::string& fname) {
    EXPECT_FALSE(overwrite_it);
    EXPECT_EQ(index, 0);
    asked.push_back(fname);
    fname = dest_ + "/renamed.txt";
    overwrite_it = true;
  };
  EXPECT_EQ(Extract(zip), 1);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], dest_ + "\\a.txt");
  EXPECT_EQ(Read("a.txt"), "old");
  EXPECT_EQ(Read("renamed.txt"), "new");
}

TEST_F(Extraction, OverwriteModes) {
  const std::uint32_t entry_time = testzip::kSomeDosTime;  // 2021-03-04
  const std::time_t earlier = platform::FromDosDateTime(entry_time) - 86400;
  const std::time_t later = platform::FromDosDateTime(entry_time) + 86400;
  const struct {
    UZOverwriteMode mode;
    std::time_t file_time;
    bool replaced;
  } cases[] = {
      {UZOverwriteMode::Always, earlier, true},  {UZOverwriteMode::Never, earlier, false},
      {UZOverwriteMode::ifNewer, earlier, true}, {UZOverwriteMode::ifNewer, later, false},
      {UZOverwriteMode::ifOlder, later, true},   {UZOverwriteMode::ifOlder, earlier, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    const fs::path existing = dir_.Write("out/a.txt", "old");
    const std::array<struct timespec, 2> times{{{c.file_time, 0}, {c.file_time, 0}}};
    ASSERT_EQ(::utimensat(AT_FDCWD, existing.c_str(), times.data(), 0), 0);
    unzip_.SetOverwriteMode(c.mode);
    ZipBuilder zip;
    zip.Stored("a.txt", "new");
    EXPECT_EQ(Extract(zip), c.replaced ? 1 : 0);
    EXPECT_EQ(Read("a.txt"), c.replaced ? "new" : "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dest_), fs::directory_iterator()), 1);
  }
}

TEST_F(Extraction, ReadOnlyTargetIsReplacedOnlyWithReplaceReadOnly) {
  for (const bool replace_read_only : {true, false}) {
    SCOPED_TRACE(replace_read_only);
    skipped_.clear();
    const fs::path existing = dir_.Write("out/ro.txt", "old");
    fs::permissions(existing, fs::perms::owner_read | fs::perms::group_read);
    unzip_.SetReplaceReadOnly(replace_read_only);
    ui_.Expect(BoxKind::Confirmation, "Replace existing file ro.txt?", Buttons::YesNo, Answer::Yes);
    ZipBuilder zip;
    zip.Stored("ro.txt", "new");
    EXPECT_EQ(Extract(zip), replace_read_only ? 1 : 0);
    EXPECT_EQ(Read("ro.txt"), replace_read_only ? "new" : "old");
    if (!replace_read_only) {
      ASSERT_EQ(skipped_.size(), 1u);
      EXPECT_EQ(skipped_[0].first, SkipReason::CannotCreate);
    }
    fs::permissions(existing, fs::perms::owner_write, fs::perm_options::add);
  }
}

TEST_F(Extraction, ReadOnlyAttributeAndDateAreApplied) {
  ZipBuilder zip;
  zip.Stored("ro.txt", "r").external_attributes = 0x21;
  zip.Stored("rw.txt", "w").date_time = (30u << 9 | 6u << 5 | 15u) << 16 | (8u << 11 | 30u << 5);
  EXPECT_EQ(Extract(zip), 2);
  const auto perms = [&](const char* name) { return fs::status(Out(name)).permissions(); };
  EXPECT_EQ(perms("ro.txt") & fs::perms::owner_write, fs::perms::none);
  EXPECT_NE(perms("rw.txt") & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(platform::FileAge(Out("ro.txt")), testzip::kSomeDosTime);
  EXPECT_EQ(platform::FileAge(Out("rw.txt")), (30u << 9 | 6u << 5 | 15u) << 16 | (8u << 11 | 30u << 5));

  // Without RetainAttributes the read-only bit is not applied.
  fs::remove_all(dest_);
  unzip_.SetRetainAttributes(false);
  EXPECT_EQ(Extract(zip), 2);
  EXPECT_NE(perms("ro.txt") & fs::perms::owner_write, fs::perms::none);
}

TEST(RoundedPercent, RoundsHalvesToEvenAndStaysInRange) {
  const struct {
    std::uint64_t done;
    std::int64_t total;
    int expected;
  } cases[] = {{0, 100, 0},   {1, 200, 0},   {3, 200, 2},    {5, 200, 2},     {7, 200, 4},
               {1, 3, 33},    {2, 3, 67},    {16000, 40000, 40}, {40000, 40000, 100},
               {5, 4, 100},   {7, 0, 0},     {7, -5, 0},     {199, 200, 100}, {197, 200, 98}};
  for (const auto& c : cases)
    EXPECT_EQ(RoundedPercent(c.done, c.total), c.expected) << c.done << "/" << c.total;
}

TEST_F(Extraction, PercentagesAfterEveryOutputBlock) {
  ZipBuilder zip;
  zip.Stored("big.bin", Pattern(40000));
  zip.Deflated("small.bin", Pattern(10000));
  EXPECT_EQ(Extract(zip), 2);
  EXPECT_EQ(total_percents_, (std::vector<int>{32, 64, 80, 100}));
  EXPECT_EQ(file_percents_, (std::vector<int>{40, 80, 100, 100}));
}

TEST_F(Extraction, BadCrcDeletesTheFileSilently) {
  ZipBuilder zip;
  zip.Stored("bad.txt", "content").crc ^= 1;
  zip.Stored("good.txt", "content");
  std::vector<std::uint32_t> crcs;
  unzip_.OnBadCRC = [&](std::uint32_t calc, std::uint32_t stored, int index) {
    crcs = {calc, stored, static_cast<std::uint32_t>(index)};
  };
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_FALSE(Exists("bad.txt"));
  EXPECT_EQ(crcs, (std::vector<std::uint32_t>{testzip::Crc32("content"), testzip::Crc32("content") ^ 1, 0}));
}

// Also with a stored CRC of 0, which the empty output would match.
TEST_F(Extraction, UnknownMethodShowsABoxAndLeavesNoFile) {
  ZipBuilder zip;
  auto& unknown = zip.Stored("nine.bin", "data");
  unknown.method = 98;
  auto& zero_crc = zip.Stored("zero.bin", "data");
  zero_crc.method = 98;
  zero_crc.crc = 0;
  ui_.Expect(BoxKind::Error, "Unknown Compression Method", Buttons::Ok, Answer::Ok, "Zip Error")
      .Expect(BoxKind::Error, "Unknown Compression Method", Buttons::Ok, Answer::Ok, "Zip Error");
  EXPECT_EQ(Extract(zip), 0);
  EXPECT_FALSE(Exists("nine.bin"));
  EXPECT_FALSE(Exists("zero.bin"));
  ASSERT_EQ(unzip_.Skipped().size(), 2u);
  EXPECT_EQ(unzip_.Skipped()[1].reason, SkipReason::UnknownMethod);
  EXPECT_EQ(unzip_.Skipped()[1].fname, dest_ + "\\zero.bin");
  EXPECT_EQ(total_percents_, (std::vector<int>{}));
}

TEST_F(Extraction, InvalidOrShortDataEndsTheEntryWithoutAMessage) {
  ZipBuilder zip;
  // Block type 3 does not exist.
  auto& invalid = zip.Raw("invalid.bin");
  invalid.method = 8;
  invalid.data = std::string("\x07\x00\x00\x00", 4);
  invalid.compressed_size = 4;
  invalid.uncompressed_size = 10;
  invalid.crc = 0x12345678;
  // A deflate stream cut in the middle.
  const std::string stream = testzip::RawDeflate(Pattern(50000));
  auto& cut = zip.Raw("cut.bin");
  cut.method = 8;
  cut.data = stream.substr(0, stream.size() / 2);
  cut.compressed_size = static_cast<std::uint32_t>(cut.data.size());
  cut.uncompressed_size = 50000;
  cut.crc = testzip::Crc32(Pattern(50000));
  // More output than the stored size says.
  auto& longer = zip.Deflated("longer.bin", Pattern(60000));
  longer.uncompressed_size = 20000;
  auto& longer_stored = zip.Stored("longer_stored.bin", Pattern(17000));
  longer_stored.uncompressed_size = 100;
  zip.Stored("fine.bin", "fine");
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(bad_crc_, (std::vector<int>{0, 1, 2, 3}));
  for (const char* name : {"invalid.bin", "cut.bin", "longer.bin", "longer_stored.bin"})
    EXPECT_FALSE(Exists(name)) << name;
  EXPECT_EQ(Read("fine.bin"), "fine");
}

TEST_F(Extraction, EncryptedEntriesAreSkipped) {
  ZipBuilder zip;
  zip.Stored("secret.txt", std::string(12, 'h') + "cipher").flags = 1;
  zip.Stored("plain.txt", "plain");
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_FALSE(Exists("secret.txt"));
  ASSERT_EQ(skipped_.size(), 1u);
  EXPECT_EQ(skipped_[0].first, SkipReason::Encrypted);
  EXPECT_EQ(total_percents_, (std::vector<int>{100}));
}

TEST_F(Extraction, TruncatedArchiveStopsTheRunAndKeepsEarlierFiles) {
  ZipBuilder zip;
  zip.Stored("first.txt", "first");
  zip.Stored("second.bin", Pattern(40000));
  std::string bytes = zip.Build();
  // Keep the directory but let the second entry's data end early: its local header says the
  // data starts far beyond the end of the archive.
  const std::size_t second_local = bytes.find("PK\x03\x04", 10);
  bytes.replace(second_local + 28, 2, testzip::Le16(0xFFFF));
  unzip_.SetZipName(dir_.Write("T.ZIP", bytes).string());
  unzip_.LoadDirectory();
  int completed = -1;
  unzip_.OnUnZipComplete = [&](int count) { completed = count; };
  try {
    unzip_.Extract();
    ADD_FAILURE() << "no error";
  } catch (const EFatalUnzipError& error) {
    EXPECT_EQ(std::string(error.what()), "Premature end of file reached");
  }
  EXPECT_EQ(Read("first.txt"), "first");
  EXPECT_EQ(completed, 1);
  EXPECT_FALSE(unzip_.Busy());
  EXPECT_EQ(unzip_.EntryCount(), 2);
}

TEST_F(Extraction, ArchiveCutShortStopsInTheInputStep) {
  // The second entry's compressed size reaches beyond the end of the archive.
  ZipBuilder zip;
  zip.Stored("whole.txt", "whole");
  auto& lying = zip.Stored("cut.bin", Pattern(40000));
  lying.compressed_size = 1000000;
  lying.uncompressed_size = 1000000;
  EXPECT_THROW(Extract(zip), EFatalUnzipError);
  EXPECT_EQ(Read("whole.txt"), "whole");
  EXPECT_FALSE(Exists("cut.bin"));
}

TEST_F(Extraction, CancelDuringTheRunRaisesUserAbort) {
  ZipBuilder zip;
  zip.Stored("a.bin", Pattern(50000));
  int pumped = 0;
  unzip_.ProcessMessages = [&] {
    if (++pumped == 2) unzip_.Cancel();
  };
  try {
    Extract(zip);
    ADD_FAILURE() << "no error";
  } catch (const EUserCanceled& error) {
    EXPECT_EQ(std::string(error.what()), "User Aborted Operation");
  }
  EXPECT_EQ(pumped, 2);
  EXPECT_FALSE(unzip_.Busy());
  // The next run starts afresh.
  unzip_.ProcessMessages = nullptr;
  unzip_.SetOverwriteMode(UZOverwriteMode::Always);
  EXPECT_EQ(unzip_.Extract(), 1);
}

TEST_F(Extraction, MessagesAreProcessedOnlyWhenAskedTo) {
  ZipBuilder zip;
  zip.Stored("a.bin", Pattern(40000));
  int pumped = 0;
  unzip_.ProcessMessages = [&] { ++pumped; };
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(pumped, 3);  // one per input block of 16,000 bytes
  unzip_.SetDoProcessMessages(false);
  unzip_.SetOverwriteMode(UZOverwriteMode::Always);
  EXPECT_EQ(unzip_.Extract(), 1);
  EXPECT_EQ(pumped, 3);
}

TEST_F(Extraction, StartInfoCanStopTheRun) {
  ZipBuilder zip;
  zip.Stored("a.txt", "aaa");
  zip.Directory("d/");
  zip.Stored("b.txt", "bbbbb");
  int files = -1;
  std::int64_t bytes = -1;
  unzip_.OnStartUnZipInfo = [&](int num_files, std::int64_t total_bytes, bool& stop) {
    files = num_files;
    bytes = total_bytes;
    stop = true;
  };
  EXPECT_EQ(Extract(zip), 0);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(bytes, 8);
  EXPECT_FALSE(Exists("a.txt"));
}

TEST_F(Extraction, FilesListSelectsWhenDoAllIsOff) {
  unzip_.SetDoAll(false);
  unzip_.FilesList() = {"*.TXT", "src\\*"};
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  zip.Stored("b.bin", "b");
  zip.Stored("src/c.pas", "c");
  std::vector<std::string> ended;
  unzip_.OnEndUnZip = [&](int, const std::string& fname) { ended.push_back(fname); };
  EXPECT_EQ(Extract(zip), 2);
  EXPECT_TRUE(Exists("a.txt"));
  EXPECT_FALSE(Exists("b.bin"));
  EXPECT_TRUE(Exists("src/c.pas"));
  EXPECT_EQ(ended, (std::vector<std::string>{dest_ + "\\a.txt", dest_ + "\\src\\c.pas"}));
  EXPECT_TRUE(unzip_.FilesList().empty());
  // Nothing selected: nothing happens.
  EXPECT_EQ(unzip_.Extract(), 0);
}

TEST_F(Extraction, StartUnZipCanRenameOrSkip) {
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  zip.Stored("b.txt", "b");
  unzip_.OnStartUnZip = [&](int index, std::string& fname, bool& skip) {
    if (index == 0) skip = true;
    if (index == 1) fname = dest_ + "/sub/renamed.txt";
  };
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(Read("sub/renamed.txt"), "b");
  EXPECT_FALSE(Exists("a.txt"));
  EXPECT_EQ(total_percents_.back(), 100);
}

TEST_F(Extraction, KeepZipOpenKeepsTheDirectoryAcrossRuns) {
  unzip_.SetKeepZipOpen(true);
  unzip_.SetOverwriteMode(UZOverwriteMode::Always);
  ZipBuilder zip;
  zip.Deflated("a.txt", "a");
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(unzip_.Extract(), 1);
  EXPECT_EQ(Read("a.txt"), "a");
}

// The names in a folder, sorted.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// An entry that fails in any way leaves nothing behind, and the file it was to replace stays
// as it was: its bytes, its time, its read-only bit.
TEST_F(Extraction, AFailedEntryLeavesNothingAndKeepsTheFileItWouldReplace) {
  const std::string stream = testzip::RawDeflate(Pattern(50000));
  const struct {
    const char* name;
    void (*lie)(testzip::Entry&, const std::string& stream);
    bool throws;  // the run stops at the entry
  } cases[] = {
      {"bad CRC", [](testzip::Entry& e, const std::string&) { e.crc ^= 1; }, false},
      {"data longer than stored size",
       [](testzip::Entry& e, const std::string&) { e.uncompressed_size = 20000; }, false},
      {"data shorter than stored size",
       [](testzip::Entry& e, const std::string& s) {
         e.data = s.substr(0, s.size() / 2);
         e.compressed_size = static_cast<std::uint32_t>(e.data.size());
       },
       false},
      {"stored size larger, CRC of the bytes there",
       [](testzip::Entry& e, const std::string&) { e.uncompressed_size += 1; }, false},
      {"unknown method", [](testzip::Entry& e, const std::string&) { e.method = 98; }, false},
      {"archive cut short",
       [](testzip::Entry& e, const std::string&) { e.compressed_size = 1000000; }, true},
      {"cancelled", nullptr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dest_);
    const fs::path old = dir_.Write("out/sub/target.bin", "old bytes");
    fs::last_write_time(old, fs::last_write_time(old) - std::chrono::hours(48));
    const auto old_time = fs::last_write_time(old);
    fs::permissions(old, fs::perms::owner_read);
    ZipBuilder zip;
    zip.Stored("sub/before.txt", "before");
    auto& entry = zip.Raw("sub/target.bin");
    entry.method = 8;
    entry.data = stream;
    entry.compressed_size = static_cast<std::uint32_t>(stream.size());
    entry.uncompressed_size = 50000;
    entry.crc = testzip::Crc32(Pattern(50000));
    if (c.lie) c.lie(entry, stream);
    unzip_.SetOverwriteMode(UZOverwriteMode::Always);
    int pumped = 0;  // cancelled before the target's first input block
    if (c.lie == nullptr) unzip_.ProcessMessages = [&] {
      if (++pumped == 2) unzip_.Cancel();
    };
    if (std::string(c.name) == "unknown method")
      ui_.Expect(BoxKind::Error, "Unknown Compression Method", Buttons::Ok, Answer::Ok, "Zip Error");
    if (c.throws) {
      EXPECT_THROW(Extract(zip), ArchiveError);
    } else {
      EXPECT_EQ(Extract(zip), 1);
      ASSERT_EQ(unzip_.Skipped().size(), 1u);
      EXPECT_EQ(unzip_.Skipped()[0].index, 1);
    }
    unzip_.ProcessMessages = nullptr;
    EXPECT_TRUE(ui_.Done());
    EXPECT_EQ(Names(Out("sub")), (std::vector<std::string>{"before.txt", "target.bin"}));
    EXPECT_EQ(Read("sub/target.bin"), "old bytes");
    EXPECT_EQ(fs::last_write_time(old), old_time);
    EXPECT_EQ(fs::status(old).permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(old, fs::perms::owner_write, fs::perm_options::add);
  }
}

// A replaced file is a new file put in place in one step: another name for the old one (a hard
// link, an open reader) keeps the old bytes.
TEST_F(Extraction, AReplacedFileIsPutInPlaceWhole) {
  dir_.Write("out/a.txt", "old");
  fs::create_hard_link(Out("a.txt"), dir_ / "other-name");
  ZipBuilder zip;
  zip.Deflated("a.txt", Pattern(70000));
  unzip_.SetOverwriteMode(UZOverwriteMode::Always);
  EXPECT_EQ(Extract(zip), 1);
  EXPECT_EQ(Read("a.txt"), Pattern(70000));
  EXPECT_EQ(testing::TempDir::Read(dir_ / "other-name"), "old");
  EXPECT_EQ(Names(dest_), (std::vector<std::string>{"a.txt"}));
}

// Names that differ only in case are different files and folders on Linux; only folders that
// were there before the run are found in another letter case.
TEST_F(Extraction, NamesDifferingOnlyInCaseAreDifferentFiles) {
  dir_.Write("out/SOURCE/keep.pas", "kept");
  dir_.Write("out/README.TXT", "existing readme");
  ZipBuilder zip;
  zip.Stored("Foo.c", "upper");
  zip.Stored("foo.c", "lower");
  zip.Stored("Dir/a.txt", "a");
  zip.Stored("DIR/b.txt", "b");
  zip.Stored("dir/A.TXT", "A");
  zip.Stored("source/unit.pas", "unit");
  zip.Stored("readme.txt", "archive readme");
  EXPECT_EQ(Extract(zip), 7);
  EXPECT_TRUE(ui_.Done());  // nothing asked: no entry meets an existing file
  EXPECT_EQ(Names(dest_), (std::vector<std::string>{"DIR", "Dir", "Foo.c", "README.TXT", "SOURCE",
                                                    "dir", "foo.c", "readme.txt"}));
  EXPECT_EQ(Read("Foo.c"), "upper");
  EXPECT_EQ(Read("foo.c"), "lower");
  EXPECT_EQ(Read("Dir/a.txt"), "a");
  EXPECT_EQ(Read("DIR/b.txt"), "b");
  EXPECT_EQ(Read("dir/A.TXT"), "A");
  EXPECT_EQ(Names(Out("SOURCE")), (std::vector<std::string>{"keep.pas", "unit.pas"}));
  EXPECT_EQ(Read("README.TXT"), "existing readme");
  EXPECT_EQ(Read("readme.txt"), "archive readme");

  // Run again: every file is met as it was written, in either case.
  std::vector<std::string> asked;
  unzip_.OnPromptForOverwrite = [&](bool& overwrite, int, std::string& fname) {
    asked.push_back(fname.substr(dest_.size() + 1));
    overwrite = false;
  };
  EXPECT_EQ(unzip_.Extract(), 0);
  EXPECT_EQ(asked, (std::vector<std::string>{"Foo.c", "foo.c", "Dir\\a.txt", "DIR\\b.txt",
                                             "dir\\A.TXT", "source\\unit.pas", "readme.txt"}));
}

// A folder inside the destination that cannot be written: its entries are skipped without a
// question about the files there. Run in a child process as the user nobody when the test runs
// as root (root writes through permission bits).
TEST_F(Extraction, AnUnwritableFolderIsNotAskedAbout) {
  dir_.Write("out/locked/a.txt", "old");
  ZipBuilder zip;
  zip.Stored("locked/a.txt", "new");
  zip.Stored("free.txt", "free");
  unzip_.SetZipName(dir_.Write("T.ZIP", zip.Build()).string());
  ::chmod(dir_.path().c_str(), 0755);
  ::chmod(dest_.c_str(), 0777);
  ::chmod(Out("locked").c_str(), 0555);
  const pid_t child = ::fork();
  ASSERT_NE(child, -1);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(90);
    bool asked = false;
    unzip_.OnPromptForOverwrite = [&](bool& overwrite, int, std::string&) {
      asked = true;
      overwrite = true;
    };
    int count = -1;
    try {
      count = unzip_.Extract();
    } catch (...) {
      ::_exit(91);
    }
    if (asked) ::_exit(92);
    const bool skipped = skipped_.size() == 1 && skipped_[0].first == SkipReason::CannotCreate;
    ::_exit(count == 1 && skipped ? 0 : 93);
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  ::chmod(Out("locked").c_str(), 0755);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
  EXPECT_EQ(Read("locked/a.txt"), "old");
  EXPECT_EQ(Read("free.txt"), "free");
}

}  // namespace
}  // namespace vantorel::archive
