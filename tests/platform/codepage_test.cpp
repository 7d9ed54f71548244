#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage/CodePage.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

// An output buffer with guard units behind its capacity, to show what a call writes.
template <typename Unit>
struct Guarded {
  static constexpr Unit kGuard = static_cast<Unit>(0x55);
  static constexpr std::size_t kGuards = 8;

  explicit Guarded(int units_wanted)
      : units(static_cast<std::size_t>(units_wanted) + kGuards, kGuard) {
    capacity = units_wanted;
  }
  Unit* data() { return units.data(); }
  bool guards_intact() const {
    for (std::size_t i = static_cast<std::size_t>(capacity); i < units.size(); ++i) {
      if (units[i] != kGuard) {
        return false;
      }
    }
    return true;
  }
  std::basic_string<Unit> written(int count) const {
    return std::basic_string<Unit>(units.data(), static_cast<std::size_t>(count));
  }

  int capacity;
  std::vector<Unit> units;
};

const std::string kZhongWen = "\xD6\xD0\xCE\xC4";  // 中文 in GBK
const std::string kZhongWenUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

TEST(MultiByteToWideChar, MinusOneCountsTheTerminator) {
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", -1, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", 2, nullptr, 0), 2);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "", -1, nullptr, 0), 1);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kZhongWenUtf8.c_str(), -1, nullptr, 0), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, kZhongWen.c_str(), -1, nullptr, 0), 3);
}

TEST(MultiByteToWideChar, ConvertsExactlyTheMeasuredUnits) {
  Guarded<char16_t> out(3);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kZhongWenUtf8.c_str(), -1, out.data(), 3), 3);
  EXPECT_EQ(out.written(3), std::u16string(u"中文\0", 3));
  EXPECT_TRUE(out.guards_intact());

  // Without the terminator in the count none is written.
  Guarded<char16_t> bare(2);
  EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, kZhongWen.data(), 4, bare.data(), 2), 2);
  EXPECT_EQ(bare.written(2), u"中文");
  EXPECT_TRUE(bare.guards_intact());
}

TEST(MultiByteToWideChar, TooSmallAnOutputFailsWithinItsCapacity) {
  for (int capacity = 1; capacity < 3; ++capacity) {
    Guarded<char16_t> out(capacity);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kZhongWenUtf8.c_str(), -1, out.data(), capacity), 0);
    EXPECT_TRUE(out.guards_intact()) << capacity;
  }
}

TEST(MultiByteToWideChar, CodePageZeroIsGbk) {
  std::u16string ansi(3, u'x');
  std::u16string gbk_page(3, u'y');
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kZhongWen.c_str(), -1, ansi.data(), 3), 3);
  EXPECT_EQ(MultiByteToWideChar(CP_GBK, 0, kZhongWen.c_str(), -1, gbk_page.data(), 3), 3);
  EXPECT_EQ(ansi, gbk_page);
  EXPECT_EQ(ansi, std::u16string(u"中文\0", 3));
}

TEST(MultiByteToWideChar, DecodesBig5) {
  const std::string big5_ti = "\xC5\xE9";  // 體
  std::u16string out(2, u'x');
  EXPECT_EQ(MultiByteToWideChar(CP_BIG5, 0, big5_ti.c_str(), -1, out.data(), 2), 2);
  EXPECT_EQ(out, std::u16string(u"體\0", 2));
}

TEST(MultiByteToWideChar, BrokenUtf8BecomesReplacementCharacters) {
  // GBK bytes read as UTF-8: each lead byte without its continuation is one U+FFFD, so
  // the UTF-8 reading needs more units than the ANSI one.
  const int utf8_units = MultiByteToWideChar(CP_UTF8, 0, kZhongWen.c_str(), -1, nullptr, 0);
  EXPECT_EQ(utf8_units, 5);
  EXPECT_LT(MultiByteToWideChar(CP_ACP, 0, kZhongWen.c_str(), -1, nullptr, 0), utf8_units);
  std::u16string out(5, u'x');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kZhongWen.c_str(), -1, out.data(), 5), 5);
  EXPECT_EQ(out, std::u16string(u"\uFFFD\uFFFD\uFFFD\uFFFD\0", 5));
}

