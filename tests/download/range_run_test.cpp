// `run` against the loopback fault server: ranges, resume, faults, guards and callbacks.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "download/RangeDownloader.h"
#include "download/StatusTexts.h"
#include "platform/clock/Clock.h"
#include "platform/files/Files.h"
#include "platform/xmlhttp/ComponentRegistry.h"
#include "platform/xmlhttp/CurlServerXmlHttp.h"
#include "tests/download/FaultServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TextPrinting.h"
#include "text/Gbk.h"

namespace sonivo {

namespace {

using sonivo::testing::Fault;
using sonivo::testing::FaultServer;
using sonivo::testing::TempFolder;

constexpr int64_t CONTENT_SIZE = 50000;  // two full 20 KB ranges and a short one
constexpr int64_t CHUNK = 20480;
const char* const USER_AGENT = "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)";

struct ProgressCall {
  std::string target_file;
  int32_t total_length, speed, percent;
};
struct DoneCall {
  std::string url;
  int32_t http_status;
  Text status_text;
  int32_t percent;
};

// What the plain-function callbacks saw, and what they are to do.
struct Recorder {
  std::vector<ProgressCall> progress;
  std::vector<DoneCall> done;
  RangeDownloader* downloader = nullptr;
  int cancel_at_progress = -1;  // 0-based progress call that cancels
  int run_at_progress = -1;     // progress call that tries a second run
  int close_at_progress = -1;   // progress call that closes the downloader
  bool nested_run_result = true;
} recorder;

void record_progress(const Text& target_file, int32_t total_length, int32_t speed,
                     int32_t percent) {
  const int index = static_cast<int>(recorder.progress.size());
  recorder.progress.push_back({target_file.str(), total_length, speed, percent});
  if (index == recorder.cancel_at_progress) {
    recorder.downloader->cancel();
  }
  if (index == recorder.close_at_progress) {
    recorder.downloader->close();
  }
  if (index == recorder.run_at_progress) {
    recorder.nested_run_result = recorder.downloader->run();
    recorder.downloader->set_chunk_kb(4);  // refused while busy
    recorder.downloader->set_source(Text("http://127.0.0.1:1/other"), Text());
  }
}

void record_done(const Text& url, int32_t http_status, const Text& status_text, int32_t percent) {
  recorder.done.push_back({url.str(), http_status, status_text, percent});
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Compares file contents by size and first differing offset, not by printing them.
::testing::AssertionResult same_bytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) {
    return ::testing::AssertionSuccess();
  }
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
    ++at;
  }
  return ::testing::AssertionFailure() << "file of " << actual.size() << " bytes, expected "
                                       << expected.size() << ", first difference at " << at;
}

std::string range(int64_t first) {
  return "bytes=" + std::to_string(first) + "-" + std::to_string(first + CHUNK - 1);
}

class RangeRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recorder = Recorder();
    recorder.downloader = &downloader;
  }
  void TearDown() override {
    clock::set_tick_source({});
    xmlhttp::ComponentRegistry::instance().restore_defaults();
  }

  void start_server(std::string bytes) {
    content = std::move(bytes);
    server = std::make_unique<FaultServer>(content);
  }

  void configure() {
    ASSERT_TRUE(downloader.init(record_progress, record_done));
    downloader.set_source(Text(server->url()), Text());
    ASSERT_TRUE(downloader.set_target_file(Text(target.string())));
    downloader.set_chunk_kb(20);
  }

  // The clock jumps far ahead once the server holds an answer back, so a stalled range
  // times out after a wait or two instead of minutes. The jump comes on the second tick
  // reading after the stall began: the reading taken right after the send may already
  // fall after it, and the time-out is measured from that one.
  void jump_clock_on_stall(uint32_t base = 1000) {
    struct State {
      int accounted = 0;
      bool armed = false;
      uint32_t offset = 0;
    };
    const auto start = std::chrono::steady_clock::now();
    auto state = std::make_shared<State>();
    FaultServer* s = server.get();
    clock::set_tick_source([start, s, base, state] {
      if (s->stalls() > state->accounted) {
        if (state->armed) {
          state->offset += 1000000u;
          ++state->accounted;
          state->armed = false;
        } else {
          state->armed = true;
        }
      }
      const auto real = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
      return static_cast<uint32_t>(base + static_cast<uint32_t>(real) + state->offset);
    });
  }

  void expect_counters_reset() {
    EXPECT_EQ(downloader.busy(), 0);
    EXPECT_EQ(downloader.cancel_requested(), 0);
    EXPECT_EQ(downloader.position(), 0);
    EXPECT_EQ(downloader.total_length(), 0);
  }

  std::string file() const { return read_file(target); }
  std::filesystem::path record() const { return folder.path() / "song.mp3.sonivo-part"; }

  TempFolder folder;
  std::filesystem::path target = folder.path() / "song.mp3";
  std::string content;
  std::unique_ptr<FaultServer> server;
  RangeDownloader downloader;
};

