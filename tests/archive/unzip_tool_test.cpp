// vantorel-unzip, run as a process: the listing, extraction with its overwrite switches, the
// summary line, skipped entries and reader errors.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;
using testzip::ZipBuilder;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

class UnzipTool : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef VANTOREL_UNZIP_TOOL
    GTEST_SKIP() << "vantorel-unzip is not built";
#endif
  }

  // Runs the tool with arguments (already quoted for the shell), standard input from
  // /dev/null, so it has no terminal.
  ToolRun Run(const std::string& arguments) {
#ifdef VANTOREL_UNZIP_TOOL
    // "--as-nobody " first: the tool runs as the user nobody (the test runs as root).
    std::string prefix;
    std::string rest = arguments;
    if (rest.starts_with("--as-nobody ")) {
      prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
      rest = rest.substr(12);
    }
    const std::string command = prefix + "'" + VANTOREL_UNZIP_TOOL + "' " + rest + " >'" +
                                (dir_ / "stdout") + "' 2>'" + (dir_ / "stderr") + "' </dev/null";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            testing::TempDir::Read(dir_ / "stdout"), testing::TempDir::Read(dir_ / "stderr")};
#else
    (void)arguments;
    return {};
#endif
  }
  std::string Quoted(const std::string& path) { return "'" + path + "'"; }

  testing::TempDir dir_;
};

TEST_F(UnzipTool, ListsEntriesAndTotals) {
  ZipBuilder zip;
  zip.Directory("docs/");
  zip.Stored("src/unit/a.pas", std::string(2000, 'a'));
  zip.Deflated("\x81" "ber.txt", std::string(1263000, 'b'));
  zip.Stored("tab\tname", "t");
  const fs::path archive = dir_.Write("T.ZIP", zip.Build());
  const ToolRun run = Run("-l " + Quoted(archive.string()));
  EXPECT_EQ(run.status, 0);
  const std::string deflated_size = std::to_string(zip.entries[2].data.size());
  EXPECT_EQ(run.out,
            "Archive contains 4 files\n"
            "docs\\\t\t0\t0\n"
            "src\\unit\\\ta.pas\t2000\t2000\n"
            "\tüber.txt\t" + deflated_size + "\t1263000\n"
            "\ttab?name\t1\t1\n"
            "Total: 3 Kb (compressed); 1,235 Kb (uncompressed)\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(UnzipTool, ListsAFileWithoutEndRecordAsEmpty) {
  const fs::path archive = dir_.Write("junk.zip", "not an archive");
  const ToolRun run = Run("-l " + Quoted(archive.string()));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Archive contains 0 files\nTotal: 0 Kb (compressed); 0 Kb (uncompressed)\n");
}

TEST_F(UnzipTool, ExtractsBesideTheArchiveByDefault) {
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  zip.Deflated("sub/b.txt", "bbbb");
  zip.Directory("empty/");
  const fs::path archive = dir_.Write("box/T.ZIP", zip.Build());
  const ToolRun run = Run(Quoted(archive.string()));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "2 files unzipped to " + (dir_ / "box") + "\n");
  EXPECT_EQ(testing::TempDir::Read(dir_ / "box/sub/b.txt"), "bbbb");
  EXPECT_TRUE(fs::is_directory(dir_ / "box/empty"));
}

TEST_F(UnzipTool, OverwriteSwitches) {
  ZipBuilder zip;
  zip.Stored("a.txt", "new");
  const fs::path archive = dir_.Write("T.ZIP", zip.Build());
  const std::string dest = dir_ / "dest";
  const struct {
    const char* switches;
    const char* content;
    const char* summary;
  } cases[] = {
      {"", "old", "0 files unzipped to "},     // no terminal: No
      {"-n", "old", "0 files unzipped to "},
      {"-o", "new", "1 files unzipped to "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.switches);
    dir_.Write("dest/a.txt", "old");
    const ToolRun run = Run(std::string(c.switches) + " -d " + Quoted(dest + "/") + " " + Quoted(archive.string()));
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, c.summary + dest + "\n");
    EXPECT_EQ(testing::TempDir::Read(dir_ / "dest/a.txt"), c.content);
  }
}

