#include "platform/curl/CurlHandles.h"

#include "platform/curl/CurlGlobal.h"

namespace sonivo {

CurlEasy new_curl_easy() {
  initialise_curl();
  return CurlEasy(curl_easy_init());
}

CurlMulti new_curl_multi() {
  initialise_curl();
  return CurlMulti(curl_multi_init());
}

CurlShare new_curl_share() {
  initialise_curl();
  return CurlShare(curl_share_init());
}

CurlUrl new_curl_url() {
  initialise_curl();
  return CurlUrl(curl_url());
}

bool append_line(CurlList& list, const char* line) {
  curl_slist* longer = curl_slist_append(list.get(), line);
  if (longer == nullptr) {
    return false;
  }
  (void)list.release();  // the old head is part of `longer` now
  list.reset(longer);
  return true;
}

}  // namespace sonivo
