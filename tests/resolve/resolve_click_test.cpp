// The 解析 button of the real MainWindow, clicked offscreen against a loopback sound page.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <fstream>
#include <sstream>
#include <string>

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "tests/resolve/PageServer.h"
#include "tests/resolve/SoundPageFixture.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using namespace testing::gui;

std::string read_fixture(const std::string& name) {
  std::ifstream in(std::string(SONIVO_TEST_DATA) + "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

Text text_of(const std::string& control) {
  return window_services().text({main_window::WINDOW, control});
}

TEST(ResolveClick, ClickingTheButtonResolvesTheSoundPage) {
  testing::PageServer server;
  const std::string page = read_fixture("sound_page.html");
  server.serve("/sound/8842", page);
  ToolkitRecorder recorder;
  start_to_main_window();
  resolved_sound() = ResolvedSound();
  const Text info_before = text_of(main_window::INFO_BOX);

  auto* address = find_control_as<QLineEdit>(main_window::WINDOW, main_window::ADDRESS_BOX);
  ASSERT_NE(address, nullptr);
  address->clear();
  QTest::keyClicks(address, QString::fromStdString(utf8_of(server.url("/sound/8842"))));
  click(main_window::WINDOW, main_window::RESOLVE_BUTTON);

  const Text expected_report = testing::sound_page_report();
  EXPECT_EQ(text_of(main_window::INFO_BOX), info_before + expected_report);
  EXPECT_EQ(text_of(main_window::NAME_BOX), testing::sound_page_file_name());

  const ResolvedSound& sound = resolved_sound();
  EXPECT_EQ(sound.page_text, gbk(page));
  EXPECT_EQ(sound.sound_name, gbk("夜空中最亮的星（钢琴版）"));
  EXPECT_EQ(sound.duration, Text("04:12"));
  EXPECT_EQ(sound.cover_url, Text("https://img.sonivo.example/cover/2019/05/8842_640x640.jpg"));
  EXPECT_EQ(sound.audio_link,
            Text("https://audio.sonivo.example/sound/2019/05/8842.mp3?sign=7f3a9c&amp;"
                 "t=1558400000"));
  EXPECT_EQ(server.requests(), 1);
  EXPECT_TRUE(recorder.message_boxes.empty());

  close_all_windows();
  resolved_sound() = ResolvedSound();
}

}  // namespace
}  // namespace sonivo
