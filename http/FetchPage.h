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

}  // namespace sonivo
