// The listening window and the cover viewer through the real MainWindow: its buttons
// clicked offscreen, a sound page resolved from a loopback server, the player page and
// the covers served on loopback too.

#include <gtest/gtest.h>
#include <httplib.h>

#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMovie>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/controls/BrowserBox.h"
#include "app/controls/PictureBox.h"
#include "core/ControlNames.h"
#include "core/Hosts.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "preview/ListenWindow.h"
#include "tests/resolve/PageServer.h"
#include "tests/support/LoopbackPorts.h"
#include "tests/support/TempFolder.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using namespace testing::gui;
using testing::PageServer;
using testing::TempFolder;

const char* const SOUND_NAME = "夜空中最亮的星（钢琴版）";  // the fixture's

std::string read_binary(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The fixture page with the values of two of its fields replaced.
std::string replace_value(std::string page, const std::string& start, const std::string& end,
                          const std::string& value) {
  const std::size_t from = page.find(start);
  const std::size_t to = page.find(end, from + start.size());
  if (from == std::string::npos || to == std::string::npos) {
    return page;
  }
  return page.replace(from + start.size(), to - from - start.size(), value);
}
std::string sound_page(const std::string& audio_link, const std::string& cover_url) {
  std::string page = read_binary(std::string(SONIVO_TEST_DATA) + "/sound_page.html");
  page = replace_value(page, "book_radio\" data-url=\"", "\">", audio_link);
  return replace_value(page, "alt=\"cover\" src=\"", "\"/>", cover_url);
}

// Types the address into 编辑框_地址 and clicks 解析.
void resolve(const Text& address) {
  auto* edit = find_control_as<QLineEdit>(main_window::WINDOW, main_window::ADDRESS_BOX);
  ASSERT_NE(edit, nullptr);
  edit->clear();
  QTest::keyClicks(edit, QString::fromStdString(utf8_of(address)));
  click(main_window::WINDOW, main_window::RESOLVE_BUTTON);
}

// Stands in for the player page; remembers the url value each request carried.
class PlayerServer {
 public:
  PlayerServer() {
    server_.Get(
        "/plus/player.swf", [this](const httplib::Request& request, httplib::Response& response) {
          {
            std::lock_guard lock(mutex_);
            values_.push_back(request.has_param("url") ? request.get_param_value("url") : "<none>");
            parameters_ = request.params.size();
          }
          response.set_content("<html><body>player</body></html>", "text/html");
        });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~PlayerServer() {
    server_.stop();
    thread_.join();
  }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> values() {
    std::lock_guard lock(mutex_);
    return values_;
  }
  std::size_t parameters() {
    std::lock_guard lock(mutex_);
    return parameters_;
  }

 private:
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> values_;
  std::size_t parameters_ = 0;
};

class PreviewGui : public ::testing::Test {
 protected:
  void SetUp() override {
    main_ = start_to_main_window();
    ASSERT_NE(main_, nullptr);
    resolved_sound() = ResolvedSound();
  }
  void TearDown() override {
    recorder.on_window_shown = nullptr;
    close_all_windows();
    resolved_sound() = ResolvedSound();
  }

  ToolkitRecorder recorder;
  QWidget* main_ = nullptr;
};

TEST_F(PreviewGui, BothButtonsGiveTheirNoticeBeforeAnyResolve) {
  click(main_window::WINDOW, main_window::LISTEN_BUTTON);
  click(main_window::WINDOW, main_window::COVER_BUTTON);
  ASSERT_EQ(recorder.message_boxes.size(), 2u);
  EXPECT_EQ(recorder.message_boxes[0].text, gbk("请输入链接地址后再进行试听！"));
  EXPECT_EQ(recorder.message_boxes[0].title, gbk("信息："));
  EXPECT_EQ(recorder.message_boxes[0].flags, MB_OK);
  EXPECT_EQ(recorder.message_boxes[1].text, gbk("图片地址不正确，请检查地址是否已经解析！"));
  EXPECT_EQ(recorder.message_boxes[1].title, gbk("友情提醒："));
  EXPECT_EQ(recorder.message_boxes[1].flags, MB_OK);
  EXPECT_EQ(recorder.shown_windows, std::vector<std::string>{main_window::WINDOW});
}

TEST_F(PreviewGui, ListenWindowOpensCentredWithTheNameAndTheEncodedPlayerAddress) {
  PlayerServer player;
  setenv("SONIVO_PLAYER_HOST", player.host().c_str(), 1);
  const std::string link = "http://127.0.0.1:9/a b.mp3?x=1&y=2#t";
  PageServer pages;
  pages.serve("/sound/1", sound_page(link, "http://127.0.0.1:9/c.png"));
  resolve(pages.url("/sound/1"));
  ASSERT_EQ(resolved_sound().audio_link, Text(link));

  Text caption;
  QString address;
  QRect geometry;
  bool main_disabled = false;
  bool focus_in_browser = false;
  bool closed_by_esc = false;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    QWidget* listen = find_window(listen_window::WINDOW);
    caption = window_services().text({listen_window::WINDOW, ""});
    geometry = QRect(listen->pos(), listen->size());
    main_disabled = !main_->isEnabled();
    auto* browser =
        find_control_as<app::BrowserBox>(listen_window::WINDOW, listen_window::PLAYER_BROWSER);
    ASSERT_NE(browser, nullptr);
    address = browser->address();
    // Bounded wait for the browser box to ask the player page for the sound.
    for (int i = 0; i < 300 && player.values().empty(); ++i) {
      QTest::qWait(100);
    }
    // Esc as the keyboard sends it: to the window, which hands it to the focused control,
    // the browser box's own view.
    QWidget* focus = QApplication::focusWidget();
    focus_in_browser = focus && (focus == browser || browser->isAncestorOf(focus));
    QTest::keyClick(listen->windowHandle(), Qt::Key_Escape);
    process_events();
    closed_by_esc = find_window(listen_window::WINDOW) == nullptr;
    if (!closed_by_esc) {
      close_window(listen_window::WINDOW);
    }
  };
  click(main_window::WINDOW, main_window::LISTEN_BUTTON);

  EXPECT_EQ(caption, gbk("正在试听：") + gbk(SOUND_NAME) + Text(" - ") + site_label());
  EXPECT_EQ(address.toStdString(), "http://" + player.host() +
                                       "/plus/player.swf?url=http%3A%2F%2F127.0.0.1%3A9%2Fa%20b."
                                       "mp3%3Fx%3D1%26y%3D2%23t");
  // The player reads back the whole address as one value.
  ASSERT_FALSE(player.values().empty());
  EXPECT_EQ(player.values().front(), link);
  EXPECT_EQ(player.parameters(), 1u);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(geometry, QRect(area.x() + (area.width() - 386) / 2,
                            area.y() + (area.height() - 71) / 2, 380, 43));
  EXPECT_TRUE(main_disabled);
  EXPECT_TRUE(focus_in_browser);
  EXPECT_TRUE(closed_by_esc);
  EXPECT_TRUE(main_->isEnabled());
  EXPECT_EQ(find_window(listen_window::WINDOW), nullptr);
  EXPECT_EQ(recorder.shown_windows,
            (std::vector<std::string>{main_window::WINDOW, listen_window::WINDOW}));
  EXPECT_TRUE(recorder.message_boxes.empty());
  setenv("SONIVO_PLAYER_HOST", "127.0.0.1:9", 1);
}

// --- the cover viewer ---

// Four quadrants: red, blue / lime, yellow (top row, then bottom row).
QImage quadrants(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  const QColor colours[] = {Qt::red, Qt::blue, Qt::green, Qt::yellow};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      image.setPixelColor(x, y, colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)]);
    }
  }
  return image;
}
std::string encoded(const QImage& image, const char* format, int quality = -1) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format, quality);
  return bytes.toStdString();
}