TEST_F(RangeRunTest, NewDownloadAsksConsecutiveRangesAndIsByteIdentical) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  EXPECT_TRUE(downloader.run());

  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::Complete));
  EXPECT_TRUE(same_bytes(file(), content));
  EXPECT_EQ(server->range_log(),
            (std::vector<std::string>{"bytes=0-20479", "bytes=20480-40959", "bytes=40960-61439"}));
  EXPECT_EQ(server->connections(), 1);
  for (const auto& request : server->requests()) {
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.headers.count("referer"), 0u);  // an empty referer is not sent
    EXPECT_EQ(request.headers.at("accept"), "*/*");
    EXPECT_EQ(request.headers.at("user-agent"), USER_AGENT);
    EXPECT_EQ(request.headers.at("content-type"), "application/octet-stream");
    EXPECT_EQ(request.headers.at("pragma"), "no-cache");
    EXPECT_EQ(request.headers.at("cache-control"), "no-cache");
    EXPECT_EQ(request.headers.count("accept-encoding"), 0u);
  }

  ASSERT_EQ(recorder.progress.size(), 3u);
  EXPECT_EQ(recorder.progress[0].percent, 40);  // 20480 of 50000
  EXPECT_EQ(recorder.progress[1].percent, 81);
  EXPECT_EQ(recorder.progress[2].percent, 100);
  for (const auto& call : recorder.progress) {
    EXPECT_EQ(call.target_file, target.string());
    EXPECT_EQ(call.total_length, CONTENT_SIZE);
  }
  ASSERT_EQ(recorder.done.size(), 1u);
  EXPECT_EQ(recorder.done[0].url, server->url());
  EXPECT_EQ(recorder.done[0].http_status, 206);
  EXPECT_EQ(recorder.done[0].status_text, status_text_of(RunOutcome::Complete));
  EXPECT_EQ(recorder.done[0].percent, 100);
  expect_counters_reset();
}

TEST_F(RangeRunTest, RefererIsSentWhenGiven) {
  start_server(FaultServer::pattern(0, 100));
  configure();
  downloader.set_source(Text(server->url()), Text("http://127.0.0.1/sound/1"));
  EXPECT_TRUE(downloader.run());
  EXPECT_EQ(server->requests().at(0).headers.at("referer"), "http://127.0.0.1/sound/1");
}

TEST_F(RangeRunTest, ChunkSizeSetsTheRanges) {
  start_server(FaultServer::pattern(0, 10000));
  configure();
  downloader.set_chunk_kb(0);  // 4096 bytes
  EXPECT_TRUE(downloader.run());
  EXPECT_EQ(server->range_log(),
            (std::vector<std::string>{"bytes=0-4095", "bytes=4096-8191", "bytes=8192-12287"}));
  EXPECT_TRUE(same_bytes(file(), content));
}

// An interrupted run leaves the verified ranges and their record; the next one goes on
// from there. A byte the file holds is asked for again only where no validator vouches
// for it: then the file's last range once, to compare it with the server's.
struct Interruption {
  const char* name;
  Fault fault;
  const char* status_text;
  const char* etag;
  const char* last_modified;
  bool vouched;  // a validator vouches for the bytes written, so none is asked for again
};

