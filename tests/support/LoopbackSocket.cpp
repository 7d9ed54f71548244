#include "tests/support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace sonivo::testing {
namespace {

// Short enough that a server notices its stop at once, long enough not to spin.
constexpr int POLL_STEP_MS = 50;

}  // namespace

LoopbackListener listen_on_loopback() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    return {};
  }
  // A server started right after another one stopped may get its port again.
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, 16) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(fd);
    return {};
  }
  return {fd, ntohs(address.sin_port)};
}

int accept_within(int listener, int wait_ms) {
  pollfd p{listener, POLLIN, 0};
  if (::poll(&p, 1, wait_ms) <= 0) {
    return -1;
  }
  return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

bool wait_readable(int fd, int limit_ms, const std::atomic<bool>* stop) {
  for (int waited = 0; waited < limit_ms && !(stop && *stop); waited += POLL_STEP_MS) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, POLL_STEP_MS);
    if (ready > 0) {
      return true;
    }
    if (ready < 0 && errno != EINTR) {
      return false;
    }
  }
  return false;
}

bool read_more(int fd, std::string& into, int limit_ms, const std::atomic<bool>* stop) {
  if (!wait_readable(fd, limit_ms, stop)) {
    return false;
  }
  char buffer[16384];
  const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
  if (count <= 0) {
    return false;
  }
  into.append(buffer, static_cast<std::size_t>(count));
  return true;
}

std::size_t read_head(int fd, std::string& buffer, int limit_ms, const std::atomic<bool>* stop) {
  std::size_t end_of_head;
  while ((end_of_head = buffer.find("\r\n\r\n")) == std::string::npos) {
    if (!read_more(fd, buffer, limit_ms, stop)) {
      return std::string::npos;
    }
  }
  return end_of_head;
}

bool send_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) {
      continue;
    }
    if (sent <= 0) {
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

}  // namespace sonivo::testing
