#include "platform/curl/CurlGlobal.h"

#include <curl/curl.h>

namespace sonivo {

bool initialise_curl() {
  // Never undone: a handle held by a static object may be released after any clean-up
  // hook would run, and the end of the process frees what libcurl holds.
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return initialised;
}

}  // namespace sonivo
