#pragma once
// The toolkit's HTTP file read: one GET, the whole body back whatever the status.
// HTTP/1.0, the toolkit's user agent, "Accept: */*", no cached copy used or stored, the
// system's proxy settings (the usual proxy environment variables), TLS for https.
// Empty Bytes for an empty or unusable address or a failed connection; a read that
// breaks off part-way gives the bytes received until then.

#include <functional>

#include "text/Text.h"

namespace sonivo {

Bytes http_file_read(const Text& url);

// The read's limits. The user interface stands still while the cover arrives, so a
// server that accepts and then sends nothing is given up on after `stall_seconds`.
struct HttpFileReadLimits {
  long connect_timeout_ms = 30000;
  long stall_seconds = 30;
  long transfer_timeout_ms = 300000;
  std::size_t max_body_bytes = 64u * 1024u * 1024u;
};
// Test seam.
void set_http_file_read_limits(const HttpFileReadLimits& limits);

}  // namespace sonivo