TEST(MultiByteToWideChar, RejectsWhatItDoesNotSupport) {
  char16_t out[4];
  EXPECT_EQ(MultiByteToWideChar(1252, 0, "a", -1, out, 4), 0);         // unknown code page
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 8, "a", -1, out, 4), 0);      // flags other than 0
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", 0, out, 4), 0);       // empty source
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, out, 4), 0);  // no source
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", -1, nullptr, 4), 0);  // no output
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a", -1, out, -1), 0);     // negative capacity
}

TEST(WideCharToMultiByte, MeasuresAndConvertsWithMinusOne) {
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"中文", -1, nullptr, 0, nullptr, nullptr), 5);
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"中文", -1, nullptr, 0, nullptr, nullptr), 5);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"中文", -1, nullptr, 0, nullptr, nullptr), 7);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"中文", 2, nullptr, 0, nullptr, nullptr), 4);

  Guarded<char> out(5);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"中文", -1, out.data(), 5, nullptr, nullptr), 5);
  EXPECT_EQ(out.written(5), kZhongWen + '\0');
  EXPECT_TRUE(out.guards_intact());
}

TEST(WideCharToMultiByte, TooSmallAnOutputFailsWithinItsCapacity) {
  for (int capacity = 1; capacity < 5; ++capacity) {
    Guarded<char> out(capacity);
    EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"中文", -1, out.data(), capacity, nullptr, nullptr),
              0);
    EXPECT_TRUE(out.guards_intact()) << capacity;
  }
}

TEST(WideCharToMultiByte, DefaultCharacterAndItsFlag) {
  struct Case {
    const char* name;
    std::u16string text;
    const char* default_char;
    std::string expected;
    bool used;
  } cases[] = {
      {"mapped", u"a中", nullptr, "a\xD6\xD0", false},
      // Best fit as the Windows table has it: the yen sign becomes the full-width one.
      {"best fit", u"\u00A5", nullptr, "\xA3\xA4", false},
      {"code page default", u"a\U0001F600b", nullptr, "a?b", true},
      {"given default", u"a\U0001F600b", "*", "a*b", true},
      {"two-byte default", u"a\U0001F600b", "\xA1\xF6",
       "a\xA1\xF6"
       "b",
       true},
      {"zero byte default", u"a\U0001F600b", "", std::string("a\0b", 3), true},
      {"unpaired surrogate",
       u"a\xD800"
       "b",
       nullptr, "a?b", true},
  };
  for (const Case& c : cases) {
    const auto length = static_cast<int>(c.text.size());
    bool used = !c.used;
    const int size =
        WideCharToMultiByte(CP_GBK, 0, c.text.data(), length, nullptr, 0, c.default_char, &used);
    ASSERT_EQ(size, static_cast<int>(c.expected.size())) << c.name;
    EXPECT_EQ(used, c.used) << c.name;
    std::string out(static_cast<std::size_t>(size), ' ');
    used = !c.used;
    EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, c.text.data(), length, out.data(), size,
                                  c.default_char, &used),
              size)
        << c.name;
    EXPECT_EQ(out, c.expected) << c.name;
    EXPECT_EQ(used, c.used) << c.name;
  }
}

TEST(WideCharToMultiByte, Utf8TakesNoDefaultCharacter) {
  char out[8];
  bool used = false;
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, out, 8, "?", nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"a", -1, out, 8, nullptr, &used), 0);
  // An unpaired surrogate is written as U+FFFD.
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, u"\xDC00", 1, out, 8, nullptr, nullptr), 3);
  EXPECT_EQ(std::string(out, 3), "\xEF\xBF\xBD");
}

