#include "platform/file_system.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vantorel::platform {
namespace {

namespace fs = std::filesystem;

// "Мой архив": a folder name with a blank and letters outside code page 1252.
const std::string kMyArchive = "\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2";
// "Łódź" and "東京".
const std::string kLodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA";
const std::string kTokyo = "\xE6\x9D\xB1\xE4\xBA\xAC";

class FileSystemFacade : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("disks/Issue12/a.pas", "program a;");
    dir_.Write("disks/Issue12/TIPTRIX/Readme.TXT", "tips");
    dir_.Write("Data/index.htm", "<HTML>");
    dir_.Write("Data/INDEX.HTM", "<HTML>upper");
    dir_.Write("Mixed/Zeta.txt", "1");
    dir_.Write("Mixed/zeta.TXT", "2");
    dir_.Write("Mixed/\xC3\xBC" "ber.txt", "umlaut");  // UTF-8 name on disk
    fs::create_directories(dir_.path() / "Mixed/folder.txt");
    dir_.Write(kMyArchive + "/Disks/\xC5\x81\xC3\xB3" "d\xC5\xBA/\xE6\x9D\xB1\xE4\xBA\xAC.Txt", "cjk");
  }
  std::string Root() const { return dir_.path().string(); }
  testing::TempDir dir_;
};

TEST_F(FileSystemFacade, ResolvesBackslashesAndAnyLetterCase) {
  const struct {
    std::string text, expected;  // expected relative to the root
  } cases[] = {
      {"\\DISKS\\ISSUE12\\A.PAS", "disks/Issue12/a.pas"},
      {"/disks/issue12/tiptrix/README.txt", "disks/Issue12/TIPTRIX/Readme.TXT"},
      {"\\Data\\index.htm", "Data/index.htm"},   // exact match wins
      {"\\Data\\INDEX.HTM", "Data/INDEX.HTM"},   // exact match wins
      {"\\Data\\Index.Htm", "Data/INDEX.HTM"},   // else the first in byte order
      {"\\mixed\\ZETA.txt", "Mixed/Zeta.txt"},
      {"\\DISKS\\\\Issue12\\", "disks/Issue12"},  // empty components collapse
      {"\\DISKS\\NEW\\File.TXT", "disks/NEW/File.TXT"},  // the missing rest stays as written
      {"\\mixed\\\xC3\xBC" "BER.TXT", "Mixed/\xC3\xBC" "ber.txt"},  // UTF-8 text as it is
      {"/" + kMyArchive + "/DISKS/" + kLodz + "/" + kTokyo + ".TXT",
       kMyArchive + "/Disks/" + kLodz + "/" + kTokyo + ".Txt"},
      {"\\" + kMyArchive + "\\disks\\" + kLodz + "\\NEW " + kTokyo,
       kMyArchive + "/Disks/" + kLodz + "/NEW " + kTokyo},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolvePath(Root() + c.text), dir_.path() / c.expected) << c.text;
  // Only a-z fold: an upper-case U-umlaut names another file.
  EXPECT_EQ(ResolvePath(Root() + "\\mixed\\\xC3\x9C" "BER.TXT"), dir_.path() / "Mixed" / "\xC3\x9C" "BER.TXT");
  // A 1252 byte is no UTF-8 letter: nothing on the way converts it.
  EXPECT_EQ(ResolvePath(Root() + "\\MIXED\\\xFC" "BER.TXT"), dir_.path() / "Mixed" / "\xFC" "BER.TXT");
  EXPECT_EQ(PathText(dir_.path() / kMyArchive / kTokyo), Root() + "/" + kMyArchive + "/" + kTokyo);
}