using Quadrants = std::vector<QColor>;
const Quadrants RED_BLUE_LIME_YELLOW = {Qt::red, Qt::blue, Qt::green, Qt::yellow};
// The second frame of quadrants.gif (made with ImageMagick: two 24 x 6 frames of four
// 12 x 3 quadrants, 100 ms each, looping).
const Quadrants CYAN_MAGENTA_WHITE_BLACK = {Qt::cyan, Qt::magenta, Qt::white, Qt::black};

bool near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// What the 500 x 500 box shows in each quadrant, at its middle and at its outer corner:
// a stretched picture reaches every edge whatever its proportions.
bool shows(const QImage& shown, const Quadrants& expected, int tolerance) {
  const QPoint middles[] = {{125, 125}, {375, 125}, {125, 375}, {375, 375}};
  const QPoint corners[] = {{1, 1}, {498, 1}, {1, 498}, {498, 498}};
  for (std::size_t i = 0; i < 4; ++i) {
    if (!near(shown.pixelColor(middles[i]), expected[i], tolerance) ||
        !near(shown.pixelColor(corners[i]), expected[i], tolerance)) {
      return false;
    }
  }
  return true;
}

QImage shown_picture() {
  auto* box = find_control_as<app::PictureBox>(cover_window::WINDOW, cover_window::PICTURE);
  return box ? box->grab().toImage() : QImage();
}

