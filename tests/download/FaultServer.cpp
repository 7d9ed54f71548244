#include "tests/download/FaultServer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>

#include "tests/support/LoopbackSocket.h"
#include "text/AsciiCase.h"
#include "text/AsciiTrim.h"

namespace sonivo::testing {
namespace {

constexpr int IDLE_LIMIT_MS = 15000;
constexpr int STALL_LIMIT_MS = 10000;
constexpr int POLL_STEP_MS = 50;
constexpr int64_t FAULT_SHIFT = 100;
constexpr int64_t TOTAL_GROWTH = 1000;
constexpr int64_t STREAM_PIECE = 256 * 1024;

// "bytes=a-b" or "bytes=a-"; false for anything else (then the whole content is served).
bool parse_range(const std::string& value, int64_t length, int64_t& first, int64_t& last) {
  if (value.rfind("bytes=", 0) != 0) {
    return false;
  }
  const std::string bounds = value.substr(6);
  const auto dash = bounds.find('-');
  if (dash == std::string::npos || dash == 0) {
    return false;
  }
  first = std::stoll(bounds.substr(0, dash));
  last = dash + 1 < bounds.size() ? std::stoll(bounds.substr(dash + 1)) : length - 1;
  return true;
}

std::string content_range(int64_t first, int64_t last, const std::string& total) {
  return "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + total;
}

}  // namespace

struct FaultServer::Answer {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  int64_t declared_length = -1;  // Content-Length when it differs from the body sent

  std::string head() const {
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n";
    for (const auto& [name, value] : headers) {
      out += name + ": " + value + "\r\n";
    }
    const int64_t length =
        declared_length >= 0 ? declared_length : static_cast<int64_t>(body.size());
    out += "Content-Length: " + std::to_string(length) + "\r\n\r\n";
    return out;
  }
};

FaultServer::FaultServer(std::string content, int max_requests) : max_requests_(max_requests) {
  const auto length = static_cast<int64_t>(content.size());
  versions_[0] = Version{std::make_shared<const std::string>(std::move(content)), length, {}, {}};
  start();
}

FaultServer::FaultServer(int64_t length, int max_requests) : max_requests_(max_requests) {
  versions_[0] = Version{nullptr, length, {}, {}};
  start();
}

FaultServer::~FaultServer() {
  stop_ = true;
  if (acceptor_.joinable()) {
    acceptor_.join();
  }
  std::vector<std::thread> workers;
  {
    std::lock_guard lock(mutex_);
    for (const int fd : open_fds_) {
      ::shutdown(fd, SHUT_RDWR);
    }
    workers.swap(workers_);
  }
  for (auto& worker : workers) {
    worker.join();
  }
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
  }
}

char FaultServer::pattern_byte(int64_t offset) {
  return static_cast<char>((offset * 131 + (offset >> 12) * 7 + 17) & 0xFF);
}

std::string FaultServer::pattern(int64_t offset, int64_t count) {
  std::string out(static_cast<std::size_t>(count), '\0');
  for (int64_t i = 0; i < count; ++i) {
    out[static_cast<std::size_t>(i)] = pattern_byte(offset + i);
  }
  return out;
}

std::string FaultServer::url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/file.bin";
}

void FaultServer::set_validators(std::string etag, std::string last_modified) {
  std::lock_guard lock(mutex_);
  versions_[0].etag = std::move(etag);
  versions_[0].last_modified = std::move(last_modified);
}

void FaultServer::change_content_at(int request, std::string content, std::string etag,
                                    std::string last_modified) {
  std::lock_guard lock(mutex_);
  const auto length = static_cast<int64_t>(content.size());
  versions_[request] = Version{std::make_shared<const std::string>(std::move(content)), length,
                               std::move(etag), std::move(last_modified)};
}

void FaultServer::set_fault(Fault fault) {
  std::lock_guard lock(mutex_);
  default_fault_ = fault;
}

void FaultServer::set_fault_at(int request, Fault fault) {
  std::lock_guard lock(mutex_);
  faults_at_[request] = fault;
}

void FaultServer::clear_faults() {
  std::lock_guard lock(mutex_);
  default_fault_ = Fault::None;
  faults_at_.clear();
}

