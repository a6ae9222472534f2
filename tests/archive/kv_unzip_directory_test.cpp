// Reading an archive's directory: the end-record search, the central records, the entry list
// and its errors, the archive name and the entry accessors.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/kv_unzip.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

using testzip::Le16;
using testzip::Le32;
using testzip::ZipBuilder;

// Expects statement to throw an exception of type E whose message is message.
#define EXPECT_THROW_MESSAGE(statement, E, message)             \
  do {                                                          \
    try {                                                       \
      statement;                                                \
      ADD_FAILURE() << "no exception from " #statement;         \
    } catch (const E& error) {                                  \
      EXPECT_EQ(std::string(error.what()), message);           \
    }                                                           \
  } while (false)

class Directory : public ::testing::Test {
 protected:
  // Writes bytes as an archive and loads it.
  void Load(const std::string& bytes, const char* name = "T.ZIP") {
    zip_path_ = dir_.Write(name, bytes).string();
    unzip_.SetZipName(zip_path_);
    unzip_.LoadDirectory();
  }

  testing::TempDir dir_;
  testing::ScriptedUi ui_;
  KvUnZip unzip_;
  std::string zip_path_;
};

TEST_F(Directory, ZeroByteFileIsAnArchiveWithoutEntries) {
  Load("");
  EXPECT_EQ(unzip_.EntryCount(), 0);
  unzip_.SetDestDir(dir_ / "out");
  EXPECT_EQ(unzip_.Extract(), 0);
}

TEST_F(Directory, FileWithoutEndRecordLoadsEmptyAndFailsToExtract) {
  for (const std::string& bytes : {std::string(1, 'x'), std::string(21, 'P'),
                                   std::string(100000, '\x50')}) {
    SCOPED_TRACE(bytes.size());
    Load(bytes);
    EXPECT_EQ(unzip_.EntryCount(), 0);
    EXPECT_EQ(unzip_.ZipName(), zip_path_);
    unzip_.SetDestDir(dir_ / "out");
    EXPECT_THROW_MESSAGE(unzip_.Extract(), EIncompleteZip, "Incomplete Zip File");
  }
  EXPECT_EQ(ui_.busy_depth, 0);
}

TEST_F(Directory, AssumeNotAZipRejectsAFileWithoutEndRecord) {
  unzip_.SetIncompleteZipMode(IncompleteZipMode::izAssumeNotAZip);
  EXPECT_THROW_MESSAGE(Load("no archive at all here"), ENotAZipFile, "Not a valid zip file!");
  EXPECT_EQ(unzip_.ZipName(), "");
}

TEST_F(Directory, EndRecordNearestTheEndWins) {
  ZipBuilder zip;
  zip.Stored("A.TXT", "a");
  zip.Stored("B.TXT", "b");
  // A second end record, announcing no entries, inside the archive comment.
  zip.archive_comment = "note " + Le32(0x06054B50) + std::string(16, '\0') + Le16(0) + "!";
  Load(zip.Build());
  EXPECT_EQ(unzip_.EntryCount(), 0);
  EXPECT_EQ(unzip_.EndCentralRecord().total_entries, 0);
}

TEST_F(Directory, SignatureInTheLast21BytesIsNotAnEndRecord) {
  ZipBuilder zip;
  zip.Stored("A.TXT", "a");
  zip.archive_comment = "tail PK" + std::string("\x05\x06", 2);
  Load(zip.Build());
  EXPECT_EQ(unzip_.EntryCount(), 1);
}

TEST_F(Directory, LongestCommentIsSearched) {
  ZipBuilder zip;
  zip.Stored("A.TXT", "a");
  zip.archive_comment = std::string(65535, 'c');
  const std::string bytes = zip.Build();
  Load(bytes);
  EXPECT_EQ(unzip_.EntryCount(), 1);
  EXPECT_EQ(unzip_.EndCentralRecord().comment_length, 65535);
  EXPECT_EQ(unzip_.EndCentralRecord().comment_offset, bytes.size() - 65535);
}

