#include "bench/DelayProxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/LoopbackSocket.h"

namespace sonivo::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Held {
  Clock::time_point due;
  std::string bytes;
};

// One direction of one connection: what was read from `from` waits in `held` until it
// is due, then goes to `to`.
struct Direction {
  int from = -1;
  int to = -1;
  std::deque<Held> held;
  bool from_ended = false;
  bool to_shut = false;

  bool done() const { return to_shut; }
};

struct Link {
  Direction up;    // client to server
  Direction down;  // server to client
};

void set_non_blocking(int fd) {
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

int connect_upstream(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  set_non_blocking(fd);
  return fd;
}

void read_into(Direction& d, Clock::duration delay) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(d.from, buffer, sizeof buffer);
    if (n > 0) {
      d.held.push_back({Clock::now() + delay, std::string(buffer, static_cast<size_t>(n))});
      continue;
    }
    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      d.from_ended = true;
    }
    return;
  }
}

void write_due(Direction& d) {
  const Clock::time_point now = Clock::now();
  while (!d.held.empty() && d.held.front().due <= now) {
    std::string& bytes = d.held.front().bytes;
    const ssize_t n = ::write(d.to, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        return;
      }
      d.held.clear();  // the other side is gone
      d.from_ended = true;
      break;
    }
    bytes.erase(0, static_cast<size_t>(n));
    if (!bytes.empty()) {
      return;
    }
    d.held.pop_front();
  }
  if (d.held.empty() && d.from_ended && !d.to_shut) {
    ::shutdown(d.to, SHUT_WR);
    d.to_shut = true;
  }
}

[[noreturn]] void serve(int listener, int hold_fd, int upstream_port, int delay_ms,
                        int lifetime_s) {
  const Clock::duration delay = std::chrono::milliseconds(delay_ms);
  const Clock::time_point end = Clock::now() + std::chrono::seconds(lifetime_s);
  std::vector<std::unique_ptr<Link>> links;
  while (Clock::now() < end) {
    std::vector<pollfd> fds{{listener, POLLIN, 0}, {hold_fd, POLLIN, 0}};
    Clock::time_point wake = end;
    for (const auto& link : links) {
      for (Direction* d : {&link->up, &link->down}) {
        if (!d->from_ended) {
          fds.push_back({d->from, POLLIN, 0});
        }
        if (!d->held.empty()) {
          const bool due = d->held.front().due <= Clock::now();
          if (due) {
            fds.push_back({d->to, POLLOUT, 0});
          } else {
            wake = std::min(wake, d->held.front().due);
          }
        }
      }
    }
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        wake - Clock::now() + std::chrono::microseconds(999));
    ::poll(fds.data(), fds.size(), static_cast<int>(std::max<int64_t>(0, wait.count())));
    if (fds[1].revents != 0) {
      break;  // the parent closed its end
    }
    if (fds[0].revents & POLLIN) {
      const int client = ::accept(listener, nullptr, nullptr);
      if (client >= 0) {
        const int server = connect_upstream(upstream_port);
        if (server < 0) {
          ::close(client);
        } else {
          set_non_blocking(client);
          auto link = std::make_unique<Link>();
          link->up.from = client;
          link->up.to = server;
          link->down.from = server;
          link->down.to = client;
          links.push_back(std::move(link));
        }
      }
    }
    for (auto& link : links) {
      for (Direction* d : {&link->up, &link->down}) {
        if (!d->from_ended) {
          read_into(*d, delay);
        }
        write_due(*d);
      }
    }
    std::erase_if(links, [](const std::unique_ptr<Link>& link) {
      if (!(link->up.done() && link->down.done())) {
        return false;
      }
      ::close(link->up.from);
      ::close(link->down.from);
      return true;
    });
  }
  ::_exit(0);
}

}  // namespace

DelayProxy::DelayProxy(int upstream_port, int delay_ms, int lifetime_s) {
  const testing::LoopbackListener listening = testing::listen_on_loopback();
  if (listening.fd < 0) {
    std::perror("proxy");
    std::exit(1);
  }
  const int listener = listening.fd;
  port_ = listening.port;
  int hold_pipe[2];
  if (::pipe(hold_pipe) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(hold_pipe[1]);
    serve(listener, hold_pipe[0], upstream_port, delay_ms, lifetime_s);
  }
  ::close(listener);
  ::close(hold_pipe[0]);
  hold_fd_ = hold_pipe[1];
}

DelayProxy::~DelayProxy() {
  ::close(hold_fd_);
  ::waitpid(pid_, nullptr, 0);
}

std::string DelayProxy::url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/file.bin";
}

}  // namespace sonivo::bench
