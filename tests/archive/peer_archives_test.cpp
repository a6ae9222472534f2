// Archives made by public tools in the test (Info-ZIP zip, 7-Zip, Python's zipfile): ZIP64,
// UTF-8 names, a stub in front, extended timestamps and more than 65,535 entries, each
// extracted or listed by vantorel-unzip and compared with the other tool's extraction or
// listing of the same archive (contents, and modification times where the other tool sets
// them). The 70,000 files of a 7-Zip archive are extracted in the slow tests.

#include <gtest/gtest.h>
#include <utime.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "peer_tools_helpers.h"
#include "temp_dir.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;
using peer::Difference;
using peer::Scan;
using peer::Shell;

// 2021-06-15 12:34:57 UTC: an odd second, which the MS-DOS time cannot hold.
constexpr std::time_t kSourceTime = 1623760497;
// Extraction runs in a time zone far from UTC, so a time taken as local shows.
constexpr char kTimeZone[] = "TZ=JST-9 LC_ALL=C.UTF-8";

class PeerArchives : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef VANTOREL_UNZIP_TOOL
    GTEST_SKIP() << "vantorel-unzip is not built";
#endif
    for (const char* program : {"zip", "unzip", "7zz", "python3"})
      if (!peer::Installed(program)) GTEST_SKIP() << program << " is not installed";
  }

  Shell Run(const std::string& command) { return peer::RunIn(dir_.path(), command); }
  Shell Tool(const std::string& arguments) {
#ifdef VANTOREL_UNZIP_TOOL
    return Run(std::string(kTimeZone) + " '" + VANTOREL_UNZIP_TOOL + "' " + arguments);
#else
    (void)arguments;
    return {};
#endif
  }

  // A file of the source tree, with the source time.
  void Source(const std::string& relative, const std::string& content) {
    const fs::path file = dir_.Write("src/" + relative, content);
    const struct utimbuf times {kSourceTime, kSourceTime};
    ::utime(file.c_str(), &times);
  }
  void MakeSourceTree(bool unicode_names) {
    std::string random;
    std::uint32_t state = 12345;
    for (int i = 0; i < 200000; ++i) {
      state = state * 1103515245 + 12345;
      random += static_cast<char>('a' + (state >> 16) % (i % 7 + 1));
    }
    Source("plain.txt", "hello\n");
    Source("empty.txt", "");
    Source("sub/deep/data.txt", random);
    if (unicode_names) {
      Source("\xC3\x9Cn\xC3\xAF/\xC3\xBC" "ber.txt", "world\n");  // Ünï/über.txt
      Source("caf\xC3\xA9.txt", "coffee\n");                      // café.txt
    }
  }

  testing::TempDir dir_;
};

// The files (path/name) of a vantorel-unzip listing: lines "path TAB name TAB sizes", paths
// with "\\", between the count line and the totals line.
std::set<std::string> ListedFiles(const std::string& listing) {
  std::set<std::string> files;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || line[tab + 1] == '\t') continue;
    std::string path = line.substr(0, tab);
    std::replace(path.begin(), path.end(), '\\', '/');
    files.insert(path + line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1));
  }
  return files;
}

// The files of "unzip -Z1": a name per line, folders ending in "/".
std::set<std::string> UnzipFiles(const std::string& names) {
  std::set<std::string> files;
  std::istringstream lines(names);
  std::string line;
  while (std::getline(lines, line))
    if (!line.empty() && line.back() != '/') files.insert(line);
  return files;
}

constexpr char kPythonZip[] =
    "python3 -c 'import os, zipfile\n"
    "with zipfile.ZipFile(\"a.zip\", \"w\") as z:\n"
    "    for root, dirs, files in sorted(os.walk(\"src\")):\n"
    "        for name in sorted(files):\n"
    "            path = os.path.join(root, name)\n"
    "            info = zipfile.ZipInfo.from_file(path, os.path.relpath(path, \"src\"))\n"
    "            info.compress_type = zipfile.ZIP_DEFLATED\n"
    "            with open(path, \"rb\") as f, z.open(info, \"w\", force_zip64=True) as m:\n"
    "                m.write(f.read())\n'";
