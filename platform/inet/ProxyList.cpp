#include "platform/inet/ProxyList.h"

#include <vector>

namespace sonivo {
namespace {

std::vector<std::string_view> entries(std::string_view list) {
  std::vector<std::string_view> result;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find_first_of(" ;\t", start);
    if (end == std::string_view::npos)
      end = list.size();
    if (end > start)
      result.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
    if (x != y)
      return false;
  }
  return true;
}

std::string curl_proxy(std::string_view server) {
  if (server.starts_with("http://"))
    server.remove_prefix(7);
  if (server.empty())
    return {};
  std::string result = "http://" + std::string(server);
  if (server.find(':') == std::string_view::npos)
    result += ":80";
  return result;
}

}  // namespace

std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme) {
  std::string general;
  for (std::string_view entry : entries(proxy_list)) {
    std::size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      if (general.empty())
        general = curl_proxy(entry);
    } else if (same_ignoring_case(entry.substr(0, equals), scheme)) {
      std::string proxy = curl_proxy(entry.substr(equals + 1));
      if (!proxy.empty())
        return proxy;
    }
  }
  return general;
}

std::string bypass_for_curl(std::string_view bypass_list) {
  std::string result;
  for (std::string_view entry : entries(bypass_list)) {
    if (entry == "<local>")
      continue;
    if (!result.empty())
      result += ",";
    result += entry;
  }
  return result;
}

}  // namespace sonivo
