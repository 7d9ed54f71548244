#include <gtest/gtest.h>

#include <random>
#include <string>

#include "IcuReference.h"
#include "encoding/Encoding.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using testing::big5;
using testing::icu_convert;

TEST(Utf8ToGbk, AsciiIsUnchanged) {
  const Text ascii("<title>Sonivo 42: a-b_c?d=e&f</title>\r\n\t~");
  EXPECT_EQ(utf8_to_gbk(ascii), ascii);
}

TEST(Utf8ToGbk, ChineseGivesItsGbkBytesExactly) {
  EXPECT_EQ(utf8_to_gbk(Text("\xE4\xB8\xAD\xE6\x96\x87")).str(), "\xD6\xD0\xCE\xC4");  // 中文
  const std::string page = "<h1>夜曲 - 周杰伦</h1><span>时长：04:26</span>下载完毕！";
  const Text converted = utf8_to_gbk(Text(page));
  EXPECT_EQ(converted, gbk(page));
  EXPECT_EQ(converted.str().substr(converted.size() - 2),
            "\xA3\xA1");  // the last character, no spaces
}

TEST(Utf8ToGbk, CharacterOutsideGbkIsReplacedNotCut) {
  EXPECT_EQ(utf8_to_gbk(Text("中\U0001F3B5文")), gbk("中") + Text("?") + gbk("文"));
  // Best fit where the table has one: the yen sign becomes the full-width yen sign.
  EXPECT_EQ(utf8_to_gbk(Text("价格\u00A5")), gbk("价格￥"));
}

TEST(Utf8ToGbk, EmptyGivesEmpty) {
  EXPECT_EQ(utf8_to_gbk(Text()), Text());
}

// A page served in GBK is not UTF-8. Each sequence the UTF-8 reading cannot decode comes
// out as one "?", everything else unchanged, and nothing is cut off at the end.
TEST(Utf8ToGbk, GbkPageGivesQuestionMarksForUndecodableBytes) {
  const Text page = gbk("<p>中文</p>");
  EXPECT_EQ(utf8_to_gbk(page), Text("<p>"
                                    "????"
                                    "</p>"));

  const Text long_page = gbk(std::string(2000, 'x') + "夜曲周杰伦时长" + "<end>");
  const Text converted = utf8_to_gbk(long_page);
  EXPECT_EQ(converted.str(), icu_convert(long_page.str(), "UTF-8", "windows-936-2000"));
  EXPECT_EQ(converted.str().substr(converted.size() - 5), "<end>");
}

TEST(MultiByteToUtf16, HoldsLittleEndianUnitsAndTheirTerminator) {
  EXPECT_EQ(multibyte_to_utf16(Text("ab")), Bytes(std::string("a\0b\0\0\0", 6)));
  EXPECT_EQ(multibyte_to_utf16(Text("\xD6\xD0"), CP_GBK),
            Bytes(std::string("\x2D\x4E\0\0", 4)));  // U+4E2D
  EXPECT_EQ(multibyte_to_utf16(Text()), Bytes(std::string("\0\0", 2)));
}

TEST(Utf16ToMultibyte, DefaultsToTheAnsiCodePage) {
  EXPECT_EQ(utf16_to_multibyte(Bytes(std::string("\x2D\x4E\0\0", 4))).str(), "\xD6\xD0");
}

// Measured in UTF-8 itself: a character GBK lacks takes four bytes there but one "?" in
// the ANSI code page, whose doubled measure would be too small.
TEST(Utf16ToMultibyte, Utf8TargetIsComplete) {
  const std::string text = "\U0001F3B5\U0001F3B5中";
  EXPECT_EQ(utf16_to_multibyte(multibyte_to_utf16(Text(text)), CP_UTF8).str(), text);
}

TEST(Utf16ToMultibyte, BytesWithoutTerminatorAreReadWithinBounds) {
  EXPECT_EQ(utf16_to_multibyte(Bytes(std::string("a\0b\0", 4))), Text("ab"));
  EXPECT_EQ(utf16_to_multibyte(Bytes(std::string("a\0b", 3))), Text("a"));
  EXPECT_EQ(utf16_to_multibyte(Bytes()), Text());
}

TEST(Big5ToGbk, TraditionalBecomesSimplifiedWithTheSameLength) {
  const Text traditional(big5("資料庫：體驗 Sonivo 點擊"));
  const Text converted = big5_to_gbk(traditional);
  EXPECT_EQ(converted, gbk("资料库：体验 Sonivo 点击"));
  EXPECT_EQ(converted.length(), traditional.length());
}

TEST(Big5ToGbk, StopsBeforeACharacterGbkLacks) {
  // The Big5 hyphenation point (A1 45, U+2027) has no GBK form.
  const Text text(big5("資料") + "\xA1\x45" + big5("庫"));
  EXPECT_EQ(big5_to_gbk(text), gbk("资料"));
  EXPECT_EQ(big5_text_to_gbk(text), gbk("資料"));
}

TEST(Big5ToGbk, EmptyGivesEmpty) {
  EXPECT_EQ(big5_to_gbk(Text()), Text());
  EXPECT_EQ(big5_text_to_gbk(Text()), Text());
}

TEST(Big5TextToGbk, KeepsTheCharacters) {
  EXPECT_EQ(big5_text_to_gbk(Text(big5("體驗 ok"))), gbk("體驗 ok"));
}

TEST(SimplifyChinese, MapsTraditionalAndKeepsTheRest) {
  EXPECT_EQ(simplify_chinese(gbk("這個聲音很動聽")), gbk("这个声音很动听"));
  EXPECT_EQ(simplify_chinese(gbk("简体 ascii 123")), gbk("简体 ascii 123"));
  EXPECT_EQ(simplify_chinese(Text()), Text());
}

// Bytes of every kind through every conversion: no read or write out of bounds (the
// sanitizer build checks that), and the UTF-8 path agrees with ICU's own conversion.
TEST(Conversions, RandomBytesStayInBounds) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(1, 255);
  std::uniform_int_distribution<int> length(0, 64);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(static_cast<std::size_t>(length(random)), ' ');
    for (char& b : bytes) {
      b = static_cast<char>(byte(random));
    }
    const Text text(bytes);
    const Text converted = utf8_to_gbk(text);
    ASSERT_EQ(converted.str(), icu_convert(bytes, "UTF-8", "windows-936-2000")) << round;
    ASSERT_LE(converted.size(), 2 * bytes.size());
    const Text from_big5 = big5_to_gbk(text);
    ASSERT_LE(from_big5.size(), 2 * bytes.size());
    simplify_chinese(text);
    utf16_to_multibyte(multibyte_to_utf16(text, CP_GBK), CP_UTF8);
    utf16_to_multibyte(Bytes(bytes), CP_GBK);
  }
}

}  // namespace
}  // namespace sonivo
