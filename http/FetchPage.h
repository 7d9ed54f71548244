#pragma once
// The general synchronous HTTP client: GET or POST with the default request headers,
// optional proxy, cookies and form body; returns the body (empty on every failure).
// An "https://" address travels over TLS, to port 443 unless the address names one.

#include "http/FetchConstants.h"
#include "text/Text.h"

namespace sonivo {

Bytes fetch_page(const Text& url, int method = 0, const Text& proxy = Text(),
                 const Text& headers = Text(), const Text& post_data = Text(),
                 const Text& cookies = Text(), int conversion = 0,
                 Text* response_headers = nullptr);

// The fetch's cookie step on its own: every line of the raw header block that holds
// "Set-Cookie: " goes to the internet layer's cookie store for "http://" + `host`.
void store_cookies(const Text& raw_headers, const Text& host);

}  // namespace sonivo
