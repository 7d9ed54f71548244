// The listening window playing a real Flash movie: MainWindow resolves a page on a
// loopback server, 在线收听 opens ListenWindow, whose browser box meets a Flash movie at
// the player address (a loopback server of its own), shows it with Ruffle, and the movie
// streams the sound from a third loopback server on another port, another origin.

#include <gtest/gtest.h>
#include <httplib.h>

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWebEnginePage>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/FlashScheme.h"
#include "app/RuntimeFiles.h"
#include "app/controls/BrowserBox.h"
#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "preview/ListenWindow.h"
#include "tests/preview/FlashMovie.h"
#include "tests/resolve/PageServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace sonivo {
namespace {

using namespace testing::gui;
using testing::PageServer;
using testing::TempFolder;

constexpr int WAIT_MS = 20000;  // bounds every wait; a working run needs a few seconds

std::string read_binary(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string sound_page(const std::string& audio_link) {
  std::string page = read_binary(std::string(SONIVO_TEST_DATA) + "/sound_page.html");
  const std::string start = "book_radio\" data-url=\"";
  const std::size_t from = page.find(start) + start.size();
  return page.replace(from, page.find("\">", from) - from, audio_link);
}

// A loopback server answering every GET with one body of one type; it records the
// request targets as they arrived and how many whole bodies it sent.
class FixedServer {
 public:
  FixedServer(std::string body, std::string type) : body_(std::move(body)), type_(std::move(type)) {
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      {
        std::lock_guard lock(mutex_);
        targets_.push_back(request.target);
      }
      response.set_content_provider(
          body_.size(), type_,
          [this](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            if (!sink.write(body_.data() + offset, length)) {
              return false;
            }
            if (offset + length == body_.size()) {
              whole_bodies_sent_++;
            }
            return true;
          });
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~FixedServer() {
    server_.stop();
    thread_.join();
  }
  std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  std::vector<std::string> targets() {
    std::lock_guard lock(mutex_);
    return targets_;
  }
  int whole_bodies_sent() const { return whole_bodies_sent_; }

 private:
  std::string body_;
  std::string type_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> targets_;
  std::atomic<int> whole_bodies_sent_{0};
};

std::string tone_mp3() {
  return read_binary(std::string(SONIVO_TEST_DATA) + "/preview/tone-1s.mp3");
}

QString page_text(QWebEnginePage* page) {
  QString text;
  bool done = false;
  page->toPlainText([&](const QString& result) {
    text = result;
    done = true;
  });
  (void)run_until([&] { return done; }, WAIT_MS);
  return text;
}

class ListenFlashGui : public ::testing::Test {
 protected:
  void SetUp() override {
    app::set_runtime_root_for_tests(QStringLiteral(SONIVO_APP_BUILD_DIR));
    app::BrowserBox::set_console_observer_for_tests(
        [this](const QString& message) { console.push_back(message.toStdString()); });
    app::set_movie_request_observer_for_tests([this](const QString& address, bool refused) {
      (refused ? refused_requests : movie_requests).push_back(address.toStdString());
    });
    main_ = start_to_main_window();
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    recorder.on_window_shown = nullptr;
    close_all_windows();
    resolved_sound() = ResolvedSound();
    app::set_runtime_root_for_tests({});
    app::BrowserBox::set_console_observer_for_tests({});
    app::set_movie_request_observer_for_tests({});
    setenv("SONIVO_PLAYER_HOST", "127.0.0.1:9", 1);
  }

  // Resolves a page holding `audio_link` and points the player host at `player`.
  void resolve_with_player(const std::string& audio_link, const FixedServer& player) {
    setenv("SONIVO_PLAYER_HOST", player.host().c_str(), 1);
    pages_.serve("/sound/1", sound_page(audio_link));
    auto* edit = find_control_as<QLineEdit>(main_window::WINDOW, main_window::ADDRESS_BOX);
    ASSERT_NE(edit, nullptr);
    edit->setText(QString::fromStdString(utf8_of(pages_.url("/sound/1"))));
    click(main_window::WINDOW, main_window::RESOLVE_BUTTON);
    ASSERT_EQ(resolved_sound().audio_link, Text(audio_link));
  }

  app::BrowserBox* player_box() {
    return find_control_as<app::BrowserBox>(listen_window::WINDOW, listen_window::PLAYER_BROWSER);
  }

  // Esc as the keyboard sends it, to whatever has the focus in the window.
  bool closes_on_escape() {
    QWidget* listen = find_window(listen_window::WINDOW);
    if (!listen) {
      return false;
    }
    QTest::keyClick(listen->windowHandle(), Qt::Key_Escape);
    process_events();
    const bool closed = find_window(listen_window::WINDOW) == nullptr;
    if (!closed) {
      close_window(listen_window::WINDOW);
    }
    return closed;
  }

  bool console_has(const std::string& text) const {
    for (const std::string& message : console) {
      if (message.find(text) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  ToolkitRecorder recorder;
  QWidget* main_ = nullptr;
  PageServer pages_;
  std::vector<std::string> console;
  std::vector<std::string> movie_requests;
  std::vector<std::string> refused_requests;
};

TEST_F(ListenFlashGui, TheMovieStreamsTheSoundFromAnotherOriginUntilEscClosesTheWindow) {
  FixedServer player(testing::sound_playing_movie(), "application/x-shockwave-flash");
  FixedServer sound(tone_mp3(), "audio/mpeg");
  const std::string link = sound.origin() + "/tone 1.mp3?x=1&y=2#t";
  resolve_with_player(link, player);

  QPointer<QWebEnginePage> page;
  bool audible = false;
  bool focus_in_box = false;
  bool closed_by_esc = false;
  bool silent_once_closed = false;
  bool main_disabled = false;
  QString address;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    app::BrowserBox* box = player_box();
    ASSERT_NE(box, nullptr);
    page = box->page();
    main_disabled = !main_->isEnabled();
    QObject::connect(page, &QWebEnginePage::recentlyAudibleChanged,
                     [&](bool now) { audible = audible || now; });
    (void)run_until([&] { return audible && sound.whole_bodies_sent() > 0; }, WAIT_MS);
    address = box->address();
    // The movie's canvas takes the focus as a user's click on it gives it.
    QWidget* view = box->focusProxy() ? box->focusProxy() : box;
    QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->rect().center());
    process_events();
    QWidget* focus = QApplication::focusWidget();
    focus_in_box = focus && (focus == box || box->isAncestorOf(focus));
    closed_by_esc = closes_on_escape();
    // The window is gone from the screen; the page follows a moment later, but its
    // sound ends now.
    silent_once_closed = page.isNull() || page->isAudioMuted();
  };
  click(main_window::WINDOW, main_window::LISTEN_BUTTON);

  EXPECT_TRUE(main_disabled);
  EXPECT_TRUE(audible);
  // One GET for exactly the audio address (as a browser sends it: the space escaped, the
  // fragment kept back), its whole body sent.
  EXPECT_EQ(sound.targets(), std::vector<std::string>{"/tone%201.mp3?x=1&y=2"});
  EXPECT_EQ(sound.whole_bodies_sent(), 1);
  // The movie received the audio address whole as its `url`.
  EXPECT_TRUE(console_has(link)) << ::testing::PrintToString(console);
  // The box still reads the address written to it; the movie went through our requests.
  EXPECT_EQ(address.toStdString(), utf8_of(player_address(Text(link))));
  EXPECT_TRUE(focus_in_box);
  EXPECT_TRUE(closed_by_esc);
  EXPECT_TRUE(silent_once_closed);
  EXPECT_TRUE(main_->isEnabled());
  EXPECT_EQ(find_window(listen_window::WINDOW), nullptr);
  EXPECT_TRUE(run_until([&] { return page.isNull(); }, WAIT_MS));
  EXPECT_TRUE(refused_requests.empty());
  EXPECT_TRUE(recorder.message_boxes.empty());
}

// The movie asks for a local file: the request is refused before anything is read, and
// nothing plays. The movie comes under a type that says nothing: its first bytes tell.
TEST_F(ListenFlashGui, AMovieAskingForAFileGetsNothing) {
  TempFolder folder;
  const std::filesystem::path file = folder.path() / "tone.mp3";
  std::ofstream(file, std::ios::binary) << tone_mp3();
  FixedServer player(testing::sound_playing_movie(), "application/octet-stream");
  const std::string link = "file://" + file.string();
  resolve_with_player(link, player);

  bool audible = false;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    QObject::connect(player_box()->page(), &QWebEnginePage::recentlyAudibleChanged,
                     [&](bool now) { audible = audible || now; });
    (void)run_until([&] { return !refused_requests.empty(); }, WAIT_MS);
    // Were the file played, the page would be audible within this second.
    (void)run_until([] { return false; }, 1000);
    close_window(listen_window::WINDOW);
  };
  click(main_window::WINDOW, main_window::LISTEN_BUTTON);

  EXPECT_TRUE(console_has(link));
  EXPECT_EQ(refused_requests, std::vector<std::string>{link});
  ASSERT_EQ(movie_requests.size(), 1u);  // the movie itself only
  EXPECT_EQ(movie_requests[0].rfind("http://" + player.host() + "/plus/player.swf?url=", 0), 0u);
  EXPECT_FALSE(audible);
  EXPECT_TRUE(main_->isEnabled());
}

// A player that is a web page is shown as one, without Ruffle.
TEST_F(ListenFlashGui, AnHtmlPlayerPageIsShownAsAPage) {
  FixedServer player("<html><body>html player</body></html>", "text/html");
  FixedServer sound(tone_mp3(), "audio/mpeg");
  resolve_with_player(sound.origin() + "/a.mp3", player);

  QString text;
  QUrl shown;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    QWebEnginePage* page = player_box()->page();
    (void)run_until([&] { return page_text(page) == QLatin1String("html player"); }, WAIT_MS);
    text = page_text(page);
    shown = page->url();
    close_window(listen_window::WINDOW);
  };
  click(main_window::WINDOW, main_window::LISTEN_BUTTON);

  EXPECT_EQ(text.toStdString(), "html player");
  EXPECT_EQ(shown.scheme().toStdString(), "http");
  const std::vector<std::string> targets = player.targets();  // the browser's favicon besides
  EXPECT_EQ(
      std::count_if(targets.begin(), targets.end(),
                    [](const std::string& t) { return t.rfind("/plus/player.swf?", 0) == 0; }),
      1);
  EXPECT_TRUE(sound.targets().empty());
  EXPECT_TRUE(movie_requests.empty());
}

// Without Ruffle's files the box says in one line that it cannot play the movie.
TEST_F(ListenFlashGui, WithoutRuffleTheBoxSaysItCannotPlayFlash) {
  TempFolder empty_runtime;
  app::set_runtime_root_for_tests(QString::fromStdString(empty_runtime.str()));
  FixedServer player(testing::sound_playing_movie(), "application/x-shockwave-flash");
  FixedServer sound(tone_mp3(), "audio/mpeg");
  resolve_with_player(sound.origin() + "/a.mp3", player);

  QString text;
  bool closed_by_esc = false;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    QWebEnginePage* page = player_box()->page();
    (void)run_until([&] { return !page_text(page).isEmpty(); }, WAIT_MS);
    text = page_text(page);
    closed_by_esc = closes_on_escape();
  };
  click(main_window::WINDOW, main_window::LISTEN_BUTTON);

  EXPECT_EQ(text, QString::fromUtf8("无法播放 Flash 内容"));
  EXPECT_TRUE(closed_by_esc);
  EXPECT_TRUE(main_->isEnabled());
  EXPECT_TRUE(sound.targets().empty());
  EXPECT_TRUE(movie_requests.empty());
  EXPECT_TRUE(recorder.message_boxes.empty());
}

}  // namespace
}  // namespace sonivo
