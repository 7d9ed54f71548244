#pragma once
// A loopback TCP proxy that holds every byte back for a fixed delay in each direction,
// so that a loopback server looks as far away as a real one: 25 ms each way make a
// round trip of 50 ms. It runs in a child process of its own, forwards to one upstream
// port on 127.0.0.1, and stops when the object goes away or, at the latest, after
// `lifetime_s` seconds.
//
// Fork it before anything starts threads of its own (a Qt application, say).

#include <sys/types.h>

#include <string>

namespace sonivo::bench {

class DelayProxy {
 public:
  DelayProxy(int upstream_port, int delay_ms, int lifetime_s = 900);
  ~DelayProxy();
  DelayProxy(const DelayProxy&) = delete;
  DelayProxy& operator=(const DelayProxy&) = delete;

  int port() const { return port_; }
  // The upstream's file through the proxy.
  std::string url() const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  int hold_fd_ = -1;
};

}  // namespace sonivo::bench
