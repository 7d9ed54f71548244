#pragma once
// Taking an address apart for the page fetch. The three work byte by byte on the address
// as GBK Text, keep no state and never fail: a malformed or empty address still gives a
// defined host, path and port.

#include "text/Text.h"

namespace sonivo {

// The host the connection is opened to, in lower case.
Text url_host(const Text& address);

// The object to request, path and query, cut from the address as passed; never empty.
Text url_path(const Text& address);

// The port number; 80 when the address names none.
int url_port(const Text& address);

}  // namespace sonivo
