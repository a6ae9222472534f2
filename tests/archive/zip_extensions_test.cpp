// The records beyond the classic directory, written byte by byte: ZIP64 end records and extra
// fields, names in UTF-8 (flag bit 11, the Unicode path extra field), data in front of the
// archive, and the extended timestamp.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/kv_unzip.h"
#include "platform/file_system.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

namespace fs = std::filesystem;
using testzip::Le16;
using testzip::Le32;
using testzip::ZipBuilder;

std::string Le64(std::uint64_t value) { return Le32(value & 0xFFFFFFFF) + Le32(value >> 32); }

std::string Block(std::uint16_t tag, const std::string& data) {
  return Le16(tag) + Le16(static_cast<std::uint32_t>(data.size())) + data;
}

// The ZIP64 end record and locator for a directory of count records, size bytes at offset,
// the record itself placed at record_at.
std::string Zip64Tail(std::uint64_t count, std::uint64_t size, std::uint64_t offset,
                      std::uint64_t record_at) {
  return Le32(0x06064B50) + Le64(44) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + Le64(count) +
         Le64(count) + Le64(size) + Le64(offset) + Le32(0x07064B50) + Le32(0) + Le64(record_at) +
         Le32(1);
}

// Replaces the classic end record of an archive built by ZipBuilder (no comment) by a ZIP64
// end record, its locator and an end record whose fields all say "see ZIP64".
std::string WithZip64End(const std::string& classic, std::uint64_t count) {
  const std::string end = classic.substr(classic.size() - 22);
  const std::uint32_t size = static_cast<unsigned char>(end[12]) |
                             static_cast<unsigned char>(end[13]) << 8 |
                             static_cast<unsigned char>(end[14]) << 16 |
                             static_cast<unsigned char>(end[15]) << 24;
  const std::uint64_t record_at = classic.size() - 22;
  return classic.substr(0, record_at) + Zip64Tail(count, size, record_at - size, record_at) +
         Le32(0x06054B50) + Le16(0) + Le16(0) + Le16(0xFFFF) + Le16(0xFFFF) + Le32(0xFFFFFFFF) +
         Le32(0xFFFFFFFF) + Le16(0);
}

std::uint32_t NameCrc(const std::string& name) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(name.data()), static_cast<uInt>(name.size())));
}

class ZipExtensions : public ::testing::Test {
 protected:
  ZipExtensions() {
    unzip_.SetDoAll(true);
    unzip_.SetRecreateDirs(true);
    unzip_.SetOverwriteMode(UZOverwriteMode::Always);
  }
  void Load(const std::string& bytes) {
    unzip_.SetZipName(dir_.Write("T.ZIP", bytes).string());
    unzip_.LoadDirectory();
  }
  std::string LoadError(const std::string& bytes) {
    try {
      Load(bytes);
    } catch (const ArchiveError& error) {
      return error.what();
    }
    return "loaded";
  }
  int Extract() {
    unzip_.SetDestDir(dir_ / "out");
    return unzip_.Extract();
  }

  testing::TempDir dir_;
  testing::ScriptedUi ui_;
  KvUnZip unzip_;
};

TEST_F(ZipExtensions, Zip64ExtraFieldSuppliesTheValuesMarkedAllOnes) {
  ZipBuilder zip;
  zip.Stored("first.txt", "first");
  auto& second = zip.Deflated("second.txt", std::string(5000, 's'));
  const std::uint32_t deflated = second.compressed_size;
  const std::uint64_t second_offset = 30 + 9 + 5;
  second.compressed_size = 0xFFFFFFFF;
  second.uncompressed_size = 0xFFFFFFFF;
  second.local_offset = 0xFFFFFFFF;
  // Values in the order of the fields, only those marked; a timestamp block after it.
  second.extra = Block(0x0001, Le64(5000) + Le64(deflated) + Le64(second_offset)) +
                 Block(0x5455, std::string("\x01", 1) + Le32(1600000000));
  auto& third = zip.Stored("third.txt", "third");
  third.uncompressed_size = 0xFFFFFFFF;
  third.extra = Block(0x0001, Le64(5));
  Load(WithZip64End(zip.Build(), 3));

  ASSERT_EQ(unzip_.EntryCount(), 3);
  EXPECT_TRUE(unzip_.EndCentralRecord().zip64);
  EXPECT_EQ(unzip_.EntryUncompressedSize(1), 5000u);
  EXPECT_EQ(unzip_.EntryCompressedSize(1), deflated);
  EXPECT_EQ(unzip_.Entry(1).local_header_offset, second_offset);
  EXPECT_EQ(unzip_.EntryCompressedSize(2), 5u);
  EXPECT_EQ(unzip_.EntryUncompressedSize(2), 5u);
  EXPECT_EQ(Extract(), 3);
  EXPECT_EQ(testing::TempDir::Read(dir_ / "out/second.txt"), std::string(5000, 's'));
  EXPECT_EQ(testing::TempDir::Read(dir_ / "out/third.txt"), "third");
}