std::vector<RecordedRequest> FaultServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::string> FaultServer::range_log() const {
  std::vector<std::string> log;
  for (const auto& request : requests()) {
    const auto found = request.headers.find("range");
    log.push_back(found == request.headers.end() ? std::string() : found->second);
  }
  return log;
}

Fault FaultServer::fault_for(int request) const {
  std::lock_guard lock(mutex_);
  const auto found = faults_at_.find(request);
  return found == faults_at_.end() ? default_fault_ : found->second;
}

FaultServer::Version FaultServer::version_for(int request) const {
  std::lock_guard lock(mutex_);
  auto found = versions_.upper_bound(request);
  return std::prev(found)->second;
}

std::string FaultServer::slice(const Version& version, int64_t offset, int64_t count) {
  offset = std::clamp<int64_t>(offset, 0, version.length);
  count = std::clamp<int64_t>(count, 0, version.length - offset);
  if (!version.content) {
    return pattern(offset, count);
  }
  return version.content->substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(count));
}

void FaultServer::start() {
  const LoopbackListener listener = listen_on_loopback();
  listen_fd_ = listener.fd;
  port_ = listener.port;
  acceptor_ = std::thread([this] { accept_loop(); });
}

void FaultServer::accept_loop() {
  while (!stop_) {
    const int fd = accept_within(listen_fd_, POLL_STEP_MS);
    if (fd < 0) {
      continue;
    }
    const int yes = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    const int connection = ++connections_;
    std::lock_guard lock(mutex_);
    open_fds_.push_back(fd);
    workers_.emplace_back([this, fd, connection] { serve(fd, connection); });
  }
}

void FaultServer::serve(int fd, int connection) {
  std::string buffer;
  bool open = true;
  while (open && !stop_) {
    const std::size_t end_of_head = read_head(fd, buffer, IDLE_LIMIT_MS, &stop_);
    if (end_of_head == std::string::npos) {
      break;
    }
    const std::string head = buffer.substr(0, end_of_head);
    buffer.erase(0, end_of_head + 4);

    RecordedRequest request;
    request.connection = connection;
    std::size_t line_end = head.find("\r\n");
    const std::string request_line = head.substr(0, line_end);
    const auto space = request_line.find(' ');
    request.method = request_line.substr(0, space);
    request.target = request_line.substr(space + 1, request_line.rfind(' ') - space - 1);
    while (line_end != std::string::npos) {
      const auto next = head.find("\r\n", line_end + 2);
      const std::string line = head.substr(line_end + 2, next - line_end - 2);
      const auto colon = line.find(':');
      if (colon != std::string::npos) {
        request.headers[ascii_lower(line.substr(0, colon))] =
            std::string(trim_ascii(line.substr(colon + 1)));
      }
      line_end = next;
    }

    int index = 0;
    {
      std::lock_guard lock(mutex_);
      index = static_cast<int>(requests_.size());
      if (index >= max_requests_) {
        break;
      }
      requests_.push_back(request);
    }
    open = respond(fd, request, fault_for(index), version_for(index));
  }
  std::lock_guard lock(mutex_);
  std::erase(open_fds_, fd);
  ::close(fd);
}

