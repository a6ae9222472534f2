// The archives too large for the quick tests, run as their own test labelled "slow":
// - an entry of more than 4 GiB: a stored entry of zeros in a sparse archive written here with
//   ZIP64 records, listed with its true size and extracted exactly by vantorel-unzip (into
//   memory, /dev/shm, when there is room: seconds instead of a disk's minute);
// - 70,000 files in an archive 7-Zip makes (ZIP64 end records), extracted file by file equal
//   to their sources.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "peer_tools_helpers.h"
#include "temp_dir.h"

namespace vantorel::archive {
namespace {

constexpr std::uint64_t kEntrySize = (std::uint64_t{1} << 32) + 12345;
constexpr char kName[] = "big.bin";

std::string Le(std::uint64_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
  return out;
}

// The CRC-32 of size zero bytes, by doubling.
std::uint32_t ZerosCrc(std::uint64_t size) {
  const unsigned char zero = 0;
  std::uint32_t result = 0;        // CRC of the zeros taken so far
  std::uint64_t taken = 0;
  std::uint32_t power = static_cast<std::uint32_t>(crc32(0, &zero, 1));  // CRC of 2^bit zeros
  for (int bit = 0; (size >> bit) != 0; ++bit) {
    if ((size >> bit) & 1) {
      result = taken == 0 ? power
                          : static_cast<std::uint32_t>(crc32_combine(result, power, z_off_t{1} << bit));
      taken += std::uint64_t{1} << bit;
    }
    power = static_cast<std::uint32_t>(crc32_combine(power, power, z_off_t{1} << bit));
  }
  return result;
}

// A stored entry of kEntrySize zeros: local header with a ZIP64 extra field, the data as a hole,
// a central record whose sizes are in its ZIP64 extra field, the ZIP64 end record, its locator
// and the end record.
void WriteSparseArchive(const std::string& path) {
  const std::string name = kName;
  const std::uint32_t crc = ZerosCrc(kEntrySize);
  const std::string local = Le(0x04034B50, 4) + Le(45, 2) + Le(0, 2) + Le(0, 2) +
                            Le(0x52640000, 4) + Le(crc, 4) + Le(0xFFFFFFFF, 4) + Le(0xFFFFFFFF, 4) +
                            Le(name.size(), 2) + Le(20, 2) + name + Le(1, 2) + Le(16, 2) +
                            Le(kEntrySize, 8) + Le(kEntrySize, 8);
  const std::uint64_t central_at = local.size() + kEntrySize;
  const std::string central = Le(0x02014B50, 4) + Le(0x031E, 2) + Le(45, 2) + Le(0, 2) + Le(0, 2) +
                              Le(0x52640000, 4) + Le(crc, 4) + Le(0xFFFFFFFF, 4) +
                              Le(0xFFFFFFFF, 4) + Le(name.size(), 2) + Le(20, 2) + Le(0, 2) +
                              Le(0, 2) + Le(0, 2) + Le(0100644u << 16, 4) + Le(0, 4) + name +
                              Le(1, 2) + Le(16, 2) + Le(kEntrySize, 8) + Le(kEntrySize, 8);
  const std::uint64_t end64_at = central_at + central.size();
  const std::string tail = Le(0x06064B50, 4) + Le(44, 8) + Le(45, 2) + Le(45, 2) + Le(0, 4) +
                           Le(0, 4) + Le(1, 8) + Le(1, 8) + Le(central.size(), 8) +
                           Le(central_at, 8) + Le(0x07064B50, 4) + Le(0, 4) + Le(end64_at, 8) +
                           Le(1, 4) + Le(0x06054B50, 4) + Le(0, 2) + Le(0, 2) + Le(1, 2) + Le(1, 2) +
                           Le(central.size(), 4) + Le(0xFFFFFFFF, 4) + Le(0, 2);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::string rest = central + tail;
  EXPECT_EQ(::pwrite(fd, local.data(), local.size(), 0), static_cast<ssize_t>(local.size()));
  EXPECT_EQ(::pwrite(fd, rest.data(), rest.size(), static_cast<off_t>(central_at)),
            static_cast<ssize_t>(rest.size()));
  ::close(fd);
}

// A folder for the extracted file, in memory when /dev/shm has room for it; removed at the end.
class OutputFolder {
 public:
  explicit OutputFolder(const testing::TempDir& fallback) {
    struct statvfs shm {};
    if (::statvfs("/dev/shm", &shm) == 0 &&
        std::uint64_t{shm.f_bavail} * shm.f_frsize > kEntrySize + (std::uint64_t{1} << 30)) {
      std::string pattern = "/dev/shm/vantorel-large-XXXXXX";
      if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
        owned_ = true;
        return;
      }
    }
    path_ = fallback / "out";
  }
  ~OutputFolder() {
    std::error_code error;
    if (owned_) std::filesystem::remove_all(path_, error);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  bool owned_ = false;  // a folder of its own in /dev/shm
};

TEST(LargeEntry, ListedWithItsTrueSizeAndExtractedExactly) {
#ifndef VANTOREL_UNZIP_TOOL
  GTEST_SKIP() << "vantorel-unzip is not built";
#else
  testing::TempDir dir;
  WriteSparseArchive(dir / "big.zip");
  const std::string tool = std::string("'") + VANTOREL_UNZIP_TOOL + "' ";
  // Python's zipfile reads the archive as written.
  EXPECT_EQ(peer::RunIn(dir.path(), "python3 -c 'import zipfile; i = zipfile.ZipFile(\"big.zip\").infolist()[0]; "
                     "print(i.filename, i.file_size, i.CRC)'")
                .out,
            std::string(kName) + " " + std::to_string(kEntrySize) + " " +
                std::to_string(ZerosCrc(kEntrySize)) + "\n");

  const peer::Shell list = peer::RunIn(dir.path(), tool + "-l big.zip");
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "Archive contains 1 files\n\tbig.bin\t" + std::to_string(kEntrySize) + "\t" +
                          std::to_string(kEntrySize) +
                          "\nTotal: 4,194,316 Kb (compressed); 4,194,316 Kb (uncompressed)\n");

