#pragma once
// One HTTP exchange over libcurl's multi interface, driven only from the caller's calls:
// no thread of its own. Body bytes that libcurl hands over wait in a buffer until read;
// libcurl is driven again only when that buffer is empty, and a transfer whose buffer is
// full pauses, so the buffer stays small.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/curl/CurlHandles.h"
#include "platform/inet/RawHeaderBlock.h"

namespace sonivo {

struct TransferTimeouts {
  long connect_ms = 60000;  // name lookup, TCP and TLS handshake
  long receive_ms = 30000;  // longest silence of the server once connected
};

struct TransferRequest {
  std::string url;    // absolute, already escaped
  std::string proxy;  // "http://host:port", or empty for direct
  std::string no_proxy;
  std::string verb;
  bool http_1_0 = false;
  bool has_body = false;  // POST, or any verb given a body
  std::string body;
  bool has_user_agent = false;
  std::string user_agent;
  std::vector<std::string> header_lines;
  std::string ca_file;  // empty: the system's trust store
  TransferTimeouts timeouts;
};

class CurlTransfer {
 public:
  explicit CurlTransfer(const TransferRequest& request);
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  // Drives the exchange until the final response's headers are in; false when the
  // exchange ended (failure, time-out) without them.
  bool wait_for_headers();

  // Copies up to `capacity` body bytes, waiting until some are there or the body ended.
  std::size_t read(char* buffer, std::size_t capacity);

  // The final response's status line and header lines, each ended by CR LF, then the
  // empty line; empty before they are in.
  const std::string& raw_headers() const { return headers_.text(); }
  long status() const { return headers_.status(); }
  // Where a redirect answer points, absolute; empty when it points nowhere.
  std::string redirect_url() const;

 private:
  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* self);
  void configure(const TransferRequest& request);
  template <typename Ready>
  void run_until(Ready ready);
  void finish();
  bool silent_too_long();

  // Declared so that the easy handle goes first, then the multi handle, then the header
  // lines the easy handle points at.
  CurlList header_list_;
  CurlMulti multi_;
  CurlEasy easy_;
  bool attached_ = false;
  bool done_ = false;
  bool connected_ = false;
  bool paused_ = false;
  long receive_timeout_ms_ = 0;
  std::chrono::steady_clock::time_point last_activity_;
  RawHeaderBlock headers_;
  std::string buffer_;
  std::size_t buffer_start_ = 0;
};

}  // namespace sonivo