TEST_F(Directory, NamesAreConvertedAndSplit) {
  ZipBuilder zip;
  zip.Stored("src/unit/a.pas", "x");
  zip.Stored("d:/x/y.txt", "y");
  zip.Stored("C:name", "z");
  zip.Stored("\x81" "ber.txt", "u");  // OEM 437 u-umlaut, UTF-8 in the entry
  zip.Directory("docs/");
  Load(zip.Build());
  ASSERT_EQ(unzip_.EntryCount(), 5);
  const std::pair<const char*, const char*> expected[] = {
      {"src\\unit\\", "a.pas"}, {"d:\\x\\", "y.txt"}, {"C:", "name"}, {"", "\xC3\xBC" "ber.txt"},
      {"docs\\", ""}};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(unzip_.EntryPathName(i), expected[i].first) << i;
    EXPECT_EQ(unzip_.EntryFileName(i), expected[i].second) << i;
    EXPECT_EQ(unzip_.Entry(i).name_length,
              std::string(expected[i].first).size() + std::string(expected[i].second).size());
  }
}

TEST_F(Directory, RecordsWithExtraFieldsAndCommentsFollowOneAnother) {
  ZipBuilder zip;
  zip.Stored("ONE.TXT", "1").extra = std::string(9, 'e');
  zip.Stored("TWO.TXT", "22").comment = "a file comment";
  auto& third = zip.Stored("THREE.TXT", "333");
  third.extra = std::string(300, 'x');
  third.comment = "c";
  Load(zip.Build());
  ASSERT_EQ(unzip_.EntryCount(), 3);
  EXPECT_EQ(unzip_.EntryFileName(0), "ONE.TXT");
  EXPECT_EQ(unzip_.EntryFileName(1), "TWO.TXT");
  EXPECT_EQ(unzip_.EntryFileName(2), "THREE.TXT");
  EXPECT_EQ(unzip_.EntryCompressedSize(2), 3u);
  EXPECT_EQ(unzip_.EntryUncompressedSize(1), 2u);
}

TEST_F(Directory, EntriesComeInTheOrderOfTheirData) {
  ZipBuilder zip;
  zip.Stored("FIRST", "1");
  zip.Stored("SECOND", "2");
  zip.Stored("THIRD", "3");
  zip.central_order = {2, 0, 1};
  Load(zip.Build());
  ASSERT_EQ(unzip_.EntryCount(), 3);
  EXPECT_EQ(unzip_.EntryFileName(0), "FIRST");
  EXPECT_EQ(unzip_.EntryFileName(1), "SECOND");
  EXPECT_EQ(unzip_.EntryFileName(2), "THIRD");
  EXPECT_LT(unzip_.Entry(2).central_record_offset, unzip_.Entry(0).central_record_offset);
  EXPECT_LT(unzip_.Entry(0).central_record_offset, unzip_.Entry(1).central_record_offset);
}

TEST(DateTime, OutOfRangePartsAreClamped) {
  const auto pack = [](unsigned year, unsigned month, unsigned day, unsigned hour,
                       unsigned minute, unsigned half_seconds) {
    return ((year - 1980) << 9 | month << 5 | day) << 16 | (hour << 11 | minute << 5 | half_seconds);
  };
  const struct {
    std::uint32_t stored, expected;
  } cases[] = {
      {pack(2021, 3, 4, 10, 20, 15), pack(2021, 3, 4, 10, 20, 15)},
      {pack(1980, 1, 1, 0, 0, 0), pack(1980, 1, 1, 0, 0, 0)},
      {pack(2099, 12, 31, 23, 59, 29), pack(2099, 12, 31, 23, 59, 29)},
      {pack(2021, 0, 4, 10, 20, 15), pack(2021, 1, 4, 10, 20, 15)},
      {pack(2021, 13, 4, 10, 20, 15), pack(2021, 12, 4, 10, 20, 15)},
      {pack(2021, 15, 0, 10, 20, 15), pack(2021, 12, 1, 10, 20, 15)},
      {pack(2021, 3, 4, 10, 20, 30), pack(2021, 3, 4, 10, 20, 29)},
      {pack(2021, 3, 4, 10, 20, 31), pack(2021, 3, 4, 10, 20, 29)},
      {pack(2021, 3, 4, 24, 20, 15), pack(2021, 3, 4, 23, 20, 15)},
      {pack(2021, 3, 4, 31, 63, 15), pack(2021, 3, 4, 23, 59, 15)},
      {pack(2100, 3, 4, 10, 20, 15), pack(2099, 3, 4, 10, 20, 15)},
      {pack(2107, 3, 4, 10, 20, 15), pack(2099, 3, 4, 10, 20, 15)},
  };
  for (const auto& c : cases) EXPECT_EQ(SanitizedDosDateTime(c.stored), c.expected) << std::hex << c.stored;
}

