// The byte-string helpers: ASCII case, trimming at named blanks, percent-encoding.

#include <gtest/gtest.h>

#include <string>

#include "text/AsciiCase.h"
#include "text/AsciiTrim.h"
#include "text/PercentEncoding.h"

namespace sonivo {
namespace {

struct CaseChange {
  std::string name;
  std::string bytes;
  std::string lower;
  std::string upper;
};

class AsciiCaseChange : public ::testing::TestWithParam<CaseChange> {};

TEST_P(AsciiCaseChange, TouchesOnlyAsciiLetters) {
  EXPECT_EQ(ascii_lower(GetParam().bytes), GetParam().lower);
  EXPECT_EQ(ascii_upper(GetParam().bytes), GetParam().upper);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, AsciiCaseChange,
    ::testing::Values(
        CaseChange{"Letters", "Content-Type", "content-type", "CONTENT-TYPE"},
        CaseChange{"Empty", "", "", ""},
        CaseChange{"NeighboursOfTheLetters", "@[`{", "@[`{", "@[`{"},
        // Byte by byte: a trail byte 41 ("A") changes too; GBK text goes through TextOps.
        CaseChange{"HighBytesStay", "\xB0\x41\xC1\xE1", "\xB0\x61\xC1\xE1", "\xB0\x41\xC1\xE1"},
        CaseChange{"ZeroByteKept", std::string("A\0b", 3), std::string("a\0b", 3),
                   std::string("A\0B", 3)}),
    [](const auto& param_info) { return param_info.param.name; });

struct Comparison {
  std::string name;
  std::string a;
  std::string b;
  bool equal;
  bool a_starts_with_b;
};

class IgnoringAsciiCase : public ::testing::TestWithParam<Comparison> {};

TEST_P(IgnoringAsciiCase, ComparesLettersLoosely) {
  EXPECT_EQ(equals_ignoring_ascii_case(GetParam().a, GetParam().b), GetParam().equal);
  EXPECT_EQ(equals_ignoring_ascii_case(GetParam().b, GetParam().a), GetParam().equal);
  EXPECT_EQ(starts_with_ignoring_ascii_case(GetParam().a, GetParam().b),
            GetParam().a_starts_with_b);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, IgnoringAsciiCase,
    ::testing::Values(Comparison{"SameLetters", "HTTP", "http", true, true},
                      Comparison{"BothEmpty", "", "", true, true},
                      Comparison{"Prefix", "Cookie: a=1", "cookie:", false, true},
                      Comparison{"LongerPrefix", "cook", "cookie:", false, false},
                      Comparison{"OtherLetter", "gbk", "gbx", false, false},
                      // "@" and "`" sit next to the letters but are no case pair.
                      Comparison{"NoPairOutsideLetters", "@", "`", false, false},
                      Comparison{"HighBytesExact", "\xC1", "\xE1", false, false}),
    [](const auto& param_info) { return param_info.param.name; });

struct Trim {
  std::string name;
  std::string text;
  std::string blanks;
  std::string trimmed;
};

class AsciiTrim : public ::testing::TestWithParam<Trim> {};

TEST_P(AsciiTrim, RemovesTheNamedBlanksAtBothEnds) {
  EXPECT_EQ(trim_ascii(GetParam().text, GetParam().blanks), GetParam().trimmed);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, AsciiTrim,
    ::testing::Values(Trim{"SpaceAndTab", " \t a b \t", " \t", "a b"},
                      Trim{"LineEndKeptUnlessNamed", " x\r\n", " \t", "x\r\n"},
                      Trim{"LineEndNamed", " x\r\n", " \t\r\n", "x"},
                      Trim{"OnlyBlanks", " \t ", " \t", ""}, Trim{"Empty", "", " \t", ""},
                      Trim{"NothingToTrim", "a", " \t", "a"},
                      // A1 A1 is the full-width space in GBK; trimming bytes leaves it.
                      Trim{"FullWidthSpaceStays", "\xA1\xA1x ", " \t", "\xA1\xA1x"}),
    [](const auto& param_info) { return param_info.param.name; });

TEST(AsciiTrim, DefaultBlanksAreSpaceAndTab) {
  EXPECT_EQ(trim_ascii("\t sid=42 \t"), "sid=42");
  EXPECT_EQ(trim_ascii("\rx\r"), "\rx\r");
}

struct Encoding {
  std::string name;
  std::string bytes;
  KeptByte kept;
  std::string encoded;
};

class PercentEncoding : public ::testing::TestWithParam<Encoding> {};

TEST_P(PercentEncoding, EscapesEveryByteOutsideTheKeptSet) {
  EXPECT_EQ(percent_encode(GetParam().bytes, GetParam().kept), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, PercentEncoding,
    ::testing::Values(
        Encoding{"UnreservedKept", "Az09-._~", is_unreserved_in_url, "Az09-._~"},
        Encoding{"QueryDelimitersEscaped", "a&b#c?d=e/f%", is_unreserved_in_url,
                 "a%26b%23c%3Fd%3De%2Ff%25"},
        Encoding{"UpperCaseHexDigits", "\xE6\xAD\x8C \x7F", is_unreserved_in_url,
                 "%E6%AD%8C%20%7F"},
        Encoding{"VisibleAsciiKept", "/a?b=c&d#e%~", is_visible_ascii, "/a?b=c&d#e%~"},
        Encoding{"ControlsSpaceDelAndHighBytesEscaped", std::string("\x01 \x7F\x80\xFF", 5),
                 is_visible_ascii, "%01%20%7F%80%FF"},
        Encoding{"ZeroByte", std::string("\0", 1), is_visible_ascii, "%00"},
        Encoding{"Empty", "", is_visible_ascii, ""}),
    [](const auto& param_info) { return param_info.param.name; });

}  // namespace
}  // namespace sonivo
