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

}  // namespace
}  // namespace vantorel::archive
