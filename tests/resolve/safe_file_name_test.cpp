#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resolve/SafeFileName.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

struct StemCase {
  std::string what;
  Text title;
  Text expected;
};

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

TEST(SafeFileStem, Table) {
  ASSERT_EQ(gbk("誠").byte(1), 0x5C);
  ASSERT_EQ(gbk("亅").byte(1), 0x7C);
  for (const StemCase& c : cases()) {
    EXPECT_EQ(safe_file_stem(c.title), c.expected) << c.what;
  }
}

// Whatever the decoder makes of the stem on the host, no separator may come out of it.
TEST(SafeFileStem, HostNameHoldsNoSeparator) {
  for (const StemCase& c : cases()) {
    const std::string host = utf8_of(safe_file_stem(c.title));
    EXPECT_EQ(host.find('/'), std::string::npos) << c.what << ": " << host;
    EXPECT_EQ(host.find('\\'), std::string::npos) << c.what << ": " << host;
    EXPECT_NE(host, ".");
    EXPECT_NE(host, "..");
  }
}

TEST(ProposedFileName, SafeStemAndExtension) {
  EXPECT_EQ(proposed_file_name(gbk("晴天")), gbk("晴天.mp3"));
  EXPECT_EQ(proposed_file_name(Text("..\\..\\x")), Text(".._.._x.mp3"));
  EXPECT_EQ(proposed_file_name(Text("..")), Text("__.mp3"));
  EXPECT_EQ(proposed_file_name(Text()), Text(".mp3"));
}

}  // namespace
}  // namespace sonivo
