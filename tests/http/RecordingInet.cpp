#include "tests/http/RecordingInet.h"

#include <algorithm>
#include <cstring>

namespace sonivo::testing {
namespace {

std::optional<std::string> optional_string(const char* text) {
  if (!text) {
    return std::nullopt;
  }
  return std::string(text);
}

}  // namespace

RecordingInet::RecordingInet() {
  install_inet(this);
}

RecordingInet::~RecordingInet() {
  install_inet(nullptr);
}

InternetHandle RecordingInet::internet_open(const char* agent, std::uint32_t access_type,
                                            const char* proxy, const char* proxy_bypass,
                                            std::uint32_t flags) {
  calls.push_back("open");
  opens.push_back({optional_string(agent), access_type, optional_string(proxy),
                   optional_string(proxy_bypass), flags});
  return fail_open ? NO_HANDLE : INTERNET;
}

InternetHandle RecordingInet::internet_connect(InternetHandle internet, const char* server,
                                               InternetPort port, const char* user,
                                               const char* password, std::uint32_t service,
                                               std::uint32_t flags, std::uintptr_t) {
  calls.push_back("connect");
  connects.push_back(
      {internet, server ? server : "", port, user != nullptr, password != nullptr, service, flags});
  return fail_connect ? NO_HANDLE : CONNECTION;
}

InternetHandle RecordingInet::http_open_request(InternetHandle connection, const char* verb,
                                                const char* object_name, const char* version,
                                                const char* referrer,
                                                const char* const* accept_types,
                                                std::uint32_t flags, std::uintptr_t) {
  calls.push_back("open_request");
  requests.push_back({connection, verb ? verb : "", object_name ? object_name : "",
                      version ? version : "", referrer != nullptr, accept_types != nullptr, flags});
  return fail_open_request ? NO_HANDLE : REQUEST;
}

bool RecordingInet::http_send_request(InternetHandle request, const char* headers,
                                      std::uint32_t headers_length, const void* body_bytes,
                                      std::uint32_t body_length) {
  calls.push_back("send");
  SendCall call{request, std::string(headers, headers_length), headers_length, std::nullopt,
                body_length};
  if (body_bytes) {
    call.body = std::string(static_cast<const char*>(body_bytes), body_length);
  }
  sends.push_back(call);
  return true;
}

bool RecordingInet::internet_read_file(InternetHandle, void* buffer, std::uint32_t to_read,
                                       std::uint32_t* read) {
  calls.push_back("read");
  read_sizes.push_back(to_read);
  std::size_t count = std::min<std::size_t>(to_read, body.size() - delivered_);
  std::memcpy(buffer, body.data() + delivered_, count);
  delivered_ += count;
  *read = static_cast<std::uint32_t>(count);
  return true;
}

bool RecordingInet::http_query_info(InternetHandle, std::uint32_t info_level, void* buffer,
                                    std::uint32_t* length, std::uint32_t* index) {
  calls.push_back("query");
  queries.push_back({info_level, *length, index != nullptr});
  if (raw_headers.empty() || raw_headers.size() + 1 > *length) {
    return false;
  }
  std::memcpy(buffer, raw_headers.c_str(), raw_headers.size() + 1);
  *length = static_cast<std::uint32_t>(raw_headers.size());
  return true;
}

bool RecordingInet::internet_close_handle(InternetHandle handle) {
  calls.push_back("close " + std::to_string(handle));
  closed.push_back(handle);
  return true;
}

bool RecordingInet::internet_set_cookie(const char* url, const char* name, const char* data) {
  calls.push_back("set_cookie");
  cookies.push_back({url ? url : "", name ? name : "", data ? data : ""});
  return true;
}

}  // namespace sonivo::testing
