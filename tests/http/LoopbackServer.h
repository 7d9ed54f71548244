#pragma once
// A small HTTP server on 127.0.0.1 for the fetch tests: it keeps the exact bytes of every
// request it received and lets each test write whatever answer it wants, a broken one
// included. Each connection runs on a thread of its own; every wait is bounded, and the
// destructor stops everything.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace sonivo::testing {

struct ReceivedRequest {
  std::string head;  // request line and header lines, up to and with the empty line
  std::string body;  // as many bytes as Content-Length announced
  std::string request_line() const { return head.substr(0, head.find("\r\n")); }
  // The value of the first header line named `name` (letter case ignored), or empty.
  std::string header(std::string_view name) const;
  bool has_header(std::string_view name) const;
};

class LoopbackServer;

class ClientConnection {
 public:
  ClientConnection(int socket, LoopbackServer& server) : socket_(socket), server_(server) {}
  bool send(std::string_view bytes);
  // Waits until the server stops or `milliseconds` pass; true when it stops.
  bool wait_for_stop(int milliseconds);
  LoopbackServer& server() { return server_; }

 private:
  int socket_;
  LoopbackServer& server_;
};

using Responder = std::function<void(ClientConnection&, const ReceivedRequest&)>;

// An answer with Content-Length; `extra_headers` are whole lines ended by CR LF.
Responder answer(int status, std::string body, std::string extra_headers = {});
std::string answer_bytes(int status, std::string_view body, std::string_view extra_headers = {});

class LoopbackServer {
 public:
  explicit LoopbackServer(Responder responder);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int port() const { return port_; }
  std::string address(std::string_view path = "/") const;  // "127.0.0.1:port/path"
  std::string url(std::string_view path = "/") const { return "http://" + address(path); }
  std::vector<ReceivedRequest> requests() const;
  int connections() const { return connections_.load(); }
  bool stopping() const { return stopping_.load(); }

 private:
  friend class ClientConnection;
  void accept_loop();
  void serve(int socket);

  Responder responder_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::condition_variable stopped_;
  std::vector<ReceivedRequest> requests_;
  std::vector<std::thread> workers_;
  std::thread acceptor_;
};

// A one-shot signal between a test and a responder; waits are bounded.
class Gate {
 public:
  void open();
  bool wait(int milliseconds);

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

}  // namespace sonivo::testing
