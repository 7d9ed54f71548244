#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "resolve/ResolveSoundPage.h"
#include "resolve/SafeFileName.h"
#include "tests/resolve/PageServer.h"
#include "tests/resolve/SoundPageFixture.h"
#include "tests/support/RecordingWindowServices.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using testing::closed_loopback_port;
using testing::PageServer;
using testing::RecordingWindowServices;

const ControlRef NAME_BOX{main_window::WINDOW, main_window::NAME_BOX};
const ControlRef ADDRESS_BOX{main_window::WINDOW, main_window::ADDRESS_BOX};
const ControlRef INFO_BOX{main_window::WINDOW, main_window::INFO_BOX};

std::string read_fixture(const std::string& name) {
  std::ifstream in(std::string(SONIVO_TEST_DATA) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The values the sound page fixture holds, as GBK.
const char* const FIXTURE_NAME = "夜空中最亮的星（钢琴版）";
const char* const FIXTURE_DURATION = "04:12";
const char* const FIXTURE_COVER = "https://img.sonivo.example/cover/2019/05/8842_640x640.jpg";
const char* const FIXTURE_AUDIO =
    "https://audio.sonivo.example/sound/2019/05/8842.mp3?sign=7f3a9c&amp;t=1558400000";

Text report(const Text& name, const Text& duration, const Text& cover, const Text& audio) {
  const Text rule(std::string(73, '='));
  const Text blank("\r\n\r\n");
  return rule + blank + gbk("声音名称：") + name + blank + gbk("声音时长：") + duration + blank +
         gbk("声音封面：") + cover + blank + gbk("Sonivo链接：") + audio + blank + rule +
         Text("\r\n");
}

Text empty_report() {
  return report(Text(), Text(), Text(), Text());
}

// A page of the fixture's layout with the given UTF-8 title.
std::string page_titled(const std::string& title) {
  return "<html><body><h1 class=\"s_name\" title=\"" + title + "\">" + title +
         "</h1><span class=\"hide\">01:00</span>"
         "<div class=\"voice-wp-left fl book_radio\" data-url=\"http://a.example/s.mp3\">"
         "<div class=\"voice-container-bg\"><img class=\"blur\" alt=\"cover\" "
         "src=\"http://a.example/c.jpg\"/></div></div></body></html>";
}

class ResolveSoundPageTest : public ::testing::Test {
 protected:
  void SetUp() override { resolved_sound() = ResolvedSound(); }
  void TearDown() override { resolved_sound() = ResolvedSound(); }

  void resolve(const Text& address) {
    windows.set_text(ADDRESS_BOX, address);
    windows.calls.clear();
    windows.appends.clear();
    resolve_sound_page();
  }
  void expect_fixture_fields() {
    const ResolvedSound& sound = resolved_sound();
    EXPECT_EQ(sound.page_text, gbk(read_fixture("sound_page.html")));
    EXPECT_EQ(sound.sound_name, gbk(FIXTURE_NAME));
    EXPECT_EQ(sound.duration, gbk(FIXTURE_DURATION));
    EXPECT_EQ(sound.cover_url, gbk(FIXTURE_COVER));
    EXPECT_EQ(sound.audio_link, gbk(FIXTURE_AUDIO));
  }
  void expect_empty_fields(const std::string& what) {
    const ResolvedSound& sound = resolved_sound();
    EXPECT_EQ(sound.sound_name, Text()) << what;
    EXPECT_EQ(sound.duration, Text()) << what;
    EXPECT_EQ(sound.cover_url, Text()) << what;
    EXPECT_EQ(sound.audio_link, Text()) << what;
  }

  RecordingWindowServices windows;
  PageServer server;
};

TEST_F(ResolveSoundPageTest, FixturePageGivesTheReportFieldsAndName) {
  server.serve("/sound/8842", read_fixture("sound_page.html"));
  resolve(server.url("/sound/8842"));

  expect_fixture_fields();
  // The report written out byte for byte, independent of the helper above.
  const Text expected = testing::sound_page_report();
  EXPECT_EQ(windows.text(INFO_BOX), expected);
  EXPECT_EQ(windows.text(NAME_BOX), testing::sound_page_file_name());

  // Clear the name first, then six separate appends to the info box, then the name.
  const std::string rule(73, '=');
  const std::vector<std::string> calls = {
      "set_text MainWindow/编辑框_名称 ",
      "append MainWindow/编辑框_信息 " + rule + "\r\n\r\n",
      "append MainWindow/编辑框_信息 声音名称：夜空中最亮的星（钢琴版）\r\n\r\n",
      "append MainWindow/编辑框_信息 声音时长：04:12\r\n\r\n",
      std::string("append MainWindow/编辑框_信息 声音封面：") + FIXTURE_COVER + "\r\n\r\n",
      std::string("append MainWindow/编辑框_信息 Sonivo链接：") + FIXTURE_AUDIO + "\r\n\r\n",
      "append MainWindow/编辑框_信息 " + rule + "\r\n",
      "append MainWindow/编辑框_名称 夜空中最亮的星（钢琴版）.mp3",
  };
  EXPECT_EQ(windows.calls, calls);
  ASSERT_EQ(windows.appends.size(), 7u);
  EXPECT_EQ(windows.appends[0].length(), 77);
  EXPECT_EQ(windows.appends[5].length(), 75);
}

TEST_F(ResolveSoundPageTest, SecondPressAppendsAnIdenticalReport) {
  server.serve("/sound/8842", read_fixture("sound_page.html"));
  resolve(server.url("/sound/8842"));
  const Text first = windows.text(INFO_BOX);
  resolve(server.url("/sound/8842"));

  EXPECT_EQ(windows.text(INFO_BOX), first + first);
  EXPECT_EQ(windows.text(NAME_BOX), testing::sound_page_file_name());
  expect_fixture_fields();
}

TEST_F(ResolveSoundPageTest, FailedFetchLosesTheEarlierValues) {
  server.serve("/sound/8842", read_fixture("sound_page.html"));
  resolve(server.url("/sound/8842"));
  const Text first = windows.text(INFO_BOX);
  resolve(Text("http://127.0.0.1:" + std::to_string(closed_loopback_port()) + "/sound/8842"));

  EXPECT_EQ(resolved_sound().page_text, Text());
  expect_empty_fields("after a refused connection");
  EXPECT_EQ(windows.text(INFO_BOX), first + empty_report());
  EXPECT_EQ(windows.text(NAME_BOX), Text(".mp3"));
}

TEST_F(ResolveSoundPageTest, PagesWithoutValuesGiveAnEmptyReport) {
  struct BadPage {
    std::string what;
    Text address;
    std::optional<Text> page_text;  // what the conversion leaves, where the page fixes it
  };
  const std::string no_markers =
      "<html><head><title>x</title></head><body><p>gone</p></body></html>";
  server.serve("/no-markers", no_markers);
  server.serve("/empty", "");
  server.serve("/nul", "<html>" + std::string(1, '\0') + read_fixture("sound_page.html"));
  const std::vector<BadPage> pages = {
      {"unreachable address",
       Text("http://127.0.0.1:" + std::to_string(closed_loopback_port()) + "/"), Text()},
      {"page without markers", server.url("/no-markers"), Text(no_markers)},
      {"empty page", server.url("/empty"), Text()},
      {"NUL byte before the markers", server.url("/nul"), Text("<html>")},
      {"error page", server.url("/missing"), std::nullopt},
  };
  for (const BadPage& page : pages) {
    resolved_sound().sound_name = Text("stale");
    windows.set_text(INFO_BOX, Text());
    resolve(page.address);
    expect_empty_fields(page.what);
    if (page.page_text) {
      EXPECT_EQ(resolved_sound().page_text, *page.page_text) << page.what;
    }
    EXPECT_EQ(windows.text(INFO_BOX), empty_report()) << page.what;
    EXPECT_EQ(windows.text(NAME_BOX), Text(".mp3")) << page.what;
    EXPECT_EQ(windows.appends.size(), 7u) << page.what;
  }
}

TEST_F(ResolveSoundPageTest, PageOfAnotherLayoutFillsOnlyTheFieldsItHolds) {
  server.serve("/other",
               "<html><p><span class=\"HIDE\">03:30</span></p>"
               "<h1 class=\"s_name\" title=\"no end marker</html>");
  resolve(server.url("/other"));
  const ResolvedSound& sound = resolved_sound();
  EXPECT_EQ(sound.duration, Text("03:30"));
  EXPECT_EQ(sound.sound_name, Text());
  EXPECT_EQ(sound.audio_link, Text());
  EXPECT_EQ(sound.cover_url, Text());
  EXPECT_EQ(windows.text(INFO_BOX), report(Text(), Text("03:30"), Text(), Text()));
}

// The fixture in GBK, still labelled UTF-8 by its header and its meta tag: its bytes are
// no UTF-8, so it is read as the GBK it is.
TEST_F(ResolveSoundPageTest, GbkPageResolvesToItsNameAndReport) {
  const std::string gbk_page = gbk(read_fixture("sound_page.html")).str();
  ASSERT_NE(gbk_page, read_fixture("sound_page.html"));
  server.serve("/gbk", gbk_page);
  resolve(server.url("/gbk"));

  expect_fixture_fields();
  EXPECT_EQ(windows.text(INFO_BOX), testing::sound_page_report());
  EXPECT_EQ(windows.text(NAME_BOX), testing::sound_page_file_name());
  EXPECT_EQ(windows.appends.size(), 7u);
}

// Bytes that read as UTF-8 and as GBK alike ("涓枃" in GBK is "中文" in UTF-8): the
// charset the header or the meta tag names decides; undeclared, UTF-8 is assumed.
TEST_F(ResolveSoundPageTest, DeclaredCharsetDecidesBetweenUtf8AndGbk) {
  const std::string both = "\xE4\xB8\xAD\xE6\x96\x87";
  struct DeclaredCase {
    std::string what;
    std::string content_type;
    std::string meta;
    Text expected_name;
  };
  const std::vector<DeclaredCase> cases = {
      {"header says GBK", "text/html; charset=GBK", "", Text(both)},
      {"header says gb2312 in quotes", "text/html; charset=\"gb2312\"", "", Text(both)},
      {"header says gb18030", "text/html;charset=gb18030", "", Text(both)},
      {"meta charset", "text/html", "<meta charset=\"gbk\">", Text(both)},
      {"meta http-equiv", "text/html",
       "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=GB2312\">", Text(both)},
      {"header UTF-8 wins over meta", "text/html; charset=utf-8", "<meta charset=\"gbk\">",
       gbk("中文")},
      {"nothing declared", "text/html", "", gbk("中文")},
      {"UTF-8 declared", "text/html; charset=utf-8", "<meta charset=\"utf-8\">", gbk("中文")},
  };
  for (const DeclaredCase& c : cases) {
    const std::string page = "<html><head>" + c.meta + "</head>" + page_titled(both);
    server.serve("/declared", page, c.content_type);
    resolve(server.url("/declared"));
    EXPECT_EQ(resolved_sound().sound_name, c.expected_name) << c.what;
    EXPECT_EQ(resolved_sound().duration, Text("01:00")) << c.what;
  }
}

TEST_F(ResolveSoundPageTest, FiftyMegabytePageFinishes) {
  std::string page;
  const std::string filler =
      "<li class=\"item\"><a href=\"/voice/1\">钢琴曲 第一首</a><span class=\"n\">12</span></li>\n";
  page.reserve(50u << 20);
  while (page.size() + filler.size() < (50u << 20) - 4096) {
    page += filler;
  }
  page += read_fixture("sound_page.html");
  server.serve("/big", page);
  resolve(server.url("/big"));

  const ResolvedSound& sound = resolved_sound();
  EXPECT_EQ(sound.page_text.size(), gbk(page).size());
  EXPECT_EQ(sound.sound_name, gbk(FIXTURE_NAME));
  EXPECT_EQ(sound.duration, gbk(FIXTURE_DURATION));
  EXPECT_EQ(sound.cover_url, gbk(FIXTURE_COVER));
  EXPECT_EQ(sound.audio_link, gbk(FIXTURE_AUDIO));
  EXPECT_EQ(windows.text(NAME_BOX), testing::sound_page_file_name());
}

TEST_F(ResolveSoundPageTest, HostileTitleGivesAPlainFileName) {
  struct Hostile {
    std::string title;
    Text proposed;
  };
  const std::vector<Hostile> titles = {
      {"..\\..\\x", Text(".._.._x.mp3")}, {"a/b", Text("a_b.mp3")},
      {"con:", Text("con_.mp3")},         {"..", Text("__.mp3")},
      {"誠/亅|x", gbk("誠_亅_x.mp3")},
  };
  for (const Hostile& hostile : titles) {
    server.serve("/hostile", page_titled(hostile.title));
    windows.set_text(INFO_BOX, Text());
    resolve(server.url("/hostile"));
    EXPECT_EQ(resolved_sound().sound_name, gbk(hostile.title)) << hostile.title;
    EXPECT_EQ(windows.text(INFO_BOX),
              report(gbk(hostile.title), Text("01:00"), Text("http://a.example/c.jpg"),
                     Text("http://a.example/s.mp3")))
        << hostile.title;
    EXPECT_EQ(windows.text(NAME_BOX), hostile.proposed) << hostile.title;
  }
}

TEST_F(ResolveSoundPageTest, TextTypedDuringTheFetchStaysInFront) {
  server.serve("/sound/8842", read_fixture("sound_page.html"));
  bool typed = false;
  windows.on_pump = [&] {
    if (!typed) {
      typed = true;
      windows.append_text(NAME_BOX, gbk("我的"));
    }
  };
  resolve(server.url("/sound/8842"));
  EXPECT_TRUE(typed);
  EXPECT_EQ(windows.text(NAME_BOX), gbk("我的夜空中最亮的星（钢琴版）.mp3"));
}

TEST_F(ResolveSoundPageTest, SecondResolveDuringASlowFetchRunsInsideTheFirst) {
  const std::string first_page = read_fixture("sound_page.html");
  server.serve_held("/slow", first_page, 512);
  server.serve("/fast", page_titled("第二首"));

  int nested = 0;
  int requests_before_nested = 0;
  windows.on_pump = [&] {
    if (nested++ == 0) {
      requests_before_nested = server.requests();
      windows.set_text(ADDRESS_BOX, server.url("/fast"));
      resolve_sound_page();
      server.release();
    }
  };
  resolve(server.url("/slow"));

  ASSERT_GE(nested, 1);
  EXPECT_EQ(requests_before_nested, 1);  // the first page was already on its way
  EXPECT_EQ(
      windows.text(INFO_BOX),
      report(gbk("第二首"), Text("01:00"), Text("http://a.example/c.jpg"),
             Text("http://a.example/s.mp3")) +
          report(gbk(FIXTURE_NAME), gbk(FIXTURE_DURATION), gbk(FIXTURE_COVER), gbk(FIXTURE_AUDIO)));
  EXPECT_EQ(windows.text(NAME_BOX), gbk("第二首.mp3夜空中最亮的星（钢琴版）.mp3"));
  expect_fixture_fields();
  EXPECT_EQ(server.requests(), 2);
}

TEST(FetchPageText, BodyUpToTheFirstZeroByte) {
  RecordingWindowServices windows;
  PageServer server;
  server.serve("/nul", std::string("ab\0cd", 5));
  server.serve("/plain", "plain body");
  server.serve("/empty", "");
  EXPECT_EQ(fetch_page_text(server.url("/nul")), Text("ab"));
  EXPECT_EQ(fetch_page_text(server.url("/plain")), Text("plain body"));
  EXPECT_EQ(fetch_page_text(server.url("/empty")), Text());
  EXPECT_EQ(fetch_page_text(Text("http://127.0.0.1:" + std::to_string(closed_loopback_port()))),
            Text());
}

}  // namespace
}  // namespace sonivo
