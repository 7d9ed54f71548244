#pragma once
// libcurl's process-wide set-up, which must come before the first handle is made. Every
// curl user of the program goes through here (the handle makers of CurlHandles.h call
// it), so it runs once, from whichever user comes first.

namespace sonivo {

// Runs curl_global_init once per process; every call gives that first call's outcome.
bool initialise_curl();

}  // namespace sonivo