// A path shown to the reader: "/" and each existing component as the disk spells it.
TEST_F(FileSystemFacade, ShownPathIsThePathOnDisk) {
  const struct {
    std::string text, expected;  // relative to the root
  } cases[] = {
      {"\\DISKS\\ISSUE12\\TIPTRIX\\", "/disks/Issue12/TIPTRIX/"},
      {"/DISKS/ISSUE12/TIPTRIX/README.TXT", "/disks/Issue12/TIPTRIX/Readme.TXT"},
      {"\\disks\\issue12\\GONE\\A.PAS", "/disks/Issue12/GONE/A.PAS"},
      {"/" + kMyArchive + "/DISKS/" + kLodz + "/", "/" + kMyArchive + "/Disks/" + kLodz + "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShownPath(Root() + c.text), Root() + c.expected) << c.text;
  EXPECT_EQ(ShownPath(""), "");
}

TEST_F(FileSystemFacade, FileAndDirectoryTests) {
  EXPECT_TRUE(FileExists(Root() + "\\DISKS\\ISSUE12\\A.PAS"));
  EXPECT_FALSE(FileExists(Root() + "\\DISKS\\ISSUE12")) << "a directory is not a file";
  EXPECT_FALSE(FileExists(Root() + "\\Mixed\\FOLDER.TXT")) << "a directory of that name does not count";
  EXPECT_FALSE(FileExists(Root() + "\\DISKS\\ISSUE13\\A.PAS"));
  dir_.Write(".hidden", "x");
  EXPECT_TRUE(FileExists(Root() + "/.HIDDEN"));
  EXPECT_TRUE(DirectoryExists(Root() + "\\disks\\issue12\\"));
  EXPECT_FALSE(DirectoryExists(Root() + "\\disks\\issue12\\a.pas"));
}

TEST_F(FileSystemFacade, OpenReadWriteCreate) {
  auto file = File::Open(Root() + "\\DISKS\\ISSUE12\\A.PAS", File::Mode::Read);
  ASSERT_TRUE(file);
  char buffer[32] = {};
  EXPECT_EQ(file->ReadAt(8, buffer, sizeof buffer), 2);
  EXPECT_EQ(std::string(buffer), "a;");
  EXPECT_EQ(file->Size(), 10);
  EXPECT_FALSE(file->WriteAt(0, "x", 1)) << "opened for reading only";

  EXPECT_FALSE(File::Open(Root() + "\\NOWHERE.TXT", File::Mode::Read));
  EXPECT_FALSE(File::Open(Root() + "\\DISKS", File::Mode::Read)) << "a directory is no file";

  auto created = File::Open(Root() + "\\Data\\NEW.DBF", File::Mode::CreateReplace);
  ASSERT_TRUE(created);
  EXPECT_TRUE(created->WriteAt(0, "hello", 5));
  EXPECT_EQ(created->Path(), dir_.path() / "Data/NEW.DBF");
  auto replaced = File::Open(Root() + "\\data\\new.dbf", File::Mode::CreateReplace);
  ASSERT_TRUE(replaced);
  EXPECT_EQ(replaced->Path(), dir_.path() / "Data/NEW.DBF") << "replaces the existing file";
  EXPECT_EQ(replaced->Size(), 0);
}

TEST_F(FileSystemFacade, PackedModificationTime) {
  const fs::path file = dir_.path() / "disks/Issue12/a.pas";
  std::tm local{};
  local.tm_year = 96;  // 1996-03-17 14:25:31
  local.tm_mon = 2;
  local.tm_mday = 17;
  local.tm_hour = 14;
  local.tm_min = 25;
  local.tm_sec = 31;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  const utimbuf times{when, when};
  ASSERT_EQ(::utime(file.c_str(), &times), 0);
  const std::uint32_t expected = ((16u << 9 | 3u << 5 | 17u) << 16) | (14u << 11 | 25u << 5 | 15u);
  EXPECT_EQ(FileAge(Root() + "\\DISKS\\ISSUE12\\A.PAS"), expected);
  EXPECT_EQ(FromDosDateTime(expected), when - 1) << "two-second resolution";
  EXPECT_FALSE(FileAge(Root() + "\\missing.ndx"));
  EXPECT_FALSE(FileAge(Root() + "\\disks")) << "directories have no file age";
  EXPECT_EQ(ToDosDateTime(0), (1u << 5 | 1u) << 16) << "before 1980 clamps to 1980-01-01";
}

// The kinds of directory entries the real-path tests meet.
class RealPaths : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("file.txt", "text");
    fs::permissions(dir_.Write("tool.sh", "#!/bin/sh\n"), fs::perms::owner_exec,
                    fs::perm_options::add);
    fs::create_directories(dir_.path() / "folder/inner");
    fs::create_symlink(dir_.path() / "file.txt", dir_.path() / "link-to-file");
    fs::create_symlink(dir_.path() / "folder", dir_.path() / "link-to-folder");
    fs::create_symlink(dir_.path() / "gone", dir_.path() / "dangling");
  }
  fs::path At(std::string_view name) const { return dir_.path() / name; }
  testing::TempDir dir_;
};

