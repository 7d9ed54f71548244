#pragma once
// A loopback HTTP server for the resolve tests: serves fixed bodies by path, can hold an
// answer half-sent until the test releases it, and closes when it goes out of scope.

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include <httplib.h>

#include "tests/support/LoopbackPorts.h"
#include "text/Text.h"

namespace sonivo::testing {

class PageServer {
 public:
  PageServer();
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  void serve(const std::string& path, std::string body,
             std::string content_type = "text/html; charset=utf-8");
  // Sends the headers and the first `head_bytes` of the body at once, the rest only after
  // release() (or after a bounded wait, so that a broken test cannot hang).
  void serve_held(const std::string& path, std::string body, std::size_t head_bytes);
  void release();

  Text url(const std::string& path) const;
  int requests() const { return requests_; }

 private:
  struct Page {
    std::string body;
    bool held = false;
    std::size_t head_bytes = 0;
    std::string content_type = "text/html; charset=utf-8";
  };
  void answer(const httplib::Request& request, httplib::Response& response);

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable released_changed_;
  bool released_ = false;
  std::map<std::string, Page> pages_;
  std::atomic<int> requests_{0};
};

}  // namespace sonivo::testing
