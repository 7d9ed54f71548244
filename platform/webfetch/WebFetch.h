#pragma once
// The requests a Flash movie makes (its own file, sounds, variables), over libcurl's
// multi interface without a thread: the host's event loop watches the sockets and the
// timer libcurl asks for and calls back in, so a long sound download never holds the
// caller. Only http and https addresses are fetched, redirects included.
//
// What travels: the method, the address and, for a POST, the body with its Content-Type;
// libcurl adds Host, "Accept: */*" and Content-Length. No cookies, no Referer, no
// User-Agent, no Accept-Encoding: the movie's own page rules (cross-origin checks) do not
// apply, as they did not for the browser plug-in.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/curl/CurlHandles.h"

namespace sonivo::webfetch {

struct WebRequest {
  std::string method = "GET";  // GET, HEAD or POST
  std::string url;
  std::string body;          // POST only
  std::string content_type;  // of the body
  // Above 0: the transfer ends, as a whole answer, once this many bytes of the body came
  // (enough to tell what a file is without reading all of it).
  std::size_t first_bytes_only = 0;
};

struct WebAnswer {
  bool transferred = false;  // false: refused, unreachable, cut off or over the size cap
  long status = 0;
  std::string content_type;
  std::string body;
};

// True for an address whose scheme is http or https (either case).
bool is_web_address(const std::string& url);

// What the host's event loop does for the fetcher.
class EventLoopHooks {
 public:
  virtual ~EventLoopHooks() = default;
  // Watch `socket` for reading and/or writing (both false: stop watching it).
  virtual void watch_socket(int socket, bool for_reading, bool for_writing) = 0;
  // Call timer_fired() after `milliseconds`; a negative value stops the timer.
  virtual void arm_timer(long milliseconds) = 0;
};

class WebFetcher {
 public:
  using Done = std::function<void(WebAnswer)>;

  explicit WebFetcher(EventLoopHooks& hooks);
  ~WebFetcher();  // ends every transfer without calling its Done
  WebFetcher(const WebFetcher&) = delete;
  WebFetcher& operator=(const WebFetcher&) = delete;

  // Starts a request; `done` is called once, later, from socket_ready() or timer_fired().
  // Returns 0 (and never calls `done`) when the address is not http or https or the
  // request cannot be set up.
  int start(const WebRequest& request, Done done);
  // Ends a transfer whose answer is no longer wanted; its Done is not called.
  void cancel(int id);
  std::size_t running() const { return transfers_.size(); }

  void socket_ready(int socket, bool readable, bool writable);
  void timer_fired();

  static constexpr std::size_t MAX_BODY_BYTES = 64u << 20;

  struct Transfer;  // one request under way; its parts are the fetcher's own

 private:
  void finish_completed();

  EventLoopHooks& hooks_;
  CurlMulti multi_;
  int next_id_ = 1;
  std::map<int, std::unique_ptr<Transfer>> transfers_;
};

}  // namespace sonivo::webfetch