TEST_F(RealPaths, WhatIsThere) {
  const struct {
    const char* name;
    bool exists, entry, file, directory, link, executable, listable;
  } cases[] = {
      // name            exists entry  file   dir    link   exec   list
      {"file.txt",       true,  true,  true,  false, false, false, false},
      {"tool.sh",        true,  true,  true,  false, false, true,  false},
      {"folder",         true,  true,  false, true,  false, false, true},
      {"link-to-file",   true,  true,  true,  false, true,  false, false},
      {"link-to-folder", true,  true,  false, true,  true,  false, true},
      {"dangling",       false, true,  false, false, true,  false, false},
      {"missing",        false, false, false, false, false, false, false},
      {"file.txt/below", false, false, false, false, false, false, false},
  };
  for (const auto& c : cases) {
    const fs::path path = At(c.name);
    EXPECT_EQ(ExistsAt(path), c.exists) << c.name;
    EXPECT_EQ(EntryExistsAt(path), c.entry) << c.name;
    EXPECT_EQ(FileExistsAt(path), c.file) << c.name;
    EXPECT_EQ(DirectoryExistsAt(path), c.directory) << c.name;
    EXPECT_EQ(IsSymbolicLinkAt(path), c.link) << c.name;
    EXPECT_EQ(ExecutableFileExistsAt(path), c.executable) << c.name;
    EXPECT_EQ(DirectoryReadableAt(path), c.listable) << c.name;
  }
  EXPECT_FALSE(FileExistsAt(At("FILE.TXT"))) << "real paths are taken as written";
}

TEST_F(RealPaths, EntryNamesOfAFolder) {
  std::vector<std::string> names = EntryNamesAt(dir_.path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"dangling", "file.txt", "folder", "link-to-file",
                                             "link-to-folder", "tool.sh"}));
  EXPECT_EQ(EntryNamesAt(At("folder")), std::vector<std::string>{"inner"});
  EXPECT_TRUE(EntryNamesAt(At("missing")).empty());
  EXPECT_TRUE(EntryNamesAt(At("file.txt")).empty());
}

TEST_F(RealPaths, EntriesOfAFolderSayWhichAreFolders) {
  std::optional<std::vector<DirectoryEntry>> entries = DirectoryEntriesAt(dir_.path());
  ASSERT_TRUE(entries);
  std::vector<std::pair<std::string, bool>> seen;
  for (const DirectoryEntry& entry : *entries) seen.emplace_back(entry.name, entry.directory);
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, bool>>{{"dangling", false},
                                                             {"file.txt", false},
                                                             {"folder", true},
                                                             {"link-to-file", false},
                                                             {"link-to-folder", true},
                                                             {"tool.sh", false}}));
  EXPECT_FALSE(DirectoryEntriesAt(At("missing")));
  EXPECT_FALSE(DirectoryEntriesAt(At("file.txt")));
}

TEST_F(RealPaths, CreateDirectories) {
  EXPECT_TRUE(CreateDirectoriesAt(At("new/deeper/deepest")));
  EXPECT_TRUE(fs::is_directory(At("new/deeper/deepest")));
  EXPECT_TRUE(CreateDirectoriesAt(At("folder"))) << "an existing folder is fine";
  EXPECT_TRUE(CreateDirectoriesAt(At("link-to-folder"))) << "so is a link to one";
  EXPECT_FALSE(CreateDirectoriesAt(At("file.txt")));
  EXPECT_FALSE(CreateDirectoriesAt(At("file.txt/below")));
  EXPECT_EQ(testing::TempDir::Read(At("file.txt")), "text");
}