void PrintTo(const Interruption& c, std::ostream* out) {
  *out << c.name;
}

class InterruptedRunTest : public RangeRunTest,
                           public ::testing::WithParamInterface<Interruption> {};

TEST_P(InterruptedRunTest, ResumesAfterAnInterruption) {
  const Interruption& c = GetParam();
  const std::vector<std::string> ranges =
      c.vouched ? std::vector<std::string>{range(0), range(CHUNK), range(CHUNK), range(2 * CHUNK)}
                : std::vector<std::string>{range(0), range(CHUNK), range(CHUNK), range(0),
                                           range(2 * CHUNK)};
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  server->set_validators(c.etag, c.last_modified);
  jump_clock_on_stall();
  configure();
  server->set_fault_at(1, c.fault);
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), gbk(c.status_text));
  EXPECT_TRUE(same_bytes(file(), content.substr(0, CHUNK)));
  EXPECT_TRUE(std::filesystem::exists(record()));
  expect_counters_reset();

  server->clear_faults();
  EXPECT_TRUE(downloader.run());
  EXPECT_TRUE(same_bytes(file(), content));
  EXPECT_EQ(server->range_log(), ranges);
  EXPECT_FALSE(std::filesystem::exists(record()));
  ASSERT_EQ(recorder.done.size(), 2u);
  EXPECT_EQ(recorder.done[1].percent, 100);
  downloader.close();
}

INSTANTIATE_TEST_SUITE_P(
    RangeRun, InterruptedRunTest,
    ::testing::Values(Interruption{"DroppedWithoutValidators", Fault::DropMidBody,
                                   "与服务器的连接已中断", "", "", false},
                      Interruption{"StalledWithoutValidators", Fault::Stall,
                                   status_literal(RunOutcome::TimedOut), "", "", false},
                      Interruption{"DroppedWithETag", Fault::DropMidBody, "与服务器的连接已中断",
                                   "\"5f3a-c350\"", "", true},
                      Interruption{"StalledWithLastModified", Fault::Stall,
                                   status_literal(RunOutcome::TimedOut), "",
                                   "Tue, 05 May 2020 10:00:00 GMT", true}),
    [](const ::testing::TestParamInfo<Interruption>& param_info) { return param_info.param.name; });

// A download process killed in the middle of a range leaves the ranges it had written, its
// record and no lock behind; a run in another process goes on from the file's end. The
// killed run could not note how it left the file, so, ETag or not, the file's last range
// is asked for once more and compared before anything is appended.
TEST_F(RangeRunTest, RunContinuesTheFileOfAProcessKilledMidRun) {
  start_server(FaultServer::pattern(0, 5 * CHUNK + 1234));
  server->set_validators("\"1f-5a0e\"", "");
  server->set_fault_at(2, Fault::Stall);  // headers and a little of the body, then nothing

  const std::string url = server->url();
  const std::string path = target.string();
  const pid_t child = ::fork();
  if (child == 0) {
    const char* argv[] = {SONIVO_RANGE_RUN_CHILD, url.c_str(), path.c_str(), nullptr};
    ::execv(argv[0], const_cast<char* const*>(argv));
    ::_exit(127);
  }
  ASSERT_GT(child, 0);
  // The child is inside its third range once the server holds that answer back.
  int status = 0;
  bool exited = false;
  for (int waited = 0; server->stalls() == 0 && waited < 20000; waited += 10) {
    if (::waitpid(child, &status, WNOHANG) == child) {
      exited = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (!exited) {
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
  }
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
      << "the child was to be killed mid-run, status " << status;
  const std::string left_behind = file();
  ASSERT_TRUE(same_bytes(left_behind, content.substr(0, 2 * CHUNK)));
  ASSERT_EQ(server->range_log(),
            (std::vector<std::string>{range(0), range(CHUNK), range(2 * CHUNK)}));
  EXPECT_TRUE(std::filesystem::exists(record()));

  server->clear_faults();
  configure();
  EXPECT_TRUE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::Complete));
  EXPECT_TRUE(same_bytes(file(), content));
  // This run's ranges begin where the killed one's file ended and follow each other.
  const std::vector<std::string> log = server->range_log();
  EXPECT_EQ(std::vector<std::string>(log.begin() + 3, log.end()),
            (std::vector<std::string>{range(2 * CHUNK), range(CHUNK), range(3 * CHUNK),
                                      range(4 * CHUNK), range(5 * CHUNK)}));
  EXPECT_FALSE(std::filesystem::exists(record()));
}

