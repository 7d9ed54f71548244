// A bounded randomized run over the address splitting, the text find and the UTF-8
// conversion: inputs are pieced together from fragments that matter to them (schemes,
// separators, two-byte characters, stray lead bytes, broken UTF-8) plus random bytes.
// The sanitizer build runs the same rounds and reports any out-of-bounds access.

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "IcuReference.h"
#include "encoding/Encoding.h"
#include "http/Url.h"
#include "platform/codepage/CodePage.h"
#include "text/TextOps.h"

namespace sonivo {
namespace {

constexpr int kRounds = 20000;

class Pieces {
 public:
  explicit Pieces(unsigned seed) : random_(seed) {}

  std::string next(int max_pieces) {
    static const std::vector<std::string> fragments = {"http://",
                                                       "https://",
                                                       "HTTP://",
                                                       "hTtP://",
                                                       "/",
                                                       "//",
                                                       ":",
                                                       ":8080",
                                                       ":0",
                                                       "?q=1",
                                                       "@",
                                                       "a",
                                                       "B",
                                                       "p",
                                                       ".",
                                                       "80",
                                                       "abc",
                                                       "\xD6\xD0",
                                                       "\xB0\x41",
                                                       "\xA3\xB8",
                                                       "\xA1\xA1",
                                                       "\x81",
                                                       "\xFF",
                                                       "\xE4\xB8\xAD",
                                                       "\xE4\xB8",
                                                       "\xF0\x9F\x8E\xB5",
                                                       "\xED\xA0\x80",
                                                       " ",
                                                       "\xC3\xA9",
                                                       "\xEF\xBF\xBD"};
    std::uniform_int_distribution<int> count(0, max_pieces);
    std::uniform_int_distribution<std::size_t> pick(0, fragments.size());
    std::uniform_int_distribution<int> byte(1, 255);
    std::string out;
    for (int n = count(random_); n > 0; --n) {
      const std::size_t i = pick(random_);
      if (i == fragments.size()) {
        out += static_cast<char>(byte(random_));
      } else {
        out += fragments[i];
      }
    }
    return out;
  }

 private:
  std::mt19937 random_;
};

// Character boundaries as the text operations see them.
std::vector<std::size_t> boundaries(const std::string& bytes) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < bytes.size();) {
    out.push_back(i);
    i += (static_cast<unsigned char>(bytes[i]) >= 0x80 && i + 1 < bytes.size()) ? 2u : 1u;
  }
  return out;
}

bool equal_at(const std::string& text, std::size_t at, const std::string& pattern, Case mode) {
  if (at + pattern.size() > text.size()) {
    return false;
  }
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    auto a = static_cast<unsigned char>(text[at + i]);
    auto b = static_cast<unsigned char>(pattern[i]);
    if (b >= 0x80 && i + 1 < pattern.size()) {
      if (a != b || text[at + i + 1] != pattern[i + 1]) {
        return false;
      }
      ++i;
      continue;
    }
    if (mode == Case::IgnoreAscii && b < 0x80) {
      a = static_cast<unsigned char>(std::tolower(a));
      b = static_cast<unsigned char>(std::tolower(b));
    }
    if (a != b) {
      return false;
    }
  }
  return true;
}

// Characters are counted from the start point on, as a scan that begins there sees them.
int reference_find(const std::string& text, const std::string& pattern, int start, Case mode) {
  const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start - 1);
  if (from >= text.size()) {
    return -1;
  }
  for (std::size_t at : boundaries(text.substr(from))) {
    if (equal_at(text, from + at, pattern, mode)) {
      return static_cast<int>(from + at + 1);
    }
  }
  return -1;
}