TEST_F(RealPaths, RemoveFiles) {
  dir_.Write("Disks/Issue12/OLD.NDX", "x");
  EXPECT_TRUE(RemoveFile(dir_.path().string() + "\\DISKS\\issue12\\old.ndx")) << "a path text";
  EXPECT_FALSE(fs::exists(At("Disks/Issue12/OLD.NDX")));
  errno = 0;
  EXPECT_FALSE(RemoveFile(dir_.path().string() + "\\DISKS\\issue12\\old.ndx"));
  EXPECT_EQ(errno, ENOENT);

  EXPECT_TRUE(RemoveFileAt(At("link-to-file")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(At("link-to-file"))));
  EXPECT_EQ(testing::TempDir::Read(At("file.txt")), "text") << "the link goes, not its target";
  EXPECT_TRUE(RemoveFileAt(At("dangling")));
  EXPECT_FALSE(RemoveFileAt(At("folder"))) << "folders are not removed";
  EXPECT_TRUE(fs::is_directory(At("folder")));
}

TEST_F(RealPaths, ReadOnlyAttribute) {
  const fs::path file = At("file.txt");
  fs::permissions(file, fs::perms(0664));
  EXPECT_FALSE(IsReadOnlyAt(file));
  SetReadOnlyAt(file, true);
  EXPECT_TRUE(IsReadOnlyAt(file));
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0444)) << "no one may write";
  SetReadOnlyAt(file, false);
  EXPECT_FALSE(IsReadOnlyAt(file));
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644)) << "the owner may write again";

  fs::permissions(file, fs::perms(0464));
  EXPECT_TRUE(IsReadOnlyAt(file)) << "only the owner's permission counts";
  EXPECT_FALSE(IsReadOnlyAt(At("missing")));
  SetReadOnlyAt(At("missing"), true);  // ignored
  SetReadOnlyAt(At("link-to-file"), false);
  EXPECT_FALSE(IsReadOnlyAt(file)) << "links are followed";
}

TEST_F(RealPaths, ModificationTimes) {
  const fs::path file = At("file.txt");
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  const std::time_t when = 829751131;  // 1996-04-17
  ASSERT_TRUE(SetModifiedTimeAt(file, when));
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, when);
  EXPECT_EQ(after.st_mtim.tv_nsec, 0);
  EXPECT_EQ(after.st_atim.tv_sec, before.st_atim.tv_sec) << "the access time stays";
  EXPECT_FALSE(SetModifiedTimeAt(At("missing"), when));

  auto open = File::OpenPath(file, File::Mode::ReadWrite);
  ASSERT_TRUE(open);
  const std::optional<std::timespec> read = open->ModifiedTime();
  ASSERT_TRUE(read);
  EXPECT_EQ(read->tv_sec, when);
  ASSERT_TRUE(open->SetModifiedTime({when + 60, 500}));
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_mtim.tv_sec, when + 60);
  EXPECT_EQ(after.st_mtim.tv_nsec, 500);
}

TEST_F(RealPaths, IdentitiesOfFiles) {
  fs::create_hard_link(At("file.txt"), At("second-name.txt"));
  const std::optional<FileIdentity> file = IdentityAt(At("file.txt"));
  ASSERT_TRUE(file);
  EXPECT_EQ(IdentityAt(At("second-name.txt")), file) << "one file under two names";
  EXPECT_EQ(IdentityAt(At("link-to-file")), file) << "links are followed";
  EXPECT_NE(IdentityAt(At("tool.sh")), file);
  EXPECT_FALSE(IdentityAt(At("missing")));
  EXPECT_FALSE(IdentityAt(At("dangling")));
  EXPECT_EQ(File::OpenPath(At("second-name.txt"), File::Mode::Read)->Identity(), file);
}

