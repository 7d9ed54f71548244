// The movie-request fetcher against a loopback server, driven by a poll() loop standing in
// for the program's event loop.

#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/webfetch/WebFetch.h"
#include "tests/support/LoopbackPorts.h"

namespace sonivo::webfetch {
namespace {

class PollLoop : public EventLoopHooks {
 public:
  void watch_socket(int socket, bool for_reading, bool for_writing) override {
    if (!for_reading && !for_writing) {
      sockets_.erase(socket);
      return;
    }
    sockets_[socket] = static_cast<short>((for_reading ? POLLIN : 0) | (for_writing ? POLLOUT : 0));
  }
  void arm_timer(long milliseconds) override { timer_ms_ = milliseconds; }

  // Runs until `done` holds or `limit` has passed.
  template <class Done>
  bool run(WebFetcher& fetcher, Done done,
           std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      std::vector<pollfd> fds;
      for (const auto& [socket, events] : sockets_) {
        fds.push_back({socket, events, 0});
      }
      const long wait = timer_ms_ < 0 ? 100 : std::min(timer_ms_, 100L);
      const int ready = ::poll(fds.data(), fds.size(), static_cast<int>(wait));
      if (ready <= 0) {
        timer_ms_ = -1;
        fetcher.timer_fired();
        continue;
      }
      for (const pollfd& fd : fds) {
        if (fd.revents != 0) {
          fetcher.socket_ready(fd.fd, fd.revents & (POLLIN | POLLHUP | POLLERR),
                               fd.revents & POLLOUT);
        }
      }
    }
    return done();
  }

 private:
  std::map<int, short> sockets_;
  long timer_ms_ = -1;
};

class Server {
 public:
  Server() {
    server_.Get("/sound.mp3", [this](const httplib::Request& request, httplib::Response& response) {
      remember(request);
      response.set_content(std::string(100000, 'x'), "audio/mpeg");
    });
    server_.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
      response.status = 404;
      response.set_content("gone", "text/plain");
    });
    server_.Get("/to-file", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("file:///etc/passwd");
    });
    server_.Get("/to-sound", [](const httplib::Request&, httplib::Response& response) {
      response.set_redirect("/sound.mp3");
    });
    server_.Post("/vars", [this](const httplib::Request& request, httplib::Response& response) {
      remember(request);
      response.set_content("echo=" + request.body, "text/plain");
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
  }
  ~Server() {
    server_.stop();
    thread_.join();
  }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  httplib::Request last() {
    std::lock_guard lock(mutex_);
    return last_;
  }

 private:
  void remember(const httplib::Request& request) {
    std::lock_guard lock(mutex_);
    last_ = request;
  }
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  httplib::Request last_;
};

struct Fetch {
  std::optional<WebAnswer> answer;
  int calls = 0;
};

std::optional<WebAnswer> fetch(const WebRequest& request) {
  PollLoop loop;
  WebFetcher fetcher(loop);
  Fetch result;
  const int id = fetcher.start(request, [&result](WebAnswer answer) {
    result.answer = std::move(answer);
    ++result.calls;
  });
  EXPECT_NE(id, 0);
  EXPECT_TRUE(loop.run(fetcher, [&] { return result.calls > 0; }));
  EXPECT_EQ(result.calls, 1);
  EXPECT_EQ(fetcher.running(), 0u);
  return result.answer;
}

TEST(WebFetch, OnlyHttpAndHttpsAreFetched) {
  PollLoop loop;
  WebFetcher fetcher(loop);
  for (const char* url : {"file:///etc/passwd", "FILE:///etc/passwd", "ftp://127.0.0.1/a",
                          "gopher://127.0.0.1/", "data:text/plain,x", "/relative", ""}) {
    SCOPED_TRACE(url);
    WebRequest request;
    request.url = url;
    EXPECT_EQ(fetcher.start(request, [](WebAnswer) { ADD_FAILURE(); }), 0);
  }
  EXPECT_TRUE(is_web_address("HTTPS://example.invalid/"));
  EXPECT_FALSE(is_web_address("httpx://example.invalid/"));
}

TEST(WebFetch, AGetBringsTheWholeBodyWithStatusAndTypeAndNoBrowserHeaders) {
  Server server;
  WebRequest request;
  request.url = server.url("/sound.mp3");
  const std::optional<WebAnswer> answer = fetch(request);
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->transferred);
  EXPECT_EQ(answer->status, 200);
  EXPECT_EQ(answer->content_type, "audio/mpeg");
  EXPECT_EQ(answer->body, std::string(100000, 'x'));
  const httplib::Request seen = server.last();
  EXPECT_EQ(seen.get_header_value("Accept"), "*/*");
  for (const char* absent : {"Cookie", "Referer", "User-Agent", "Accept-Encoding", "Origin"}) {
    EXPECT_FALSE(seen.has_header(absent)) << absent;
  }
}

TEST(WebFetch, AnswersAndRedirectsAsTheyCome) {
  Server server;
  struct Case {
    std::string path;
    bool transferred;
    long status;
    std::size_t body_size;
  };
  const Case cases[] = {
      {"/missing", true, 404, 4},        // the status is the caller's business
      {"/to-sound", true, 200, 100000},  // followed
      {"/to-file", false, 302, 0},       // a redirect to a file is not followed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    WebRequest request;
    request.url = server.url(c.path);
    const std::optional<WebAnswer> answer = fetch(request);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->transferred, c.transferred);
    if (c.transferred) {
      EXPECT_EQ(answer->status, c.status);
    }
    EXPECT_EQ(answer->body.size(), c.body_size);
  }
}

TEST(WebFetch, APostCarriesItsBodyAndType) {
  Server server;
  WebRequest request;
  request.method = "POST";
  request.url = server.url("/vars");
  request.body = "a=1&b=%20";
  request.content_type = "application/x-www-form-urlencoded";
  const std::optional<WebAnswer> answer = fetch(request);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->body, "echo=a=1&b=%20");
  EXPECT_EQ(server.last().get_header_value("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_FALSE(server.last().has_header("Expect"));
}

TEST(WebFetch, FirstBytesOnlyEndsTheTransferEarlyAsAWholeAnswer) {
  Server server;
  WebRequest request;
  request.url = server.url("/sound.mp3");
  request.first_bytes_only = 3;
  const std::optional<WebAnswer> answer = fetch(request);
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->transferred);
  EXPECT_EQ(answer->body, "xxx");
}

TEST(WebFetch, UnreachableAndCancelled) {
  WebRequest request;
  request.url = "http://127.0.0.1:" + std::to_string(testing::closed_loopback_port()) + "/a";
  const std::optional<WebAnswer> answer = fetch(request);
  ASSERT_TRUE(answer);
  EXPECT_FALSE(answer->transferred);
  EXPECT_TRUE(answer->body.empty());

  Server server;
  PollLoop loop;
  WebFetcher fetcher(loop);
  bool called = false;
  request.url = server.url("/sound.mp3");
  const int id = fetcher.start(request, [&called](WebAnswer) { called = true; });
  ASSERT_NE(id, 0);
  fetcher.cancel(id);
  EXPECT_EQ(fetcher.running(), 0u);
  // Nothing may arrive any more.
  loop.run(
      fetcher, [] { return false; }, std::chrono::milliseconds(300));
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace sonivo::webfetch
