#include "platform/curl/CurlHandles.h"

#include "platform/curl/CurlGlobal.h"

namespace sonivo {
namespace {

template <typename Handle, typename Maker>
Handle made_after_set_up(Maker make) {
  initialise_curl();
  return Handle(make());
}

}  // namespace

CurlEasy new_curl_easy() {
  return made_after_set_up<CurlEasy>(curl_easy_init);
}

CurlMulti new_curl_multi() {
  return made_after_set_up<CurlMulti>(curl_multi_init);
}

CurlShare new_curl_share() {
  return made_after_set_up<CurlShare>(curl_share_init);
}

CurlUrl new_curl_url() {
  return made_after_set_up<CurlUrl>(curl_url);
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
