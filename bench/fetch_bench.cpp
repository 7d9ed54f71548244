// fetch_page of a 5 MB page from a loopback server against a plain libcurl easy transfer
// of the same page, measured side by side in one run. fetch_page reads 1024 bytes at a
// time and pumps events before each read; the reference hands libcurl's own buffers to
// a string. Both open a fresh connection per transfer. Prints the median of each and the
// ratio.

#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "http/FetchPage.h"
#include "tests/support/RecordingWindowServices.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t PAGE_SIZE = 5u << 20;
constexpr int ROUNDS = 15;

std::size_t append_to(char* data, std::size_t size, std::size_t count, void* into) {
  static_cast<std::string*>(into)->append(data, size * count);
  return size * count;
}

std::size_t easy_transfer(const std::string& url) {
  std::string body;
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &append_to);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  return body.size();
}

std::size_t page_fetch(const std::string& url) {
  return sonivo::fetch_page(sonivo::Text(url)).size();
}

double milliseconds(Clock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main() {
  sonivo::testing::RecordingWindowServices windows;
  int pumps = 0;
  windows.on_pump = [&pumps] { ++pumps; };

  const std::string page(PAGE_SIZE, 'p');
  httplib::Server server;
  server.Get("/page", [&page](const httplib::Request&, httplib::Response& response) {
    response.set_content(page, "text/html");
  });
  int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&server] { server.listen_after_bind(); });
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/page";

  std::vector<double> fetch_times;
  std::vector<double> easy_times;
  bool sizes_right = page_fetch(url) == PAGE_SIZE && easy_transfer(url) == PAGE_SIZE;  // warm-up
  for (int round = 0; round < ROUNDS; ++round) {
    auto start = Clock::now();
    sizes_right = page_fetch(url) == PAGE_SIZE && sizes_right;
    fetch_times.push_back(milliseconds(Clock::now() - start));
    start = Clock::now();
    sizes_right = easy_transfer(url) == PAGE_SIZE && sizes_right;
    easy_times.push_back(milliseconds(Clock::now() - start));
  }
  server.stop();
  serving.join();

  double fetch_ms = median(fetch_times);
  double easy_ms = median(easy_times);
  std::printf("5 MB page, median of %d rounds\n", ROUNDS);
  std::printf("  fetch_page          %8.2f ms  (%d pumps per fetch)\n", fetch_ms,
              pumps / (ROUNDS + 1));
  std::printf("  libcurl easy        %8.2f ms\n", easy_ms);
  std::printf("  ratio               %8.2f x  (target: within 1.5 x)\n", fetch_ms / easy_ms);
  if (!sizes_right) {
    std::printf("a transfer came back short\n");
    return 1;
  }
  return 0;
}
