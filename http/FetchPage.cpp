#include "http/FetchPage.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/WindowServices.h"
#include "encoding/Encoding.h"
#include "http/Url.h"
#include "notice/NoticeBox.h"
#include "platform/inet/Inet.h"
#include "text/Gbk.h"
#include "text/TextOps.h"

namespace sonivo {
namespace {

std::size_t body_limit_override = 0;

const Text FULL_WIDTH_SPACE("\xA1\xA1");

Text text_of(std::string_view literal) {
  return Text(literal);
}

// An address with neither scheme gets "http://"; the letter case counts, so "HTTP://x"
// is taken as having none. Every later part of the fetch, the Referer line included, uses
// the address so prepared.
Text prepare_address(const Text& trimmed) {
  if (left(trimmed, 7) == Text("http://") || left(trimmed, 8) == Text("https://")) {
    return trimmed;
  }
  return Text("http://") + trimmed;
}

bool is_secure_address(const Text& prepared) {
  return left(prepared, 8) == Text("https://");
}

// An "https://" address names its port after the host, or means 443; an http address
// takes url_port's number, where 0 means the service's default port. A number beyond 16
// bits wraps, as the port type does.
InternetPort connection_port(const Text& prepared) {
  if (!is_secure_address(prepared)) {
    return static_cast<InternetPort>(url_port(prepared));
  }
  Text authority = mid(prepared, 9);
  int slash = find(authority, Text("/"));
  if (slash != -1) {
    authority = left(authority, slash - 1);
  }
  int colon = find(authority, Text(":"));
  if (colon == -1) {
    return INTERNET_DEFAULT_HTTPS_PORT;
  }
  return static_cast<InternetPort>(read_integer(mid(authority, colon + 1)));
}

// Blanks alone mean a direct connection; the list carries the proxy as passed, blanks
// included.
InternetHandle open_internet(const Text& proxy) {
  Text agent = text_of(FETCH_USER_AGENT);
  if (delete_all(delete_all(proxy, Text(" ")), FULL_WIDTH_SPACE).empty()) {
    return inet().internet_open(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  }
  Text proxy_list = Text("http=") + proxy;
  return inet().internet_open(agent.c_str(), INTERNET_OPEN_TYPE_PROXY, proxy_list.c_str(), "", 0);
}

bool occurs(const Text& block, std::string_view marker) {
  return find(block, Text(marker), 1, Case::IgnoreAscii) != -1;
}

// Each default line only when its marker occurs nowhere in the block so far, in any letter
// case and anywhere (inside a longer name or a value too), so a caller's own line is never
// doubled.
Text build_header_block(const Text& headers, const Text& prepared) {
  Text block = headers;
  if (!occurs(block, "Accept: ")) {
    block += text_of(DEFAULT_ACCEPT_LINE);
  }
  if (!occurs(block, "Referer: ")) {
    block += Text("Referer: ") + prepared + Text("\r\n");
  }
  if (!occurs(block, "Accept-Language: ")) {
    block += text_of(ACCEPT_LANGUAGE_LINE);
  }
  return block;
}

Text cookie_line(const Text& cookies) {
  return Text("Cookie: ") + cookies + Text("\r\n\r\n");
}

// The form lines come only with a body, and the cookie line last, since its second CR LF
// ends the block. Whether the send succeeds is not examined: a failed one shows as a body
// that ends at once.
void send_request(InternetHandle request, bool post, Text block, const Text& post_data,
                  const Text& cookies) {
  if (post && !post_data.empty()) {
    block += text_of(FORM_CONTENT_TYPE_LINE);
    block += Text("Content-Length: ") + decimal(post_data.length()) + Text("\r\n");
  }
  if (!cookies.empty()) {
    block += cookie_line(cookies);
  }
  const char* body = post && !post_data.empty() ? post_data.c_str() : nullptr;
  auto body_length = static_cast<std::uint32_t>(body ? post_data.size() : 0);
  inet().http_send_request(request, block.c_str(), static_cast<std::uint32_t>(block.size()), body,
                           body_length);
}

// Events are pumped before every read, so the window stays responsive during a long
// body; a read that delivers nothing, a failed one included, ends it.
Bytes read_body(InternetHandle request) {
  Bytes body;
  const std::size_t limit = fetch_body_limit();
  for (;;) {
    std::string buffer(READ_CHUNK, '\0');
    window_services().pump_events();
    std::uint32_t count = 0;
    inet().internet_read_file(request, buffer.data(), READ_CHUNK, &count);
    if (count == 0) {
      break;
    }
    std::size_t taken = std::min<std::size_t>({count, READ_CHUNK, limit - body.size()});
    body.append(buffer.data(), taken);
    if (body.size() >= limit) {
      break;
    }
  }
  return body;
}

// 2048 spaces that the query overwrites, or leaves as they are when the block does not
// fit or the query fails; the caller sees whatever the buffer then holds.
Text query_raw_headers(InternetHandle request) {
  std::string buffer(RAW_HEADER_CAPACITY, ' ');
  buffer.push_back('\0');
  auto length = static_cast<std::uint32_t>(RAW_HEADER_CAPACITY);
  inet().http_query_info(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr);
  return Text(buffer.c_str());
}

}  // namespace

// Each line holding the marker, less its first 12 bytes, split at the first "=": the data
// keeps its attributes (path, expiry) attached, which the cookie store reads itself.
void store_cookies(const Text& raw_headers, const Text& host) {
  if (!occurs(raw_headers, SET_COOKIE_MARKER)) {
    return;
  }
  const Text url = Text("http://") + host;
  const std::string& text = raw_headers.str();
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    bool last = end == std::string::npos;
    std::string_view piece(text.data() + start, (last ? text.size() : end) - start);
    if (!last && piece.ends_with('\r')) {
      piece.remove_suffix(1);
    }
    Text line(piece);
    if (occurs(line, SET_COOKIE_MARKER)) {
      Text rest = mid(line, static_cast<int>(SET_COOKIE_MARKER.size()) + 1);
      int equals = find(rest, Text("="));
      Text name = equals == -1 ? Text() : left(rest, equals - 1);
      Text data = equals == -1 ? rest : mid(rest, equals + 1);
      inet().internet_set_cookie(url.c_str(), name.c_str(), data.c_str());
    }
    if (last) {
      break;
    }
    start = end + 1;
  }
}

namespace {

enum class BodyConversion { None, Utf8ToGbk, Big5ToGbk };

// The caller's number, read once: 1 and 2 name a conversion, every other value none.
BodyConversion body_conversion_of(int conversion) {
  if (conversion == 1) {
    return BodyConversion::Utf8ToGbk;
  }
  if (conversion == 2) {
    return BodyConversion::Big5ToGbk;
  }
  return BodyConversion::None;
}

// The body is taken as Text, so a conversion covers only the bytes before a zero byte.
Bytes convert_body(Bytes body, BodyConversion conversion) {
  switch (conversion) {
    case BodyConversion::Utf8ToGbk:
      return utf8_to_gbk(Text::from_bytes(body)).to_bytes();
    case BodyConversion::Big5ToGbk:
      return big5_to_gbk(Text::from_bytes(body)).to_bytes();
    case BodyConversion::None:
      break;
  }
  return body;
}

}  // namespace

std::size_t fetch_body_limit() {
  return body_limit_override ? body_limit_override : FETCH_BODY_LIMIT;
}

void set_fetch_body_limit(std::size_t limit) {
  body_limit_override = limit;
}

Bytes fetch_page(const Text& url, int method, const Text& proxy, const Text& headers,
                 const Text& post_data, const Text& cookies, int conversion,
                 Text* response_headers) {
  Text trimmed = trim(url);
  // The method stays a number at this edge only, where a refused value shows a notice and
  // opens nothing.
  if (method != 0 && method != 1) {
    notice_box(gbk("【网页_访问】命令的第二个【访问方式】参数有误,请返回修改"));
    return Bytes();
  }
  const bool post = method == 1;
  const Text prepared = prepare_address(trimmed);
  const Text host = url_host(prepared);
  const Text path = url_path(prepared);

  InternetHandle internet = open_internet(proxy);
  if (internet == NO_HANDLE) {
    return Bytes();
  }
  InternetHandle connection =
      inet().internet_connect(internet, host.c_str(), connection_port(prepared), nullptr, nullptr,
                              INTERNET_SERVICE_HTTP, 0, 0);
  if (connection == NO_HANDLE) {
    inet().internet_close_handle(internet);
    return Bytes();
  }
  std::uint32_t flags =
      INTERNET_FLAG_RELOAD | (is_secure_address(prepared) ? INTERNET_FLAG_SECURE : 0);
  InternetHandle request = inet().http_open_request(connection, post ? "POST" : "GET", path.c_str(),
                                                    "HTTP/1.1", nullptr, nullptr, flags, 0);
  if (request == NO_HANDLE) {
    inet().internet_close_handle(connection);
    inet().internet_close_handle(internet);
    return Bytes();
  }

  send_request(request, post, build_header_block(headers, prepared), post_data, cookies);
  Bytes body = read_body(request);
  Text raw_headers = query_raw_headers(request);
  inet().internet_close_handle(request);
  inet().internet_close_handle(connection);
  inet().internet_close_handle(internet);
  if (response_headers) {
    *response_headers = raw_headers;
  }
  store_cookies(raw_headers, host);
  return convert_body(std::move(body), body_conversion_of(conversion));
}

}  // namespace sonivo
