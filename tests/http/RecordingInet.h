#pragma once
// An internet layer that records every call with its exact arguments and plays back a
// scripted answer, for the tests of what the fetch passes, in which order.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/inet/Inet.h"

namespace sonivo::testing {

struct OpenCall {
  std::optional<std::string> agent;
  std::uint32_t access_type = 0;
  std::optional<std::string> proxy;
  std::optional<std::string> bypass;
  std::uint32_t flags = 0;
};
struct ConnectCall {
  InternetHandle internet = 0;
  std::string server;
  InternetPort port = 0;
  bool user = false;
  bool password = false;
  std::uint32_t service = 0;
  std::uint32_t flags = 0;
};
struct OpenRequestCall {
  InternetHandle connection = 0;
  std::string verb;
  std::string object_name;
  std::string version;
  bool referrer = false;
  bool accept_types = false;
  std::uint32_t flags = 0;
};
struct SendCall {
  InternetHandle request = 0;
  std::string headers;  // exactly headers_length bytes
  std::uint32_t headers_length = 0;
  std::optional<std::string> body;  // none for a null body
  std::uint32_t body_length = 0;
};
struct QueryCall {
  std::uint32_t info_level = 0;
  std::uint32_t length = 0;
  bool index = false;
};
struct CookieCall {
  std::string url;
  std::string name;
  std::string data;
};

class RecordingInet : public Inet {
 public:
  RecordingInet();            // installs itself
  ~RecordingInet() override;  // back to the default layer

  InternetHandle internet_open(const char* agent, std::uint32_t access_type, const char* proxy,
                               const char* proxy_bypass, std::uint32_t flags) override;
  InternetHandle internet_connect(InternetHandle internet, const char* server, InternetPort port,
                                  const char* user, const char* password, std::uint32_t service,
                                  std::uint32_t flags, std::uintptr_t context) override;
  InternetHandle http_open_request(InternetHandle connection, const char* verb,
                                   const char* object_name, const char* version,
                                   const char* referrer, const char* const* accept_types,
                                   std::uint32_t flags, std::uintptr_t context) override;
  bool http_send_request(InternetHandle request, const char* headers, std::uint32_t headers_length,
                         const void* body, std::uint32_t body_length) override;
  bool internet_read_file(InternetHandle request, void* buffer, std::uint32_t to_read,
                          std::uint32_t* read) override;
  bool http_query_info(InternetHandle request, std::uint32_t info_level, void* buffer,
                       std::uint32_t* length, std::uint32_t* index) override;
  bool internet_close_handle(InternetHandle handle) override;
  bool internet_set_cookie(const char* url, const char* name, const char* data) override;

  // The script.
  bool fail_open = false;
  bool fail_connect = false;
  bool fail_open_request = false;
  std::string body;         // delivered in reads of at most the asked size
  std::string raw_headers;  // written by the query when it fits; empty: the query fails

  // What happened.
  std::vector<std::string> calls;  // "open", "connect", ..., "close 3"
  std::vector<OpenCall> opens;
  std::vector<ConnectCall> connects;
  std::vector<OpenRequestCall> requests;
  std::vector<SendCall> sends;
  std::vector<std::uint32_t> read_sizes;
  std::vector<QueryCall> queries;
  std::vector<InternetHandle> closed;
  std::vector<CookieCall> cookies;

  static constexpr InternetHandle INTERNET = 11;
  static constexpr InternetHandle CONNECTION = 22;
  static constexpr InternetHandle REQUEST = 33;

 private:
  std::size_t delivered_ = 0;
};

}  // namespace sonivo::testing
