#include "platform/write_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "scoped_environment.h"
#include "temp_dir.h"
#include "unprivileged.h"

namespace vantorel::platform {
namespace {

using testing::ScopedEnvironment;
using testing::TempDir;

// Points $XDG_CACHE_HOME at a folder of the test and back at the end.
class WriteFolderTest : public ::testing::Test {
 protected:
  std::string Folder(const std::string& relative) const {
    dir_.Write(relative + "/index.htm", "");
    return PathText(dir_.path() / relative) + "/";
  }
  std::string CacheHome() const { return PathText(dir_.path() / "cache" / "vantorel") + "/"; }

  TempDir dir_;
  ScopedEnvironment cache_home_{"XDG_CACHE_HOME", dir_ / "cache"};
};

TEST_F(WriteFolderTest, EachArchiveHasAFolderOfItsOwnThatItFindsAgain) {
  const std::string archive = Folder("My Archive (1996)");
  const std::string cache = ArchiveCacheFolder(archive);
  EXPECT_TRUE(std::regex_match(cache, std::regex(std::regex_replace(CacheHome(), std::regex(R"([.()+])"), R"(\$&)") +
                                                 R"(My_Archive__1996_-[0-9a-f]{16}/)")))
      << cache;
  // The same archive by another spelling of its path finds the same folder.
  EXPECT_EQ(ArchiveCacheFolder(archive.substr(0, archive.size() - 1)), cache);
  EXPECT_EQ(ArchiveCacheFolder(Folder("other") + "../My Archive (1996)/"), cache);
  // Two archives of the same name in different places never share one.
  const std::string twin = Folder("elsewhere/My Archive (1996)");
  EXPECT_NE(ArchiveCacheFolder(twin), cache);
  EXPECT_EQ(ArchiveCacheFolder(twin).substr(0, cache.size() - 17), cache.substr(0, cache.size() - 17));
  // Another disc in the same drive: the same path, other tables.
  dir_.Write("My Archive (1996)/keyword.dbf", "first disc");
  const std::string first_disc = ArchiveCacheFolder(archive);
  EXPECT_NE(first_disc, cache);
  EXPECT_EQ(ArchiveCacheFolder(archive), first_disc);
  dir_.Write("My Archive (1996)/keyword.dbf", "the second disc");
  EXPECT_NE(ArchiveCacheFolder(archive), first_disc);
  // A name of other letters keeps them, blanks aside; a long one is cut at a whole letter.
  const std::string cyrillic = ArchiveCacheFolder(Folder("\xD0\x9C\xD0\xBE\xD0\xB9 \xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2"));
  EXPECT_TRUE(std::regex_search(cyrillic, std::regex("/\xD0\x9C\xD0\xBE\xD0\xB9_\xD0\xB0\xD1\x80\xD1\x85\xD0\xB8\xD0\xB2-[0-9a-f]{16}/$")))
      << cyrillic;  // Мой_архив
  std::string long_name;
  for (int i = 0; i < 30; ++i) long_name += "\xE6\x9D\xB1";  // 東 (3 bytes) 30 times
  const std::string cut = ArchiveCacheFolder(Folder(long_name));
  EXPECT_TRUE(std::regex_search(cut, std::regex("/(\xE6\x9D\xB1){13}-[0-9a-f]{16}/$"))) << cut;
  // A name that is not UTF-8 keeps its plain letters only.
  EXPECT_TRUE(std::regex_search(ArchiveCacheFolder(Folder("Caf\xE9")), std::regex("/Caf_-[0-9a-f]{16}/$")));
  EXPECT_NE(ArchiveCacheFolder(Folder("M\xC3\xBCller")), ArchiveCacheFolder(Folder("M\xC3\xB6ller")));
}

TEST_F(WriteFolderTest, CacheHomeIsXdgCacheHomeElseTheHomeFoldersCache) {
  const std::string archive = Folder("a");
  ::setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  if (!home.empty()) {
    EXPECT_EQ(ProgramCacheFolder(), PathText(std::filesystem::path(home) / ".cache" / "vantorel") + "/");
  }
  ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
  EXPECT_EQ(ProgramCacheFolder(), CacheHome());
}

TEST_F(WriteFolderTest, AWritableArchiveIsWrittenWhereItStands) {
  const std::string archive = Folder("a");
  EXPECT_TRUE(DataFolderWritable(archive));
  EXPECT_EQ(WriteFolderFor(archive), archive);
  dir_.Write("a/SEARCHRESULT.HTM", "page");
  EXPECT_EQ(WrittenFileLocation(archive + "SEARCHRESULT.HTM#TOP", archive), archive + "SEARCHRESULT.HTM#TOP");
  EXPECT_FALSE(std::filesystem::exists(dir_.path() / "cache"));
  // A folder that does not exist is left to the caller's own error.
  EXPECT_EQ(WriteFolderFor(archive + "missing/"), archive + "missing/");
}

TEST_F(WriteFolderTest, AReadOnlyArchiveIsWrittenInItsCacheFolderAndReadAsIfInTheArchive) {
  if (testing::RunAgainUnprivileged()) return;
  const std::string archive = Folder("a");
  dir_.Write("a/welcome.htm", "archive page");
  ::chmod((dir_.path() / "a").c_str(), 0555);
  EXPECT_FALSE(DataFolderWritable(archive));
  const std::string cache = WriteFolderFor(archive);
  EXPECT_EQ(cache, ArchiveCacheFolder(archive));
  EXPECT_TRUE(std::filesystem::is_directory(cache));

  ASSERT_TRUE(WriteFileAt(cache + "SEARCHRESULT.HTM", "results"));
  const struct {
    std::string path, location;
  } cases[] = {
      {archive + "SEARCHRESULT.HTM", cache + "SEARCHRESULT.HTM"},
      {archive + "searchresult.htm#TOP", cache + "SEARCHRESULT.HTM#TOP"},  // any letter case
      {archive + "welcome.htm", archive + "welcome.htm"},                  // not written: the archive's
      {archive + "ALLARTS.HTM", archive + "ALLARTS.HTM"},                  // not written yet
      {archive + "sub/SEARCHRESULT.HTM", archive + "sub/SEARCHRESULT.HTM"},  // another folder
  };
  for (const auto& c : cases) EXPECT_EQ(WrittenFileLocation(c.path, archive), c.location) << c.path;
}

}  // namespace
}  // namespace vantorel::platform
