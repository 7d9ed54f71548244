// Resolve timings and memory. Every figure is shown next to a reference measured in the
// same run, so that the ratios, not the machine, are what counts:
//   fetch       fetch_page_text of a 2 MB page vs. one plain HTTP GET of it (cpp-httplib)
//   conversion  utf8_to_gbk of that page vs. a direct ICU conversion (gbk())
//   extraction  the four text_between rows vs. four exact std::string::find calls
//   scaling     text_between over 1, 5 and 10 MB; time per MB relative to 1 MB
//   memory      peak resident growth of one resolve of a 50 MB page, relative to the page
// The pages are served from loopback by a child process, so that the server's copies of
// the pages do not count in this process's memory.

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <httplib.h>

#include "core/ControlNames.h"
#include "core/ResolvedSound.h"
#include "encoding/Encoding.h"
#include "resolve/ResolveSoundPage.h"
#include "resolve/TextBetween.h"
#include "tests/support/RecordingWindowServices.h"
#include "text/Gbk.h"

namespace {

using namespace sonivo;
using Clock = std::chrono::steady_clock;

constexpr std::size_t MB = 1u << 20;
// Best of several runs: the machine is shared, and the fastest run is the least disturbed.
constexpr int REPEATS = 11;

const char* const TAIL =
    "<div class=\"voice-container-bg\"><img class=\"blur\" alt=\"cover\" "
    "src=\"https://img.sonivo.example/cover/8842.jpg\"/></div>"
    "<h1 class=\"s_name\" title=\"夜空中最亮的星（钢琴版）\">夜空中最亮的星</h1>"
    "<span class=\"hide\">04:12</span>"
    "<div class=\"voice-wp-left fl book_radio\" "
    "data-url=\"https://audio.sonivo.example/sound/8842.mp3\"></div></body></html>";

// Ordinary list markup, Chinese and ASCII mixed, then the four markers at the very end so
// that every search runs over the whole page.
std::string utf8_page(std::size_t size) {
  const std::string filler =
      "<li class=\"item\"><a href=\"/voice/1\">钢琴曲 第一首</a><span class=\"n\">12</span></li>\n";
  const std::string tail(TAIL);
  std::string page = "<html><body><ul>\n";
  page.reserve(size + filler.size());
  while (page.size() + filler.size() + tail.size() < size) {
    page += filler;
  }
  return page + tail;
}

double seconds_of(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double best_seconds(const std::function<void()>& work) {
  std::vector<double> runs;
  for (int i = 0; i < REPEATS; ++i) {
    runs.push_back(seconds_of(work));
  }
  return *std::min_element(runs.begin(), runs.end());
}

long peak_rss_kb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

struct Server {
  pid_t pid = -1;
  int port = 0;
};

// Serves /2mb and /50mb from a child process; the child ends with this process or after
// a bounded time, whichever comes first.
Server start_server() {
  int channel[2];
  if (pipe(channel) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  const pid_t pid = fork();
  if (pid == 0) {
    close(channel[0]);
    alarm(300);
    const std::string small = utf8_page(2 * MB);
    const std::string big = utf8_page(50 * MB);
    httplib::Server server;
    server.Get("/2mb", [&](const httplib::Request&, httplib::Response& response) {
      response.set_content(small, "text/html; charset=utf-8");
    });
    server.Get("/50mb", [&](const httplib::Request&, httplib::Response& response) {
      response.set_content(big, "text/html; charset=utf-8");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (write(channel[1], &port, sizeof(port)) != sizeof(port)) {
      _exit(1);
    }
    close(channel[1]);
    server.listen_after_bind();
    _exit(0);
  }
  close(channel[1]);
  Server server{pid, 0};
  if (read(channel[0], &server.port, sizeof(server.port)) != sizeof(server.port) ||
      server.port <= 0) {
    std::fprintf(stderr, "the page server did not start\n");
    std::exit(1);
  }
  close(channel[0]);
  return server;
}

std::string address(const Server& server, const char* path) {
  return "http://127.0.0.1:" + std::to_string(server.port) + path;
}

void measure_memory(const Server& server, testing::RecordingWindowServices& windows) {
  const long before_kb = peak_rss_kb();
  windows.set_text({main_window::WINDOW, main_window::ADDRESS_BOX}, Text(address(server, "/50mb")));
  const double elapsed = seconds_of([] { resolve_sound_page(); });
  const long after_kb = peak_rss_kb();
  const double page_mb = static_cast<double>(resolved_sound().page_text.size()) / MB;
  const double growth_mb = static_cast<double>(after_kb - before_kb) / 1024.0;
  std::printf(
      "memory      50 MB page: resolve %.2f s, peak resident growth %.1f MB = %.2f x page"
      " (name found: %s)\n",
      elapsed, growth_mb, growth_mb / page_mb, resolved_sound().sound_name.empty() ? "no" : "yes");
  resolved_sound() = ResolvedSound();
}

void measure_resolve_parts(const Server& server) {
  const Text url(address(server, "/2mb"));
  Text fetched;
  const double fetch = best_seconds([&] { fetched = fetch_page_text(url); });
  httplib::Client client("127.0.0.1", server.port);
  std::size_t reference_size = 0;
  const double fetch_reference = best_seconds([&] {
    const auto answer = client.Get("/2mb");
    reference_size = answer ? answer->body.size() : 0;
  });

  Text page;
  const double conversion = best_seconds([&] { page = utf8_to_gbk(fetched); });
  Text reference_page;
  const double conversion_reference = best_seconds([&] { reference_page = gbk(fetched.str()); });

  const std::vector<std::pair<Text, Text>> rows = {
      {Text("<h1 class=\"s_name\" title=\""), Text("\">")},
      {Text("<div class=\"voice-wp-left fl book_radio\" data-url=\""), Text("\">")},
      {Text("<span class=\"hide\">"), Text("</span>")},
      {Text("<div class=\"voice-container-bg\"><img class=\"blur\" alt=\"cover\" src=\""),
       Text("\"/>")},
  };
  std::size_t found = 0;
  const double extraction = best_seconds([&] {
    for (const auto& [start, end] : rows) {
      found += text_between(page, start, end).size();
    }
  });
  const double extraction_reference = best_seconds([&] {
    for (const auto& [start, end] : rows) {
      const std::size_t at = page.str().find(start.str());
      found += at == std::string::npos ? 0 : page.str().find(end.str(), at + start.size()) - at;
    }
  });

  std::printf("resolve     2 MB page (%zu bytes fetched, %zu by the reference, GBK %zu bytes)\n",
              fetched.size(), reference_size, page.size());
  std::printf("  fetch       %8.2f ms   reference GET %8.2f ms   ratio %.2f\n", fetch * 1e3,
              fetch_reference * 1e3, fetch / fetch_reference);
  std::printf("  conversion  %8.2f ms   reference ICU %8.2f ms   ratio %.2f   (same bytes: %s)\n",
              conversion * 1e3, conversion_reference * 1e3, conversion / conversion_reference,
              page == reference_page ? "yes" : "no");
  std::printf("  extraction  %8.2f ms   reference find %7.2f ms   ratio %.2f\n", extraction * 1e3,
              extraction_reference * 1e3, extraction / extraction_reference);
  std::printf("  split       fetch %.0f%%, conversion %.0f%%, extraction %.0f%%\n",
              100 * fetch / (fetch + conversion + extraction),
              100 * conversion / (fetch + conversion + extraction),
              100 * extraction / (fetch + conversion + extraction));
  if (found == 0) {
    std::printf("  (no values found: the page is not what the bench expects)\n");
  }
}

// The sizes are measured in turns, round after round, so that a busy moment of the machine
// falls on all of them alike.
void measure_scaling() {
  const Text start("<span class=\"hide\">");
  const Text end("</span>");
  std::vector<Text> pages;
  for (const std::size_t size : {1 * MB, 5 * MB, 10 * MB}) {
    pages.push_back(gbk(utf8_page(size)));
  }
  std::vector<double> best(pages.size(), 1e9);
  std::vector<double> best_reference(pages.size(), 1e9);
  std::vector<bool> found(pages.size(), true);
  for (int round = 0; round < REPEATS; ++round) {
    for (std::size_t i = 0; i < pages.size(); ++i) {
      const Text& page = pages[i];
      Text value;
      best[i] = std::min(best[i], seconds_of([&] { value = text_between(page, start, end); }));
      found[i] = found[i] && value == Text("04:12");
      best_reference[i] = std::min(best_reference[i], seconds_of([&] {
                                     const std::size_t at = page.str().find(start.str());
                                     value = at == std::string::npos
                                                 ? Text()
                                                 : Text(page.str().substr(at + start.size(), 5));
                                   }));
    }
  }
  std::printf("scaling     text_between, markers at the end of the page\n");
  const double per_mb_at_1 = best[0] / (static_cast<double>(pages[0].size()) / MB);
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const double megabytes = static_cast<double>(pages[i].size()) / MB;
    const double per_mb = best[i] / megabytes;
    std::printf("  %5.1f MB   %8.2f ms   %6.2f ms/MB   per-MB vs 1 MB %.2f   vs find %.2f   (%s)\n",
                megabytes, best[i] * 1e3, per_mb * 1e3, per_mb / per_mb_at_1,
                best[i] / best_reference[i], found[i] ? "found" : "NOT FOUND");
  }
}

}  // namespace

int main() {
  // Before any thread exists: the child server is forked from a single-threaded process.
  const Server server = start_server();
  testing::RecordingWindowServices windows;

  measure_memory(server, windows);  // first, while the peak is still this process's start
  measure_resolve_parts(server);
  measure_scaling();

  kill(server.pid, SIGTERM);
  waitpid(server.pid, nullptr, 0);
  return 0;
}
