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

  explicit Guarded(int capacity) : units(static_cast<std::size_t>(capacity) + kGuards, kGuard) {
    this->capacity = capacity;
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