TEST(WideCharToMultiByte, RejectsWhatItDoesNotSupport) {
  char out[4];
  EXPECT_EQ(WideCharToMultiByte(437, 0, u"a", -1, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0x400, u"a", -1, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, u"a", 0, out, 4, nullptr, nullptr), 0);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, nullptr, -1, out, 4, nullptr, nullptr), 0);
}

// A text that crosses every path of the conversions: ASCII runs shorter and longer than
// the eight units read at a time, Chinese, a best fit, a character GBK lacks (beyond the
// BMP) and the terminator.
const std::string kMixedUtf8 =
    "<a href=\"http://a.b/x?id=123\">\xE5\xA4\x9C\xE6\x9B\xB2</a>ab\xE4\xB8\xAD"
    "\xF0\x9F\x8E\xB5\xE6\x96\x87 0123456789abcdefg\xE4\xB8\x8B\xE8\xBD\xBD"
    "\xC2\xA5x";
const std::u16string kMixed =
    u"<a href=\"http://a.b/x?id=123\">夜曲</a>ab中\U0001F3B5文 0123456789abcdefg下载\u00A5x";

// Runs one call for every capacity from 1 to a few past what it needs, into a buffer
// filled with `guard`, and checks what each leaves there: the complete result and
// nothing behind it, or (too small) a beginning of the result and nothing behind that.
template <typename Unit, typename Call>
void check_every_capacity(const std::basic_string<Unit>& expected, Unit guard, Call call,
                          const std::string& name) {
  const auto needed = static_cast<int>(expected.size());
  ASSERT_EQ(call(nullptr, 0), needed) << name;
  for (int capacity = 1; capacity <= needed + 4; ++capacity) {
    std::basic_string<Unit> out(static_cast<std::size_t>(capacity) + 8, guard);
    const int result = call(out.data(), capacity);
    if (capacity >= needed) {
      ASSERT_EQ(result, needed) << name << " capacity " << capacity;
    } else {
      ASSERT_EQ(result, 0) << name << " capacity " << capacity;
    }
    const std::size_t written = out.find_first_of(guard);
    ASSERT_EQ(out.substr(0, written), expected.substr(0, written))
        << name << " capacity " << capacity;
    ASSERT_EQ(out.find_first_not_of(guard, written), std::basic_string<Unit>::npos)
        << name << " capacity " << capacity;
    if (result == needed) {
      ASSERT_EQ(written, expected.size()) << name << " capacity " << capacity;
    }
  }
}

TEST(MultiByteToWideChar, EveryCapacityWritesABeginningAndNothingBehind) {
  const std::u16string with_zero = kMixed + u'\0';
  check_every_capacity<char16_t>(
      with_zero, u'\xFFFF',
      [](char16_t* out, int capacity) {
        return MultiByteToWideChar(CP_UTF8, 0, kMixedUtf8.c_str(), -1, out, capacity);
      },
      "length -1");
  check_every_capacity<char16_t>(
      kMixed, u'\xFFFF',
      [](char16_t* out, int capacity) {
        return MultiByteToWideChar(CP_UTF8, 0, kMixedUtf8.data(),
                                   static_cast<int>(kMixedUtf8.size()), out, capacity);
      },
      "counted");
}

TEST(WideCharToMultiByte, EveryCapacityWritesABeginningAndNothingBehind) {
  const std::string before = gbk("<a href=\"http://a.b/x?id=123\">夜曲</a>ab中").str();
  const std::string after = gbk("文 0123456789abcdefg下载￥x").str();
  struct Case {
    const char* name;
    const char* default_char;
    std::string written_for_lacking;
  } cases[] = {{"code page default", nullptr, "?"},
               {"one-byte default", "*", "*"},
               {"two-byte default", "\xA1\xF6", "\xA1\xF6"}};
  for (const Case& c : cases) {
    const std::string expected = before + c.written_for_lacking + after;
    // 0xFF is neither a lead nor a trail byte of GBK, so it cannot be written.
    check_every_capacity<char>(
        expected + '\0', '\xFF',
        [&](char* out, int capacity) {
          bool used = false;
          const int result = WideCharToMultiByte(CP_GBK, 0, kMixed.c_str(), -1, out, capacity,
                                                 c.default_char, &used);
          if (result != 0) {
            EXPECT_TRUE(used) << c.name << " capacity " << capacity;
          }
          return result;
        },
        std::string(c.name) + ", length -1");
    check_every_capacity<char>(
        expected, '\xFF',
        [&](char* out, int capacity) {
          return WideCharToMultiByte(CP_GBK, 0, kMixed.data(), static_cast<int>(kMixed.size()), out,
                                     capacity, c.default_char, nullptr);
        },
        std::string(c.name) + ", counted");
  }
}