TEST_F(Directory, EntryDateTimeIsSanitisedWhenRead) {
  ZipBuilder zip;
  zip.Stored("A", "a").date_time = (41u << 9 | 0u << 5 | 4u) << 16 | (25u << 11 | 20u << 5 | 31u);
  Load(zip.Build());
  EXPECT_EQ(unzip_.Entry(0).date_time, (41u << 9 | 1u << 5 | 4u) << 16 | (23u << 11 | 20u << 5 | 29u));
}

// The same name keeps the directory read; a name in other letter case is another file.
TEST_F(Directory, OnlyTheSameNameKeepsTheDirectory) {
  ZipBuilder zip;
  zip.Stored("A", "a");
  Load(zip.Build(), "data.zip");
  ZipBuilder other_zip;
  other_zip.Stored("B", "b");
  other_zip.Stored("C", "c");
  const std::string other = dir_.Write("Data.zip", other_zip.Build()).string();
  unzip_.SetZipName(zip_path_);
  EXPECT_EQ(unzip_.EntryCount(), 1);
  unzip_.SetZipName(other);
  EXPECT_EQ(unzip_.EntryCount(), 0);
  EXPECT_EQ(unzip_.ZipName(), other);
  unzip_.LoadDirectory();
  EXPECT_EQ(unzip_.EntryCount(), 2);
}

TEST_F(Directory, NameEndingInQuestionMarkAsksForAFile) {
  ui_.AnswerFileRequest(dir_ / "chosen.zip");
  unzip_.SetZipName(dir_.path().string() + "/?");
  EXPECT_EQ(unzip_.ZipName(), dir_ / "chosen.zip");
  ASSERT_EQ(ui_.file_requests.size(), 1u);
  EXPECT_EQ(ui_.file_requests[0].title, "Open a Zip File");
  EXPECT_EQ(ui_.file_requests[0].filter,
            "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*");
  EXPECT_EQ(ui_.file_requests[0].initial_dir, dir_.path().string() + "/");

  ui_.AnswerFileRequest(std::nullopt);
  EXPECT_THROW_MESSAGE(unzip_.SetZipName("/no/such/folder/?"), EUserCanceled,
                       "User canceled setting zip file name.");
  EXPECT_EQ(ui_.file_requests[1].initial_dir, "/");
  EXPECT_EQ(unzip_.ZipName(), dir_ / "chosen.zip");
}

TEST_F(Directory, MissingArchiveCannotBeOpened) {
  const std::string missing = dir_ / "missing.zip";
  unzip_.SetZipName(missing);
  EXPECT_THROW_MESSAGE(unzip_.LoadDirectory(), EFOpenError, "Cannot open file " + missing);
  EXPECT_EQ(unzip_.ZipName(), "");
  unzip_.SetZipName(missing);
  EXPECT_THROW_MESSAGE(unzip_.Extract(), EFOpenError, "Cannot open file " + missing);
  EXPECT_FALSE(unzip_.Busy());
}

