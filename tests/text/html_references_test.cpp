#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/CaseNames.h"
#include "text/Gbk.h"
#include "text/HtmlReferences.h"

namespace sonivo {
namespace {

struct ReferenceCase {
  std::string what;
  Text written;
  Text decoded;
};

// A failure names the case by what it is about, not by its bytes.
void PrintTo(const ReferenceCase& c, std::ostream* out) {
  *out << c.what;
}

std::vector<ReferenceCase> reference_cases() {
  return {
      {"an audio address from an attribute", Text("http://a.b/s.mp3?sig=ab12&amp;t=9"),
       Text("http://a.b/s.mp3?sig=ab12&t=9")},
      {"the named ones", Text("&amp;&lt;&gt;&quot;&apos;"), Text("&<>\"'")},
      {"decimal", Text("&#39;&#38;&#65;"), Text("'&A")},
      {"hexadecimal, either case", Text("&#x41;&#X42;&#x6a;"), Text("ABj")},
      {"leading zeros", Text("&#x0026;&#00039;"), Text("&'")},
      {"a Chinese character", Text("&#x6B4C;&#27468;"), gbk("歌歌")},
      {"decoded once, not twice", Text("&amp;amp;"), Text("&amp;")},
      {"plain ampersands stay", Text("a&b & c&"), Text("a&b & c&")},
      {"no semicolon", Text("&amp t=1&#39"), Text("&amp t=1&#39")},
      {"unknown name", Text("&copy;&AMP;&nbsp;"), Text("&copy;&AMP;&nbsp;")},
      {"no digits", Text("&#;&#x;&#xg;&#1a;"), Text("&#;&#x;&#xg;&#1a;")},
      {"U+0000 would end the text", Text("a&#0;b"), Text("a&#0;b")},
      {"a surrogate", Text("&#xD800;"), Text("&#xD800;")},
      {"beyond the last code point", Text("&#x110000;&#99999999999999999999;"),
       Text("&#x110000;&#99999999999999999999;")},
      {"a character GBK lacks", Text("&#x1F600;"), Text("&#x1F600;")},
      {"a body too long to be a reference", Text("&#" + std::string(40, '0') + "65;"),
       Text("&#" + std::string(40, '0') + "65;")},
      {"GBK characters around it", gbk("歌&amp;曲"), gbk("歌&曲")},
      {"empty", Text(), Text()},
  };
}

class DecodeHtmlReferencesCase : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(DecodeHtmlReferencesCase, DecodesWhatABrowserDecodes) {
  EXPECT_EQ(decode_html_references(GetParam().written), GetParam().decoded);
}

INSTANTIATE_TEST_SUITE_P(DecodeHtmlReferences, DecodeHtmlReferencesCase,
                         ::testing::ValuesIn(reference_cases()), testing::NamedByWhat());

// Many ampersands and no semicolon: each is looked at once, over a short window.
TEST(DecodeHtmlReferences, ManyAmpersandsStayAsTheyAre) {
  const Text many(std::string(1 << 20, '&'));
  EXPECT_EQ(decode_html_references(many), many);
}

}  // namespace
}  // namespace sonivo
