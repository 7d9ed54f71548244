#pragma once
// libcurl's handles as owning pointers, so that no path out of a function leaks one and
// a class's handles go in the order of its members. A class that puts an easy handle
// into a multi handle must still take it out before either is cleaned up.

#include <curl/curl.h>

#include <memory>

namespace sonivo {

struct CurlEasyCleanup {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiCleanup {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlShareCleanup {
  void operator()(CURLSH* handle) const { curl_share_cleanup(handle); }
};
struct CurlUrlCleanup {
  void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
struct CurlListCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;
using CurlMulti = std::unique_ptr<CURLM, CurlMultiCleanup>;
using CurlShare = std::unique_ptr<CURLSH, CurlShareCleanup>;
using CurlUrl = std::unique_ptr<CURLU, CurlUrlCleanup>;
using CurlList = std::unique_ptr<curl_slist, CurlListCleanup>;

// New handles, made after libcurl's global set-up; empty when libcurl gives none.
CurlEasy new_curl_easy();
CurlMulti new_curl_multi();
CurlShare new_curl_share();
CurlUrl new_curl_url();

// Appends a copy of `line`. When libcurl cannot, the list keeps the lines it had (a bare
// curl_slist_append would lose them) and false comes back.
bool append_line(CurlList& list, const char* line);

}  // namespace sonivo