TEST_F(ZipExtensions, DamagedZip64RecordsAreNotAValidZipFile) {
  ZipBuilder zip;
  zip.Stored("a.txt", "a");
  const std::string good = WithZip64End(zip.Build(), 1);
  const std::size_t record_at = good.size() - 22 - 20 - 56;

  std::string unsigned_record = good;
  unsigned_record[record_at + 3] = 'X';
  std::string cut_record = good.substr(0, record_at) + good.substr(record_at + 20);
  ZipBuilder short_extra;
  auto& entry = short_extra.Stored("a.txt", "a");
  entry.uncompressed_size = 0xFFFFFFFF;
  entry.compressed_size = 0xFFFFFFFF;
  entry.extra = Block(0x0001, Le64(1));  // the compressed size is missing
  ZipBuilder missing_extra;
  missing_extra.Stored("a.txt", "a").local_offset = 0xFFFFFFFF;

  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"ZIP64 end record without its signature", unsigned_record},
      {"ZIP64 end record cut short", cut_record},
      {"ZIP64 extra field shorter than its marked values", WithZip64End(short_extra.Build(), 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LoadError(c.bytes), "Not a valid zip file!");
    EXPECT_EQ(unzip_.ZipName(), "");
  }
  // An all-ones offset without a ZIP64 block is taken as it stands: no local header there.
  Load(missing_extra.Build());
  unzip_.SetDestDir(dir_ / "out");
  try {
    unzip_.Extract();
    ADD_FAILURE() << "extracted";
  } catch (const ArchiveError& error) {
    EXPECT_EQ(std::string(error.what()), "Premature end of file reached");
  }
}