// The destination and the archive are the paths the command line gives, whatever their script:
// "DEST Łódź" is made and filled, nothing lands in "DEST ?ód?".
TEST_F(UnzipTool, DestinationAndArchiveNamesOutsideCodePage1252) {
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  zip.Deflated("sub/b.txt", "bbbb");
  const std::string lodz = "\xC5\x81\xC3\xB3" "d\xC5\xBA";
  const fs::path archive = dir_.Write("\xE6\x9D\xB1\xE4\xBA\xAC/" + lodz + ".ZIP", zip.Build());
  const std::string dest = dir_ / ("DEST " + lodz);
  const ToolRun run = Run("-d " + Quoted(dest) + " " + Quoted(archive.string()));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "2 files unzipped to " + dest + "\n");
  EXPECT_EQ(testing::TempDir::Read(dest + "/sub/b.txt"), "bbbb");
  EXPECT_FALSE(fs::exists(dir_ / "DEST ?\xC3\xB3" "d?"));
  const ToolRun listed = Run("-l " + Quoted(archive.string()));
  EXPECT_EQ(listed.status, 0) << listed.err;
}

TEST_F(UnzipTool, SaysWhyAnEntryWasSkipped) {
  ZipBuilder zip;
  zip.Stored("../evil.txt", "x");
  zip.Stored("fine.txt", "ok");
  const fs::path archive = dir_.Write("in/T.ZIP", zip.Build());
  const ToolRun run = Run("-d " + Quoted(dir_ / "in/out") + " " + Quoted(archive.string()));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "1 files unzipped to " + (dir_ / "in/out") + "\n");
  EXPECT_NE(run.err.find("evil.txt: its path leads outside the destination"), std::string::npos)
      << run.err;
  EXPECT_TRUE(run.err.ends_with(
      "\nvantorel-unzip: 1 file not unzipped: 1 with a path leading outside the destination\n"))
      << run.err;
  EXPECT_FALSE(fs::exists(dir_ / "in/evil.txt"));
}

