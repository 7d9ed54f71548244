// The download as a user starts it: the Qt window services with MainWindow loaded from
// its template (browser box included, so the window composes as a user's does), the
// download page selected, and the download tab's handler run against a loopback file
// server with byte ranges. Next to it, in the same run, a reference loop of the same
// 20 KB ranged GETs on one reused libcurl easy handle. On loopback for two file sizes,
// then through a proxy of the bench's own that delays every byte 25 ms each way.
//
// Run it on an X server (xvfb-run); on the offscreen platform the window never composes.
//
//   window_download_bench [small_mb=16] [large_mb=64] [rounds=3] [delayed_mb=2]

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/QtWindowServices.h"
#include "app/SharedState.h"
#include "app/Startup.h"
#include "app/ToolkitSeams.h"
#include "app/controls/TabControl.h"
#include "bench/DelayProxy.h"
#include "bench/ProcessMemory.h"
#include "bench/ServerProcess.h"
#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "core/WindowServices.h"
#include "download/DownloadTab.h"
#include "download/RangeDownloader.h"
#include "text/Gbk.h"

namespace {

namespace main_window = sonivo::main_window;

using sonivo::Text;
using sonivo::bench::DelayProxy;
using sonivo::bench::reset_peak;
using sonivo::bench::ServerProcess;
using sonivo::bench::status_kb;

constexpr long CHUNK = 20480;
constexpr int DELAY_MS = 25;

// Lets the window do what it has queued (paints, the browser box's start), untimed.
void settle(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
}

// Counts the paints that reach MainWindow while nothing is pumped: each one is a frame
// composed and put on the screen.
class FlushCounter : public QObject {
 public:
  long flushes = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::UpdateRequest) {
      ++flushes;
    }
    return QObject::eventFilter(watched, event);
  }
};
FlushCounter flush_counter;
Text last_box;

struct Result {
  double seconds = 1e9;
  long flushes = 0;  // in the round of the best time
  long peak_growth_kb = 0;
};

// --- the two ways ---------------------------------------------------------------------

void by_window(const std::string& url) {
  sonivo::resolved_sound().audio_link = Text(url);
  last_box = Text();
  sonivo::start_download();
  if (last_box != sonivo::gbk("下载完毕")) {
    std::fprintf(stderr, "the download did not end with 下载完毕\n");
    std::exit(1);
  }
}

// `run` on its own, in this same process: what the window adds is the difference.
void ignore_progress(const Text&, int32_t, int32_t, int32_t) {}
void ignore_done(const Text&, int32_t, const Text&, int32_t) {}
void by_run_alone(const std::string& url, const std::string& path) {
  sonivo::RangeDownloader downloader;
  downloader.init(ignore_progress, ignore_done);
  downloader.set_source(Text(url), Text());
  downloader.set_target_file(Text(path));
  downloader.set_chunk_kb(20);
  if (!downloader.run()) {
    std::fprintf(stderr, "run failed\n");
    std::exit(1);
  }
}

std::string range_body;
size_t keep_body(char* data, size_t size, size_t count, void*) {
  range_body.append(data, size * count);
  return size * count;
}

void by_reference_loop(const std::string& url, const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, keep_body);
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  for (long first = 0;; first += CHUNK) {
    const std::string range = std::to_string(first) + "-" + std::to_string(first + CHUNK - 1);
    curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
    range_body.clear();
    curl_easy_perform(easy);
    if (::write(fd, range_body.data(), range_body.size()) < 0 ||
        static_cast<long>(range_body.size()) < CHUNK) {
      break;
    }
  }
  curl_easy_cleanup(easy);
  ::close(fd);
}

// One download into a fresh file; keeps the best time and the highest peak growth.
void measure_once(const std::function<void()>& way, const std::string& path, int64_t size,
                  Result& result) {
  std::filesystem::remove(path);
  settle(50);
  reset_peak();
  const long before = status_kb("VmRSS:");
  flush_counter.flushes = 0;
  const auto start = std::chrono::steady_clock::now();
  way();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peak_growth_kb = std::max(result.peak_growth_kb, status_kb("VmHWM:") - before);
  if (seconds < result.seconds) {
    result.seconds = seconds;
    result.flushes = flush_counter.flushes;
  }
  if (static_cast<int64_t>(std::filesystem::file_size(path)) != size) {
    std::fprintf(stderr, "wrong size\n");
    std::exit(1);
  }
  std::filesystem::remove(path);
}

struct Pair {
  Result window;
  Result reference;
  Result run_alone;
};

Pair measure(const std::string& url, const std::string& path, int64_t size, int rounds) {
  Pair pair;
  // A warm-up, then both ways in turn, round after round, so that a change in the
  // machine's load touches both alike.
  Result warm_up;
  measure_once([&] { by_window(url); }, path, size, warm_up);
  for (int i = 0; i < rounds; ++i) {
    measure_once([&] { by_reference_loop(url, path); }, path, size, pair.reference);
    measure_once([&] { by_window(url); }, path, size, pair.window);
    measure_once([&] { by_run_alone(url, path); }, path, size, pair.run_alone);
  }
  return pair;
}