TEST_F(ZipExtensions, NamesAreDecodedByFlagAndUnicodePathField) {
  const std::string oem_name = "caf\x82.txt";  // OEM 437 e-acute
  const std::string utf8_name = "\xE4\xB8\x96\xE7\x95\x8C/\xC3\xBC" "ber.txt";  // 世界/über.txt
  const struct {
    const char* what;
    std::string stored;
    std::uint16_t version_made_by;
    std::uint16_t flags;
    std::string extra;
    const char* path;
    const char* file_name;
  } cases[] = {
      {"OEM 437", oem_name, 20, 0, "", "", "caf\xC3\xA9.txt"},
      {"OEM 437 box drawing", "\xC9\xCD\xBB", 20, 0, "", "", "\xE2\x95\x94\xE2\x95\x90\xE2\x95\x97"},
      {"UTF-8 by flag bit 11", utf8_name, 20, 0x0800, "", "\xE4\xB8\x96\xE7\x95\x8C\\",
       "\xC3\xBC" "ber.txt"},
      {"flag bit 11 on bytes that are no UTF-8", oem_name, 20, 0x0800, "", "", "caf\xC3\xA9.txt"},
      {"Unicode path matching the name's CRC", oem_name, 20, 0,
       Block(0x7075, std::string("\x01", 1) + Le32(NameCrc(oem_name)) + utf8_name),
       "\xE4\xB8\x96\xE7\x95\x8C\\", "\xC3\xBC" "ber.txt"},
      {"Unicode path made for another name", oem_name, 20, 0,
       Block(0x7075, std::string("\x01", 1) + Le32(NameCrc("other")) + utf8_name), "",
       "caf\xC3\xA9.txt"},
      {"Unicode path of an unknown version", oem_name, 20, 0,
       Block(0x7075, std::string("\x02", 1) + Le32(NameCrc(oem_name)) + utf8_name), "",
       "caf\xC3\xA9.txt"},
      {"made on Unix: the system's UTF-8 bytes", utf8_name, 0x031E, 0, "",
       "\xE4\xB8\x96\xE7\x95\x8C\\", "\xC3\xBC" "ber.txt"},
      {"made on Unix, bytes that are no UTF-8", oem_name, 0x031E, 0, "", "", "caf\xC3\xA9.txt"},
      {"made on MS-DOS, UTF-8 bytes without the flag", "caf\xC3\xA9.txt", 20, 0, "", "",
       "caf\xE2\x94\x9C\xE2\x8C\x90.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ZipBuilder zip;
    auto& entry = zip.Stored(c.stored, "x");
    entry.version_made_by = c.version_made_by;
    entry.flags = c.flags;
    entry.extra = c.extra;
    Load(zip.Build());
    ASSERT_EQ(unzip_.EntryCount(), 1);
    EXPECT_EQ(unzip_.EntryPathName(0), c.path);
    EXPECT_EQ(unzip_.EntryFileName(0), c.file_name);
  }
}

// Names in the program's code page reach the disk through the facade's path texts today; names
// beyond it (CJK, box drawing) need path texts in UTF-8.
TEST_F(ZipExtensions, DecodedNamesBecomeFileNames) {
  ZipBuilder zip;
  zip.Stored("caf\x82.txt", "oem");
  zip.Stored("\xC3\x9Cn\xC3\xAF/\xC3\xBC" "ber.txt", "utf8").flags = 0x0800;
  zip.Stored("\xE4\xB8\x96\xE7\x95\x8C/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.TXT", "cjk").flags = 0x0800;
  Load(zip.Build());
  ASSERT_EQ(Extract(), 3);
  EXPECT_EQ(testing::TempDir::Read(dir_ / "out/caf\xC3\xA9.txt"), "oem");
  EXPECT_EQ(testing::TempDir::Read(dir_ / "out/\xC3\x9Cn\xC3\xAF/\xC3\xBC" "ber.txt"), "utf8");
  // 世界/Привет.TXT: letters outside every single-byte code page
  EXPECT_EQ(testing::TempDir::Read(dir_ / "out/\xE4\xB8\x96\xE7\x95\x8C/\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.TXT"), "cjk");
}

TEST_F(ZipExtensions, LeadingDataShiftsEveryOffset) {
  ZipBuilder zip;
  zip.Stored("a.txt", "alpha");
  zip.Deflated("sub/b.txt", std::string(3000, 'b'));
  const std::string stub = "MZ" + std::string(998, '\x90');
  const struct {
    const char* what;
    std::string bytes;
    std::uint64_t leading;
  } cases[] = {
      {"stub before an archive with offsets from its own start", stub + zip.Build(), 1000},
      {"stub before a ZIP64 archive", stub + WithZip64End(zip.Build(), 2), 1000},
      {"offsets adjusted to the stub", [&] {
         ZipBuilder adjusted = zip;
         adjusted.prefix = stub;
         return adjusted.Build();
       }(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Load(c.bytes);
    EXPECT_EQ(unzip_.EndCentralRecord().leading_bytes, c.leading);
    ASSERT_EQ(Extract(), 2);
    EXPECT_EQ(testing::TempDir::Read(dir_ / "out/a.txt"), "alpha");
    EXPECT_EQ(testing::TempDir::Read(dir_ / "out/sub/b.txt"), std::string(3000, 'b'));
    fs::remove_all(dir_ / "out");
  }
}

TEST_F(ZipExtensions, ExtendedTimestampSetsTheModificationTime) {
  const std::time_t dos_time = platform::FromDosDateTime(testzip::kSomeDosTime);
  const struct {
    const char* what;
    std::string extra;
    std::time_t expected;
  } cases[] = {
      {"modification time present", Block(0x5455, std::string("\x03", 1) + Le32(1600000001)),
       1600000001},
      {"before 1970", Block(0x5455, std::string("\x01", 1) + Le32(0xFFFFFF00)), -256},
      {"flag without modification time", Block(0x5455, std::string("\x02", 1) + Le32(5)),
       dos_time},
      {"block too short", Block(0x5455, std::string("\x01\x00", 2)), dos_time},
      {"no block", "", dos_time},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ZipBuilder zip;
    zip.Stored("t.txt", "t").extra = c.extra;
    Load(zip.Build());
    ASSERT_EQ(Extract(), 1);
    struct stat status {};
    ASSERT_EQ(::stat((dir_ / "out/t.txt").c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, c.expected);
  }
}

}  // namespace
}  // namespace vantorel::archive
