// Takes the screenshots in docs/screenshots of the two preview windows wearing the skin
// (scripts/screenshot-skin.sh runs it under a virtual X server; the main window's picture
// is scripts/screenshot-main.sh's). It runs the program's real start-up; a loopback
// server stands in for the player (a Flash movie made by the tests, on a blue stage, which
// streams a short tone), the cover picture and the about page, and the hosts of the pages
// the windows load point at it. The listening window is taken once its movie plays.

#include <httplib.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWebEnginePage>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "app/QtWindowServices.h"
#include "app/RuntimeFiles.h"
#include "app/Startup.h"
#include "app/ToolkitSeams.h"
#include "app/controls/BrowserBox.h"
#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "preview/CoverWindow.h"
#include "preview/ListenWindow.h"
#include "tests/preview/FlashMovie.h"
#include "text/Gbk.h"

namespace {

namespace main_window = sonivo::main_window;
namespace listen_window = sonivo::listen_window;
namespace cover_window = sonivo::cover_window;

std::string cover_png() {
  QImage image(300, 300, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, 300, 300);
  gradient.setColorAt(0, QColor(0x1d, 0x3b, 0x6e));
  gradient.setColorAt(1, QColor(0xc8, 0x5a, 0x8c));
  painter.fillRect(image.rect(), gradient);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setPixelSize(28);
  painter.setFont(font);
  painter.drawText(image.rect(), Qt::AlignCenter, QString::fromUtf8("夜曲 · Nocturne"));
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

std::string tone_mp3() {
  std::ifstream in(std::string(SONIVO_TEST_DATA) + "/preview/tone-1s.mp3", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const char* const ABOUT_PAGE =
    "<html><body style='font-family:sans-serif'><h3>Sonivo helper</h3></body></html>";

void save(const std::string& window, const std::string& file) {
  QWidget* widget = sonivo::app::qt_window_services().widget({window, ""});
  if (!widget) {
    std::fprintf(stderr, "no window %s\n", window.c_str());
    return;
  }
  // What the screen shows, the browser boxes' pages included.
  QPixmap picture = widget->screen()->grabWindow(widget->winId());
  if (picture.isNull()) {
    picture = widget->grab();
  }
  const std::string path = std::string(std::getenv("SONIVO_SCREENSHOT_DIR")) + "/" + file;
  if (!picture.save(QString::fromStdString(path), "PNG")) {
    std::fprintf(stderr, "cannot save %s\n", path.c_str());
  }
}

void close_window(const std::string& window) {
  if (QWidget* widget = sonivo::app::qt_window_services().widget({window, ""})) {
    widget->close();
  }
}

// Made once the application exists (fonts need it), before the cover is asked for.
std::string cover;

void open_previews() {
  cover = cover_png();
  sonivo::ResolvedSound& sound = sonivo::resolved_sound();
  const std::string host = std::getenv("SONIVO_PLAYER_HOST");
  sound.sound_name = sonivo::gbk("夜曲");
  sound.audio_link = sonivo::Text("http://" + host + "/audio/nocturne.mp3");
  sound.cover_url = sonivo::Text("http://" + host + "/cover.png");
  sonivo::open_listen_window();
  sonivo::open_cover_window();
  close_window(main_window::WINDOW);
}

// The movie is running once its sound plays (Ruffle's start takes seconds on a busy
// machine); a minute at most.
void save_once_the_movie_plays(int tries_left = 240) {
  auto* box = qobject_cast<sonivo::app::BrowserBox*>(sonivo::app::qt_window_services().widget(
      {listen_window::WINDOW, listen_window::PLAYER_BROWSER}));
  if (box && !box->page()->recentlyAudible() && tries_left > 0) {
    QTimer::singleShot(250, [tries_left] { save_once_the_movie_plays(tries_left - 1); });
    return;
  }
  if (tries_left == 0) {
    std::fprintf(stderr, "the movie did not play\n");
  }
  QTimer::singleShot(300, [] {
    save(listen_window::WINDOW, "listen-window.png");
    close_window(listen_window::WINDOW);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("SONIVO_SCREENSHOT_DIR")) {
    std::fprintf(stderr, "SONIVO_SCREENSHOT_DIR names the folder for the pictures\n");
    return 2;
  }
  httplib::Server server;
  server.Get("/cover.png", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(cover, "image/png");
  });
  server.Get("/plus/player.swf", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(sonivo::testing::sound_playing_movie(), "application/x-shockwave-flash");
  });
  server.Get("/audio/nocturne.mp3", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(tone_mp3(), "audio/mpeg");
  });
  server.Get(".*", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(ABOUT_PAGE, "text/html");
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&] { server.listen_after_bind(); });
  const std::string host = "127.0.0.1:" + std::to_string(port);
  // The pages the windows load; the community host is only shown, never fetched here.
  for (const char* name : {"SONIVO_MAKER_SITE_HOST", "SONIVO_PLAYER_HOST"}) {
    ::setenv(name, host.c_str(), 1);
  }

  sonivo::app::set_runtime_root_for_tests(QString::fromUtf8(SONIVO_APP_BUILD_DIR));
  sonivo::app::set_message_box_presenter([](const sonivo::app::MessageBoxRequest& request) {
    std::fprintf(stderr, "box: %s\n", sonivo::utf8_of(request.text).c_str());
    return sonivo::BUTTON_OK;
  });
  // Time for the windows to paint and the browser boxes to load, then the picture.
  sonivo::app::set_window_shown_observer([](const std::string& window) {
    if (window == main_window::WINDOW) {
      QTimer::singleShot(2000, open_previews);
    } else if (window == listen_window::WINDOW) {
      save_once_the_movie_plays();
    } else if (window == cover_window::WINDOW) {
      QTimer::singleShot(1500, [] {
        save(cover_window::WINDOW, "cover-window.png");
        close_window(cover_window::WINDOW);
      });
    }
  });
  const int code = sonivo::run_program(argc, argv);
  server.stop();
  serving.join();
  return code;
}
