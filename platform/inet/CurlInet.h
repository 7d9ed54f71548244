#pragma once
// The internet layer over libcurl. Handles live in a table, so a stale or foreign handle
// is refused instead of followed; each handle keeps what it needs of its parents, so
// handles close in any order.
//
// Choices the handle interface leaves open:
// - a GET that is answered by a redirect (301, 302, 303, 307, 308) follows it, at most
//   `max_redirects` times, to http or https targets only; other verbs get the answer;
//   a redirect from https to http fails the send;
// - time-outs: 60 s to connect (name lookup, TCP, TLS), then 30 s of silence from the
//   server at most, while waiting for the headers and for every read;
// - no Accept-Encoding is sent, and a body arrives as the server sent it;
// - cookies come from the process-wide store only (see CookieStore.h); cookies that an
//   answer sets are stored only when the caller passes them to internet_set_cookie;
// - an INTERNET_FLAG_SECURE request uses TLS and checks the certificate.

#include <map>
#include <memory>
#include <string>
#include <variant>

#include "platform/inet/CurlTransfer.h"
#include "platform/inet/Inet.h"

namespace sonivo {

struct InetSettings {
  TransferTimeouts timeouts;
  std::string ca_file;  // trusted certificates; empty: the system's trust store
  int max_redirects = 10;
};

class CurlInet : public Inet {
 public:
  explicit CurlInet(InetSettings settings = {});
  ~CurlInet() override;

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

 private:
  struct Session {
    bool has_agent = false;
    std::string agent;
    bool through_proxy = false;
    std::string proxy_list;
    std::string bypass;
  };
  struct Connection {
    std::shared_ptr<const Session> session;
    std::string server;
    InternetPort port = 0;
  };
  struct Request {
    std::shared_ptr<const Connection> connection;
    std::string verb;
    std::string object_name;
    std::string version;
    std::string extra_lines;  // from the referrer and the accept types
    std::uint32_t flags = 0;
    std::unique_ptr<CurlTransfer> transfer;
    bool answered = false;
  };
  using Object =
      std::variant<std::shared_ptr<const Session>, std::shared_ptr<const Connection>, Request>;

  InternetHandle add(Object object);
  template <typename T>
  T* find(InternetHandle handle);

  InetSettings settings_;
  std::map<InternetHandle, Object> handles_;
  InternetHandle next_handle_ = 1;
};

}  // namespace sonivo
