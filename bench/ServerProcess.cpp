#include "bench/ServerProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "tests/download/FaultServer.h"

namespace sonivo::bench {

ServerProcess::ServerProcess(int64_t size) {
  int port_pipe[2];
  int hold_pipe[2];
  if (::pipe(port_pipe) != 0 || ::pipe(hold_pipe) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(port_pipe[0]);
    ::close(hold_pipe[1]);
    testing::FaultServer server(testing::FaultServer::pattern(0, size), 200000);
    const int p = server.port();
    if (::write(port_pipe[1], &p, sizeof p) != sizeof p) {
      ::_exit(1);
    }
    char byte;
    while (::read(hold_pipe[0], &byte, 1) > 0) {
    }
    ::_exit(0);  // the parent closed its end: stop serving
  }
  ::close(port_pipe[1]);
  ::close(hold_pipe[0]);
  hold_fd_ = hold_pipe[1];
  if (::read(port_pipe[0], &port_, sizeof port_) != sizeof port_) {
    std::fprintf(stderr, "server did not start\n");
    std::exit(1);
  }
  ::close(port_pipe[0]);
}

ServerProcess::~ServerProcess() {
  ::close(hold_fd_);
  ::waitpid(pid_, nullptr, 0);
}

std::string ServerProcess::url() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/file.bin";
}

}  // namespace sonivo::bench
