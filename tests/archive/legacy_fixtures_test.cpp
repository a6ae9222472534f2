// Every shrunk, reduced and imploded entry of the fixture archives, decoded straight from its
// compressed bytes, must come out with the size and SHA-256 the manifest gives. The PKZIP
// archives were made by the original DOS programs; the corpus by an independent compressor.

#include <gtest/gtest.h>

#include <string>

#include "archive/explode.h"
#include "archive/kv_unzip.h"
#include "archive/unreduce.h"
#include "archive/unshrink.h"
#include "legacy_helpers.h"
#include "scripted_ui.h"
#include "temp_dir.h"

namespace vantorel::archive {
namespace {

using legacy::ManifestEntry;
using legacy::MemoryInput;
using legacy::StringOutput;

bool IsLegacyMethod(int method) { return method >= 1 && method <= 6; }

DecodeResult DecodeLegacy(const legacy::ZipEntryBytes& entry, StringOutput& output) {
  MemoryInput input(entry.compressed);
  const DecodeParams params{entry.flags, entry.compressed.size(), entry.uncompressed_size};
  switch (entry.method) {
    case 1: return Unshrink(input, output, params);
    case 2: case 3: case 4: case 5: return Unreduce(input, output, params, entry.method - 1);
    default: return Explode(input, output, params);
  }
}

class LegacyFixtures : public ::testing::TestWithParam<const char*> {};

TEST_P(LegacyFixtures, EveryLegacyEntryDecodesToTheManifestContent) {
  const auto fixtures = testing::FixturesDir();
  if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder not found";
  const auto folder = fixtures / "zip" / GetParam();
  const auto manifest = legacy::ReadManifest(folder / "manifest.json");
  ASSERT_FALSE(manifest.empty());
  int decoded = 0;
  for (const auto& [archive, expected_entries] : manifest) {
    const auto entries = legacy::ReadZipEntries(folder / archive);
    ASSERT_EQ(entries.size(), expected_entries.size()) << archive;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const ManifestEntry& expected = expected_entries[i];
      const auto& entry = entries[i];
      ASSERT_EQ(entry.name, expected.name) << archive;
      ASSERT_EQ(entry.method, expected.method) << archive << " " << entry.name;
      if (!IsLegacyMethod(entry.method)) continue;
      SCOPED_TRACE(archive + " " + entry.name + " method " + std::to_string(entry.method) +
                   " flags " + std::to_string(entry.flags));
      StringOutput output;
      EXPECT_EQ(DecodeLegacy(entry, output), DecodeResult::Complete);
      EXPECT_EQ(output.bytes.size(), expected.size);
      EXPECT_EQ(legacy::Sha256Hex(output.bytes), expected.sha256);
      ++decoded;
    }
  }
  EXPECT_GT(decoded, 0);
}

// Damaged copies of every legacy entry (bytes flipped, data cut short): the decoder ends with
// Complete or InvalidData, never writes past the uncompressed size, and (under the sanitizers)
// never reads or writes out of bounds.
TEST_P(LegacyFixtures, DamagedStreamsStopQuietlyWithinTheirBounds) {
  const auto fixtures = testing::FixturesDir();
  if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder not found";
  const auto folder = fixtures / "zip" / GetParam();
  std::uint32_t seed = 2024;
  auto random = [&seed] {
    seed = seed * 1664525 + 1013904223;
    return seed >> 8;
  };
  for (const auto& [archive, expected_entries] : legacy::ReadManifest(folder / "manifest.json")) {
    for (legacy::ZipEntryBytes entry : legacy::ReadZipEntries(folder / archive)) {
      if (!IsLegacyMethod(entry.method) || entry.compressed.empty() || entry.uncompressed_size > 200000) {
        continue;
      }
      SCOPED_TRACE(archive + " " + entry.name);
      const std::string original = entry.compressed;
      for (int round = 0; round < 12; ++round) {
        entry.compressed = original;
        if (round % 3 == 2) {
          entry.compressed.resize(random() % original.size());
        } else {
          for (int flips = 1 + round % 4; flips > 0; --flips) {
            entry.compressed[random() % entry.compressed.size()] ^= static_cast<char>(1 + random() % 255);
          }
        }
        StringOutput output;
        const DecodeResult result = DecodeLegacy(entry, output);
        EXPECT_TRUE(result == DecodeResult::Complete || result == DecodeResult::InvalidData);
        EXPECT_LE(output.bytes.size(), entry.uncompressed_size);
      }
    }
  }
}

// The whole extraction, as the extraction dialog runs it: every file entry of every archive is
// written with the manifest's content and counted; no box appears and no CRC check fails.
TEST_P(LegacyFixtures, ExtractWritesAndCountsEveryFileEntry) {
  const auto fixtures = testing::FixturesDir();
  if (fixtures.empty()) GTEST_SKIP() << "shared fixtures folder not found";
  const auto folder = fixtures / "zip" / GetParam();
  const auto manifest = legacy::ReadManifest(folder / "manifest.json");
  for (const auto& [archive, expected_entries] : manifest) {
    SCOPED_TRACE(archive);
    testing::ScriptedUi ui;
    testing::TempDir dest;
    KvUnZip unzip;
    unzip.SetDoAll(true);
    unzip.SetRecreateDirs(true);
    unzip.SetRetainAttributes(true);
    unzip.SetReplaceReadOnly(true);
    unzip.SetDestDir(dest.path().string());
    std::vector<int> bad_crc;
    unzip.OnBadCRC = [&](std::uint32_t, std::uint32_t, int index) { bad_crc.push_back(index); };
    unzip.SetZipName((folder / archive).string());
    int files = 0;
    for (const ManifestEntry& entry : expected_entries) files += entry.dir ? 0 : 1;

    EXPECT_EQ(unzip.Extract(), files);
    EXPECT_TRUE(bad_crc.empty());
    EXPECT_TRUE(ui.boxes.empty());
    for (const ManifestEntry& expected : expected_entries) {
      const auto target = dest.path() / expected.name;
      if (expected.dir) {
        EXPECT_TRUE(std::filesystem::is_directory(target)) << expected.name;
        continue;
      }
      const std::string content = testing::TempDir::Read(target);
      EXPECT_EQ(content.size(), expected.size) << expected.name;
      EXPECT_EQ(legacy::Sha256Hex(content), expected.sha256) << expected.name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Archives, LegacyFixtures, ::testing::Values("pkzip", "corpus"));

}  // namespace
}  // namespace vantorel::archive
