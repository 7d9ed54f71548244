#include "tests/http/LoopbackServer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "tests/support/LoopbackSocket.h"
#include "text/AsciiCase.h"

namespace sonivo::testing {
namespace {

constexpr int REQUEST_WAIT_MS = 5000;

const char* reason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 302:
      return "Found";
    case 404:
      return "Not Found";
    case 500:
      return "Internal Server Error";
  }
  return "Status";
}

}  // namespace

std::string ReceivedRequest::header(std::string_view name) const {
  std::string wanted = ascii_lower(name) + ":";
  std::size_t start = head.find("\r\n");
  while (start != std::string::npos && start + 2 < head.size()) {
    std::size_t end = head.find("\r\n", start + 2);
    std::string line = head.substr(start + 2, end - start - 2);
    if (ascii_lower(line).starts_with(wanted)) {
      std::size_t value = wanted.size();
      while (value < line.size() && line[value] == ' ') {
        ++value;
      }
      return line.substr(value);
    }
    start = end;
  }
  return {};
}

bool ReceivedRequest::has_header(std::string_view name) const {
  return ascii_lower(head).find("\r\n" + ascii_lower(name) + ":") != std::string::npos;
}

bool ClientConnection::send(std::string_view bytes) {
  return send_all(socket_, bytes);
}

bool ClientConnection::wait_for_stop(int milliseconds) {
  std::unique_lock lock(server_.mutex_);
  return server_.stopped_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                   [this] { return server_.stopping(); });
}

std::string answer_bytes(int status, std::string_view body, std::string_view extra_headers) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason(status) +
         "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
         std::string(extra_headers) + "Connection: close\r\n\r\n" + std::string(body);
}

Responder answer(int status, std::string body, std::string extra_headers) {
  return [status, body = std::move(body), extra_headers = std::move(extra_headers)](
             ClientConnection& connection, const ReceivedRequest&) {
    connection.send(answer_bytes(status, body, extra_headers));
  };
}

LoopbackServer::LoopbackServer(Responder responder) : responder_(std::move(responder)) {
  const LoopbackListener listener = listen_on_loopback();
  if (listener.fd < 0) {
    std::abort();
  }
  listener_ = listener.fd;
  port_ = listener.port;
  acceptor_ = std::thread([this] { accept_loop(); });
}

LoopbackServer::~LoopbackServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stopped_.notify_all();
  acceptor_.join();
  for (std::thread& worker : workers_) {
    worker.join();
  }
  close(listener_);
}

std::string LoopbackServer::address(std::string_view path) const {
  return "127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<ReceivedRequest> LoopbackServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void LoopbackServer::accept_loop() {
  while (!stopping_) {
    const int socket = accept_within(listener_, 20);
    if (socket < 0) {
      continue;
    }
    ++connections_;
    workers_.emplace_back([this, socket] { serve(socket); });
  }
}

void LoopbackServer::serve(int socket) {
  std::string received;
  // One request per connection; every answer closes it.
  const std::size_t head_end = read_head(socket, received, REQUEST_WAIT_MS);
  if (head_end == std::string::npos) {
    close(socket);
    return;
  }
  ReceivedRequest request;
  request.head = received.substr(0, head_end + 4);
  std::size_t length = std::strtoul(request.header("Content-Length").c_str(), nullptr, 10);
  request.body = received.substr(head_end + 4);
  while (request.body.size() < length && read_more(socket, request.body, REQUEST_WAIT_MS)) {
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  ClientConnection connection(socket, *this);
  responder_(connection, request);
  shutdown(socket, SHUT_RDWR);
  close(socket);
}

void Gate::open() {
  {
    std::lock_guard lock(mutex_);
    open_ = true;
  }
  opened_.notify_all();
}

bool Gate::wait(int milliseconds) {
  std::unique_lock lock(mutex_);
  return opened_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return open_; });
}

}  // namespace sonivo::testing
