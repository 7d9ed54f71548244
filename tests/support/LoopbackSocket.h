#pragma once
// The socket plumbing of our raw loopback servers (tests/http/LoopbackServer,
// tests/download/FaultServer, bench/DelayProxy): they speak HTTP byte by byte, broken
// answers included, which no HTTP server library lets a test do. Every wait is bounded,
// so that a client that never sends cannot hold a test.

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>

namespace sonivo::testing {

// A TCP socket listening on 127.0.0.1 at a port the system picked; fd -1 (and port 0)
// when the system refuses one.
struct LoopbackListener {
  int fd = -1;
  int port = 0;
};
LoopbackListener listen_on_loopback();

// The next connection waiting on `listener` within `wait_ms`; -1 when none came.
int accept_within(int listener, int wait_ms);

// True when `fd` has bytes to read, or its peer left, within `limit_ms`; false when the
// limit passed, `stop` turned true or the socket failed.
bool wait_readable(int fd, int limit_ms, const std::atomic<bool>* stop = nullptr);

// Appends the bytes that arrive within `limit_ms`; false on end, error or silence.
bool read_more(int fd, std::string& into, int limit_ms, const std::atomic<bool>* stop = nullptr);

// Reads into `buffer` until it holds a whole request head; gives the position of the
// blank line that ends it ("\r\n\r\n"), or npos when the peer left or fell silent first.
std::size_t read_head(int fd, std::string& buffer, int limit_ms,
                      const std::atomic<bool>* stop = nullptr);

// Sends every byte; false when the peer is gone. A peer that left raises no SIGPIPE.
bool send_all(int fd, std::string_view bytes);

}  // namespace sonivo::testing
