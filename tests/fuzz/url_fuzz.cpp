// url_host, url_path and url_port on any address.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "http/Url.h"
#include "tests/fuzz/FuzzCheck.h"
#include "text/TextOps.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const sonivo::Text address(std::string_view(reinterpret_cast<const char*>(data), size));
  const sonivo::Text host = sonivo::url_host(address);
  const sonivo::Text path = sonivo::url_path(address);
  const int port = sonivo::url_port(address);
  (void)port;

  FUZZ_CHECK(host.size() <= address.size());
  // No "/" begins a character of the host (a 2F byte may trail a lead byte).
  FUZZ_CHECK(sonivo::find(host, sonivo::Text("/")) == -1);
  // The path is "/" or cut from the address at a "/".
  FUZZ_CHECK(!path.empty() && path.str().front() == '/');
  FUZZ_CHECK(path.str() == "/" || address.str().ends_with(path.str()));
  return 0;
}
