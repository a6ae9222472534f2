// Archives made by public tools in the test (Info-ZIP zip, 7-Zip, Python's zipfile): ZIP64,
// UTF-8 names, a stub in front, extended timestamps and more than 65,535 entries, each
// extracted by vantorel-unzip and compared file by file (contents, and modification times
// where the other tool sets them) with the other tool's extraction of the same archive.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;

// 2021-06-15 12:34:57 UTC: an odd second, which the MS-DOS time cannot hold.
constexpr std::time_t kSourceTime = 1623760497;
// Extraction runs in a time zone far from UTC, so a time taken as local shows.
constexpr char kTimeZone[] = "TZ=JST-9 LC_ALL=C.UTF-8";

struct Shell {
  int status = -1;
  std::string out;
  std::string err;
};

// What a folder holds: each relative path with "/" for a folder or its content, and the
// modification time of each file.
struct Tree {
  std::map<std::string, std::string> entries;
  std::map<std::string, std::time_t> times;
};

Tree Scan(const fs::path& root) {
  Tree tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).string();
    if (item.is_directory()) {
      tree.entries[relative] = "/";
      continue;
    }
    tree.entries[relative] = testing::TempDir::Read(item.path());
    struct stat status {};
    ::stat(item.path().c_str(), &status);
    tree.times[relative] = status.st_mtime;
  }
  return tree;
}

// The first difference between two trees, or "" when they are equal.
std::string Difference(const Tree& ours, const Tree& theirs, bool times) {
  for (const auto& [path, content] : theirs.entries) {
    const auto found = ours.entries.find(path);
    if (found == ours.entries.end()) return "missing: " + path;
    if (found->second != content) return "different content: " + path;
    if (times && content != "/" && ours.times.at(path) != theirs.times.at(path))
      return "different time: " + path + " " + std::to_string(ours.times.at(path)) + " vs " +
             std::to_string(theirs.times.at(path));
  }
  for (const auto& entry : ours.entries)
    if (!theirs.entries.count(entry.first)) return "extra: " + entry.first;
  return "";
}

class PeerArchives : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef VANTOREL_UNZIP_TOOL
    GTEST_SKIP() << "vantorel-unzip is not built";
#endif
    for (const char* program : {"zip", "unzip", "7zz", "python3"})
      if (Run(std::string("command -v ") + program).status != 0)
        GTEST_SKIP() << program << " is not installed";
  }

  // Runs a shell command in the test's folder.
  Shell Run(const std::string& command) {
    const std::string line = "cd '" + dir_.path().string() + "' && (" + command + ") >'" +
                             (dir_ / "stdout") + "' 2>'" + (dir_ / "stderr") + "' </dev/null";
    const int status = std::system(line.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, testing::TempDir::Read(dir_ / "stdout"),
            testing::TempDir::Read(dir_ / "stderr")};
  }
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
      Source("\xE4\xB8\x96\xE7\x95\x8C/\xC3\xBC" "ber.txt", "world\n");  // 世界/über.txt
      Source("caf\xC3\xA9.txt", "coffee\n");                            // café.txt
    }
  }

  testing::TempDir dir_;
};

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
      {"zip with UTF-8 names: Unicode path fields", true,
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

TEST_F(PeerArchives, ManyEntriesFrom7Zip) {
  // 70 folders of 1,000 files: 70,070 entries, more than 16 bits count, so 7-Zip writes ZIP64
  // end records.
  for (int folder = 0; folder < 70; ++folder) {
    const fs::path path = dir_.path() / "src" / ("d" + std::to_string(folder));
    fs::create_directories(path);
    for (int file = 0; file < 1000; ++file)
      std::ofstream(path / ("f" + std::to_string(file))) << folder << '.' << file << '\n';
  }
  ASSERT_EQ(Run("cd src && 7zz a -tzip -mx1 ../a.zip . >/dev/null").status, 0);
  const Shell list = Tool("-l a.zip");
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out.substr(0, list.out.find('\n')), "Archive contains 70070 files");
  const Shell extract = Tool("-o -d ours a.zip");
  EXPECT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(extract.out, "70000 files unzipped to ours\n");
  EXPECT_EQ(Difference(Scan(dir_.path() / "ours"), Scan(dir_.path() / "src"), false), "");
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
