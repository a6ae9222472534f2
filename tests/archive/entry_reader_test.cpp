// ZipEntryReader: every entry of the fixture archives into memory, by every method, and the
// entries it refuses.
#include "archive/entry_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "archive/archive_errors.h"
#include "legacy_helpers.h"
#include "temp_dir.h"

namespace vantorel::archive {
namespace {

using Outcome = ZipEntryReader::Outcome;

class EntryReaderFixtures : public ::testing::TestWithParam<const char*> {};

TEST_P(EntryReaderFixtures, EveryFileEntryReadsToTheManifestContent) {
  const auto fixtures = testing::FixturesDir();
  if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder not found";
  const auto folder = fixtures / "zip" / GetParam();
  const auto manifest = legacy::ReadManifest(folder / "manifest.json");
  ASSERT_FALSE(manifest.empty());
  for (const auto& [archive, expected_entries] : manifest) {
    ZipEntryReader reader((folder / archive).string());
    ASSERT_EQ(reader.EntryCount(), static_cast<int>(expected_entries.size())) << archive;
    for (int i = 0; i < reader.EntryCount(); ++i) {
      const legacy::ManifestEntry& expected = expected_entries[static_cast<std::size_t>(i)];
      SCOPED_TRACE(archive + " " + expected.name);
      ZipEntryReader::Entry entry = reader.Read(i, 1 << 30);
      if (expected.dir) {
        EXPECT_EQ(entry.outcome, Outcome::Directory);
        continue;
      }
      ASSERT_EQ(entry.outcome, Outcome::Read);
      EXPECT_EQ(entry.bytes.size(), expected.size);
      EXPECT_EQ(legacy::Sha256Hex(entry.bytes), expected.sha256);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, EntryReaderFixtures, ::testing::Values("pkzip", "corpus"));

// A stored archive of one entry, written byte by byte: local header, data, central record, end.
std::string StoredZip(const std::string& name, const std::string& data, std::uint32_t crc,
                      std::uint16_t flags = 0) {
  const auto u16 = [](std::uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; };
  const auto u32 = [&](std::uint32_t v) { return u16(v & 0xFFFF) + u16(v >> 16); };
  const auto size = static_cast<std::uint32_t>(data.size());
  const auto name_length = static_cast<std::uint16_t>(name.size());
  std::string zip = "PK\3\4" + u16(10) + u16(flags) + u16(0) + u32(0) + u32(crc) + u32(size) +
                    u32(size) + u16(name_length) + u16(0) + name + data;
  const auto central = static_cast<std::uint32_t>(zip.size());
  zip += "PK\1\2" + u16(10) + u16(10) + u16(flags) + u16(0) + u32(0) + u32(crc) + u32(size) +
         u32(size) + u16(name_length) + u16(0) + u16(0) + u16(0) + u16(0) + u32(0) + u32(0) +
         name;
  const auto central_size = static_cast<std::uint32_t>(zip.size()) - central;
  zip += "PK\5\6" + u16(0) + u16(0) + u16(1) + u16(1) + u32(central_size) + u32(central) + u16(0);
  return zip;
}

constexpr std::uint32_t kHelloCrc = 0x3610A686;  // CRC-32 of "hello"

TEST(EntryReader, RefusesWhatItCannotReadWhole) {
  testing::TempDir dir;
  struct Case {
    const char* what;
    std::string zip;
    std::uint64_t limit;
    Outcome outcome;
  } cases[] = {
      {"a sound entry", StoredZip("A.TXT", "hello", kHelloCrc), 100, Outcome::Read},
      {"a wrong CRC", StoredZip("A.TXT", "hello", kHelloCrc ^ 1), 100, Outcome::Damaged},
      {"above the limit", StoredZip("A.TXT", "hello", kHelloCrc), 4, Outcome::TooLarge},
      {"encrypted", StoredZip("A.TXT", "hello", kHelloCrc, 1), 100, Outcome::Encrypted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto path = dir.Write("case.zip", c.zip);
    ZipEntryReader reader(path.string());
    ASSERT_EQ(reader.EntryCount(), 1);
    EXPECT_EQ(reader.EntryName(0), "A.TXT");
    const ZipEntryReader::Entry entry = reader.Read(0, c.limit);
    EXPECT_EQ(entry.outcome, c.outcome);
    if (c.outcome == Outcome::Read) {
      EXPECT_EQ(entry.bytes, "hello");
    }
  }
}

TEST(EntryReader, ArchivesItCannotOpenThrowTheReadersErrors) {
  testing::TempDir dir;
  EXPECT_THROW(ZipEntryReader((dir.path() / "missing.zip").string()), EFOpenError);
  EXPECT_THROW(ZipEntryReader(dir.Write("text.zip", "not an archive at all, not at all").string()),
               ENotAZipFile);
}

}  // namespace
}  // namespace vantorel::archive