void start_main_window(const std::string& folder) {
  sonivo::start_toolkit();
  sonivo::create_shared_state();
  sonivo::run_initialisation_hooks();
  sonivo::load_start_window();
  settle(2000);
  auto& services = sonivo::app::qt_window_services();
  auto* tabs = qobject_cast<sonivo::app::TabControl*>(
      services.widget({main_window::WINDOW, main_window::TABS}));
  if (!tabs) {
    std::fprintf(stderr, "MainWindow has no 选择夹1\n");
    std::exit(1);
  }
  tabs->select_page(1);
  services.set_text({main_window::WINDOW, main_window::FOLDER_BOX}, Text(folder + "/"));
  services.set_text({main_window::WINDOW, main_window::NAME_BOX}, Text("file.bin"));
  services.widget({main_window::WINDOW, ""})->installEventFilter(&flush_counter);
  sonivo::app::set_message_box_presenter([](const sonivo::app::MessageBoxRequest& request) {
    last_box = request.text;
    return sonivo::BUTTON_OK;
  });
  settle(500);
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t small_mb = argc > 1 ? std::atol(argv[1]) : 16;
  const int64_t large_mb = argc > 2 ? std::atol(argv[2]) : 64;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  const int64_t delayed_mb = argc > 4 ? std::atol(argv[4]) : 2;

  // Nothing the window loads may leave the machine; skin files and downloads stay in a
  // folder of the bench's own.
  for (const char* host :
       {"SONIVO_MAKER_SITE_HOST", "SONIVO_COMMUNITY_HOST", "SONIVO_PLAYER_HOST"}) {
    ::setenv(host, "127.0.0.1:9", 0);
  }
  char folder_template[] = "/tmp/window_download_bench.XXXXXX";
  const std::string folder = ::mkdtemp(folder_template);
  std::filesystem::create_directories(folder + "/c/Windows");
  ::setenv("SONIVO_DRIVE_C", (folder + "/c").c_str(), 1);
  ::setenv("SONIVO_DRIVE_D", folder.c_str(), 1);
  const std::string path = folder + "/file.bin";

  // Servers and proxy first: they are forked, which must happen before Qt's threads.
  ServerProcess small_server(small_mb * 1024 * 1024);
  ServerProcess large_server(large_mb * 1024 * 1024);
  ServerProcess delayed_server(delayed_mb * 1024 * 1024);
  DelayProxy proxy(delayed_server.port(), DELAY_MS);

  curl_global_init(CURL_GLOBAL_DEFAULT);
  sonivo::prepare_toolkit_environment();
  QApplication application(argc, argv);
  start_main_window(folder);
  std::printf("platform %s\n\n", QGuiApplication::platformName().toUtf8().constData());

  std::printf(
      "| loopback | file | window (best of %d) | reference | ratio | frames/s | "
      "peak growth window | peak growth reference | `run` alone | ratio |\n",
      rounds);
  std::printf("|---|---|---|---|---|---|---|---|---|---|\n");
  for (const auto& [mb, server] :
       {std::pair<int64_t, const ServerProcess*>{small_mb, &small_server},
        {large_mb, &large_server}}) {
    const Pair pair = measure(server->url(), path, mb * 1024 * 1024, rounds);
    std::printf(
        "| 20 KB ranges | %ld MB | %.3f s | %.3f s | %.2f | %.0f | %ld KB | %ld KB | %.3f s | "
        "%.2f |\n",
        static_cast<long>(mb), pair.window.seconds, pair.reference.seconds,
        pair.window.seconds / pair.reference.seconds,
        static_cast<double>(pair.window.flushes) / pair.window.seconds, pair.window.peak_growth_kb,
        pair.reference.peak_growth_kb, pair.run_alone.seconds,
        pair.run_alone.seconds / pair.reference.seconds);
  }

  const int64_t delayed_size = delayed_mb * 1024 * 1024;
  const double limit = std::ceil(static_cast<double>(delayed_size) / CHUNK) * 2 * DELAY_MS / 1000.0;
  const int delayed_rounds = rounds;
  const Pair pair = measure(proxy.url(), path, delayed_size, delayed_rounds);
  std::printf(
      "\n| %d ms each way | file | limit (one range per RTT) | window (best of %d) | "
      "of limit | reference | of limit | frames/s |\n",
      DELAY_MS, delayed_rounds);
  std::printf("|---|---|---|---|---|---|---|---|\n");
  std::printf("| 20 KB ranges | %ld MB | %.2f s | %.2f s | %.3f | %.2f s | %.3f | %.0f |\n",
              static_cast<long>(delayed_mb), limit, pair.window.seconds,
              limit / pair.window.seconds, pair.reference.seconds, limit / pair.reference.seconds,
              static_cast<double>(pair.window.flushes) / pair.window.seconds);

  sonivo::app::set_message_box_presenter({});
  sonivo::app::qt_window_services().reset();
  std::filesystem::remove_all(folder);
  return 0;
}