TEST(RandomRun, Find) {
  Pieces pieces(1);
  std::mt19937 random(2);
  for (int round = 0; round < kRounds; ++round) {
    const std::string text = pieces.next(12);
    const std::string pattern = pieces.next(2);
    const int start =
        std::uniform_int_distribution<int>(-1, static_cast<int>(text.size()) + 2)(random);
    const Case mode = round % 2 == 0 ? Case::Exact : Case::IgnoreAscii;
    ASSERT_EQ(find(Text(text), Text(pattern), start, mode),
              reference_find(text, pattern, start, mode))
        << "round " << round << " text " << ::testing::PrintToString(text) << " pattern "
        << ::testing::PrintToString(pattern) << " start " << start << " mode "
        << static_cast<int>(mode);
  }
}

TEST(RandomRun, UrlSplitting) {
  Pieces pieces(3);
  for (int round = 0; round < kRounds; ++round) {
    const Text address(pieces.next(10));
    const Text host = url_host(address);
    const Text path = url_path(address);
    const int port = url_port(address);

    ASSERT_EQ(find(host, Text("/")), -1) << address.str();
    ASSERT_EQ(find(host, Text(":")), -1) << address.str();
    ASSERT_EQ(to_lower(host), host) << address.str();
    ASSERT_TRUE(starts_with(path, Text("/"))) << address.str();
    ASSERT_TRUE(path == Text("/") || right(address, path.length()) == path) << address.str();
    if (find(address, Text(":")) == -1) {
      ASSERT_EQ(port, 80) << address.str();
    }
  }
}

TEST(RandomRun, Utf8ToGbkAgreesWithIcu) {
  Pieces pieces(4);
  for (int round = 0; round < kRounds; ++round) {
    const Text text(pieces.next(24));
    ASSERT_EQ(utf8_to_gbk(text).str(),
              testing::icu_convert(text.str(), "UTF-8", "windows-936-2000"))
        << "round " << round;
  }
}

// Long enough texts that runs of ASCII and of Chinese cross the blocks the decoder
// measures at a time, with every lead byte that needs a closer look (C0, C1, E0, ED, F0,
// F4, F5) in and out of well-formed sequences. Measuring, converting and ICU must agree
// on every unit: a measurement that is too large would not show in utf8_to_gbk, whose
// result ends at the first zero unit.
TEST(RandomRun, Utf8DecodingAgreesWithIcu) {
  static const std::vector<std::string> fragments = {
      "<a href=\"x\">",
      "abcdefghijklmnopqrstuvwxyz0123456789",
      "a",
      "ab c",
      "\r\n",
      "\xE4\xB8\xAD",
      "\xE6\x96\x87\xE4\xB8\x8B\xE8\xBD\xBD\xE5\xAE\x8C\xE6\xAF\x95",
      "\xEF\xBC\x9A",
      "\xC3\xA9",
      "\xDF\xBF",
      "\xC0\x80",
      "\xC1\xBF",
      "\xE0\xA0\x80",
      "\xE0\x80\x80",
      "\xED\x9F\xBF",
      "\xED\xA0\x80",
      "\xF0\x9F\x8E\xB5",
      "\xF0\x80\x80\x80",
      "\xF4\x8F\xBF\xBF",
      "\xF4\x90\x80\x80",
      "\xF5\x80",
      "\xE4\xB8",
      "\xE4",
      "\x80",
      "\xBF\xBF",
      "\xFF"};
  std::mt19937 random(5);
  std::uniform_int_distribution<int> count(0, 60);
  std::uniform_int_distribution<std::size_t> pick(0, fragments.size() - 1);
  for (int round = 0; round < 4000; ++round) {
    std::string bytes;
    for (int n = count(random); n > 0; --n) {
      bytes += fragments[pick(random)];
    }
    const std::string expected = testing::icu_convert(bytes + '\0', "UTF-8", "UTF-16LE");
    const int units = MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), -1, nullptr, 0);
    ASSERT_EQ(2 * static_cast<std::size_t>(units), expected.size())
        << "round " << round << " " << ::testing::PrintToString(bytes);
    std::u16string out(static_cast<std::size_t>(units), u'\xFFFF');
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, bytes.c_str(), -1, out.data(), units), units);
    ASSERT_EQ(std::memcmp(out.data(), expected.data(), expected.size()), 0)
        << "round " << round << " " << ::testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace sonivo