// Every answer that is not the range asked for ends the run, not as a success, and
// nothing of it reaches the file; no further request is made.
struct FaultyAnswer {
  const char* name;
  Fault fault;
  int at;  // -1: every request
  const char* status_text;
  int64_t kept;  // bytes in the file afterwards
};

void PrintTo(const FaultyAnswer& c, std::ostream* out) {
  *out << c.name;
}

class FaultyAnswerTest : public RangeRunTest, public ::testing::WithParamInterface<FaultyAnswer> {};

TEST_P(FaultyAnswerTest, EndsTheRunAndKeepsOnlyVerifiedBytes) {
  const FaultyAnswer& c = GetParam();
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  if (c.at < 0) {
    server->set_fault(c.fault);
  } else {
    server->set_fault_at(c.at, c.fault);
  }
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), gbk(c.status_text));
  EXPECT_TRUE(same_bytes(file(), content.substr(0, static_cast<std::size_t>(c.kept))));
  EXPECT_EQ(server->requests().size(), static_cast<std::size_t>(c.at < 0 ? 1 : c.at + 1));
  ASSERT_EQ(recorder.done.size(), 1u);
  EXPECT_EQ(recorder.done[0].status_text, gbk(c.status_text));
  expect_counters_reset();
  downloader.close();
}

INSTANTIATE_TEST_SUITE_P(
    RangeRun, FaultyAnswerTest,
    ::testing::Values(
        FaultyAnswer{"Whole200First", Fault::Whole200, -1,
                     status_literal(RunOutcome::ResumeNotSupported), 0},
        FaultyAnswer{"Whole200Second", Fault::Whole200, 1,
                     status_literal(RunOutcome::ResumeNotSupported), CHUNK},
        FaultyAnswer{"NotFound404", Fault::NotFound404, -1, "File Not Here", 0},
        FaultyAnswer{"Unavailable503Second", Fault::Unavailable503, 1, "Service Unavailable",
                     CHUNK},
        // A reason phrase that reads like the program's own success text is still a refusal.
        FaultyAnswer{"Error500ThatReadsLikeDone", Fault::Error500AsDone, -1,
                     status_literal(RunOutcome::Complete), 0},
        FaultyAnswer{"NoContentRangeFirst", Fault::NoContentRange, -1,
                     status_literal(RunOutcome::LengthUnknown), 0},
        FaultyAnswer{"NoContentRangeSecond", Fault::NoContentRange, 1,
                     status_literal(RunOutcome::LengthUnknown), CHUNK},
        FaultyAnswer{"WrongStartFirst", Fault::WrongStart, 0,
                     status_literal(RunOutcome::RangeMismatch), 0},
        FaultyAnswer{"WrongStartSecond", Fault::WrongStart, 1,
                     status_literal(RunOutcome::RangeMismatch), CHUNK},
        FaultyAnswer{"BodyShort", Fault::BodyShort, 1,
                     status_literal(RunOutcome::BodyLengthMismatch), CHUNK},
        FaultyAnswer{"BodyLong", Fault::BodyLong, 1, status_literal(RunOutcome::BodyLengthMismatch),
                     CHUNK},
        FaultyAnswer{"TotalChanges", Fault::TotalChanges, 1,
                     status_literal(RunOutcome::ContentChanged), CHUNK},
        FaultyAnswer{"Refuse416InsideTheContent", Fault::Refuse416, 1,
                     status_literal(RunOutcome::RangeMismatch), CHUNK},
        FaultyAnswer{"DropMidBody", Fault::DropMidBody, 0, "与服务器的连接已中断", 0}),
    [](const ::testing::TestParamInfo<FaultyAnswer>& param_info) { return param_info.param.name; });