  const OutputFolder out(dir);
  const peer::Shell extract = peer::RunIn(dir.path(), tool + "-o -d '" + out.path() + "' big.zip");
  EXPECT_EQ(extract.status, 0) << extract.out;
  EXPECT_EQ(extract.out, "1 files unzipped to " + out.path() + "\n");
  const std::string file = out.path() + "/big.bin";
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(static_cast<std::uint64_t>(status.st_size), kEntrySize);
  EXPECT_EQ(peer::RunIn(dir.path(), "cmp -n " + std::to_string(kEntrySize) + " '" + file + "' /dev/zero").status, 0);
#endif
}

TEST(ManyEntries, SeventyThousandFilesFrom7Zip) {
#ifndef VANTOREL_UNZIP_TOOL
  GTEST_SKIP() << "vantorel-unzip is not built";
#else
  if (!peer::Installed("7zz")) GTEST_SKIP() << "7zz is not installed";
  testing::TempDir dir;
  for (int folder = 0; folder < 70; ++folder) {
    const std::filesystem::path path = dir.path() / "src" / ("d" + std::to_string(folder));
    std::filesystem::create_directories(path);
    for (int file = 0; file < 1000; ++file)
      std::ofstream(path / ("f" + std::to_string(file))) << folder << '.' << file << '\n';
  }
  ASSERT_EQ(peer::RunIn(dir.path(), "cd src && 7zz a -tzip -mx1 ../a.zip . >/dev/null").status, 0);
  const std::string tool = std::string("'") + VANTOREL_UNZIP_TOOL + "' ";
  const peer::Shell list = peer::RunIn(dir.path(), tool + "-l a.zip");
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out.substr(0, list.out.find('\n')), "Archive contains 70070 files");
  const peer::Shell extract = peer::RunIn(dir.path(), tool + "-o -d ours a.zip");
  EXPECT_EQ(extract.status, 0) << extract.err;
  EXPECT_EQ(extract.out, "70000 files unzipped to ours\n");
  EXPECT_EQ(peer::Difference(peer::Scan(dir.path() / "ours"), peer::Scan(dir.path() / "src"), false),
            "");
#endif
}

}  // namespace
}  // namespace vantorel::archive
