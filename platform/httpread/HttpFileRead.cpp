#include "platform/httpread/HttpFileRead.h"

#include "platform/curl/CurlHandles.h"

namespace sonivo {
namespace {

HttpFileReadLimits& limits() {
  static HttpFileReadLimits current;
  return current;
}

struct Sink {
  Bytes body;
  std::size_t cap = 0;
};

size_t collect(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  if (sink->body.size() + n > sink->cap) {
    return 0;  // over the cap: end the transfer and keep what arrived
  }
  sink->body.append(data, n);
  return n;
}

}  // namespace

void set_http_file_read_limits(const HttpFileReadLimits& new_limits) {
  limits() = new_limits;
}

Bytes http_file_read(const Text& url) {
  if (url.empty()) {
    return Bytes();
  }
  const CurlEasy easy = new_curl_easy();
  if (!easy) {
    return Bytes();
  }
  // The address travels as its bytes; curl refuses what it cannot split.
  CurlList headers;
  for (const char* line : {"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"}) {
    append_line(headers, line);
  }

  Sink sink;
  sink.cap = limits().max_body_bytes;
  CURL* e = easy.get();
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0);
  curl_easy_setopt(e, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, limits().connect_timeout_ms);
  curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, limits().transfer_timeout_ms);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, limits().stall_seconds);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
  // Whatever the outcome, what arrived is the answer: an error page comes back as its
  // own bytes, a broken read as the bytes received until then.
  curl_easy_perform(e);
  return std::move(sink.body);
}

}  // namespace sonivo
