#pragma once
// The process-wide cookie store of the internet layer. Cookies come in only through
// `set` (the layer's set-cookie call); every request the layer sends carries the cookies
// that match its host and path. Session cookies only: nothing is written to disk.

#include <string>
#include <string_view>
#include <vector>

namespace sonivo {

struct StoredCookie {
  std::string name;  // empty for a bare value ("flag")
  std::string value;
  std::string domain;  // lower case, without a leading dot
  bool host_only = true;
  std::string path;
  bool secure = false;
};

class CookieStore {
 public:
  // `url` names the host (and the default path); `data` is the value followed by
  // attributes (path, domain, secure, max-age); with an empty name, `data` starts with
  // "name=value" or a bare value. A cookie with the same name, domain and path replaces
  // the old one; max-age of 0 or less removes it. False when the url names no host.
  bool set(std::string_view url, std::string_view name, std::string_view data);

  // The Cookie header value for a request ("a=1; b=2"; a bare value stands alone), or
  // empty when no cookie matches. Longer paths first, then in the order stored.
  std::string header_for(std::string_view host, std::string_view path, bool secure) const;

  void clear() { cookies_.clear(); }
  const std::vector<StoredCookie>& cookies() const { return cookies_; }

 private:
  std::vector<StoredCookie> cookies_;
};

CookieStore& cookie_store();

}  // namespace sonivo
