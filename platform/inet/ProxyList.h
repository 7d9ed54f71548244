#pragma once
// Proxy lists as the internet layer takes them: entries separated by blanks or
// semicolons, each either "scheme=server" (that scheme only) or "server" (every scheme);
// a server is "host" or "host:port", port 80 when absent.

#include <string>
#include <string_view>

namespace sonivo {

// The proxy for a request of `scheme` ("http", "https") as libcurl names it
// ("http://host:port"), or empty for a direct connection. A scheme entry wins over a
// general one; the first of each kind counts.
std::string proxy_for_scheme(std::string_view proxy_list, std::string_view scheme);

// A bypass list ("a.b;c.d", blanks also separate) in libcurl's comma form; "<local>"
// entries are dropped.
std::string bypass_for_curl(std::string_view bypass_list);

}  // namespace sonivo