// Damaged directories: each fails the load with its message and leaves no archive.
TEST_F(Directory, DamagedDirectoriesFailTheLoad) {
  ZipBuilder good;
  good.Stored("A.TXT", "aaa");
  good.Stored("B.TXT", "bbb");
  const std::string bytes = good.Build();
  const std::size_t end_at = bytes.size() - 22;
  const std::size_t central_at = bytes.find(Le32(0x02014B50));

  const auto with = [&](std::size_t at, const std::string& patch) {
    std::string b = bytes;
    b.replace(at, patch.size(), patch);
    return b;
  };
  ZipBuilder duplicate;
  duplicate.Stored("A.TXT", "aaa");
  duplicate.Stored("B.TXT", "bbb").local_offset = 0;

  const struct {
    const char* what;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"central offset off by one", with(end_at + 16, Le32(static_cast<std::uint32_t>(central_at + 1))),
       "Not a valid zip file!"},
      {"central offset beyond the file", with(end_at + 16, Le32(0x7FFFFFF0)), "Not a valid zip file!"},
      {"second record unsigned", with(bytes.find(Le32(0x02014B50), central_at + 4), "PK\x01\x03"),
       "Not a valid zip file!"},
      {"more entries than records", with(end_at + 10, Le16(3)), "Not a valid zip file!"},
      {"absurd entry count", with(end_at + 10, Le16(65535)), "Not a valid zip file!"},
      {"name cut off", bytes.substr(0, central_at + 46 + 2) + bytes.substr(end_at), "Not a valid zip file!"},
      {"duplicate local offset", duplicate.Build(), "Duplicate Object index"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Load(c.bytes);
      ADD_FAILURE() << "loaded";
    } catch (const ArchiveError& error) {
      EXPECT_EQ(std::string(error.what()), c.message);
    }
    EXPECT_EQ(unzip_.ZipName(), "");
    EXPECT_EQ(unzip_.EntryCount(), 0);
  }
  EXPECT_EQ(ui_.busy_depth, 0);
}

TEST_F(Directory, AsManyEntriesAsTheEndRecordCounts) {
  Load(testzip::DirectoryOnlyArchive(65535));
  EXPECT_EQ(unzip_.EntryCount(), 65535);
  EXPECT_EQ(unzip_.EntryFileName(65534), "F65534.TXT");
}

TEST_F(Directory, IndexOutOfRange) {
  ZipBuilder zip;
  zip.Stored("A", "a");
  zip.Stored("B", "b");
  Load(zip.Build());
  EXPECT_THROW_MESSAGE(unzip_.EntryFileName(2), EListError, "Index 2 is out of range");
  EXPECT_THROW_MESSAGE(unzip_.EntryPathName(-1), EListError, "Index -1 is out of range");
  EXPECT_THROW_MESSAGE(unzip_.EntryCompressedSize(5), EListError, "Index 5 is out of range");
  EXPECT_THROW_MESSAGE(unzip_.EntryUncompressedSize(2), EListError, "Index 2 is out of range");
  KvUnZip fresh;
  EXPECT_EQ(fresh.EntryCount(), 0);
  EXPECT_THROW_MESSAGE(fresh.EntryFileName(0), EListError, "Index 0 is out of range");
}

TEST_F(Directory, CloseArchiveForgetsEverything) {
  ZipBuilder zip;
  zip.Stored("A", "a");
  Load(zip.Build());
  unzip_.CloseArchive();
  EXPECT_EQ(unzip_.ZipName(), "");
  EXPECT_EQ(unzip_.EntryCount(), 0);
  EXPECT_EQ(unzip_.EndCentralRecord().total_entries, 0);
}

TEST_F(Directory, ChangedArchiveIsReadAgainBeforeExtracting) {
  ZipBuilder first;
  first.Stored("OLD.TXT", "old");
  Load(first.Build());
  ZipBuilder second;
  second.Stored("NEW1.TXT", "new");
  second.Stored("NEW2.TXT", "newer");
  dir_.Write("T.ZIP", second.Build());
  std::filesystem::last_write_time(zip_path_, std::filesystem::last_write_time(zip_path_) +
                                                  std::chrono::seconds(10));
  EXPECT_EQ(unzip_.EntryCount(), 1);
  unzip_.SetDestDir(dir_ / "out");
  unzip_.SetDoAll(true);
  EXPECT_EQ(unzip_.Extract(), 2);
  EXPECT_EQ(unzip_.EntryCount(), 2);
  EXPECT_EQ(testing::TempDir::Read(dir_ / "out/NEW2.TXT"), "newer");
}

