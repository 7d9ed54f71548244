#include "platform/inet/ProxyList.h"

#include <vector>

#include "text/AsciiCase.h"

namespace sonivo {
namespace {

std::vector<std::string_view> entries(std::string_view list) {
  std::vector<std::string_view> result;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find_first_of(" ;\t", start);
    if (end == std::string_view::npos) {
      end = list.size();
    }
    if (end > start) {
      result.push_back(list.substr(start, end - start));
    }
    start = end + 1;
  }
  return result;
}

std::string curl_proxy(std::string_view server) {
  if (server.starts_with("http://")) {
    server.remove_prefix(7);
  }
  if (server.empty()) {
    return {};
  }
  std::string result = "http://" + std::string(server);
  if (server.find(':') == std::string_view::npos) {
    result += ":80";
  }
  return result;
}

}  // namespace

std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme) {
  std::string general;
  for (std::string_view entry : entries(proxy_list)) {
    std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      if (general.empty()) {
        general = curl_proxy(entry);
      }
    } else if (equals_ignoring_ascii_case(entry.substr(0, equals), scheme)) {
      std::string proxy = curl_proxy(entry.substr(equals + 1));
      if (!proxy.empty()) {
        return proxy;
      }
    }
  }
  return general;
}

std::string bypass_for_curl(std::string_view bypass_list) {
  std::string result;
  for (std::string_view entry : entries(bypass_list)) {
    if (entry == "<local>") {
      continue;
    }
    if (!result.empty()) {
      result += ",";
    }
    result += entry;
  }
  return result;
}

}  // namespace sonivo
