#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "resolve/TextBetween.h"
#include "tests/support/CaseNames.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

struct BetweenCase {
  std::string what;
  Text text;
  Text start_marker;
  Text end_marker;
  std::optional<int> start_position;
  std::optional<bool> case_sensitive;
  Text expected;
};

// A failure names the case by what it is about, not by its bytes.
void PrintTo(const BetweenCase& c, std::ostream* out) {
  *out << c.what;
}

const Text NAME_START("<h1 class=\"s_name\" title=\"");
const Text NAME_END("\">");

// GBK characters whose trail byte looks like ASCII: 81 61 ("a"), 81 5D ("]"), B0 5B ("[").
const char* const TRAIL_A = "\x81\x61";
const char* const TRAIL_BRACKET = "\x81\x5D";

std::vector<BetweenCase> cases() {
  const Text placeholder(QUOTE_PLACEHOLDER);
  return {
      {"plain value", Text("<b>x</b>"), Text("<b>"), Text("</b>"), {}, {}, Text("x")},
      {"Chinese value kept byte for byte",
       gbk("<h1 class=\"s_name\" title=\"晴天\">"),
       NAME_START,
       NAME_END,
       {},
       {},
       gbk("晴天")},
      {"markers in capitals in the page, value keeps its case",
       Text("<H1 CLASS=\"S_NAME\" TITLE=\"MiXeD\">"),
       NAME_START,
       NAME_END,
       {},
       {},
       Text("MiXeD")},
      {"case_sensitive false is the default",
       Text("<H1 CLASS=\"S_NAME\" TITLE=\"v\">"),
       NAME_START,
       NAME_END,
       {},
       false,
       Text("v")},
      {"case_sensitive true needs equal bytes",
       Text("<H1 CLASS=\"S_NAME\" TITLE=\"v\">"),
       NAME_START,
       NAME_END,
       {},
       true,
       Text()},
      {"case_sensitive true with equal bytes",
       Text("<h1 class=\"s_name\" title=\"v\">"),
       NAME_START,
       NAME_END,
       {},
       true,
       Text("v")},
      {"empty value",
       Text("<span class=\"hide\"></span>"),
       Text("<span class=\"hide\">"),
       Text("</span>"),
       {},
       {},
       Text()},
      {"start marker twice before the end marker: from the first one",
       Text("x[a[b]c]"),
       Text("["),
       Text("]"),
       {},
       {},
       Text("a[b")},
      {"start marker without end marker",
       Text("<b>no end here"),
       Text("<b>"),
       Text("</b>"),
       {},
       {},
       Text()},
      {"end marker only before the start marker",
       Text("</b>x<b>y"),
       Text("<b>"),
       Text("</b>"),
       {},
       {},
       Text()},
      {"end marker inside the value ends it",
       Text("<h1 class=\"s_name\" title=\"say \">hi\">"),
       NAME_START,
       NAME_END,
       {},
       {},
       Text("say ")},
      {"no decoding, no trimming",
       Text("<b> &amp; \\u4e00 </b>"),
       Text("<b>"),
       Text("</b>"),
       {},
       {},
       Text(" &amp; \\u4e00 ")},
      {"placeholders stand for double quotes",
       Text("<h1 class=\"s_name\" title=\"v\">"),
       Text("<h1 class=") + placeholder + Text("s_name") + placeholder + Text(" title=") +
           placeholder,
       placeholder + Text(">"),
       {},
       {},
       Text("v")},
      {"adjacent placeholders, each one quote",
       Text("a\"\"b\"\"c"),
       Text("a") + placeholder + placeholder,
       placeholder + placeholder,
       {},
       {},
       Text("b")},
      {"a half placeholder is left as it is",
       Text("a#\xD2\xFD"
            "b\"c"),
       Text("a#\xD2\xFD"),
       Text("\""),
       {},
       {},
       Text("b")},
      {"placeholder found as bytes, also after a lead byte",
       Text("\xB0\"v]"),
       Text("\xB0") + placeholder,
       Text("]"),
       {},
       {},
       Text("v")},
      {"empty start marker takes the whole text",
       Text("abc]def"),
       Text(),
       Text("]"),
       {},
       {},
       Text("abc")},
      {"empty end marker gives nothing", Text("<b>abc"), Text("<b>"), Text(), {}, {}, Text()},
      {"empty markers on an empty text", Text(), Text(), Text(), {}, {}, Text()},
      {"empty text", Text(), Text("<b>"), Text("</b>"), {}, {}, Text()},
      {"start marker ends the text", Text("abc<b>"), Text("<b>"), Text("</b>"), {}, {}, Text()},
      {"start marker ends the text, empty end marker",
       Text("abc<b>"),
       Text("<b>"),
       Text(),
       {},
       {},
       Text()},
      {"end marker ends the text",
       Text("<b>abc</b>"),
       Text("<b>"),
       Text("</b>"),
       {},
       {},
       Text("abc")},
      {"start marker inside a two-byte character is not a match",
       Text(TRAIL_A) + Text("b=1;"),
       Text("ab="),
       Text(";"),
       {},
       {},
       Text()},
      {"the next whole match counts",
       Text(TRAIL_A) + Text("b=1;ab=2;"),
       Text("ab="),
       Text(";"),
       {},
       {},
       Text("2")},
      {"end marker inside a two-byte character is not a match",
       Text("[x") + Text(TRAIL_BRACKET) + Text("y]"),
       Text("["),
       Text("]"),
       {},
       {},
       Text("x") + Text(TRAIL_BRACKET) + Text("y")},
      {"letters in trail bytes do not fold",
       Text("[\x81\x41]"),
       Text("[\x81\x61"),
       Text("]"),
       {},
       {},
       Text()},
      {"start_position 0 is the first byte",
       Text("[1][2]"),
       Text("["),
       Text("]"),
       0,
       {},
       Text("1")},
      {"start_position 1 is the first byte",
       Text("[1][2]"),
       Text("["),
       Text("]"),
       1,
       {},
       Text("1")},
      {"negative start_position is the first byte",
       Text("[1][2]"),
       Text("["),
       Text("]"),
       -7,
       {},
       Text("1")},
      // "[1][2]xxxxx]": from byte 2 the start marker is at 4; the remainder "2]xxxxx]" is
      // searched from its own byte 2 or 3.
      {"start_position also counts in the remainder",
       Text("[1][2]xxxxx]"),
       Text("["),
       Text("]"),
       2,
       {},
       Text("2")},
      {"end marker before start_position of the remainder is skipped",
       Text("[1][2]xxxxx]"),
       Text("["),
       Text("]"),
       3,
       {},
       Text("2]xxxxx")},
      {"start_position beyond the remainder finds no end",
       Text("ab[1]cd[2]"),
       Text("["),
       Text("]"),
       5,
       {},
       Text()},
      {"start_position on the last byte", Text("ab["), Text("["), Text("]"), 3, {}, Text()},
      {"start_position beyond the last byte", Text("[1]"), Text("["), Text("]"), 4, {}, Text()},
      {"start_position on a trail byte starts the scan there",
       Text("\xB0[x]"),
       Text("["),
       Text("]"),
       2,
       {},
       Text("x")},
      {"the same text scanned from the first byte steps over B0 5B",
       Text("\xB0[x]"),
       Text("["),
       Text("]"),
       {},
       {},
       Text()},
      {"empty start marker with start_position",
       Text("abcdef]"),
       Text(),
       Text("]"),
       3,
       {},
       Text("cdef")},
  };
}

