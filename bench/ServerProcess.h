#pragma once
// A loopback file server (the download tests' fault server) in a child process of its
// own, so that its copy of the file and its buffers do not count in the memory of the
// process that measures. The child serves until the object goes away.
//
// Fork it before anything starts threads of its own (a Qt application, say).

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace sonivo::bench {

class ServerProcess {
 public:
  explicit ServerProcess(int64_t size);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int port() const { return port_; }
  std::string url() const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  int hold_fd_ = -1;
};

}  // namespace sonivo::bench
