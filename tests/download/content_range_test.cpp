#include <gtest/gtest.h>

#include "download/ContentRange.h"

namespace sonivo {
namespace {

TEST(ContentRangeTest, ReadsStartEndAndTotal) {
  struct Case {
    const char* value;
    int64_t start, end, total;
    bool has_range;
  };
  const Case cases[] = {
      {"bytes 0-20479/3145728", 0, 20479, 3145728, true},
      {"bytes 20480-40959/3145728", 20480, 40959, 3145728, true},
      {"bytes */3145728", 0, 0, 3145728, false},  // the form of a 416
      {"bytes 0-99/*", 0, 99, 0, true},           // unknown total
      {"bytes 2147473648-2147494127/2147513648", 2147473648, 2147494127, 2147513648, true},
      {"bytes  7-9/10", 7, 9, 10, true},  // the number skips leading blanks
      {"garbage", 0, 0, 0, false},
      {"", 0, 0, 0, false},
  };
  for (const auto& c : cases) {
    const ContentRange range = parse_content_range(Text(c.value));
    EXPECT_EQ(range.start, c.start) << c.value;
    EXPECT_EQ(range.end, c.end) << c.value;
    EXPECT_EQ(range.total, c.total) << c.value;
    EXPECT_EQ(range.has_range, c.has_range) << c.value;
  }
}

}  // namespace
}  // namespace sonivo
