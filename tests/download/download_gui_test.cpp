// The download page of the real MainWindow, offscreen: 解析 against a loopback sound page
// whose audio address points at a loopback file server with Range support, then the real
// 下载 and 取消 buttons.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/FramePacer.h"
#include "app/QtWindowServices.h"
#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "download/DownloadTab.h"
#include "download/RangeDownloader.h"
#include "download/SharedDownloader.h"
#include "download/StatusTexts.h"
#include "platform/clock/Clock.h"
#include "tests/download/FaultServer.h"
#include "tests/resolve/PageServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using namespace testing::gui;
using testing::Fault;
using testing::FaultServer;
using testing::PageServer;
using testing::TempFolder;

// Five ranges of 20480 bytes, the last one short.
constexpr int64_t CONTENT_SIZE = 100000;
constexpr char FIXTURE_AUDIO_LINK[] =
    "https://audio.sonivo.example/sound/2019/05/8842.mp3?sign=7f3a9c&amp;t=1558400000";
constexpr char SOUND_PAGE[] = "/sound/8842";
constexpr char FILE_NAME[] = "夜空中最亮的星（钢琴版）.mp3";

const ControlRef kCancel{main_window::WINDOW, main_window::CANCEL_BUTTON};
const ControlRef kBar{main_window::WINDOW, main_window::PROGRESS_BAR};
const ControlRef kLabel{main_window::WINDOW, main_window::PROGRESS_LABEL};

std::string read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The sound page fixture with its audio address pointing at `audio_url`.
std::string sound_page_for(const std::string& audio_url) {
  std::ifstream in(std::string(SONIVO_TEST_DATA) + "/sound_page.html", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  std::string page = bytes.str();
  const auto at = page.find(FIXTURE_AUDIO_LINK);
  if (at != std::string::npos) {
    page.replace(at, std::string(FIXTURE_AUDIO_LINK).size(), audio_url);
  }
  return page;
}

class DownloadGuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SONIVO_DRIVE_D", drive_d.str().c_str(), 1);
    // A fresh downloader for each test: the first press of 下载 gives it its callbacks.
    release_shared_downloader();
    start_to_main_window();
    pages.serve(SOUND_PAGE, sound_page_for(files.url()));
  }
  void TearDown() override {
    clock::set_tick_source({});
    close_all_windows();
    release_shared_downloader();
    resolved_sound() = ResolvedSound();
  }

  // Resolves the sound page, whose audio address is that of `audio_server`.
  void resolve(const FaultServer* audio_server = nullptr) {
    const std::string audio_url = (audio_server ? audio_server : &files)->url();
    auto* address = find_control_as<QLineEdit>(main_window::WINDOW, main_window::ADDRESS_BOX);
    ASSERT_NE(address, nullptr);
    address->clear();
    QTest::keyClicks(address, QString::fromStdString(utf8_of(pages.url(SOUND_PAGE))));
    click(main_window::WINDOW, main_window::RESOLVE_BUTTON);
    ASSERT_EQ(resolved_sound().audio_link, Text(audio_url));
  }
  void press_download() {
    select_page(1);
    click(main_window::WINDOW, main_window::DOWNLOAD_BUTTON);
  }
  std::filesystem::path target() const { return drive_d.path() / "Tavex" / FILE_NAME; }
  std::vector<Text> box_texts() const {
    std::vector<Text> texts;
    for (const auto& box : recorder.message_boxes) {
      texts.push_back(box.text);
    }
    return texts;
  }
  Text label() const { return window_services().text(kLabel); }

  TempFolder drive_d;
  FaultServer files{CONTENT_SIZE, 200};
  PageServer pages;
  ToolkitRecorder recorder;
};

