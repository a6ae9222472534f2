#include "archive/extraction_request.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/ui.h"
#include "platform/file_system.h"
#include "scripted_ui.h"
#include "temp_dir.h"
#include "zip_builder_helpers.h"

namespace vantorel::archive {
namespace {

using testing::ScriptedUi;
using testing::TempDir;
using testzip::Entry;
using testzip::ZipBuilder;

TEST(ExtractionRequestTest, AnArchiveAndADestinationAreNeeded) {
  EXPECT_EQ(ExtractionRequestError("", ""), kNothingToUnzip);
  EXPECT_EQ(ExtractionRequestError("", "/out"), kNothingToUnzip);
  EXPECT_EQ(ExtractionRequestError("/a.zip", ""), kNoDestination);
  EXPECT_EQ(ExtractionRequestError("/a.zip", "/out"), std::nullopt);
}

// The dialog's run writes every entry with its folders; the summary names the destination as
// shown and, in a warning, the entries that could not be written with their reasons.
TEST(ExtractionRequestTest, TheSummaryNamesWhatWasNotUnzipped) {
  TempDir dir;
  ScriptedUi ui;
  ZipBuilder zip;
  zip.Stored("sub/one.txt", "one");
  zip.Encrypted("two.txt", "two", "secret");
  Entry& odd = zip.Raw("three.txt");
  odd.method = 98;
  odd.data = "xyz";
  odd.compressed_size = odd.uncompressed_size = 3;
  const std::string archive = platform::PathText(dir.Write("A.ZIP", zip.Build()));
  const std::string out = platform::PathText(dir.path() / "out");

  ui.AnswerPasswordRequest(std::nullopt)
      .Expect(core::BoxKind::Error, "Unknown Compression Method 98 (PPMd) in three.txt");
  KvUnZip unzip;
  unzip.SetZipName(archive);
  unzip.LoadDirectory();
  PrepareDialogExtraction(unzip, out);
  const int count = unzip.Extract();
  EXPECT_EQ(TempDir::Read(out + "/sub/one.txt"), "one");
  const ExtractionSummary summary = SummaryOfExtraction(unzip, count);
  EXPECT_TRUE(summary.warning);
  EXPECT_EQ(summary.text, "1 files unzipped to\r" + platform::ShownPath(out) +
                              "\r\rNot unzipped:\rtwo.txt (encrypted, no password given)"
                              "\rthree.txt (unknown compression method 98)");
}

}  // namespace
}  // namespace vantorel::archive
