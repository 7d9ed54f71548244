#pragma once
// The component over libcurl's multi interface. Nothing runs in the background: the
// transfer moves only inside `send`, `readyState` and `waitForResponse`. One easy handle
// serves every request, so the connection to a server is kept alive and reused from one
// request to the next. No Accept-Encoding is sent: an answer must arrive as the bytes of
// the resource, since ranges of it are appended to a file.
//
// An answer body is kept in memory up to `MAX_KEPT_BODY` bytes. A longer one (a server
// that ignores the Range and sends a whole file of gigabytes) is cut off there: the answer
// then shows its own status, reason phrase and headers with an empty body, so the
// caller still learns what the server said without the memory of the whole file.

#include <string>
#include <utility>
#include <vector>

#include "platform/curl/CurlHandles.h"
#include "platform/xmlhttp/ServerXmlHttp.h"

namespace sonivo::xmlhttp {

// Far above the largest range the downloader asks for (255 KB).
inline constexpr std::size_t MAX_KEPT_BODY = 16u * 1024u * 1024u;

class CurlServerXmlHttp : public ServerXmlHttp {
 public:
  // Test seam; 0 restores MAX_KEPT_BODY.
  static void set_max_kept_body(std::size_t bytes);

  CurlServerXmlHttp();
  ~CurlServerXmlHttp() override;
  CurlServerXmlHttp(const CurlServerXmlHttp&) = delete;
  CurlServerXmlHttp& operator=(const CurlServerXmlHttp&) = delete;

  void open(const Text& method, const Text& url, bool async) override;
  void setRequestHeader(const Text& name, const Text& value) override;
  void send() override;
  double readyState() override;
  bool waitForResponse(int32_t milliseconds) override;
  void abort() override;

  double status() override;
  Text statusText() override;
  Bytes responseBody() override;
  Text getResponseHeader(const Text& name) override;

 private:
  using Header = std::pair<std::string, std::string>;  // name, value as received

  static size_t on_header(char* data, size_t size, size_t count, void* self);
  static size_t on_body(char* data, size_t size, size_t count, void* self);

  void configure_request();
  void drive();
  void finish(CURLcode result);
  void detach();
  void clear_answer();

  // Declared so that the easy handle goes first, then the multi handle, then the header
  // lines the easy handle points at.
  CurlList header_list_;
  CurlMulti multi_;
  CurlEasy easy_;
  bool attached_ = false;  // the easy handle is in the multi handle

  int ready_state_ = 0;
  std::string method_;
  std::string url_;
  bool async_ = true;
  std::vector<Header> request_headers_;

  long status_ = 0;
  std::string status_text_;
  std::vector<Header> response_headers_;
  Bytes body_;
  bool body_cut_off_ = false;
};

}  // namespace sonivo::xmlhttp