TEST_F(DownloadGuiTest, ResolveThenDownloadThenAgainThenCancel) {
  resolve();
  EXPECT_TRUE(window_services().disabled(kCancel));
  press_download();

  EXPECT_EQ(read_bytes(target()), FaultServer::pattern(0, CONTENT_SIZE));
  ASSERT_EQ(box_texts(), std::vector<Text>{gbk("下载完毕")});
  EXPECT_EQ(recorder.message_boxes[0].title, gbk("信息："));  // the default title
  EXPECT_EQ(recorder.message_boxes[0].flags, MB_OK);
  EXPECT_EQ(find_control_as<QProgressBar>(main_window::WINDOW, main_window::PROGRESS_BAR)->value(),
            100);
  const std::string shown = utf8_of(label());
  const std::string expected_start = std::string("D:\\Tavex\\") + FILE_NAME +
                                     "\r\n文件尺寸：100000Bit\r\n下载进度：100%\r\n下载速度：";
  EXPECT_EQ(shown.rfind(expected_start, 0), 0u) << shown;
  const std::string speed = shown.substr(std::min(expected_start.size(), shown.size()));
  ASSERT_GT(speed.size(), std::string(" KB/S").size()) << shown;
  EXPECT_EQ(speed.substr(speed.size() - 5), " KB/S");
  EXPECT_EQ(speed.find_first_not_of("0123456789"), speed.size() - 5) << shown;
  EXPECT_EQ(files.range_log(),
            (std::vector<std::string>{"bytes=0-20479", "bytes=20480-40959", "bytes=40960-61439",
                                      "bytes=61440-81919", "bytes=81920-102399"}));

  // 下载 again: one range past the end, which the server refuses with 416.
  press_download();
  ASSERT_EQ(files.range_log().size(), 6u);
  EXPECT_EQ(files.range_log().back(), "bytes=100000-120479");
  EXPECT_EQ(read_bytes(target()), FaultServer::pattern(0, CONTENT_SIZE));
  EXPECT_EQ(box_texts(), (std::vector<Text>{gbk("下载完毕"), gbk("下载完毕")}));

  // 取消 was enabled by the first press; it has no handler, so nothing at all changes.
  ASSERT_FALSE(window_services().disabled(kCancel));
  const Text label_before = label();
  click(main_window::WINDOW, main_window::CANCEL_BUTTON);
  process_events();
  EXPECT_FALSE(window_services().disabled(kCancel));
  EXPECT_EQ(label(), label_before);
  EXPECT_EQ(window_services().position(kBar), 100);
  EXPECT_EQ(files.requests().size(), 6u);
  EXPECT_EQ(box_texts().size(), 2u);
  EXPECT_EQ(read_bytes(target()), FaultServer::pattern(0, CONTENT_SIZE));
  EXPECT_EQ(shared_downloader->busy(), 0);
}

TEST_F(DownloadGuiTest, InterruptedDownloadIsContinuedByTheNextPress) {
  resolve();
  files.set_fault_at(2, Fault::DropMidBody);
  press_download();
  EXPECT_EQ(box_texts(), std::vector<Text>{gbk("与服务器的连接已中断")});
  EXPECT_EQ(read_bytes(target()), FaultServer::pattern(0, 2 * 20480));
  EXPECT_EQ(window_services().position(kBar), 40);  // 40960 of 100000

  press_download();
  EXPECT_EQ(read_bytes(target()), FaultServer::pattern(0, CONTENT_SIZE));
  EXPECT_EQ(box_texts(), (std::vector<Text>{gbk("与服务器的连接已中断"), gbk("下载完毕")}));
  EXPECT_EQ(files.range_log()[3], "bytes=40960-61439");  // continued where the file ends
  EXPECT_EQ(window_services().position(kBar), 100);
}

