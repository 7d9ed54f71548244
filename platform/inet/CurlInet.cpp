#include "platform/inet/CurlInet.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "platform/curl/CurlHandles.h"
#include "platform/inet/CookieStore.h"
#include "platform/inet/ProxyList.h"
#include "text/AsciiCase.h"
#include "text/PercentEncoding.h"

namespace sonivo {
namespace {

bool has_header(const std::vector<std::string>& lines, std::string_view name_colon) {
  for (const std::string& line : lines) {
    if (starts_with_ignoring_ascii_case(line, name_colon)) {
      return true;
    }
  }
  return false;
}

// The block's lines, split at LF with a CR before it dropped; empty lines carry nothing.
std::vector<std::string> split_header_block(std::string_view block) {
  std::vector<std::string> lines;
  while (!block.empty()) {
    std::size_t end = block.find('\n');
    std::string_view line = block.substr(0, end);
    block = end == std::string_view::npos ? std::string_view() : block.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (!line.empty()) {
      lines.emplace_back(line);
    }
  }
  return lines;
}

// Bytes a URL cannot carry as they are; everything else goes out unchanged.
std::string escaped_object_name(std::string_view object_name) {
  const std::string escaped = percent_encode(object_name, is_visible_ascii);
  if (object_name.empty() || object_name.front() != '/') {
    return '/' + escaped;
  }
  return escaped;
}

struct UrlParts {
  std::string scheme;
  std::string host;
  std::string path;
};

bool split_url(const std::string& url, UrlParts& parts) {
  const CurlUrl handle = new_curl_url();
  if (!handle) {
    return false;
  }
  bool ok = curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK;
  char* part = nullptr;
  auto take = [&](CURLUPart which, std::string& into) {
    if (ok && curl_url_get(handle.get(), which, &part, 0) == CURLUE_OK && part) {
      into = part;
      curl_free(part);
    } else {
      ok = false;
    }
  };
  take(CURLUPART_SCHEME, parts.scheme);
  take(CURLUPART_HOST, parts.host);
  take(CURLUPART_PATH, parts.path);
  return ok && !parts.host.empty();
}

bool is_followed_redirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

CurlInet::CurlInet(InetSettings settings) : settings_(std::move(settings)) {}

CurlInet::~CurlInet() = default;

InternetHandle CurlInet::add(Object object) {
  InternetHandle handle = next_handle_++;
  handles_.emplace(handle, std::move(object));
  return handle;
}

template <typename T>
T* CurlInet::find(InternetHandle handle) {
  auto entry = handles_.find(handle);
  if (entry == handles_.end()) {
    return nullptr;
  }
  return std::get_if<T>(&entry->second);
}

InternetHandle CurlInet::internet_open(const char* agent, std::uint32_t access_type,
                                       const char* proxy, const char* proxy_bypass,
                                       std::uint32_t /*flags*/) {
  auto session = std::make_shared<Session>();
  session->has_agent = agent != nullptr;
  session->agent = agent ? agent : "";
  if (access_type == INTERNET_OPEN_TYPE_PROXY) {
    if (!proxy || !*proxy) {
      return NO_HANDLE;
    }
    session->through_proxy = true;
    session->proxy_list = proxy;
    session->bypass = bypass_for_curl(proxy_bypass ? proxy_bypass : "");
  } else if (access_type != INTERNET_OPEN_TYPE_DIRECT &&
             access_type != INTERNET_OPEN_TYPE_PRECONFIG) {
    return NO_HANDLE;
  }
  return add(std::shared_ptr<const Session>(std::move(session)));
}

InternetHandle CurlInet::internet_connect(InternetHandle internet, const char* server,
                                          InternetPort port, const char* /*user*/,
                                          const char* /*password*/, std::uint32_t service,
                                          std::uint32_t /*flags*/, std::uintptr_t /*context*/) {
  auto* session = find<std::shared_ptr<const Session>>(internet);
  if (!session || !server || !*server || service != INTERNET_SERVICE_HTTP) {
    return NO_HANDLE;
  }
  auto connection = std::make_shared<Connection>();
  connection->session = *session;
  connection->server = server;
  connection->port = port;
  return add(std::shared_ptr<const Connection>(std::move(connection)));
}

InternetHandle CurlInet::http_open_request(InternetHandle connection, const char* verb,
                                           const char* object_name, const char* version,
                                           const char* referrer, const char* const* accept_types,
                                           std::uint32_t flags, std::uintptr_t /*context*/) {
  auto* parent = find<std::shared_ptr<const Connection>>(connection);
  if (!parent) {
    return NO_HANDLE;
  }
  Request request;
  request.connection = *parent;
  request.verb = verb && *verb ? verb : "GET";
  request.object_name = object_name && *object_name ? object_name : "/";
  request.version = version && *version ? version : "HTTP/1.1";
  request.flags = flags;
  if (referrer && *referrer) {
    request.extra_lines += std::string("Referer: ") + referrer + "\r\n";
  }
  if (accept_types && *accept_types) {
    std::string types;
    for (const char* const* type = accept_types; *type; ++type) {
      if (!types.empty()) {
        types += ", ";
      }
      types += *type;
    }
    request.extra_lines += "Accept: " + types + "\r\n";
  }
  return add(std::move(request));
}

bool CurlInet::http_send_request(InternetHandle handle, const char* headers,
                                 std::uint32_t headers_length, const void* body,
                                 std::uint32_t body_length) {
  Request* request = find<Request>(handle);
  if (!request) {
    return false;
  }
  request->transfer.reset();
  request->answered = false;
  const Connection& connection = *request->connection;
  const Session& session = *connection.session;

  std::string block = request->extra_lines;
  if (headers) {
    block.append(headers, headers_length == 0xFFFFFFFFu ? std::strlen(headers) : headers_length);
  }
  const std::vector<std::string> caller_lines = split_header_block(block);

  bool secure = (request->flags & INTERNET_FLAG_SECURE) != 0;
  InternetPort port = connection.port;
  if (port == INTERNET_DEFAULT_PORT) {
    port = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
  }
  bool default_port = port == (secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT);
  std::string url = std::string(secure ? "https://" : "http://") + connection.server +
                    (default_port ? "" : ":" + std::to_string(port)) +
                    escaped_object_name(request->object_name);

  TransferRequest transfer;
  transfer.verb = request->verb;
  transfer.http_1_0 = request->version == "HTTP/1.0";
  transfer.has_body = request->verb == "POST" || (body && body_length > 0);
  if (body && body_length > 0) {
    transfer.body.assign(static_cast<const char*>(body), body_length);
  }
  transfer.has_user_agent = session.has_agent;
  transfer.user_agent = session.agent;
  transfer.no_proxy = session.bypass;
  transfer.ca_file = settings_.ca_file;
  transfer.timeouts = settings_.timeouts;

  for (int hop = 0;; ++hop) {
    UrlParts parts;
    if (!split_url(url, parts)) {
      return false;
    }
    transfer.url = url;
    transfer.proxy =
        session.through_proxy ? proxy_for_scheme(session.proxy_list, parts.scheme) : "";

    transfer.header_lines = caller_lines;
    std::string stored = cookie_store().header_for(parts.host, parts.path, parts.scheme == "https");
    if (!stored.empty()) {
      bool merged = false;
      for (std::string& line : transfer.header_lines) {
        if (starts_with_ignoring_ascii_case(line, "cookie:")) {
          line += "; " + stored;
          merged = true;
          break;
        }
      }
      if (!merged) {
        transfer.header_lines.push_back("Cookie: " + stored);
      }
    }
    // Only what the caller asked for goes out: no header that libcurl would add itself.
    if (!has_header(transfer.header_lines, "accept:")) {
      transfer.header_lines.push_back("Accept:");
    }
    if (transfer.has_body && !has_header(transfer.header_lines, "content-type:")) {
      transfer.header_lines.push_back("Content-Type:");
    }
    transfer.header_lines.push_back("Expect:");

    request->transfer = std::make_unique<CurlTransfer>(transfer);
    if (!request->transfer->wait_for_headers()) {
      return false;
    }
    std::string next = request->transfer->redirect_url();
    if (request->verb != "GET" || transfer.has_body || hop >= settings_.max_redirects ||
        !is_followed_redirect(request->transfer->status()) || next.empty()) {
      break;
    }
    UrlParts target;
    if (!split_url(next, target) || (target.scheme != "http" && target.scheme != "https")) {
      break;
    }
    if (parts.scheme == "https" && target.scheme != "https") {
      // Going on in clear would send the secure address (in the Referer) and the cookies
      // unprotected: the request fails instead, as WinINet's does without its
      // ignore-redirect-to-http flag.
      request->transfer.reset();
      return false;
    }
    url = next;
  }
  request->answered = true;
  return true;
}

bool CurlInet::internet_read_file(InternetHandle handle, void* buffer, std::uint32_t to_read,
                                  std::uint32_t* read) {
  if (read) {
    *read = 0;
  }
  Request* request = find<Request>(handle);
  if (!request || !read || (!buffer && to_read > 0) || !request->transfer) {
    return false;
  }
  *read = static_cast<std::uint32_t>(request->transfer->read(static_cast<char*>(buffer), to_read));
  return true;
}

bool CurlInet::http_query_info(InternetHandle handle, std::uint32_t info_level, void* buffer,
                               std::uint32_t* length, std::uint32_t* /*index*/) {
  Request* request = find<Request>(handle);
  if (!request || !length || !request->answered || info_level != HTTP_QUERY_RAW_HEADERS_CRLF) {
    return false;
  }
  const std::string& raw = request->transfer->raw_headers();
  std::uint32_t needed = static_cast<std::uint32_t>(raw.size() + 1);
  if (!buffer || *length < needed) {
    *length = needed;
    return false;
  }
  std::memcpy(buffer, raw.c_str(), needed);
  *length = needed - 1;
  return true;
}

bool CurlInet::internet_close_handle(InternetHandle handle) {
  return handles_.erase(handle) == 1;
}

bool CurlInet::internet_set_cookie(const char* url, const char* name, const char* data) {
  if (!url || !data) {
    return false;
  }
  return cookie_store().set(url, name ? name : "", data);
}

}  // namespace sonivo
