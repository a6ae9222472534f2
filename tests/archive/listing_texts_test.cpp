#include "archive/listing_texts.h"

#include <gtest/gtest.h>

namespace vantorel::archive {
namespace {

TEST(ListingTexts, TotalsInKbWithGroupedThousands) {
  EXPECT_EQ(TotalSizeText(1234 * 1024 + 1023, 5678 * 1024),
            "Total: 1,234 Kb (compressed); 5,678 Kb (uncompressed)");
  EXPECT_EQ(TotalSizeText(1023, 0), "Total: 0 Kb (compressed); 0 Kb (uncompressed)");
  const struct {
    std::int64_t value;
    const char* text;
  } cases[] = {{0, "0"}, {999, "999"}, {1000, "1,000"}, {123456, "123,456"},
               {1234567, "1,234,567"}, {-1234, "-1,234"}, {-999, "-999"}};
  for (const auto& c : cases) EXPECT_EQ(GroupThousands(c.value), c.text);
  EXPECT_EQ(ArchiveContainsText(3), "Archive contains 3 files");
}

TEST(ListingTexts, ThousandsGroupInThreesWithAnySeparator) {
  const struct {
    std::int64_t value;
    const char* separator;
    const char* text;
  } cases[] = {{1234, ".", "1.234"}, {999, ".", "999"}, {1234567, "\xA0", "1\xA0" "234\xA0" "567"},
               {1234567, "\xE2\x80\xAF", "1\xE2\x80\xAF" "234\xE2\x80\xAF" "567"},
               {-1234, "'", "-1'234"}};
  for (const auto& c : cases) EXPECT_EQ(GroupThousands(c.value, c.separator), c.text);
  EXPECT_EQ(TotalSizeText(1234 * 1024, 5678 * 1024, "."),
            "Total: 1.234 Kb (compressed); 5.678 Kb (uncompressed)");
}

}  // namespace
}  // namespace vantorel::archive