// The file changes on the server in the middle of a download. The box says so and how to
// get the new file; 下载 again leaves the old part as it is, and another name typed into
// 文件名称 downloads the new file.
TEST_F(DownloadGuiTest, FileChangedOnTheServerIsDownloadedUnderAnotherName) {
  resolve();
  const std::string replacement = FaultServer::pattern(5, CONTENT_SIZE + 1000);
  files.change_content_at(2, replacement);
  const Text changed =
      status_text_of(RunOutcome::ContentChanged) + Text("\r\n") + gbk(CONTENT_CHANGED_ADVICE);
  const std::string old_part = FaultServer::pattern(0, 2 * 20480);

  press_download();
  ASSERT_EQ(box_texts(), std::vector<Text>{changed});
  EXPECT_TRUE(read_bytes(target()) == old_part);
  press_download();
  EXPECT_EQ(box_texts(), (std::vector<Text>{changed, changed}));
  EXPECT_TRUE(read_bytes(target()) == old_part);

  auto* name = find_control_as<QLineEdit>(main_window::WINDOW, main_window::NAME_BOX);
  ASSERT_NE(name, nullptr);
  name->clear();
  QTest::keyClicks(name, QStringLiteral("new.mp3"));
  press_download();
  EXPECT_EQ(box_texts().back(), gbk("下载完毕"));
  EXPECT_TRUE(read_bytes(drive_d.path() / "Tavex" / "new.mp3") == replacement);
  EXPECT_TRUE(read_bytes(target()) == old_part);
}

TEST_F(DownloadGuiTest, DownloadBeforeResolveShowsTheNoticeAndCreatesTheFolder) {
  ASSERT_FALSE(std::filesystem::exists(drive_d.path() / "Tavex"));
  press_download();
  ASSERT_EQ(recorder.message_boxes.size(), 1u);
  EXPECT_EQ(recorder.message_boxes[0].text, gbk("下载地址不正确，请检查地址是否已经解析！"));
  EXPECT_EQ(recorder.message_boxes[0].title, gbk("友情提醒："));
  EXPECT_EQ(recorder.message_boxes[0].flags, MB_OK);
  EXPECT_TRUE(std::filesystem::is_directory(drive_d.path() / "Tavex"));
  EXPECT_TRUE(std::filesystem::is_empty(drive_d.path() / "Tavex"));
  EXPECT_FALSE(window_services().disabled(kCancel));
  EXPECT_TRUE(files.requests().empty());
  EXPECT_EQ(window_services().position(kBar), 0);
}

// What the window really shows while the GUI thread is inside run: the pixels of the
// window's backing store, read from inside each progress callback, next to a fresh
// rendering of the same area. Nothing is pumped between ranges, so only our own flushes
// can have put anything there. The tick count is the test's: each range comes a third of
// a frame after the one before, so that the pacing shows.
struct Shot {
  int percent = 0;
  uint32_t tick = 0;
  QImage bar;
  QImage bar_now;
  QImage label;
  QImage label_now;
  bool events_pumped = false;
};
std::vector<Shot> shots;
bool timer_fired = false;
uint32_t fake_now = 0;
uint32_t fake_step = 0;