// With a total of "*", ranges follow each other until one comes back short or the
// server answers 416; the position is not cut to the unknown total.
TEST_F(RangeRunTest, UnknownTotalRunsToTheEndOfTheContent) {
  for (const int64_t size : {CONTENT_SIZE, 2 * CHUNK}) {
    SCOPED_TRACE(size);
    SetUp();
    std::filesystem::remove(target);
    start_server(FaultServer::pattern(0, size));
    configure();
    server->set_fault(Fault::TotalStar);
    EXPECT_TRUE(downloader.run());
    EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::Complete));
    EXPECT_TRUE(same_bytes(file(), content));
    EXPECT_EQ(server->range_log(),
              (std::vector<std::string>{range(0), range(CHUNK), range(2 * CHUNK)}));
    ASSERT_EQ(recorder.progress.size(), 3u);
    EXPECT_EQ(recorder.progress.back().total_length, 0);
    EXPECT_EQ(recorder.progress.back().percent, 0);
    expect_counters_reset();
    downloader.close();
  }
}

TEST_F(RangeRunTest, CompleteFileIsAnswered416AndLeftAsItIs) {
  for (const Fault fault : {Fault::None, Fault::Html416}) {
    SCOPED_TRACE(static_cast<int>(fault));
    SetUp();
    start_server(FaultServer::pattern(0, CONTENT_SIZE));
    write_file(target, content);
    configure();
    server->set_fault(fault);
    EXPECT_TRUE(downloader.run());
    EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::Complete));
    EXPECT_TRUE(same_bytes(file(), content));
    EXPECT_EQ(server->range_log(), (std::vector<std::string>{range(CONTENT_SIZE)}));
    ASSERT_EQ(recorder.progress.size(), 1u);
    EXPECT_EQ(recorder.progress[0].percent, 100);
    ASSERT_EQ(recorder.done.size(), 1u);
    EXPECT_EQ(recorder.done[0].http_status, 416);
    EXPECT_EQ(recorder.done[0].percent, 100);
    downloader.close();
  }
}

// Whatever it begins with, a file longer than the content is not this content.
TEST_F(RangeRunTest, FileLongerThanTheContentIsNeverComplete) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  write_file(target, content + "extra");
  configure();
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::FileInTheWay));
  EXPECT_TRUE(same_bytes(file(), content + "extra"));
  EXPECT_EQ(server->range_log(), (std::vector<std::string>{range(CONTENT_SIZE + 5)}));
  EXPECT_FALSE(std::filesystem::exists(record()));
}

TEST_F(RangeRunTest, FailedAppendEndsTheRunAtOnce) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  // A file-size limit stands in for a full disk: the second range cannot be written.
  rlimit saved{};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  const auto saved_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 30000;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
  const bool result = downloader.run();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, saved_handler);

  EXPECT_FALSE(result);
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::FileWriteFailed));
  EXPECT_EQ(server->requests().size(), 2u);
  const std::string kept = file();
  EXPECT_GE(kept.size(), static_cast<std::size_t>(CHUNK));
  EXPECT_LT(kept.size(), static_cast<std::size_t>(2 * CHUNK));
  EXPECT_TRUE(same_bytes(kept, content.substr(0, kept.size())));
  expect_counters_reset();

  EXPECT_TRUE(downloader.run());  // room again: the rest follows
  EXPECT_TRUE(same_bytes(file(), content));
}