constexpr char kPythonExtract[] =
    "python3 -c 'import zipfile; zipfile.ZipFile(\"a.zip\").extractall(\"theirs\")'";
// Info-ZIP unzip warns of a stub and exits 1, having extracted everything.
constexpr char kUnzipExtract[] = "LC_ALL=C.UTF-8 TZ=JST-9 unzip -qq a.zip -d theirs || test -d theirs";
// 5,000 bytes of a stub program in front of plain.zip make a.zip.
const std::string kStub = " && head -c 5000 /dev/urandom >stub && cat stub plain.zip >a.zip";

TEST_F(PeerArchives, ExtractsAsTheOtherToolDoes) {
  const struct {
    const char* what;
    bool unicode_names;
    std::string make;       // makes a.zip from the folder src
    const char* reference;  // extracts a.zip into the folder theirs
    bool times;             // the reference sets modification times
    bool exact_time;        // the archive holds the source time to the second (extended timestamp)
    bool warning;           // vantorel-unzip warns of data in front of the archive
  } cases[] = {
      {"zip -fz: ZIP64 end record and extra fields", false, "cd src && zip -q -r -fz ../a.zip .",
       kUnzipExtract, true, true, false},
      {"zipfile with force_zip64 and UTF-8 names", true, kPythonZip, kPythonExtract, false, false, false},
      {"zip on Linux: UTF-8 names as the system's bytes", true,
       "cd src && LC_ALL=C.UTF-8 zip -q -r ../a.zip .", kUnzipExtract, true, true, false},
      {"7-Zip with UTF-8 names", true, "cd src && 7zz a -tzip ../a.zip . >/dev/null",
       kUnzipExtract, true, false, false},
      {"stub in front, offsets not adjusted", false, "(cd src && zip -q -r ../plain.zip .)" + kStub,
       kUnzipExtract, true, true, true},
      {"stub in front of a ZIP64 archive", false,
       "(cd src && zip -q -r -fz ../plain.zip .)" + kStub, kUnzipExtract, true, true, true},
      {"stub in front, offsets adjusted by zip -A", false,
       "(cd src && zip -q -r ../plain.zip .)" + kStub + " && zip -q -A a.zip", kUnzipExtract,
       true, true, false},
      {"zip -X: MS-DOS time only", false, "cd src && zip -q -r -X ../a.zip .", kUnzipExtract,
       true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(Run("rm -rf src theirs ours a.zip plain.zip").status, 0);
    MakeSourceTree(c.unicode_names);
    ASSERT_EQ(Run(c.make).status, 0) << c.make;
    ASSERT_EQ(Run(c.reference).status, 0) << c.reference;

    const Shell ours = Tool("-o -d ours a.zip");
    EXPECT_EQ(ours.status, 0) << ours.err;
    const std::size_t files = c.unicode_names ? 5 : 3;
    EXPECT_EQ(ours.out, std::to_string(files) + " files unzipped to ours\n");
    EXPECT_EQ(ours.err, c.warning ? "vantorel-unzip: warning: a.zip: 5000 extra bytes at "
                                    "beginning of zipfile (attempting to process anyway)\n"
                                  : "");
    EXPECT_EQ(Difference(Scan(dir_.path() / "ours"), Scan(dir_.path() / "theirs"), c.times), "");
    if (c.exact_time) {
      EXPECT_EQ(Scan(dir_.path() / "ours").times.at("plain.txt"), kSourceTime)
          << "the extended timestamp, to the second";
    }
  }
}

TEST_F(PeerArchives, UnicodeNamesAreListedAsUnzipListsThem) {
  const char* const makers[] = {
      kPythonZip,
      "cd src && LC_ALL=C.UTF-8 zip -q -r ../a.zip .",
      "cd src && 7zz a -tzip ../a.zip . >/dev/null",
  };
  for (const char* make : makers) {
    SCOPED_TRACE(make);
    ASSERT_EQ(Run("rm -rf src a.zip").status, 0);
    Source("\xE4\xB8\x96\xE7\x95\x8C/\xC3\xBC" "ber.txt", "world\n");        // 世界/über.txt
    Source("\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97.txt", "box\n");           // ╔═╗.txt
    ASSERT_EQ(Run(make).status, 0);
    const Shell theirs = Run("LC_ALL=C.UTF-8 unzip -Z1 a.zip");
    ASSERT_EQ(theirs.status, 0);
    EXPECT_EQ(ListedFiles(Tool("-l a.zip").out), UnzipFiles(theirs.out));
    EXPECT_EQ(ListedFiles(Tool("-l a.zip").out),
              (std::set<std::string>{"\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97.txt",
                                     "\xE4\xB8\x96\xE7\x95\x8C/\xC3\xBC" "ber.txt"}));
    // Extracted under the same names, into a folder named outside code page 1252 (Łódź).
    ASSERT_EQ(Run("rm -rf out").status, 0);
    const Shell extracted = Tool("-d 'out \xC5\x81\xC3\xB3" "d\xC5\xBA' a.zip");
    EXPECT_EQ(extracted.status, 0) << extracted.err;
    const auto out = dir_.path() / "out \xC5\x81\xC3\xB3" "d\xC5\xBA";
    EXPECT_EQ(testing::TempDir::Read(out / "\xE4\xB8\x96\xE7\x95\x8C/\xC3\xBC" "ber.txt"), "world\n");
    EXPECT_EQ(testing::TempDir::Read(out / "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97.txt"), "box\n");
    std::filesystem::remove_all(out);
  }
}

TEST_F(PeerArchives, MoreThan65535EntriesAreListedAsZipfileListsThem) {
  // 70,070 entries: zipfile writes the count into a ZIP64 end record.
  ASSERT_EQ(Run("python3 -c 'import zipfile\n"
                "with zipfile.ZipFile(\"a.zip\", \"w\") as z:\n"
                "    for i in range(70070): z.writestr(\"d%02d/f%d\" % (i // 1000, i % 1000), \"%d\\n\" % i)\n"
                "print(\"Archive contains\", len(z.infolist()), \"files\")\n"
                "for i in sorted(z.infolist(), key=lambda i: i.header_offset):\n"
                "    folder, name = i.filename.split(\"/\")\n"
                "    print(\"%s\\\\\\t%s\\t%d\\t%d\" % (folder, name, i.compress_size, i.file_size))\n"
                "' >expected")
                .status,
            0);
  const Shell list = Tool("-l a.zip");
  EXPECT_EQ(list.status, 0) << list.err;
  const std::string expected = testing::TempDir::Read(dir_.path() / "expected");
  ASSERT_EQ(list.out.substr(0, list.out.rfind("Total:")), expected);
  EXPECT_EQ(list.out.substr(list.out.rfind("Total:")),
            "Total: 399 Kb (compressed); 399 Kb (uncompressed)\n");
}

TEST_F(PeerArchives, DamagedZip64EndRecordIsAClearError) {
  MakeSourceTree(false);
  ASSERT_EQ(Run("cd src && zip -q -r -fz ../a.zip .").status, 0);
  std::string bytes = testing::TempDir::Read(dir_.path() / "a.zip");
  const std::size_t record = bytes.rfind("PK\x06\x06");
  ASSERT_NE(record, std::string::npos);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"record without its signature", bytes.substr(0, record) + "PK\x06\x05" + bytes.substr(record + 4)},
      {"record cut short", bytes.substr(0, record) + bytes.substr(record + 30)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dir_.Write("bad.zip", c.bytes);
    for (const char* arguments : {"-l bad.zip", "-o -d ours bad.zip"}) {
      const Shell run = Tool(arguments);
      EXPECT_EQ(run.status, 2) << arguments;
      EXPECT_EQ(run.err, "vantorel-unzip: Not a valid zip file!\n") << arguments;
    }
    EXPECT_FALSE(fs::exists(dir_.path() / "ours"));
  }
}

}  // namespace
}  // namespace vantorel::archive