QImage on_screen(QWidget* control) {
  QWidget* window = control->window();
  const QPoint at = control->mapTo(window, QPoint(0, 0));
  return window->screen()
      ->grabWindow(window->winId(), at.x(), at.y(), control->width(), control->height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

// The control's area as the window paints it now, all that lies behind it included.
QImage rendered(QWidget* control) {
  QWidget* window = control->window();
  const QRect area(control->mapTo(window, QPoint(0, 0)), control->size());
  return window->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
}

void watch_progress(const Text& target_file, int32_t total_length, int32_t speed, int32_t percent) {
  fake_now += fake_step;
  on_download_progress(target_file, total_length, speed, percent);
  if (shots.empty()) {
    QTimer::singleShot(0, [] { timer_fired = true; });
  }
  QWidget* bar = find_control(main_window::WINDOW, main_window::PROGRESS_BAR);
  QWidget* label = find_control(main_window::WINDOW, main_window::PROGRESS_LABEL);
  shots.push_back({percent, fake_now, on_screen(bar), rendered(bar), on_screen(label),
                   rendered(label), timer_fired});
}

// Columns of a row of `bar` that differ from the same row of the empty bar.
int filled_columns(const QImage& bar, const QImage& empty, int row) {
  int filled = 0;
  for (int x = 0; x < bar.width(); ++x) {
    if (bar.pixel(x, row) != empty.pixel(x, row)) {
      ++filled;
    }
  }
  return filled;
}

// The latest of `values` (0: before the download, k: as range k left it) that `shown`
// is, among the first `up_to` + 1; -1 when none.
int shown_value(const std::vector<QImage>& values, const QImage& shown, int up_to) {
  for (int k = up_to; k >= 0; --k) {
    if (values[static_cast<std::size_t>(k)] == shown) {
      return k;
    }
  }
  return -1;
}

TEST_F(DownloadGuiTest, BarAndLabelReachTheScreenAtMostAFrameLateWhileRunPumpsNothing) {
  RecordProperty("platform", QGuiApplication::platformName().toStdString());
  resolve();
  select_page(1);
  shots.clear();
  timer_fired = false;
  QWidget* bar = find_control(main_window::WINDOW, main_window::PROGRESS_BAR);
  QWidget* label = find_control(main_window::WINDOW, main_window::PROGRESS_LABEL);
  const QImage empty_bar = on_screen(bar);
  const QImage empty_label = on_screen(label);
  ASSERT_FALSE(empty_bar.isNull());
  ASSERT_EQ(empty_bar, rendered(bar));
  const uint32_t frame = app::frame_interval_ms(bar->window());
  ASSERT_GE(frame, 7u);  // so that two steps stay within a frame and three do not
  fake_step = frame / 3 + 1;
  fake_now = clock::tick_count() + 0x40000000u;
  clock::set_tick_source([] { return fake_now; });
  QImage bar_at_box;
  QImage label_at_box;
  recorder.on_message_box = [&](const app::MessageBoxRequest&) {
    bar_at_box = on_screen(bar);
    label_at_box = on_screen(label);
  };
  const long flushes_before = app::qt_window_services().frame_pacer().flushes();
  // The press's own init then keeps these callbacks, as it does from any second press on.
  ASSERT_TRUE(shared_downloader->init(watch_progress, on_download_done));
  click(main_window::WINDOW, main_window::DOWNLOAD_BUTTON);
  const long flushes = app::qt_window_services().frame_pacer().flushes() - flushes_before;

  ASSERT_EQ(box_texts(), std::vector<Text>{gbk("下载完毕")});
  ASSERT_EQ(shots.size(), 5u);
  EXPECT_EQ(shots.front().percent, 20);
  EXPECT_EQ(shots.back().percent, 100);
  std::vector<QImage> bars{empty_bar};
  std::vector<QImage> labels{empty_label};
  std::vector<int> percents{0};
  for (const Shot& shot : shots) {
    bars.push_back(shot.bar_now);
    labels.push_back(shot.label_now);
    percents.push_back(shot.percent);
  }
  // A value superseded by range k has been off the screen's due since range k's tick.
  const auto superseded_at = [&](int k) { return shots[static_cast<std::size_t>(k) - 1].tick; };

  const int row = empty_bar.height() / 5;  // above the centred percent text
  int previous_bar = 0;
  int previous_label = 0;
  int pending_shots = 0;
  for (int i = 1; i <= static_cast<int>(shots.size()); ++i) {
    const Shot& shot = shots[static_cast<std::size_t>(i) - 1];
    SCOPED_TRACE(shot.percent);
    EXPECT_FALSE(shot.events_pumped);
    const int shown_bar = shown_value(bars, shot.bar, i);
    const int shown_label = shown_value(labels, shot.label, i);
    ASSERT_GE(shown_bar, 0) << "the bar shows something never written";
    ASSERT_GE(shown_label, 0) << "the label shows something never written";
    // What the screen shows was the value less than a frame ago, and it never goes back.
    for (const int shown : {shown_bar, shown_label}) {
      if (shown < i) {
        EXPECT_LT(shot.tick - superseded_at(shown + 1), frame) << shown;
        ++pending_shots;
      }
    }
    EXPECT_GE(shown_bar, previous_bar);
    EXPECT_GE(shown_label, previous_label);
    // The filled part is in proportion to the percent of the value shown.
    EXPECT_NEAR(filled_columns(shot.bar, empty_bar, row),
                empty_bar.width() * percents[static_cast<std::size_t>(shown_bar)] / 100, 4);
    previous_bar = shown_bar;
    previous_label = shown_label;
  }
  // The first range's values wait for the wait that follows it: written, not yet flushed.
  EXPECT_TRUE(shots.front().bar == empty_bar);
  EXPECT_GT(pending_shots, 0);
  // At most one flush a frame over the run's ticks, and the one before the box.
  EXPECT_LE(flushes, 2 + static_cast<long>((shots.back().tick - shots.front().tick) / frame));
  // The box opens on exactly the last values.
  EXPECT_TRUE(bar_at_box == bars.back());
  EXPECT_TRUE(label_at_box == labels.back());
  EXPECT_NEAR(filled_columns(bar_at_box, empty_bar, row), empty_bar.width(), 4);
  process_events();
  EXPECT_TRUE(timer_fired);
}

// Many ranges faster than frames: most values are left pending, and still the box that
// ends the download opens on the last ones. With the clock stood still no flush falls
// due after the first, so the screen is brought up to date by the box alone; with the
// real clock, as a user runs it.
TEST_F(DownloadGuiTest, ManyFastRangesEndWithTheLastValuesOnTheScreenWhenTheBoxOpens) {
  constexpr int64_t BIG_SIZE = 60 * 20480 + 1000;  // 61 ranges
  FaultServer big{BIG_SIZE, 1000};
  pages.serve(SOUND_PAGE, sound_page_for(big.url()));
  resolve(&big);
  select_page(1);
  QWidget* bar_widget = find_control(main_window::WINDOW, main_window::PROGRESS_BAR);
  QWidget* label_widget = find_control(main_window::WINDOW, main_window::PROGRESS_LABEL);
  for (const bool clock_stands_still : {true, false}) {
    SCOPED_TRACE(clock_stands_still ? "clock standing still" : "real clock");
    std::filesystem::remove(target());
    recorder.message_boxes.clear();
    if (clock_stands_still) {
      fake_now = clock::tick_count() + 0x40000000u;
      clock::set_tick_source([] { return fake_now; });
    } else {
      clock::set_tick_source({});
    }
    QImage bar_at_box;
    QImage label_at_box;
    QImage bar_rendered;
    QImage label_rendered;
    recorder.on_message_box = [&](const app::MessageBoxRequest&) {
      bar_at_box = on_screen(bar_widget);
      label_at_box = on_screen(label_widget);
      bar_rendered = rendered(bar_widget);
      label_rendered = rendered(label_widget);
    };
    const long flushes_before = app::qt_window_services().frame_pacer().flushes();
    click(main_window::WINDOW, main_window::DOWNLOAD_BUTTON);
    const long flushes = app::qt_window_services().frame_pacer().flushes() - flushes_before;

    ASSERT_EQ(box_texts(), std::vector<Text>{gbk("下载完毕")});
    EXPECT_EQ(read_bytes(target()), FaultServer::pattern(0, BIG_SIZE));
    EXPECT_EQ(window_services().position(kBar), 100);
    EXPECT_NE(utf8_of(label()).find("下载进度：100%"), std::string::npos) << utf8_of(label());
    ASSERT_FALSE(bar_at_box.isNull());
    EXPECT_TRUE(bar_at_box == bar_rendered);
    EXPECT_TRUE(label_at_box == label_rendered);
    if (clock_stands_still) {
      EXPECT_LE(flushes, 2);  // the first wait's and the box's
    }
  }
}

}  // namespace
}  // namespace sonivo