// Past 2 GiB the ranges, the comparison of the file's last range and the appended bytes
// stay right; the callbacks see the total clamped to the int32 range.
TEST_F(RangeRunTest, ContentsOf2GiBAndMoreAreAddressedIn64Bits) {
  const int64_t total = (int64_t{1} << 31) + 30000;
  const int64_t already = (int64_t{1} << 31) - 10000;
  server = std::make_unique<FaultServer>(total);
  {
    std::ofstream(target, std::ios::binary).close();
    std::filesystem::resize_file(target, static_cast<std::uintmax_t>(already));  // sparse
    std::fstream tail(target, std::ios::binary | std::ios::in | std::ios::out);
    tail.seekp(already - CHUNK);
    tail << FaultServer::pattern(already - CHUNK, CHUNK);
  }
  configure();
  EXPECT_TRUE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::Complete));
  EXPECT_EQ(server->range_log(),
            (std::vector<std::string>{"bytes=2147473648-2147494127", "bytes=2147453168-2147473647",
                                      "bytes=2147494128-2147514607"}));
  EXPECT_EQ(static_cast<int64_t>(std::filesystem::file_size(target)), total);
  std::ifstream in(target, std::ios::binary);
  in.seekg(already);
  std::string tail(static_cast<std::size_t>(total - already), '\0');
  in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  EXPECT_TRUE(same_bytes(tail, FaultServer::pattern(already, total - already)));
  ASSERT_EQ(recorder.progress.size(), 2u);
  EXPECT_EQ(recorder.progress[0].total_length, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(recorder.progress[0].percent, 99);
  EXPECT_EQ(recorder.progress[1].percent, 100);
  EXPECT_EQ(recorder.done.at(0).percent, 100);
}

// The tick count wraps around from 2^32-1 to 0 while a range stalls: the time since the
// send still grows, so the run times out instead of waiting for ever.
TEST_F(RangeRunTest, StalledRangeTimesOutAcrossTheTickWrap) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  jump_clock_on_stall(std::numeric_limits<uint32_t>::max() - 200000u);
  configure();
  server->set_fault_at(1, Fault::Stall);
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::TimedOut));
  EXPECT_TRUE(same_bytes(file(), content.substr(0, CHUNK)));
  EXPECT_EQ(server->requests().size(), 2u);
  EXPECT_EQ(recorder.done.at(0).http_status, 0);  // the request was aborted
  expect_counters_reset();
}

TEST_F(RangeRunTest, SpeedIsTheChunkSizeOverTheTimeSinceTheSend) {
  struct Case {
    uint32_t after_send;  // tick reading of every call after the first
    int32_t speed;
  };
  // 20480 / 1.024 = 20000 KB per second of the chunk; the same tick gives 0.
  const Case cases[] = {{500, 40}, {1000, 20}, {0, 0}, {3, 6666}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.after_send);
    SetUp();
    std::filesystem::remove(target);
    start_server(FaultServer::pattern(0, 1000));
    auto first = std::make_shared<bool>(true);
    clock::set_tick_source([first, c]() -> uint32_t {
      if (*first) {
        *first = false;
        return 0;
      }
      return c.after_send;
    });
    configure();
    EXPECT_TRUE(downloader.run());
    ASSERT_EQ(recorder.progress.size(), 1u);
    EXPECT_EQ(recorder.progress[0].speed, c.speed);
    downloader.close();
  }
}

TEST_F(RangeRunTest, CancelFromTheProgressCallbackEndsAfterThatRange) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  recorder.cancel_at_progress = 0;
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), Text());  // unchanged from the start of the transfer
  EXPECT_TRUE(same_bytes(file(), content.substr(0, CHUNK)));
  EXPECT_EQ(server->requests().size(), 1u);
  ASSERT_EQ(recorder.done.size(), 1u);
  EXPECT_EQ(recorder.done[0].status_text, Text());
  EXPECT_EQ(recorder.done[0].percent, 40);
  expect_counters_reset();
}

TEST_F(RangeRunTest, CancelOnTheRangeThatCompletesTheFileStillSucceeds) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  recorder.cancel_at_progress = 2;
  EXPECT_TRUE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::Complete));
}

// The run holds on to the component, so a close from a callback cannot pull it away; the
// closed object ends the run after that range as a cancel does, with no callback left.
TEST_F(RangeRunTest, CloseFromTheProgressCallbackEndsTheRunAfterThatRange) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  recorder.close_at_progress = 0;
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(server->requests().size(), 1u);
  EXPECT_TRUE(recorder.done.empty());
  EXPECT_TRUE(same_bytes(file(), content.substr(0, CHUNK)));
  EXPECT_EQ(downloader.initialized(), 0);
  EXPECT_EQ(downloader.http_object(), nullptr);
  expect_counters_reset();
}

