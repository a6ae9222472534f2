// Every shrunk, reduced and imploded entry of the fixture archives, decoded straight from its
// compressed bytes, must come out with the size and SHA-256 the manifest gives. The PKZIP
// archives were made by the original DOS programs; the corpus by an independent compressor.

#include <gtest/gtest.h>

#include <string>

#include "archive/explode.h"
#include "archive/unreduce.h"
#include "archive/unshrink.h"
#include "legacy_helpers.h"
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

INSTANTIATE_TEST_SUITE_P(Archives, LegacyFixtures, ::testing::Values("pkzip", "corpus"));

}  // namespace
}  // namespace vantorel::archive
