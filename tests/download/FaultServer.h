#pragma once
// A loopback HTTP/1.1 server of our own that serves one file with Range support and can
// be told to misbehave, request by request. Raw sockets, so that it can also drop a
// connection in the middle of a body or hold an answer back. Each connection is served
// on its own thread, with keep-alive; every request is logged. Bounded: it answers at
// most `max_requests` requests, closes a connection idle for 15 s, holds a stalled
// answer at most 10 s, and stops with the object.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sonivo::testing {

enum class Fault {
  None,            // 206 with the range asked for; 416 "bytes */total" at or past the end
  Whole200,        // 200 with the whole content, whatever the Range
  NotFound404,     // 404 with the reason phrase "File Not Here"
  TotalStar,       // 206 with a total of "*"; past the end, 416 without Content-Range
  NoContentRange,  // 206 with the range's bytes but no Content-Range
  WrongStart,      // 206 whose Content-Range and body start 100 bytes later than asked
  BodyShort,       // 206 whose body is 100 bytes shorter than its Content-Range says
  BodyLong,        // 206 whose body is 100 bytes longer than its Content-Range says
  TotalChanges,    // 206 whose Content-Range states a total 1000 bytes larger
  Refuse416,       // 416 "bytes */total" although the range lies inside the content
  Html416,         // 416 "bytes */total" with an HTML page as its body
  DropMidBody,     // 206 headers, half of the body, then the connection closed
  Stall,           // 206 headers and a little of the body, then nothing more
  Unavailable503,  // 503 "Service Unavailable"
  Error500AsDone,  // 500 whose reason phrase is "下载完毕", the text of a finished download
};

struct RecordedRequest {
  std::string method;
  std::string target;
  std::map<std::string, std::string> headers;  // by lower-case name
  int connection = 0;                          // numbered from 1 in the order accepted
};

class FaultServer {
 public:
  explicit FaultServer(std::string content, int max_requests = 20000);
  // A content of `length` bytes made by pattern_byte, never held in memory.
  explicit FaultServer(int64_t length, int max_requests = 20000);
  ~FaultServer();
  FaultServer(const FaultServer&) = delete;
  FaultServer& operator=(const FaultServer&) = delete;

  static char pattern_byte(int64_t offset);
  static std::string pattern(int64_t offset, int64_t count);

  int port() const { return port_; }
  std::string url() const;  // http://127.0.0.1:<port>/file.bin

  // ETag and Last-Modified values sent with every 200 and 206 answer (a 416 carries none);
  // an empty value sends no header. They describe the content served from request 0 on.
  void set_validators(std::string etag, std::string last_modified);
  // From the request-th request on (counted from 0), the file is another: `content`, with
  // these validators. Stands in for a file replaced on the server.
  void change_content_at(int request, std::string content, std::string etag = {},
                         std::string last_modified = {});

  void set_fault(Fault fault);                  // for every request without its own
  void set_fault_at(int request, Fault fault);  // for the request-th one, from 0
  void clear_faults();

  std::vector<RecordedRequest> requests() const;
  std::vector<std::string> range_log() const;  // each request's Range value, "" if none
  int connections() const { return connections_; }
  // Stalled answers begun so far; a test's clock can jump ahead by it.
  int stalls() const { return stalls_; }

 private:
  struct Answer;
  // One version of the served file.
  struct Version {
    std::shared_ptr<const std::string> content;  // null: the pattern
    int64_t length = 0;
    std::string etag;
    std::string last_modified;
  };

  void start();
  void accept_loop();
  void serve(int fd, int connection);
  Fault fault_for(int request) const;
  Version version_for(int request) const;
  static std::string slice(const Version& version, int64_t offset, int64_t count);
  bool respond(int fd, const RecordedRequest& request, Fault fault, const Version& version);
  void stall(int fd);

  int max_requests_;

  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> stalls_{0};
  std::thread acceptor_;

  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::vector<int> open_fds_;
  std::vector<RecordedRequest> requests_;
  Fault default_fault_ = Fault::None;
  std::map<int, Fault> faults_at_;
  std::map<int, Version> versions_;  // by the first request that sees each
};

}  // namespace sonivo::testing
