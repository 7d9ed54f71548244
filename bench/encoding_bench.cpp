// utf8_to_gbk of a 10 MB Chinese page against ICU's own ucnv_convert of the same bytes,
// in the same run. The figure that counts is the ratio printed at the end: time of
// utf8_to_gbk over time of the direct conversion (1.0 would be as fast as ICU), the
// median over --benchmark_repetitions when given.

#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "encoding/Encoding.h"

namespace {

constexpr std::size_t kPageBytes = 10u << 20;

// A sound page as the community serves it: markup, ASCII addresses and Chinese text.
const std::string& chinese_page() {
  static const std::string page = [] {
    const std::vector<std::string> pieces = {"<div class=\"sound\"><h2>",
                                             "夜曲",
                                             "</h2><p>",
                                             "作词：方文山 作曲：周杰伦",
                                             "</p><span>时长：04:26</span>",
                                             "<a href=\"http://a.b/x?id=123\">",
                                             "下载完毕，共3首",
                                             "</a>",
                                             "一群嗜血的蚂蚁被腐肉所吸引，我面无表情看孤独的风景。",
                                             "\r\n",
                                             "失去你，爱恨开始分明；失去你，还有什么事好关心。",
                                             "</div>\n"};
    std::string out;
    out.reserve(kPageBytes + 256);
    for (std::size_t i = 0; out.size() < kPageBytes; ++i) {
      out += pieces[i % pieces.size()];
    }
    return out;
  }();
  return page;
}

void BM_utf8_to_gbk(benchmark::State& state) {
  const sonivo::Text page(chinese_page());
  std::size_t out_size = 0;
  for (auto _ : state) {
    const sonivo::Text gbk_page = sonivo::utf8_to_gbk(page);
    out_size = gbk_page.size();
    benchmark::DoNotOptimize(gbk_page.c_str());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["gbk_bytes"] = static_cast<double>(out_size);
}

void BM_icu_ucnv_convert(benchmark::State& state) {
  const std::string& page = chinese_page();
  std::string out(page.size() + 1, '\0');
  int32_t out_size = 0;
  for (auto _ : state) {
    UErrorCode status = U_ZERO_ERROR;
    out_size =
        ucnv_convert("windows-936-2000", "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                     page.data(), static_cast<int32_t>(page.size()), &status);
    if (U_FAILURE(status)) {
      state.SkipWithError("ucnv_convert failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["gbk_bytes"] = static_cast<double>(out_size);
}

BENCHMARK(BM_utf8_to_gbk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_icu_ucnv_convert)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the time per iteration of every run, for the ratios: the medians over the
// repetitions, in real time (the figure the README gives) and in CPU time (which other
// processes on a busy machine disturb less).
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
        const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
        Times& times = times_[run.benchmark_name()];
        times.real.push_back(run.GetAdjustedRealTime() / unit);
        times.cpu.push_back(run.GetAdjustedCPUTime() / unit);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void print_ratio() const {
    const auto ours = times_.find("BM_utf8_to_gbk/real_time");
    const auto icu = times_.find("BM_icu_ucnv_convert/real_time");
    if (ours == times_.end() || icu == times_.end()) {
      return;
    }
    const double mb = static_cast<double>(chinese_page().size()) / (1 << 20);
    const double ours_real = median(ours->second.real);
    const double icu_real = median(icu->second.real);
    std::printf(
        "\nmedian of %zu: utf8_to_gbk %.1f MB/s, ucnv_convert %.1f MB/s, time ratio %.2f"
        " (CPU time ratio %.2f)\n",
        ours->second.real.size(), mb / ours_real, mb / icu_real, ours_real / icu_real,
        median(ours->second.cpu) / median(icu->second.cpu));
  }

 private:
  struct Times {
    std::vector<double> real;
    std::vector<double> cpu;
  };

  static double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }

  std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_ratio();
  benchmark::Shutdown();
  return 0;
}
