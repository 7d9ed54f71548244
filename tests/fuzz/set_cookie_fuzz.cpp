// The cookie step of the page fetch on any raw header block, into the internet layer's
// cookie store, then the store's Cookie header for a few requests; and the store's own
// reading of a cookie's address, name and data.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "http/FetchPage.h"
#include "platform/inet/CookieStore.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string host = input.ConsumeRandomLengthString(32);
  const std::string path = input.ConsumeRandomLengthString(32);
  const std::string url = input.ConsumeRandomLengthString(64);
  const std::string name = input.ConsumeRandomLengthString(32);
  const std::string cookie_data = input.ConsumeRandomLengthString(128);
  const sonivo::Text raw_headers(input.ConsumeRemainingBytesAsString());

  sonivo::CookieStore& shared = sonivo::cookie_store();
  sonivo::store_cookies(raw_headers, sonivo::Text(host));
  (void)shared.header_for(host, path, false);
  (void)shared.header_for(host, "/", true);
  // Every line adds one cookie at most.
  FUZZ_CHECK(shared.cookies().size() <= raw_headers.size() / 12 + 1);
  shared.clear();

  sonivo::CookieStore own;
  if (own.set(url, name, cookie_data)) {
    FUZZ_CHECK(own.cookies().size() <= 1);
    for (const sonivo::StoredCookie& cookie : own.cookies()) {
      (void)own.header_for(cookie.domain, cookie.path, cookie.secure);
    }
  }
  return 0;
}