TEST_F(RealPaths, WholeFilesReadAndWritten) {
  EXPECT_TRUE(WriteFileAt(At("settings.ini"), "[Settings]\r\nA=1\r\n"));
  EXPECT_EQ(ReadFileAt(At("settings.ini")), "[Settings]\r\nA=1\r\n");
  EXPECT_TRUE(WriteFileAt(At("settings.ini"), "B"));
  EXPECT_EQ(ReadFileAt(At("settings.ini")), "B") << "the old content is gone";
  EXPECT_TRUE(WriteFileAt(At("empty.ini"), ""));
  EXPECT_EQ(ReadFileAt(At("empty.ini")), "");
  const std::string big(200000, 'x');
  EXPECT_TRUE(WriteFileAt(At("big.bin"), big));
  EXPECT_EQ(ReadFileAt(At("big.bin")), big);

  EXPECT_FALSE(ReadFileAt(At("missing")));
  EXPECT_FALSE(ReadFileAt(At("folder")));
  EXPECT_FALSE(WriteFileAt(At("folder"), "x"));
  EXPECT_FALSE(WriteFileAt(At("no-folder/settings.ini"), "x"));
  const std::optional<std::string> mounts = ReadFileAt("/proc/self/mounts");
  ASSERT_TRUE(mounts);
  EXPECT_FALSE(mounts->empty()) << "read to the end although its stated size is 0";
}

TEST_F(RealPaths, AbsoluteAndCanonicalForms) {
  const fs::path current = fs::current_path();
  EXPECT_EQ(CurrentDirectory(), current);
  const fs::path root = fs::canonical(dir_.path());
  const struct {
    fs::path path, absolute, canonical, weakly_canonical;
  } cases[] = {
      {"relative/name", current / "relative/name", {}, current / "relative/name"},
      {root / "folder/../file.txt", root / "folder/../file.txt", root / "file.txt",
       root / "file.txt"},
      {root / "link-to-folder/inner", root / "link-to-folder/inner", root / "folder/inner",
       root / "folder/inner"},
      {root / "link-to-folder/new/./file", root / "link-to-folder/new/./file", {},
       root / "folder/new/file"},
      {root / "dangling", root / "dangling", {}, root / "dangling"},  // only existing parts
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AbsolutePath(c.path), c.absolute) << c.path;
    EXPECT_EQ(CanonicalPath(c.path), c.canonical) << c.path;
    EXPECT_EQ(WeaklyCanonicalPath(c.path), c.weakly_canonical) << c.path;
  }
  EXPECT_THROW(AbsolutePath(fs::path()), fs::filesystem_error);
  std::error_code error;
  EXPECT_EQ(AbsolutePath(fs::path(), error), fs::path());
  EXPECT_TRUE(error);
  EXPECT_EQ(AbsolutePath("x", error), current / "x");
  EXPECT_FALSE(error);
}

TEST_F(RealPaths, CreateNewRefusesATakenName) {
  auto created = File::OpenPath(At("new.@s@"), File::Mode::CreateNew);
  ASSERT_TRUE(created);
  EXPECT_EQ(created->Size(), 0);
  errno = 0;
  EXPECT_FALSE(File::OpenPath(At("new.@s@"), File::Mode::CreateNew));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_FALSE(File::OpenPath(At("dangling"), File::Mode::CreateNew)) << "a link takes the name";
  EXPECT_FALSE(fs::exists(At("gone")));
}

TEST_F(RealPaths, CreateInPlaceOfReplacesWithoutWritingThrough) {
  fs::create_hard_link(At("file.txt"), At("other-name.txt"));
  const struct {
    const char* name;
    const char* kept;  // a file that must keep its content
  } cases[] = {
      {"file.txt", "other-name.txt"},  // emptying in place would empty the other name too
      {"link-to-file", "other-name.txt"},  // writing through would change the link's target
      {"dangling", nullptr},
      {"missing", nullptr},
  };
  for (const auto& c : cases) {
    auto file = File::CreateInPlaceOf(At(c.name));
    ASSERT_TRUE(file) << c.name;
    EXPECT_TRUE(file->WriteAt(0, "new", 3));
    file.reset();
    EXPECT_FALSE(fs::is_symlink(At(c.name))) << c.name;
    EXPECT_EQ(testing::TempDir::Read(At(c.name)), "new") << c.name;
    if (c.kept) {
      EXPECT_EQ(testing::TempDir::Read(At(c.kept)), "text") << c.name;
    }
  }
  EXPECT_FALSE(fs::exists(At("gone"))) << "the dangling link's target is never created";
  EXPECT_FALSE(File::CreateInPlaceOf(At("folder")));
  EXPECT_TRUE(fs::is_directory(At("folder/inner"))) << "a folder is left alone";
  for (const std::string& name : EntryNamesAt(dir_.path()))
    EXPECT_EQ(name.find(".~"), std::string::npos) << "nothing is left aside: " << name;
}