// A length -1 stops at the first zero unit; a counted length reads past it.
TEST(WideCharToMultiByte, MinusOneStopsAtTheFirstZeroUnit) {
  const std::u16string text(u"中\0文", 3);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, text.data(), -1, nullptr, 0, nullptr, nullptr), 3);
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, text.data(), 3, nullptr, 0, nullptr, nullptr), 5);
  std::string out(8, '\xFF');
  EXPECT_EQ(WideCharToMultiByte(CP_GBK, 0, text.data(), 3, out.data(), 8, nullptr, nullptr), 5);
  EXPECT_EQ(out, std::string("\xD6\xD0\0\xCE\xC4\xFF\xFF\xFF", 8));
}

TEST(LCMapStringA, SimplifiesCharacterByCharacter) {
  const Text traditional = gbk("體驗資料庫 ok");
  const Text simplified = gbk("体验资料库 ok");
  ASSERT_EQ(traditional.length(), simplified.length());
  const int length = traditional.length();
  EXPECT_EQ(LCMapStringA(LOCALE_CHINESE_PRC, LCMAP_SIMPLIFIED_CHINESE, traditional.c_str(), length,
                         nullptr, 0),
            length);
  Guarded<char> out(length);
  EXPECT_EQ(LCMapStringA(LOCALE_CHINESE_PRC, LCMAP_SIMPLIFIED_CHINESE, traditional.c_str(), length,
                         out.data(), length),
            length);
  EXPECT_EQ(out.written(length), simplified.str());
  EXPECT_TRUE(out.guards_intact());
}

TEST(LCMapStringA, MinusOneCountsTheTerminator) {
  const Text traditional = gbk("體");
  EXPECT_EQ(LCMapStringA(LOCALE_CHINESE_PRC, LCMAP_SIMPLIFIED_CHINESE, traditional.c_str(), -1,
                         nullptr, 0),
            3);
  char out[3] = {'x', 'x', 'x'};
  EXPECT_EQ(
      LCMapStringA(LOCALE_CHINESE_PRC, LCMAP_SIMPLIFIED_CHINESE, traditional.c_str(), -1, out, 3),
      3);
  EXPECT_EQ(std::string(out, 3), gbk("体").str() + '\0');
}

TEST(LCMapStringA, TooSmallAnOutputFailsWithinItsCapacity) {
  const Text traditional = gbk("體驗");
  Guarded<char> out(3);
  EXPECT_EQ(LCMapStringA(LOCALE_CHINESE_PRC, LCMAP_SIMPLIFIED_CHINESE, traditional.c_str(), 4,
                         out.data(), 3),
            0);
  EXPECT_TRUE(out.guards_intact());
}

TEST(LCMapStringA, RejectsWhatItDoesNotSupport) {
  char out[4];
  EXPECT_EQ(LCMapStringA(1028, LCMAP_SIMPLIFIED_CHINESE, "a", 1, out, 4), 0);  // unknown locale
  EXPECT_EQ(LCMapStringA(LOCALE_CHINESE_PRC, 0x100, "a", 1, out, 4), 0);       // other mapping
  EXPECT_EQ(LCMapStringA(LOCALE_CHINESE_PRC, LCMAP_SIMPLIFIED_CHINESE, "a", 0, out, 4), 0);
}

}  // namespace
}  // namespace sonivo
