// KvDbf over tables whose descriptors are damaged: the fields read tolerantly, never outside the
// record (run these under the sanitizers too).
#include "kv_dbf_test_helpers.h"

namespace vantorel::testing {
namespace {

constexpr char kEmptyDateText[] = "  /  /    ";

// A D field narrower than the 8 characters of a date holds the empty date, for FieldAsString
// and for Locate's scan alike. The fixture is a fuzzer's find: its D field is 0 bytes wide and
// sits at the very end of the record.
TEST_F(KvDbfTest, ADateFieldNarrowerThanADateReadsAsTheEmptyDate) {
  TableBytes four_wide;
  four_wide.fields = {{"ID", 'N', 2}, {"DAT", 'D', 4}};
  four_wide.records = {Rec({" 1", "2024"}), Rec({" 2", "    "})};
  dir_.Write("zero.dbf", TempDir::Read(VANTOREL_SOURCE_DIR "/tests/tables/fixtures/date_field_zero_wide.dbf"));
  dir_.Write("four.dbf", four_wide.Bytes());

  for (const char* name : {"zero.dbf", "four.dbf"}) {
    SCOPED_TRACE(name);
    tables::KvDbf dbf("T");
    dbf.SetRaiseEngineErrors(true);
    dbf.SetReadOnly(true);
    dbf.SetCreateIfNotFound(false);
    dbf.SetDbfFileName(dir_ / name);
    dbf.SetActive(true);
    ASSERT_FALSE(dbf.Eof());
    EXPECT_EQ(dbf.FieldAsString("DAT"), kEmptyDateText);
    EXPECT_TRUE(dbf.Locate("DAT", kEmptyDateText));
    EXPECT_EQ(dbf.RecNo(), 1);
  }
}

}  // namespace
}  // namespace vantorel::testing
