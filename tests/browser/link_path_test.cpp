#include "browser/link_path.h"

#include <gtest/gtest.h>

namespace vantorel::browser {
namespace {

struct ExpandCase {
  const char* reference;
  const char* server_root;
  const char* declared_base;
  const char* document_dir;
  const char* expected;
};

class ExpandLinkPathTest : public ::testing::TestWithParam<ExpandCase> {};

TEST_P(ExpandLinkPathTest, FollowsTheFiveSteps) {
  const ExpandCase& c = GetParam();
  LinkBase base{c.server_root, c.declared_base, c.document_dir};
  EXPECT_EQ(ExpandLinkPath(c.reference, base), c.expected) << "reference: " << c.reference;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExpandLinkPathTest,
    ::testing::Values(
        // 1. control characters and blanks at both ends go.
        ExpandCase{" \t\r\nPAGE.HTM\x01 ", "", "", "C:\\DATA\\", "C:\\DATA\\PAGE.HTM"},
        // 2. "%xx" becomes the character; a "%" without two hex digits stays.
        ExpandCase{"MY%20PAGE.HTM", "", "", "C:\\DATA\\", "C:\\DATA\\MY PAGE.HTM"},
        ExpandCase{"100%.HTM", "", "", "C:\\DATA\\", "C:\\DATA\\100%.HTM"},
        ExpandCase{"A%4a%zz.HTM", "", "", "", "AJ%zz.HTM"},
        // 3. "file:///" or "file://" removed in any case, "|" to ":", "/" to "\".
        ExpandCase{"file:///C|/KVX/INDEX.HTM", "", "", "D:\\", "C:\\KVX\\INDEX.HTM"},
        ExpandCase{"FILE://C|/KVX/A.HTM", "", "", "D:\\", "C:\\KVX\\A.HTM"},
        ExpandCase{"file:///pdf/0123.PDF", "", "", "C:\\DATA\\", "C:\\DATA\\pdf\\0123.PDF"},
        ExpandCase{"sub/page.htm", "", "", "C:\\DATA\\", "C:\\DATA\\sub\\page.htm"},
        // without "/" the reference is not converted.
        ExpandCase{"A|B.HTM", "", "", "C:\\DATA\\", "C:\\DATA\\A|B.HTM"},
        // 4. a single leading "\" goes under the server root; "\\" does not.
        ExpandCase{"\\images\\logo.bmp", "C:\\ROOT\\", "", "C:\\DATA\\", "C:\\ROOT\\images\\logo.bmp"},
        ExpandCase{"/images/logo.bmp", "C:\\ROOT", "", "C:\\DATA\\", "C:\\ROOT\\images\\logo.bmp"},
        ExpandCase{"\\\\SERVER\\SHARE\\A.HTM", "C:\\ROOT\\", "", "C:\\DATA\\", "\\\\SERVER\\SHARE\\A.HTM"},
        // without a server root a rooted path names the file system's root.
        ExpandCase{"/home/reader/a.htm", "", "", "/data/", "\\home\\reader\\a.htm"},
        // 5. absolute paths stay; relative ones go to the declared base or the document's folder.
        ExpandCase{"D:\\OTHER\\B.HTM", "", "", "C:\\DATA\\", "D:\\OTHER\\B.HTM"},
        ExpandCase{"B.HTM", "", "C:\\BASE\\INDEX.HTM", "C:\\DATA\\", "C:\\BASE\\B.HTM"},
        ExpandCase{"B.HTM", "", "file:///E|/WEB/", "C:\\DATA\\", "E:\\WEB\\B.HTM"},
        ExpandCase{"B.HTM", "", "DosPath", "C:\\DATA\\", "B.HTM"},
        ExpandCase{"B.HTM", "", "dospath", "/data/", "B.HTM"},
        ExpandCase{"B.HTM", "", "", "/data/archive/", "/data/archive/B.HTM"},
        ExpandCase{"B.HTM", "", "", "", "B.HTM"},
        ExpandCase{"ALLARTS.HTM#12", "", "", "/data/", "/data/ALLARTS.HTM#12"},
        // References and folders are UTF-8 path texts: a folder's letters stay whole; an
        // escaped byte is a letter of the page's code page 1252.
        ExpandCase{"sub/\xD0\x9F.TXT", "", "", "/home/\xD0\x9C\xD0\xBE\xD0\xB9 \xE6\x9D\xB1/",
                   "/home/\xD0\x9C\xD0\xBE\xD0\xB9 \xE6\x9D\xB1/sub\\\xD0\x9F.TXT"},
        ExpandCase{"%E9t%E9.HTM", "", "", "/data/", "/data/\xC3\xA9t\xC3\xA9.HTM"}));

TEST(SplitFileReferenceTest, SplitsAtTheFirstHash) {
  EXPECT_EQ(SplitFileReference("/d/SEARCHRESULT.HTM#TOP").file, "/d/SEARCHRESULT.HTM");
  EXPECT_EQ(SplitFileReference("/d/SEARCHRESULT.HTM#TOP").anchor, "TOP");
  EXPECT_EQ(SplitFileReference("#12").file, "");
  EXPECT_EQ(SplitFileReference("#12").anchor, "12");
  EXPECT_EQ(SplitFileReference("A.HTM#x#y").anchor, "x#y");
  EXPECT_EQ(SplitFileReference("A.HTM").anchor, "");
  // The path is UTF-8; the anchor is named in the page's code page 1252.
  EXPECT_EQ(SplitFileReference("/d/\xD0\x9C/A.HTM#caf\xC3\xA9").file, "/d/\xD0\x9C/A.HTM");
  EXPECT_EQ(SplitFileReference("/d/\xD0\x9C/A.HTM#caf\xC3\xA9").anchor, "caf\xE9");
}

TEST(DirectoryOfTest, KeepsTheLastSeparator) {
  EXPECT_EQ(DirectoryOf("C:\\DATA\\INDEX.HTM"), "C:\\DATA\\");
  EXPECT_EQ(DirectoryOf("/data/index.htm"), "/data/");
  EXPECT_EQ(DirectoryOf("C:INDEX.HTM"), "C:");
  EXPECT_EQ(DirectoryOf("INDEX.HTM"), "");
}

}  // namespace
}  // namespace vantorel::browser