TEST_F(PreviewGui, CoverWindowShowsPngJpegAndAnimatedGifStretchedToTheBox) {
  struct Case {
    const char* name;
    std::string bytes;
    bool animated;
    int tolerance;
  };
  const Case cases[] = {
      {"png", encoded(quadrants(40, 10), "PNG"), false, 0},          // wide
      {"jpeg", encoded(quadrants(64, 256), "JPEG", 95), false, 24},  // tall
      {"gif", read_binary(std::string(SONIVO_TEST_DATA) + "/preview/quadrants.gif"), true, 0},
  };
  PageServer pages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = c.name;
    pages.serve("/cover/" + name, c.bytes);
    pages.serve("/sound/" + name,
                sound_page("http://127.0.0.1:9/a.mp3", utf8_of(pages.url("/cover/" + name))));
    resolve(pages.url("/sound/" + name));
    ASSERT_EQ(resolved_sound().cover_url, pages.url("/cover/" + name));

    bool looked = false;
    recorder.on_window_shown = [&](const std::string& window) {
      if (window != cover_window::WINDOW) {
        return;
      }
      looked = true;
      auto* box = find_control_as<app::PictureBox>(cover_window::WINDOW, cover_window::PICTURE);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->picture().toStdString(), c.bytes);
      const QImage first = shown_picture();
      EXPECT_EQ(first.size(), QSize(500, 500));
      if (!c.animated) {
        EXPECT_FALSE(box->animated());
        EXPECT_TRUE(shows(first, RED_BLUE_LIME_YELLOW, c.tolerance));
        close_window(cover_window::WINDOW);
        return;
      }
      ASSERT_TRUE(box->animated());
      EXPECT_EQ(box->movie()->state(), QMovie::Running);
      const bool on_first_frame = shows(first, RED_BLUE_LIME_YELLOW, 0);
      EXPECT_TRUE(on_first_frame || shows(first, CYAN_MAGENTA_WHITE_BLACK, 0));
      // The other frame follows (frames last 100 ms; the wait is bounded, not timed).
      const int frame = box->movie()->currentFrameNumber();
      EXPECT_TRUE(
          QTest::qWaitFor([&] { return box->movie()->currentFrameNumber() != frame; }, 10000));
      EXPECT_TRUE(shows(shown_picture(),
                        on_first_frame ? CYAN_MAGENTA_WHITE_BLACK : RED_BLUE_LIME_YELLOW, 0));
      close_window(cover_window::WINDOW);
    };
    click(main_window::WINDOW, main_window::COVER_BUTTON);
    EXPECT_TRUE(looked);
    EXPECT_EQ(find_window(cover_window::WINDOW), nullptr);
    EXPECT_TRUE(main_->isEnabled());
  }
  EXPECT_TRUE(recorder.message_boxes.empty());
}

