#include "core/path_texts.h"

#include <gtest/gtest.h>

namespace vantorel::core {
namespace {

constexpr FolderEnd kSeparator = FolderEnd::Separator;
constexpr FolderEnd kDrive = FolderEnd::SeparatorOrDrive;

TEST(PathTexts, SplitsAtTheLastSeparatorOfTheRule) {
  const struct {
    std::string path;
    FolderEnd rule;
    std::string folder, file_name;
  } cases[] = {
      {"C:\\KVXARCH01\\PDF\\ART01.PDF", kSeparator, "C:\\KVXARCH01\\PDF\\", "ART01.PDF"},
      {"C:\\KVXARCH01\\PDF\\ART01.PDF", kDrive, "C:\\KVXARCH01\\PDF\\", "ART01.PDF"},
      {"/home/reader/archive/article.dbf", kSeparator, "/home/reader/archive/", "article.dbf"},
      {"disks/Issue12\\TIPTRIX\\Readme.TXT", kSeparator, "disks/Issue12\\TIPTRIX\\", "Readme.TXT"},
      {"C:NAME.DBF", kSeparator, "", "C:NAME.DBF"},  // ":" is part of a Linux name
      {"C:NAME.DBF", kDrive, "C:", "NAME.DBF"},      // a drive without a folder
      {"/data/a:b.dbf", kSeparator, "/data/", "a:b.dbf"},
      {"/data/a:b.dbf", kDrive, "/data/a:", "b.dbf"},
      {"C:\\DATA\\", kDrive, "C:\\DATA\\", ""},
      {"INDEX.HTM", kDrive, "", "INDEX.HTM"},
      {"", kSeparator, "", ""},
  };
  for (const auto& c : cases) {
    const std::string where = c.path + (c.rule == kDrive ? " (drive rule)" : "");
    EXPECT_EQ(FolderOf(c.path, c.rule), c.folder) << where;
    EXPECT_EQ(FileNameOf(c.path, c.rule), c.file_name) << where;
    EXPECT_EQ(HasFolder(c.path, c.rule), !c.folder.empty()) << where;
  }
}

TEST(PathTexts, ExtensionsCountOnlyInTheFileName) {
  const struct {
    std::string path;
    FolderEnd rule;
    bool has_extension;
    std::string extension, without_extension, without_extensions;
  } cases[] = {
      {"C:\\DATA\\ARTICLE.DBF", kSeparator, true, "DBF", "C:\\DATA\\ARTICLE", "C:\\DATA\\ARTICLE"},
      {"/data/keyword", kSeparator, false, "", "/data/keyword", "/data/keyword"},
      {"/data.old/keyword", kSeparator, false, "", "/data.old/keyword", "/data.old/keyword"},
      {"dir.x\\file", kSeparator, false, "", "dir.x\\file", "dir.x\\file"},
      {"/data/A.B.DBF", kSeparator, true, "DBF", "/data/A.B", "/data/A"},  // last dot, first dot
      {"NAME.", kSeparator, true, "", "NAME", "NAME"},
      {"/data/.hidden", kSeparator, true, "hidden", "/data/", "/data/"},
      {"a.b:c", kSeparator, true, "b:c", "a", "a"},
      {"a.b:c", kDrive, false, "", "a.b:c", "a.b:c"},  // the dot lies in the folder "a.b:"
      {"C:NAME.NDX", kDrive, true, "NDX", "C:NAME", "C:NAME"},
      {"", kSeparator, false, "", "", ""},
  };
  for (const auto& c : cases) {
    const std::string where = c.path + (c.rule == kDrive ? " (drive rule)" : "");
    EXPECT_EQ(HasExtension(c.path, c.rule), c.has_extension) << where;
    EXPECT_EQ(ExtensionOf(c.path, c.rule), c.extension) << where;
    EXPECT_EQ(WithoutExtension(c.path, c.rule), c.without_extension) << where;
    EXPECT_EQ(WithoutExtensions(c.path, c.rule), c.without_extensions) << where;
  }
}

TEST(PathTexts, WithSlashes) {
  EXPECT_EQ(WithSlashes("ISSUE01\\INTRO\\"), "ISSUE01/INTRO/");
  EXPECT_EQ(WithSlashes("/home/a b/c"), "/home/a b/c");
  EXPECT_EQ(WithSlashes(""), "");
}

}  // namespace
}  // namespace vantorel::core