TEST_F(RealPaths, TemporaryFiles) {
  auto first = File::CreateTemporary(dir_.path(), "KVP");
  auto second = File::CreateTemporary(dir_.path() / "", "KVP");
  ASSERT_TRUE(first && second);
  EXPECT_NE(first->Path(), second->Path());
  for (const File* file : {&*first, &*second}) {
    EXPECT_EQ(file->Path().parent_path(), dir_.path());
    const std::string name = file->Path().filename().string();
    EXPECT_EQ(name.size(), 9u) << name;
    EXPECT_EQ(name.rfind("KVP", 0), 0u) << name;
    EXPECT_EQ(fs::status(file->Path()).permissions(), fs::perms(0600)) << name;
  }
  EXPECT_TRUE(first->WriteAt(0, "run", 3));
  char back[3] = {};
  EXPECT_EQ(first->ReadAt(0, back, 3), 3);

  errno = 0;
  EXPECT_FALSE(File::CreateTemporary(At("missing"), "KVP"));
  EXPECT_EQ(errno, ENOENT);

  const char* saved = std::getenv("TMPDIR");
  const std::string saved_value = saved ? saved : "";
  ::setenv("TMPDIR", At("folder").c_str(), 1);
  auto in_tmpdir = File::CreateTemporary({}, "KVP");
  ::setenv("TMPDIR", "", 1);
  auto in_tmp = File::CreateTemporary({}, "KVP");
  if (saved)
    ::setenv("TMPDIR", saved_value.c_str(), 1);
  else
    ::unsetenv("TMPDIR");
  ASSERT_TRUE(in_tmpdir && in_tmp);
  EXPECT_EQ(in_tmpdir->Path().parent_path(), At("folder")) << "$TMPDIR";
  EXPECT_EQ(in_tmp->Path().parent_path(), fs::path("/tmp")) << "an empty $TMPDIR counts as unset";
  RemoveFileAt(in_tmp->Path());
}

TEST_F(RealPaths, WholeFileLocksBetweenOpenFiles) {
  auto first = File::OpenPath(At("file.txt"), File::Mode::Read);
  auto second = File::OpenPath(At("file.txt"), File::Mode::Read);
  ASSERT_TRUE(first && second);
  EXPECT_TRUE(first->TryLock(File::WholeLock::Shared));
  EXPECT_TRUE(second->TryLock(File::WholeLock::Shared)) << "shared locks go together";
  errno = 0;
  EXPECT_FALSE(second->TryLock(File::WholeLock::Exclusive));
  EXPECT_EQ(errno, EWOULDBLOCK);
  first.reset();  // closing releases its lock
  EXPECT_TRUE(second->TryLock(File::WholeLock::Exclusive));
  auto third = File::OpenPath(At("file.txt"), File::Mode::Read);
  EXPECT_FALSE(third->TryLock(File::WholeLock::Shared)) << "an exclusive lock keeps others out";
}

TEST_F(RealPaths, RangeLocksBetweenProcesses) {
  auto file = File::OpenPath(At("file.txt"), File::Mode::ReadWrite);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->SetRangeLock(File::RangeLock::Write, 1, 4));
  // The child answers with a bit per attempt that succeeded.
  const auto child_attempts = [&] {
    const pid_t pid = ::fork();
    if (pid == 0) {
      auto own = File::OpenPath(At("file.txt"), File::Mode::ReadWrite);
      int result = 0;
      if (own->SetRangeLock(File::RangeLock::Read, 2, 1)) result |= 1;
      else if (errno != EACCES && errno != EAGAIN) result |= 8;
      if (own->SetRangeLock(File::RangeLock::Write, 5, 2)) result |= 2;
      if (own->SetRangeLock(File::RangeLock::Unlock, 5, 2)) result |= 4;
      ::_exit(result);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(child_attempts(), 2 | 4) << "bytes 1..4 are held, byte 5 is free";
  ASSERT_TRUE(file->SetRangeLock(File::RangeLock::Unlock, 1, 4));
  EXPECT_EQ(child_attempts(), 1 | 2 | 4) << "released";
}

}  // namespace
}  // namespace vantorel::platform
