// Range download of a loopback file three ways in one run: `run` with 20 KB ranges; a
// reference loop of the same ranged GETs on one reused libcurl easy handle; one plain
// streamed GET. Time, MB/s, requests/s and peak resident growth of each, for two file
// sizes, so that the growth can be seen not to follow the size.
//
//   download_bench [small_mb=16] [large_mb=64] [rounds=3]

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "bench/ProcessMemory.h"
#include "bench/ServerProcess.h"
#include "download/RangeDownloader.h"

namespace {

using sonivo::RangeDownloader;
using sonivo::Text;
using sonivo::bench::reset_peak;
using sonivo::bench::ServerProcess;
using sonivo::bench::status_kb;

constexpr long CHUNK = 20480;

struct Result {
  double seconds = 1e9;
  long requests = 0;
  long peak_growth_kb = 0;
  int64_t bytes = 0;
};

// --- the three ways -------------------------------------------------------------------

long run_requests = 0;
void count_progress(const Text&, int32_t, int32_t, int32_t) {
  ++run_requests;
}
void ignore_done(const Text&, int32_t, const Text&, int32_t) {}

long by_run(const std::string& url, const std::string& path) {
  RangeDownloader downloader;
  downloader.init(count_progress, ignore_done);
  downloader.set_source(Text(url), Text());
  downloader.set_target_file(Text(path));
  downloader.set_chunk_kb(20);
  run_requests = 0;
  if (!downloader.run()) {
    std::fprintf(stderr, "run failed\n");
    std::exit(1);
  }
  return run_requests;
}

struct Sink {
  int fd = -1;
  std::string body;  // one range at a time
};

size_t keep_body(char* data, size_t size, size_t count, void* sink) {
  static_cast<Sink*>(sink)->body.append(data, size * count);
  return size * count;
}

size_t write_through(char* data, size_t size, size_t count, void* sink) {
  const ssize_t n = ::write(static_cast<Sink*>(sink)->fd, data, size * count);
  return n < 0 ? 0 : static_cast<size_t>(n);
}

long by_reference_loop(const std::string& url, const std::string& path) {
  Sink sink;
  sink.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, keep_body);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  long requests = 0;
  for (long first = 0;; first += CHUNK) {
    const std::string range = std::to_string(first) + "-" + std::to_string(first + CHUNK - 1);
    curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
    sink.body.clear();
    curl_easy_perform(easy);
    ++requests;
    if (::write(sink.fd, sink.body.data(), sink.body.size()) < 0) {
      break;
    }
    if (static_cast<long>(sink.body.size()) < CHUNK) {
      break;
    }
  }
  curl_easy_cleanup(easy);
  ::close(sink.fd);
  return requests;
}

long by_streamed_get(const std::string& url, const std::string& path) {
  Sink sink;
  sink.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  CURL* easy = curl_easy_init();
  curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, write_through);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  curl_easy_perform(easy);
  curl_easy_cleanup(easy);
  ::close(sink.fd);
  return 1;
}

using Way = std::function<long(const std::string&, const std::string&)>;

// One download into a fresh file; keeps the best time and the highest peak growth.
void measure_once(const Way& way, const std::string& url, const std::string& path, int64_t size,
                  Result& result) {
  result.bytes = size;
  std::filesystem::remove(path);
  reset_peak();
  const long before = status_kb("VmRSS:");
  const auto start = std::chrono::steady_clock::now();
  result.requests = way(url, path);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  result.peak_growth_kb = std::max(result.peak_growth_kb, status_kb("VmHWM:") - before);
  result.seconds = std::min(result.seconds, seconds);
  if (static_cast<int64_t>(std::filesystem::file_size(path)) != size) {
    std::fprintf(stderr, "wrong size\n");
    std::exit(1);
  }
  std::filesystem::remove(path);
}

void print_row(const char* name, const Result& r, const Result& reference) {
  const double mb = static_cast<double>(r.bytes) / (1024.0 * 1024.0);
  std::printf("| %s | %.0f MB | %.3f s | %.1f MB/s | %.0f | %ld KB | %.2f |\n", name, mb, r.seconds,
              mb / r.seconds, static_cast<double>(r.requests) / r.seconds, r.peak_growth_kb,
              r.seconds / reference.seconds);
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t small_mb = argc > 1 ? std::atol(argv[1]) : 16;
  const int64_t large_mb = argc > 2 ? std::atol(argv[2]) : 64;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
  curl_global_init(CURL_GLOBAL_DEFAULT);

  char folder_template[] = "/tmp/download_bench.XXXXXX";
  const std::string folder = ::mkdtemp(folder_template);
  const std::string path = folder + "/file.bin";

  std::printf(
      "| way | file | time (best of %d) | MB/s | requests/s | peak growth | vs reference |\n",
      rounds);
  std::printf("|---|---|---|---|---|---|---|\n");
  for (const int64_t mb : {small_mb, large_mb}) {
    const int64_t size = mb * 1024 * 1024;
    ServerProcess server(size);
    const std::string url = server.url();
    // A warm-up, then the three ways in turn, round after round, so that a change in the
    // machine's load touches all of them alike.
    Result warm_up;
    measure_once(by_run, url, path, size, warm_up);
    Result run;
    Result reference;
    Result streamed;
    for (int i = 0; i < rounds; ++i) {
      measure_once(by_reference_loop, url, path, size, reference);
      measure_once(by_run, url, path, size, run);
      measure_once(by_streamed_get, url, path, size, streamed);
    }
    print_row("`run`, 20 KB ranges", run, reference);
    print_row("reference loop, 20 KB ranges", reference, reference);
    print_row("one streamed GET", streamed, reference);
  }
  std::filesystem::remove_all(folder);
  return 0;
}