TEST_F(PreviewGui, RightClickSavesTheDownloadedBytesAndProposesTheLastPathInThatWindowOnly) {
  const std::string jpeg = encoded(quadrants(64, 64), "JPEG", 80);
  ASSERT_EQ(jpeg.substr(0, 3), "\xFF\xD8\xFF");
  PageServer pages;
  pages.serve("/cover.jpg", jpeg);
  pages.serve("/sound/1", sound_page("http://127.0.0.1:9/a.mp3", utf8_of(pages.url("/cover.jpg"))));
  resolve(pages.url("/sound/1"));

  TempFolder folder;
  const Text chosen = Text(folder.str()) + gbk("/封面 副本.png");
  const std::filesystem::path saved = folder.path() / "封面 副本.png";
  recorder.next_file_dialog_answers = {
      {},              // cancelled
      {true, chosen},  // saved
      {},              // cancelled again, the path proposed
      {},              // after reopening
  };
  int openings = 0;
  bool folder_empty_after_cancel = false;
  std::string saved_bytes;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != cover_window::WINDOW) {
      return;
    }
    ++openings;
    if (openings == 1) {
      click(cover_window::WINDOW, cover_window::PICTURE, Qt::RightButton);
      folder_empty_after_cancel = std::filesystem::is_empty(folder.path());
      click(cover_window::WINDOW, cover_window::PICTURE, Qt::RightButton);
      saved_bytes = read_binary(saved);
      click(cover_window::WINDOW, cover_window::PICTURE, Qt::RightButton);
    } else {
      click(cover_window::WINDOW, cover_window::PICTURE, Qt::RightButton);
    }
    close_window(cover_window::WINDOW);
  };
  click(main_window::WINDOW, main_window::COVER_BUTTON);
  click(main_window::WINDOW, main_window::COVER_BUTTON);

  EXPECT_EQ(openings, 2);
  EXPECT_TRUE(folder_empty_after_cancel);
  EXPECT_EQ(saved_bytes, jpeg);  // JPEG data under a .png name, not converted
  EXPECT_EQ(read_binary(saved), jpeg);
  ASSERT_EQ(recorder.file_dialogs.size(), 4u);
  EXPECT_TRUE(recorder.file_dialogs[0].file_name.empty());
  EXPECT_TRUE(recorder.file_dialogs[1].file_name.empty());
  EXPECT_EQ(recorder.file_dialogs[2].file_name, chosen);
  EXPECT_TRUE(recorder.file_dialogs[3].file_name.empty());  // a fresh window
  EXPECT_TRUE(recorder.message_boxes.empty());
}

TEST_F(PreviewGui, UnreachableCoverOpensAnEmptyWindowThatSavesAnEmptyFile) {
  const Text cover =
      Text("http://127.0.0.1:" + std::to_string(testing::closed_loopback_port()) + "/c.png");
  PageServer pages;
  pages.serve("/sound/1", sound_page("http://127.0.0.1:9/a.mp3", utf8_of(cover)));
  resolve(pages.url("/sound/1"));
  ASSERT_EQ(resolved_sound().cover_url, cover);

  TempFolder folder;
  const Text chosen = Text(folder.str() + "/empty.png");
  recorder.next_file_dialog_answers = {{true, chosen}};
  bool empty_box = false;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != cover_window::WINDOW) {
      return;
    }
    auto* box = find_control_as<app::PictureBox>(cover_window::WINDOW, cover_window::PICTURE);
    ASSERT_NE(box, nullptr);
    empty_box = box->picture().isEmpty() && box->pixmap().isNull() && !box->animated();
    click(cover_window::WINDOW, cover_window::PICTURE, Qt::RightButton);
    close_window(cover_window::WINDOW);
  };
  click(main_window::WINDOW, main_window::COVER_BUTTON);

  EXPECT_TRUE(empty_box);
  EXPECT_EQ(recorder.shown_windows,
            (std::vector<std::string>{main_window::WINDOW, cover_window::WINDOW}));
  const std::filesystem::path saved = folder.path() / "empty.png";
  ASSERT_TRUE(std::filesystem::exists(saved));
  EXPECT_EQ(std::filesystem::file_size(saved), 0u);
  EXPECT_TRUE(recorder.message_boxes.empty());
}

}  // namespace
}  // namespace sonivo
