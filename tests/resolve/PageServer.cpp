#include "tests/resolve/PageServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <stdexcept>

namespace sonivo::testing {
namespace {

// No test needs more; a runaway client gets refusals instead of pages.
constexpr int MAX_REQUESTS = 64;
constexpr auto LONGEST_HOLD = std::chrono::seconds(20);

}  // namespace

PageServer::PageServer() {
  server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    answer(request, response);
  });
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    throw std::runtime_error("cannot bind a loopback port");
  }
  thread_ = std::thread([this] { server_.listen_after_bind(); });
}

PageServer::~PageServer() {
  release();
  server_.stop();
  thread_.join();
}

void PageServer::serve(const std::string& path, std::string body, std::string content_type) {
  std::lock_guard lock(mutex_);
  pages_[path] = Page{std::move(body), false, 0, std::move(content_type)};
}

void PageServer::serve_held(const std::string& path, std::string body, std::size_t head_bytes) {
  std::lock_guard lock(mutex_);
  pages_[path] = Page{std::move(body), true, head_bytes};
}

void PageServer::release() {
  {
    std::lock_guard lock(mutex_);
    released_ = true;
  }
  released_changed_.notify_all();
}

Text PageServer::url(const std::string& path) const {
  return Text("http://127.0.0.1:" + std::to_string(port_) + path);
}

void PageServer::answer(const httplib::Request& request, httplib::Response& response) {
  if (++requests_ > MAX_REQUESTS) {
    response.status = 503;
    return;
  }
  Page page;
  {
    std::lock_guard lock(mutex_);
    const auto found = pages_.find(request.path);
    if (found == pages_.end()) {
      response.status = 404;
      response.set_content("<html><body>404 Not Found</body></html>", "text/html");
      return;
    }
    page = found->second;
  }
  if (!page.held) {
    response.set_content(page.body, page.content_type);
    return;
  }
  auto body = std::make_shared<std::string>(std::move(page.body));
  const std::size_t head = std::min(page.head_bytes, body->size());
  response.set_content_provider(
      body->size(), "text/html; charset=utf-8",
      [this, body, head](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
        if (offset < head) {
          return sink.write(body->data() + offset, std::min(length, head - offset));
        }
        {
          std::unique_lock lock(mutex_);
          released_changed_.wait_for(lock, LONGEST_HOLD, [this] { return released_; });
        }
        return sink.write(body->data() + offset, length);
      });
}

}  // namespace sonivo::testing