// Sends the answer; false when the connection is to be closed afterwards.
bool FaultServer::respond(int fd, const RecordedRequest& request, Fault fault,
                          const Version& version) {
  const int64_t length = version.length;
  Answer answer;
  auto validators = [&] {
    if (!version.etag.empty()) {
      answer.headers.emplace_back("ETag", version.etag);
    }
    if (!version.last_modified.empty()) {
      answer.headers.emplace_back("Last-Modified", version.last_modified);
    }
  };
  auto slice = [&version](int64_t offset, int64_t count) {
    return FaultServer::slice(version, offset, count);
  };
  const auto range_header = request.headers.find("range");
  int64_t first = 0;
  int64_t last = 0;
  const bool ranged = range_header != request.headers.end() &&
                      parse_range(range_header->second, length, first, last);
  const std::string total = std::to_string(length);
  last = std::min(last, length - 1);
  const int64_t count = last - first + 1;
  const bool past_end = ranged && first >= length;

  auto refuse_range = [&](bool with_content_range) {
    answer.status = 416;
    answer.reason = "Requested Range Not Satisfiable";
    if (with_content_range) {
      answer.headers.emplace_back("Content-Range", "bytes */" + total);
    }
  };
  auto partial = [&](const std::string& stated_range) {
    answer.status = 206;
    answer.reason = "Partial Content";
    validators();
    if (!stated_range.empty()) {
      answer.headers.emplace_back("Content-Range", stated_range);
    }
    answer.body = slice(first, count);
  };

  if (fault == Fault::Whole200 || (!ranged && fault == Fault::None)) {
    answer.headers.emplace_back("Content-Type", "application/octet-stream");
    validators();
    answer.declared_length = length;
    if (!send_all(fd, answer.head())) {
      return false;
    }
    for (int64_t at = 0; at < length; at += STREAM_PIECE) {
      if (!send_all(fd, slice(at, STREAM_PIECE))) {
        return false;
      }
    }
    return true;
  }
  if (fault == Fault::NotFound404) {
    answer.status = 404;
    answer.reason = "File Not Here";
    answer.headers.emplace_back("Content-Type", "text/html");
    answer.body = "<html><body>not here</body></html>";
    return send_all(fd, answer.head() + answer.body);
  }
  if (fault == Fault::Unavailable503) {
    answer.status = 503;
    answer.reason = "Service Unavailable";
    answer.body = "busy";
    return send_all(fd, answer.head() + answer.body);
  }
  if (fault == Fault::Error500AsDone) {
    answer.status = 500;
    answer.reason = "下载完毕";
    answer.body = "failed";
    return send_all(fd, answer.head() + answer.body);
  }
  if (fault == Fault::Refuse416) {
    refuse_range(true);
    return send_all(fd, answer.head());
  }
  if (past_end || !ranged) {
    refuse_range(fault != Fault::TotalStar);
    if (fault == Fault::Html416) {
      answer.headers.emplace_back("Content-Type", "text/html");
      answer.body =
          "<html><head><title>416</title></head><body>Range Not Satisfiable</body></html>";
    }
    return send_all(fd, answer.head() + answer.body);
  }

  switch (fault) {
    case Fault::TotalStar:
      partial(content_range(first, last, "*"));
      break;
    case Fault::NoContentRange:
      partial("");
      break;
    case Fault::WrongStart: {
      const int64_t shifted = std::min(first + FAULT_SHIFT, length - 1);
      const int64_t shifted_last = std::min(shifted + count - 1, length - 1);
      partial(content_range(shifted, shifted_last, total));
      answer.body = slice(shifted, shifted_last - shifted + 1);
      break;
    }
    case Fault::BodyShort:
      partial(content_range(first, last, total));
      answer.body.resize(answer.body.size() > FAULT_SHIFT ? answer.body.size() - FAULT_SHIFT : 0);
      break;
    case Fault::BodyLong:
      partial(content_range(first, last, total));
      answer.body += std::string(FAULT_SHIFT, 'X');
      break;
    case Fault::TotalChanges:
      partial(content_range(first, last, std::to_string(length + TOTAL_GROWTH)));
      break;
    case Fault::DropMidBody: {
      partial(content_range(first, last, total));
      const std::string head = answer.head();
      send_all(fd, head + answer.body.substr(0, answer.body.size() / 2));
      return false;
    }
    case Fault::Stall: {
      partial(content_range(first, last, total));
      send_all(fd, answer.head() +
                       answer.body.substr(0, std::min<std::size_t>(100, answer.body.size())));
      stall(fd);
      return false;
    }
    default:
      partial(content_range(first, last, total));
      break;
  }
  return send_all(fd, answer.head() + answer.body);
}

// Holds the answer back until the client gives up on it (or the limit passes).
void FaultServer::stall(int fd) {
  ++stalls_;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(STALL_LIMIT_MS);
  char sink[4096];
  while (!stop_ && std::chrono::steady_clock::now() < until) {
    if (wait_readable(fd, POLL_STEP_MS, &stop_)) {
      if (::recv(fd, sink, sizeof sink, 0) <= 0) {
        return;
      }
    }
  }
}

}  // namespace sonivo::testing
