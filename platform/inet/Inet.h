#pragma once
// Internet handles shaped like the Windows internet API: an internet (session) handle, a
// connection handle under it and a request handle under that. Every operation reports
// failure by a null handle or a false result, never by an exception. Strings are byte
// strings; a null pointer means "none", which is not the same as an empty string.
//
// The program reaches the layer through `inet()`, so a test can install a recorder of
// the exact arguments, or a real layer with short time-outs.

#include <cstdint>

namespace sonivo {

using InternetHandle = std::uintptr_t;
constexpr InternetHandle NO_HANDLE = 0;
using InternetPort = std::uint16_t;

constexpr std::uint32_t INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr std::uint32_t INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr std::uint32_t INTERNET_OPEN_TYPE_PROXY = 3;

constexpr std::uint32_t INTERNET_SERVICE_HTTP = 3;
constexpr InternetPort INTERNET_DEFAULT_PORT = 0;
constexpr InternetPort INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr InternetPort INTERNET_DEFAULT_HTTPS_PORT = 443;

constexpr std::uint32_t INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr std::uint32_t INTERNET_FLAG_SECURE = 0x00800000u;

constexpr std::uint32_t HTTP_QUERY_RAW_HEADERS_CRLF = 22;

class Inet {
 public:
  virtual ~Inet() = default;

  // Access type DIRECT or PRECONFIG: no proxy. PROXY: through `proxy`, a proxy list
  // ("http=host:port", or "host:port" for every scheme, entries separated by blanks or
  // semicolons); a missing or empty list gives no handle.
  virtual InternetHandle internet_open(const char* agent, std::uint32_t access_type,
                                       const char* proxy, const char* proxy_bypass,
                                       std::uint32_t flags) = 0;

  // No network traffic yet: only the handle, the service and the server are checked.
  // Port INTERNET_DEFAULT_PORT is the service's default port (443 for a secure request).
  virtual InternetHandle internet_connect(InternetHandle internet, const char* server,
                                          InternetPort port, const char* user, const char* password,
                                          std::uint32_t service, std::uint32_t flags,
                                          std::uintptr_t context) = 0;

  // Verb none: "GET"; object name none: "/". INTERNET_FLAG_SECURE asks for TLS.
  virtual InternetHandle http_open_request(InternetHandle connection, const char* verb,
                                           const char* object_name, const char* version,
                                           const char* referrer, const char* const* accept_types,
                                           std::uint32_t flags, std::uintptr_t context) = 0;

  // Sends the request with the header block (CR LF separated lines) and the body, and
  // returns once the final response's headers are in; false when none arrived.
  virtual bool http_send_request(InternetHandle request, const char* headers,
                                 std::uint32_t headers_length, const void* body,
                                 std::uint32_t body_length) = 0;

  // Sets *read to 0 first. Delivers up to `to_read` body bytes, waiting only until some
  // bytes or the end of the body are there; 0 bytes with true means the end.
  virtual bool internet_read_file(InternetHandle request, void* buffer, std::uint32_t to_read,
                                  std::uint32_t* read) = 0;

  // HTTP_QUERY_RAW_HEADERS_CRLF: the status line and header lines of the final response,
  // each ended by CR LF, then the empty line, NUL-terminated. *length: the capacity in;
  // out the bytes written without the NUL, or, when the block does not fit, the bytes
  // needed with the NUL, and then nothing is written.
  virtual bool http_query_info(InternetHandle request, std::uint32_t info_level, void* buffer,
                               std::uint32_t* length, std::uint32_t* index) = 0;

  // Handles may be closed in any order; an open transfer is abandoned.
  virtual bool internet_close_handle(InternetHandle handle) = 0;

  // Stores a cookie in the process-wide store; `data` may carry attributes after the
  // value ("42; path=/"). With no name, `data` is the whole cookie ("n=v" or a bare value).
  virtual bool internet_set_cookie(const char* url, const char* name, const char* data) = 0;
};

// The layer in use: the libcurl one unless a test installed another.
Inet& inet();
// Installs a layer (nullptr: back to the default); the caller keeps ownership.
void install_inet(Inet* layer);

}  // namespace sonivo
