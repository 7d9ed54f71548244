#include "http/Url.h"

#include "text/TextOps.h"

namespace sonivo {
namespace {

const Text kHttps("https://");
const Text kHttp("http://");
const Text kSlash("/");
const Text kColon(":");
const Text kDefaultPort("80");

// Keeps the bytes before the first `separator`, or all of them when there is none.
Text before_first(const Text& text, const Text& separator) {
  const int position = find(text, separator);
  return position == -1 ? text : left(text, position - 1);
}

}  // namespace

Text url_host(const Text& address) {
  // Exact deletions, anywhere in the address: letter case counts here, unlike the
  // scheme test of url_port.
  const Text without_https = delete_all(address, kHttps);
  const Text without_scheme = delete_all(without_https, kHttp);
  const Text host_and_port = before_first(without_scheme, kSlash);
  const Text host = before_first(host_and_port, kColon);
  return to_lower(host);
}

Text url_path(const Text& address) {
  const Text host = url_host(address);
  // The host may also occur in the scheme ("p", "http"); the search still starts at the
  // first place it occurs.
  const int host_position = find(address, host, 1, Case::IgnoreAscii);
  const int slash = find(address, kSlash, host_position);
  if (slash == -1) {
    return kSlash;
  }
  return mid(address, slash);
}

int url_port(const Text& address) {
  // The first 7 bytes against "http://", ignoring letter case.
  Text port_part;
  if (starts_with(address, kHttp, Case::IgnoreAscii)) {
    const int slash = find(address, kSlash, 8);
    port_part = slash != -1 ? mid(address, 8, slash - 8) : mid(address, 8);
  } else {
    port_part = before_first(address, kSlash);
  }
  const int colon = find(port_part, kColon);
  const Text number_text = colon != -1 ? mid(port_part, colon + 1) : kDefaultPort;
  return read_integer(number_text);
}

}  // namespace sonivo