TEST_F(UnzipTool, PasswordsAndUnknownMethods) {
  ZipBuilder zip;
  zip.Encrypted("secret.txt", "the secret", "right");
  zip.Stored("plain.txt", "plain");
  zip.Stored("odd.bin", "odd").method = 98;
  const fs::path archive = dir_.Write("T.ZIP", zip.Build());
  const std::string dest = dir_ / "out";
  const struct {
    const char* switches;
    const char* secret_line;  // the line about secret.txt on standard error
  } cases[] = {
      {"-P right", nullptr},
      {"-P wrong", "vantorel-unzip: skipped /out/secret.txt: wrong password\n"},
      // No terminal to ask on.
      {"", "vantorel-unzip: skipped /out/secret.txt: the entry is encrypted and no password was "
           "given\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.switches);
    fs::remove_all(dest);
    const ToolRun run = Run(std::string(c.switches) + " -d " + Quoted(dest) + " " +
                            Quoted(archive.string()));
    EXPECT_EQ(testing::TempDir::Read(dest + "/plain.txt"), "plain");
    EXPECT_FALSE(fs::exists(dest + "/odd.bin"));
    EXPECT_NE(run.err.find("Zip Error: Unknown Compression Method 98 (PPMd) in odd.bin\n"),
              std::string::npos)
        << run.err;
    if (c.secret_line == nullptr) {
      EXPECT_EQ(testing::TempDir::Read(dest + "/secret.txt"), "the secret");
    } else {
      EXPECT_FALSE(fs::exists(dest + "/secret.txt"));
      std::string line = c.secret_line;
      line.replace(line.find("/out/"), 5, dest + "/");
      EXPECT_NE(run.err.find(line), std::string::npos) << run.err;
    }
  }
}

TEST_F(UnzipTool, ReaderErrorsExitWithStatus2) {
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  std::string bad = zip.Build();
  bad[bad.size() - 6] ^= 0x40;  // central directory offset
  const fs::path damaged = dir_.Write("bad.zip", bad);
  const fs::path junk = dir_.Write("junk.zip", "not an archive");
  const struct {
    std::string arguments;
    std::string message;
  } cases[] = {
      {"-l " + Quoted(dir_ / "missing.zip"), "vantorel-unzip: Cannot open file " + (dir_ / "missing.zip") + "\n"},
      {"-l " + Quoted(damaged.string()), "vantorel-unzip: Not a valid zip file!\n"},
      {"-o " + Quoted(junk.string()), "vantorel-unzip: Incomplete Zip File\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const ToolRun run = Run(c.arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, c.message);
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(Run("").status, 2);
  EXPECT_EQ(Run("-l -o x.zip").status, 2);
}

// 0 only when every file was written; 1 when some were not, the last line saying how many and
// why; 2 when the archive could not be read. No case leaves a file that was not written whole.
TEST_F(UnzipTool, ExitStatusSaysWhetherEveryFileWasWritten) {
  const struct {
    const char* name;
    void (*lie)(testzip::Entry&);
    int status;
    const char* last_line;  // of standard error
  } cases[] = {
      {"all written", nullptr, 0, ""},
      {"encrypted", [](testzip::Entry& e) { e.flags |= 1; }, 1,
       "vantorel-unzip: 2 files not unzipped: 2 encrypted (no password given)\n"},
      {"PPMd", [](testzip::Entry& e) { e.method = 98; }, 1,
       "vantorel-unzip: 2 files not unzipped: 2 with the unknown compression method 98 (PPMd)\n"},
      {"method 77", [](testzip::Entry& e) { e.method = 77; }, 1,
       "vantorel-unzip: 2 files not unzipped: 2 with the unknown compression method 77\n"},
      {"bad CRC", [](testzip::Entry& e) { e.crc ^= 1; }, 1,
       "vantorel-unzip: 2 files not unzipped: 2 damaged (CRC or size does not match)\n"},
      {"truncated", [](testzip::Entry& e) { e.compressed_size = 1000000; }, 2,
       "vantorel-unzip: Premature end of file reached\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ZipBuilder zip;
    zip.Stored("fine.txt", "fine");
    for (const char* name : {"sub/one.bin", "two.bin"}) {
      auto& entry = zip.Stored(name, std::string(20000, 'x'));
      if (c.lie) c.lie(entry);
    }
    const fs::path archive = dir_.Write("T.ZIP", zip.Build());
    fs::remove_all(dir_ / "out");
    const ToolRun run = Run("-d " + Quoted(dir_ / "out") + " " + Quoted(archive.string()));
    EXPECT_EQ(run.status, c.status);
    EXPECT_TRUE(run.err.ends_with(c.last_line)) << run.err;
    EXPECT_EQ(testing::TempDir::Read(dir_ / "out/fine.txt"), "fine");
    EXPECT_EQ(fs::exists(dir_ / "out/two.bin"), c.status == 0);
    if (c.status != 2) {
      EXPECT_EQ(run.out, (c.status == 0 ? "3" : "1") + (" files unzipped to " + (dir_ / "out") + "\n"));
    }
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir_ / "out")) files += entry.is_regular_file();
    EXPECT_EQ(files, c.status == 0 ? 3u : 1u);
  }
}

// A destination the user cannot write: one line, before any question, nothing written.
TEST_F(UnzipTool, ReadOnlyDestinationIsReportedOnce) {
  const bool root = ::geteuid() == 0;
  if (root && std::system("command -v setpriv >/dev/null") != 0)
    GTEST_SKIP() << "running as root without setpriv: no user to whom the folder is read-only";
  ZipBuilder zip;
  zip.Stored("a.txt", "new a");
  zip.Stored("sub/b.txt", "new b");
  const fs::path archive = dir_.Write("T.ZIP", zip.Build());
  dir_.Write("ro/a.txt", "old a");
  ::chmod(dir_.path().c_str(), 0755);
  ::chmod((dir_ / "ro/a.txt").c_str(), 0644);
  ::chmod((dir_ / "ro").c_str(), 0555);
  const std::string as_user = root ? "--as-nobody " : "";
  const ToolRun run = Run(as_user + "-d " + Quoted(dir_ / "ro") + " " + Quoted(archive.string()));
  ::chmod((dir_ / "ro").c_str(), 0755);
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "vantorel-unzip: Cannot write to " + (dir_ / "ro") + ": Permission denied\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(testing::TempDir::Read(dir_ / "ro/a.txt"), "old a");
  EXPECT_FALSE(fs::exists(dir_ / "ro/sub"));
}

}  // namespace
}  // namespace vantorel::archive