class TextBetweenCase : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetweenCase, CutsTheValueAndLeavesTheText) {
  const BetweenCase& c = GetParam();
  const Text text_before = c.text;
  EXPECT_EQ(text_between(c.text, c.start_marker, c.end_marker, c.start_position, c.case_sensitive),
            c.expected);
  EXPECT_EQ(c.text, text_before);
}

INSTANTIATE_TEST_SUITE_P(TextBetween, TextBetweenCase, ::testing::ValuesIn(cases()),
                         testing::NamedByWhat());

TEST(TextBetween, PlaceholderSpellingFindsTheSameAsQuotes) {
  const Text page =
      gbk("<div class=\"voice-container-bg\"><img class=\"blur\" alt=\"cover\" "
          "src=\"http://127.0.0.1/c.jpg\"/></div>");
  const Text placeholder(QUOTE_PLACEHOLDER);
  const Text quoted_start(
      "<div class=\"voice-container-bg\"><img class=\"blur\" alt=\"cover\" src=\"");
  const Text written_start = Text("<div class=") + placeholder + Text("voice-container-bg") +
                             placeholder + Text("><img class=") + placeholder + Text("blur") +
                             placeholder + Text(" alt=") + placeholder + Text("cover") +
                             placeholder + Text(" src=") + placeholder;
  const Text value = text_between(page, quoted_start, Text("\"/>"));
  EXPECT_EQ(value, Text("http://127.0.0.1/c.jpg"));
  EXPECT_EQ(text_between(page, written_start, placeholder + Text("/>")), value);
}

TEST(TextBetween, PlaceholderIsTheFiveGbkBytes) {
  EXPECT_EQ(Text(QUOTE_PLACEHOLDER), gbk("#引号"));
  EXPECT_EQ(Text(QUOTE_PLACEHOLDER).length(), 5);
}

}  // namespace
}  // namespace sonivo
