// 在线试听 with a Flash player against the same sound played by an HTML player page, in
// the same run: the time from the click on 在线收听 to the sound's request, and the
// resident growth of the program's processes (this one and its QtWebEngineProcess
// children) once the page is audible. The pages come from loopback servers; the Flash
// movie is the tests' own (tests/preview/FlashMovie), the sound a 1 s MP3.
//   listen_window_bench [rounds, default 3]   (under xvfb-run)

#include <httplib.h>

#include <QDir>
#include <QLineEdit>
#include <QWebEnginePage>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/RuntimeFiles.h"
#include "app/controls/BrowserBox.h"
#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "tests/preview/FlashMovie.h"
#include "tests/resolve/PageServer.h"
#include "tests/support/gui/GuiTestSupport.h"
#include "text/Gbk.h"

namespace {

namespace main_window = sonivo::main_window;
namespace listen_window = sonivo::listen_window;

using Clock = std::chrono::steady_clock;
using namespace sonivo::testing::gui;

std::string read_binary(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Resident kilobytes of this process and all its descendants.
long family_resident_kb() {
  std::map<int, int> parent_of;
  std::map<int, long> resident_of;
  for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool number = false;
    const int pid = entry.toInt(&number);
    if (!number) {
      continue;
    }
    std::ifstream status("/proc/" + entry.toStdString() + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("PPid:", 0) == 0) {
        parent_of[pid] = std::atoi(line.c_str() + 5);
      } else if (line.rfind("VmRSS:", 0) == 0) {
        resident_of[pid] = std::atol(line.c_str() + 6);
      }
    }
  }
  const int self = static_cast<int>(::getpid());
  long total = 0;
  for (const auto& [pid, kb] : resident_of) {
    for (int p = pid; p > 1; p = parent_of.count(p) ? parent_of[p] : 0) {
      if (p == self) {
        total += kb;
        break;
      }
    }
  }
  return total;
}

class Servers {
 public:
  Servers() : movie_(sonivo::testing::sound_playing_movie()) {
    mp3_ = read_binary(std::string(SONIVO_TEST_DATA) + "/preview/tone-1s.mp3");
    player_.Get(
        "/plus/player.swf", [this](const httplib::Request& request, httplib::Response& response) {
          if (flash_) {
            response.set_content(movie_, "application/x-shockwave-flash");
          } else {
            response.set_content("<html><body style='margin:0'><audio autoplay src='" +
                                     request.get_param_value("url") + "'></audio></body></html>",
                                 "text/html");
          }
        });
    sound_.Get("/tone.mp3", [this](const httplib::Request&, httplib::Response& response) {
      requested_at_ = Clock::now().time_since_epoch().count();
      response.set_content(mp3_, "audio/mpeg");
    });
    player_port_ = player_.bind_to_any_port("127.0.0.1");
    sound_port_ = sound_.bind_to_any_port("127.0.0.1");
    threads_.emplace_back([this] { player_.listen_after_bind(); });
    threads_.emplace_back([this] { sound_.listen_after_bind(); });
  }
  ~Servers() {
    player_.stop();
    sound_.stop();
    for (std::thread& t : threads_) {
      t.join();
    }
  }
  void serve_flash(bool flash) { flash_ = flash; }
  std::string player_host() const { return "127.0.0.1:" + std::to_string(player_port_); }
  std::string sound_url() const {
    return "http://127.0.0.1:" + std::to_string(sound_port_) + "/tone.mp3";
  }
  void forget_request() { requested_at_ = 0; }
  Clock::time_point requested_at() const {
    return Clock::time_point(Clock::duration(requested_at_.load()));
  }
  bool requested() const { return requested_at_ != 0; }

 private:
  std::string movie_;
  std::string mp3_;
  std::atomic<bool> flash_{true};
  httplib::Server player_;
  httplib::Server sound_;
  int player_port_ = 0;
  int sound_port_ = 0;
  std::vector<std::thread> threads_;
  std::atomic<Clock::rep> requested_at_{0};
};

struct Round {
  double to_request_ms = -1;
  double growth_mb = -1;
};

Round listen_once(Servers& servers, ToolkitRecorder& recorder) {
  Round round;
  servers.forget_request();
  const long before_kb = family_resident_kb();
  Clock::time_point clicked;
  recorder.on_window_shown = [&](const std::string& window) {
    if (window != listen_window::WINDOW) {
      return;
    }
    auto* box = find_control_as<sonivo::app::BrowserBox>(listen_window::WINDOW,
                                                         listen_window::PLAYER_BROWSER);
    if (!box || !run_until([&] { return box->page()->recentlyAudible(); }, 120000)) {
      std::fprintf(stderr, "no sound within two minutes\n");
      close_window(listen_window::WINDOW);
      return;
    }
    round.growth_mb = static_cast<double>(family_resident_kb() - before_kb) / 1024.0;
    if (servers.requested()) {
      round.to_request_ms =
          std::chrono::duration<double, std::milli>(servers.requested_at() - clicked).count();
    }
    close_window(listen_window::WINDOW);
  };
  clicked = Clock::now();
  click(main_window::WINDOW, main_window::LISTEN_BUTTON);
  // Let the closed window's page and renderer go before the next round measures.
  (void)run_until([] { return false; }, 1500);
  return round;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  sonivo::app::set_runtime_root_for_tests(QStringLiteral(SONIVO_APP_BUILD_DIR));
  Servers servers;
  setenv("SONIVO_PLAYER_HOST", servers.player_host().c_str(), 1);
  sonivo::testing::PageServer pages;
  std::string page = read_binary(std::string(SONIVO_TEST_DATA) + "/sound_page.html");
  const std::string start = "book_radio\" data-url=\"";
  const std::size_t from = page.find(start) + start.size();
  page.replace(from, page.find("\">", from) - from, servers.sound_url());
  pages.serve("/sound/1", page);

  ToolkitRecorder recorder;
  start_to_main_window();
  find_control_as<QLineEdit>(main_window::WINDOW, main_window::ADDRESS_BOX)
      ->setText(QString::fromStdString(sonivo::utf8_of(pages.url("/sound/1"))));
  click(main_window::WINDOW, main_window::RESOLVE_BUTTON);

  std::vector<double> time[2], growth[2];  // [0] the HTML page, [1] the Flash movie
  for (int i = 0; i < rounds; ++i) {
    for (int flash = 0; flash < 2; ++flash) {
      servers.serve_flash(flash == 1);
      const Round round = listen_once(servers, recorder);
      time[flash].push_back(round.to_request_ms);
      growth[flash].push_back(round.growth_mb);
    }
  }
  std::printf("median of %d rounds        HTML <audio> page   Flash movie (Ruffle)   ratio\n",
              rounds);
  std::printf("click to sound request     %8.0f ms         %8.0f ms            %5.1f\n",
              median(time[0]), median(time[1]), median(time[1]) / median(time[0]));
  std::printf("resident growth, audible   %8.0f MB         %8.0f MB            %5.1f\n",
              median(growth[0]), median(growth[1]), median(growth[1]) / median(growth[0]));
  recorder.on_window_shown = nullptr;
  close_all_windows();
  return 0;
}