// A component that cancels the run from inside its wait, which is where a cancel from
// another part of the program would meet a running range.
class CancellingComponent : public xmlhttp::CurlServerXmlHttp {
 public:
  bool waitForResponse(int32_t milliseconds) override {
    if (recorder.downloader->cancel_requested() == 0) {
      recorder.downloader->cancel();
    }
    return CurlServerXmlHttp::waitForResponse(milliseconds);
  }
};

TEST_F(RangeRunTest, CancelSeenWhileWaitingEndsWithUserCancelled) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  server->set_fault(Fault::Stall);
  xmlhttp::ComponentRegistry::instance().register_factory(
      Text(xmlhttp::SERVER_XML_HTTP_PROG_ID),
      [] { return std::make_shared<CancellingComponent>(); });
  configure();
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::Cancelled));
  EXPECT_TRUE(same_bytes(file(), std::string()));
  EXPECT_TRUE(recorder.progress.empty());
  expect_counters_reset();
}

TEST_F(RangeRunTest, SecondRunWhileBusyIsRefusedAndConfigurationStays) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  recorder.run_at_progress = 0;
  EXPECT_TRUE(downloader.run());
  EXPECT_FALSE(recorder.nested_run_result);
  ASSERT_EQ(recorder.done.size(), 2u);
  EXPECT_EQ(recorder.done[0].status_text, status_text_of(RunOutcome::AlreadyDownloading));
  EXPECT_EQ(recorder.done[1].status_text, status_text_of(RunOutcome::Complete));
  EXPECT_EQ(downloader.chunk_size(), CHUNK);
  EXPECT_EQ(downloader.url(), Text(server->url()));
  EXPECT_TRUE(same_bytes(file(), content));
}

TEST_F(RangeRunTest, TargetThatCannotBeOpenedMakesNoRequest) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  files::ExclusiveFile holder;
  ASSERT_TRUE(holder.open_append(Text(target.string())));
  const Text targets[] = {Text(target.string()), Text(), Text(folder.str())};
  for (const Text& path : targets) {
    SCOPED_TRACE(path.str());
    SetUp();
    configure();
    ASSERT_TRUE(downloader.set_target_file(path));
    EXPECT_FALSE(downloader.run());
    EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::FileCannotOpen));
    EXPECT_EQ(downloader.busy(), 0);
    ASSERT_EQ(recorder.done.size(), 1u);
    EXPECT_EQ(recorder.done[0].status_text, status_text_of(RunOutcome::FileCannotOpen));
    EXPECT_EQ(recorder.done[0].http_status, 0);
    downloader.close();
  }
  EXPECT_TRUE(server->requests().empty());
}

TEST_F(RangeRunTest, RunWithoutInitCallsNoCallback) {
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::NotInitialized));
  EXPECT_TRUE(recorder.done.empty());

  xmlhttp::ComponentRegistry::instance().set_refusing(true);
  EXPECT_FALSE(downloader.init(record_progress, record_done));
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), status_text_of(RunOutcome::NotInitialized));
  EXPECT_TRUE(recorder.done.empty());
}

TEST_F(RangeRunTest, ConfigurationStaysAfterARunSoTheNextResumes) {
  start_server(FaultServer::pattern(0, CONTENT_SIZE));
  configure();
  server->set_fault_at(1, Fault::Unavailable503);
  EXPECT_FALSE(downloader.run());
  EXPECT_EQ(downloader.status_text(), Text("Service Unavailable"));
  EXPECT_EQ(downloader.chunk_size(), CHUNK);
  EXPECT_EQ(downloader.timeout_ms(), 204800);
  EXPECT_EQ(downloader.on_done(), &record_done);
  EXPECT_FALSE(downloader.init(record_progress, record_done));
  EXPECT_TRUE(downloader.run());
  EXPECT_TRUE(same_bytes(file(), content));
  EXPECT_EQ(server->range_log().at(2), range(CHUNK));
}

}  // namespace
}  // namespace sonivo
