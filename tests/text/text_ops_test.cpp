#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "text/Gbk.h"
#include "text/Numbers.h"
#include "text/TextOps.h"

namespace sonivo {
namespace {

// "中文" in GBK: D6 D0 CE C4. A byte search for D0 CE would match across the two
// characters; a boundary-aware one must not.
const char* const kChinese = "\xD6\xD0\xCE\xC4";

struct FindCase {
  const char* text;
  const char* pattern;
  int start;
  Case mode;
  int expected;
};

TEST(TextFind, Table) {
  const FindCase cases[] = {
      {"abcabc", "c", 1, Case::Exact, 3},
      {"abcabc", "c", 4, Case::Exact, 6},
      {"abcabc", "c", 0, Case::Exact, 3},
      {"abcabc", "c", -5, Case::Exact, 3},
      {"abcabc", "c", 7, Case::Exact, -1},  // one beyond the end
      {"abcabc", "x", 1, Case::Exact, -1},
      {"abcabc", "B", 1, Case::Exact, -1},
      {"abcabc", "B", 1, Case::IgnoreAscii, 2},
      {"ABC", "abc", 1, Case::IgnoreAscii, 1},
      {"abc", "", 1, Case::Exact, 1},
      {"", "", 1, Case::Exact, -1},
      {"", "a", 1, Case::Exact, -1},
      {kChinese, "\xD0\xCE", 1, Case::Exact, -1},  // across a character boundary
      {kChinese, "\xCE\xC4", 1, Case::Exact, 3},
      {"\xD6\xD0"
       "abc",
       "b", 1, Case::Exact, 4},
      // A lead byte is stepped over with its trail byte even when the trail looks ASCII.
      {"\xB0\x41"
       "A",
       "A", 1, Case::Exact, 3},
      // Trail bytes never fold: B0 61 is not B0 41.
      {"\xB0\x61", "\xB0\x41", 1, Case::IgnoreAscii, -1},
  };
  for (const FindCase& c : cases) {
    EXPECT_EQ(find(Text(c.text), Text(c.pattern), c.start, c.mode), c.expected)
        << "text=" << c.text << " pattern=" << c.pattern << " start=" << c.start;
  }
}

TEST(TextFind, LastOccurrence) {
  EXPECT_EQ(find_last(Text("bytes 0-20479/3145728"), Text("/")), 14);
  EXPECT_EQ(find_last(Text("a-b-c"), Text("-")), 4);
  EXPECT_EQ(find_last(Text("abc"), Text("-")), -1);
  EXPECT_EQ(find_last(Text(kChinese), Text("\xD0\xCE")), -1);
}

struct SliceCase {
  const char* name;
  Text result;
  const char* expected;
};

TEST(TextSlices, Table) {
  const Text t("abcdef");
  const SliceCase cases[] = {
      {"left 2", left(t, 2), "ab"},
      {"left 0", left(t, 0), ""},
      {"left -1", left(t, -1), ""},
      {"left 99", left(t, 99), "abcdef"},
      {"right 2", right(t, 2), "ef"},
      {"right 0", right(t, 0), ""},
      {"right 99", right(t, 99), "abcdef"},
      {"mid 2,3", mid(t, 2, 3), "bcd"},
      {"mid 5,9", mid(t, 5, 9), "ef"},
      {"mid 0,2", mid(t, 0, 2), ""},
      {"mid 7,1", mid(t, 7, 1), ""},
      {"mid 2,0", mid(t, 2, 0), ""},
      {"mid from 3", mid(t, 3), "cdef"},
      {"trim ascii", trim(Text("  a b  ")), "a b"},
      {"trim full-width", trim(Text("\xA1\xA1 x\xA1\xA1")), "x"},
      {"trim keeps tabs", trim(Text("\tx\r\n")), "\tx\r\n"},
      {"trim all spaces", trim(Text(" \xA1\xA1 ")), ""},
      // B0 A1 is one character; its trail byte A1 and the next A1 are no space.
      {"trim trail byte", trim(Text("\xB0\xA1\xA1")), "\xB0\xA1\xA1"},
      {"upper", to_upper(Text("aZ1\xD6\xD0")), "AZ1\xD6\xD0"},
      {"lower", to_lower(Text("HTTP://A.B")), "http://a.b"},
      {"lower skips trail bytes", to_lower(Text("\xB0\x41Q")), "\xB0\x41q"},
      {"delete all", delete_all(Text("https://a/https://b"), Text("https://")), "a/b"},
      {"delete exact case", delete_all(Text("HTTP://a"), Text("http://")), "HTTP://a"},
      {"delete across boundary", delete_all(Text(kChinese), Text("\xD0\xCE")), kChinese},
      {"replace", replace_all(Text("a#b#"), Text("#"), Text("\"")), "a\"b\""},
  };
  for (const SliceCase& c : cases) {
    EXPECT_EQ(c.result.str(), c.expected) << c.name;
  }
}

TEST(TextNumbers, Table) {
  struct Case {
    const char* text;
    double expected;
  } cases[] = {
      {"8080", 8080},
      {"8080abc", 8080},
      {"", 0},
      {"abc", 0},
      {"  \t\r\n 42", 42},
      {"-7.9", -7.9},
      {"+3", 3},
      {"1e3x", 1000},
      {"1e", 1},
      {".5", 0.5},
      {"5.", 5},
      {".", 0},
      {"-", 0},
      {"0x10", 0},
      {"inf", 0},
      {"\xA3\xB1\xA3\xB2", 12},          // full-width digits
      {"\xA1\xA1\xA3\xAD\xA3\xB3", -3},  // full-width space and minus
      {"12\xD6\xD0", 12},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(read_number(Text(c.text)), c.expected) << c.text;
  }
  EXPECT_EQ(read_integer(Text("-7.9")), -7);
  EXPECT_EQ(read_integer(Text("7.9")), 7);
  EXPECT_EQ(read_integer(Text("1e999")), 0);  // infinite converts to 0
}

TEST(TextNumbers, BeyondTheDoubleRange) {
  struct Case {
    std::string text;
    double expected;
  } cases[] = {
      {"1e999", HUGE_VAL},
      {"-1e999", -HUGE_VAL},
      {"1e-400", 0},
      {"-1e-400", 0},
      {"0.5e-330", 0},
      {"0." + std::string(400, '0') + "1", 0},
      {"1" + std::string(400, '0'), HUGE_VAL},
      {std::string(400, '0') + "1e-400", 0},
      {"1e+99999999999999999999", HUGE_VAL},
      {"1e-99999999999999999999", 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read_number(Text(c.text)), c.expected) << c.text;
  }
}

TEST(Numbers, TruncationAndDivision) {
  EXPECT_EQ(to_int32(2.99), 2);
  EXPECT_EQ(to_int32(-2.99), -2);
  EXPECT_EQ(to_int32(std::numeric_limits<double>::infinity()), 0);
  EXPECT_EQ(to_int32(std::nan("")), 0);
  EXPECT_EQ(to_int32(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(to_int32(-1e12), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(divide(1, 0), 0.0);
  EXPECT_EQ(divide(0, 0), 0.0);
  EXPECT_DOUBLE_EQ(divide(50, 100), 0.5);
}

TEST(TextBytes, ZeroByteEndsText) {
  const Bytes with_zero(std::string("ab\0cd", 5));
  EXPECT_EQ(Text::from_bytes(with_zero).str(), "ab");
  EXPECT_EQ(Text::from_bytes(Bytes()).str(), "");
  EXPECT_EQ(Text("xyz").to_bytes().size(), 3u);
  EXPECT_EQ(Text(std::string_view("a\0b", 3)).str(), "a");
  EXPECT_TRUE(Text(static_cast<const char*>(nullptr)).empty());
  EXPECT_EQ(Text("a"), Text("a"));
  EXPECT_FALSE(Text("a") == Text("A"));
}

TEST(Gbk, LiteralsAndEdges) {
  EXPECT_EQ(gbk("中文").str(), kChinese);
  EXPECT_EQ(gbk("下载完毕").size(), 8u);
  EXPECT_EQ(utf8_of(Text(kChinese)), "中文");
  EXPECT_EQ(utf16_of(Text(kChinese)), u"中文");
  EXPECT_EQ(gbk_of_utf16(u"a中"), Text("a\xD6\xD0"));
  EXPECT_EQ(gbk("😀").str(), "?");  // outside GBK
  EXPECT_TRUE(gbk("").empty());
}

}  // namespace
}  // namespace sonivo
