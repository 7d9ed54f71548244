#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "resolve/SafeFileName.h"
#include "tests/support/CaseNames.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

struct StemCase {
  std::string what;
  Text title;
  Text expected;
};

// A failure names the case by what it is about, not by its bytes.
void PrintTo(const StemCase& c, std::ostream* out) {
  *out << c.what;
}

std::vector<StemCase> cases() {
  return {
      {"climbs out of the folder", Text("..\\..\\x"), Text(".._.._x")},
      {"a folder of its own", Text("a/b"), Text("a_b")},
      {"a drive or stream", Text("con:"), Text("con_")},
      {"the folder itself", Text("."), Text("_")},
      {"the parent folder", Text(".."), Text("__")},
      {"dots among other characters stay", Text("...x."), Text("...x.")},
      {"every forbidden character", Text("a*b?c\"d<e>f|g\\h/i:j"), Text("a_b_c_d_e_f_g_h_i_j")},
      {"control characters", Text("tab\there\r\n\x01\x1F"), Text("tab_here____")},
      {"DEL like the other control characters",
       Text("a\x7F"
            "b\x7F"),
       Text("a_b_")},
      {"an ordinary Chinese title", gbk("周杰伦 - 晴天 (Live) & 《七里香》"),
       gbk("周杰伦 - 晴天 (Live) & 《七里香》")},
      {"trail byte 5C inside a character", gbk("誠x"), gbk("誠x")},
      {"trail byte 7C inside a character", gbk("亅x"), gbk("亅x")},
      {"Chinese around forbidden characters", gbk("誠/亅:表"), gbk("誠_亅_表")},
      {"a lead byte before a backslash is no character", Text("\xB0\x2F\x5C"), Text("\xB0__")},
      {"80 is no lead byte", Text("\x80\x5C"), Text("\x80_")},
      {"a lone lead byte at the end", Text("ab\xB0"), Text("ab\xB0")},
      {"empty title", Text(), Text()},
  };
}

// The table's Chinese cases rely on these trail bytes.
TEST(SafeFileStem, TrailBytesOfTheTable) {
  ASSERT_EQ(gbk("誠").byte(1), 0x5C);
  ASSERT_EQ(gbk("亅").byte(1), 0x7C);
}

class SafeFileStemCase : public ::testing::TestWithParam<StemCase> {};

TEST_P(SafeFileStemCase, ReplacesWhatTheFileSystemForbids) {
  EXPECT_EQ(safe_file_stem(GetParam().title), GetParam().expected);
}

// Whatever the decoder makes of the stem on the host, no separator may come out of it.
TEST_P(SafeFileStemCase, HostNameHoldsNoSeparator) {
  const std::string host = utf8_of(safe_file_stem(GetParam().title));
  EXPECT_EQ(host.find('/'), std::string::npos) << host;
  EXPECT_EQ(host.find('\\'), std::string::npos) << host;
  EXPECT_NE(host, ".");
  EXPECT_NE(host, "..");
}

INSTANTIATE_TEST_SUITE_P(SafeFileStem, SafeFileStemCase, ::testing::ValuesIn(cases()),
                         testing::NamedByWhat());

TEST(ProposedFileName, SafeStemAndExtension) {
  EXPECT_EQ(proposed_file_name(gbk("晴天")), gbk("晴天.mp3"));
  EXPECT_EQ(proposed_file_name(Text("..\\..\\x")), Text(".._.._x.mp3"));
  EXPECT_EQ(proposed_file_name(Text("..")), Text("__.mp3"));
  EXPECT_EQ(proposed_file_name(Text()), Text(".mp3"));
}

std::string repeated(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) {
    out += piece;
  }
  return out;
}

struct LengthCase {
  std::string what;
  std::string title_utf8;
  std::string expected_utf8;
};

// A failure names the case by what it is about, not by its bytes.
void PrintTo(const LengthCase& c, std::ostream* out) {
  *out << c.what;
}

std::vector<LengthCase> length_cases() {
  return {
      // 83 characters of 3 bytes are 249 bytes; an 84th would make 256 with ".mp3".
      {"300 Chinese characters", repeated("歌", 300), repeated("歌", 83) + ".mp3"},
      {"251 ASCII letters fit exactly", std::string(251, 'a'), std::string(251, 'a') + ".mp3"},
      {"252 do not", std::string(252, 'a'), std::string(251, 'a') + ".mp3"},
      {"a character that would straddle the limit goes whole", std::string(250, 'a') + "歌",
       std::string(250, 'a') + ".mp3"},
      {"replaced characters count as what they became", repeated("/", 300),
       std::string(251, '_') + ".mp3"},
      {"a short title is left whole", "晴天", "晴天.mp3"},
  };
}

class LongTitleCase : public ::testing::TestWithParam<LengthCase> {};

// The host's file systems take 255 bytes of UTF-8 per name, ".mp3" included.
TEST_P(LongTitleCase, IsCutAtAWholeCharacterToFit) {
  const std::string host = utf8_of(proposed_file_name(gbk(GetParam().title_utf8)));
  EXPECT_EQ(host, GetParam().expected_utf8);
  EXPECT_LE(host.size(), HOST_NAME_LIMIT);
}

INSTANTIATE_TEST_SUITE_P(ProposedFileName, LongTitleCase, ::testing::ValuesIn(length_cases()),
                         testing::NamedByWhat());

// Bytes that are no GBK character are written as U+FFFD on the host: 3 bytes each.
TEST(ProposedFileName, UndecodableBytesAreMeasuredAsTheyWillBeWritten) {
  const Text title(repeated("\x80", 300));
  const std::string host = utf8_of(proposed_file_name(title));
  EXPECT_LE(host.size(), HOST_NAME_LIMIT);
  EXPECT_GE(host.size(), HOST_NAME_LIMIT - 2);
}

// A page's megabytes-long title: only what can fit is looked at.
TEST(ProposedFileName, HugeTitleIsCutQuickly) {
  const Text title(repeated("\xB8\xE8", 4 << 20));
  EXPECT_EQ(utf8_of(proposed_file_name(title)), repeated("歌", 83) + ".mp3");
}

}  // namespace
}  // namespace sonivo