TEST_F(Directory, DestDirQuestionMarkAsksForADirectory) {
  ui_.AnswerFolderRequest(dir_ / "picked/").AnswerFolderRequest(std::nullopt);
  unzip_.SetDestDir("?");
  EXPECT_EQ(unzip_.DestDir(), dir_ / "picked");
  EXPECT_THROW_MESSAGE(unzip_.SetDestDir("?"), EUserCanceled,
                       "User canceled Set Desination Directory");
  EXPECT_EQ(unzip_.DestDir(), dir_ / "picked");
  const std::vector<core::FolderRequest>& starts = ui_.folder_requests;
  ASSERT_EQ(starts.size(), 2u);
  EXPECT_EQ(starts[0].initial_dir, std::filesystem::current_path().string());  // no DestDir yet
  EXPECT_EQ(starts[1].initial_dir, starts[0].initial_dir);  // "picked" does not exist
  EXPECT_EQ(starts[0].title, "Select Destination Directory");

  ui_.AnswerFolderRequest(std::nullopt);
  KvUnZip fresh;
  EXPECT_THROW_MESSAGE(fresh.SetDestDir("?"), EUserCanceled,
                       "User canceled Set Desination Directory");
}

TEST_F(Directory, DestDirQuestionMarkStartsInAnExistingDestDir) {
  const std::string existing = dir_.path().string();
  unzip_.SetDestDir(existing + "/");
  ui_.AnswerFolderRequest(std::nullopt);
  EXPECT_THROW_MESSAGE(unzip_.SetDestDir("?"), EUserCanceled,
                       "User canceled Set Desination Directory");
  ASSERT_EQ(ui_.folder_requests.size(), 1u);
  EXPECT_EQ(ui_.folder_requests[0].initial_dir, existing);
  EXPECT_EQ(unzip_.DestDir(), existing);
}

TEST(Properties, NewInstanceDefaultsAndStoredForms) {
  KvUnZip unzip;
  EXPECT_EQ(unzip.ZipName(), "");
  EXPECT_EQ(unzip.DestDir(), "");
  EXPECT_EQ(unzip.RootDir(), "");
  EXPECT_EQ(unzip.SortMode(), ZipSortMode::ByNone);
  EXPECT_FALSE(unzip.RecreateDirs());
  EXPECT_EQ(unzip.OverwriteMode(), UZOverwriteMode::Prompt);
  EXPECT_TRUE(unzip.FilesList().empty());
  EXPECT_FALSE(unzip.DoAll());
  EXPECT_EQ(unzip.GetIncompleteZipMode(), IncompleteZipMode::izAssumeMulti);
  EXPECT_FALSE(unzip.KeepZipOpen());
  EXPECT_TRUE(unzip.DoProcessMessages());
  EXPECT_TRUE(unzip.RetainAttributes());
  EXPECT_FALSE(unzip.ReplaceReadOnly());
  EXPECT_FALSE(unzip.FlushFilesOnClose());

  unzip.SetDestDir("C:\\out\\");
  EXPECT_EQ(unzip.DestDir(), "C:\\out");
  unzip.SetDestDir("C:\\");
  EXPECT_EQ(unzip.DestDir(), "C:");
  unzip.SetDestDir("/tmp/x/");
  EXPECT_EQ(unzip.DestDir(), "/tmp/x");
  unzip.SetRootDir("src");
  EXPECT_EQ(unzip.RootDir(), "src\\");
  unzip.SetRootDir("src\\");
  EXPECT_EQ(unzip.RootDir(), "src\\");
  unzip.SetRootDir("");
  EXPECT_EQ(unzip.RootDir(), "");
}

}  // namespace
}  // namespace vantorel::archive
