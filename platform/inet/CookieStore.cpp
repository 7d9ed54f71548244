#include "platform/inet/CookieStore.h"

#include <algorithm>
#include <charconv>

#include "text/AsciiCase.h"
#include "text/AsciiTrim.h"

namespace sonivo {
namespace {

struct UrlParts {
  std::string host;
  std::string path;
};

// "scheme://host[:port]/path?query" -> host and the path up to the query.
bool split_url(std::string_view url, UrlParts& parts) {
  std::size_t scheme_end = url.find("://");
  std::string_view rest = scheme_end == std::string_view::npos ? url : url.substr(scheme_end + 3);
  std::size_t host_end = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, host_end);
  std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    authority.remove_prefix(at + 1);
  }
  std::size_t colon = authority.find(':');
  parts.host = ascii_lower(authority.substr(0, colon));
  if (parts.host.empty()) {
    return false;
  }
  std::string_view path = host_end == std::string_view::npos ? "" : rest.substr(host_end);
  path = path.substr(0, path.find_first_of("?#"));
  parts.path = path.empty() ? "/" : std::string(path);
  return true;
}

// The directory of a request path, as the default path of a cookie it sets.
std::string default_path(std::string_view path) {
  if (path.empty() || path.front() != '/') {
    return "/";
  }
  std::size_t last = path.rfind('/');
  return last == 0 ? "/" : std::string(path.substr(0, last));
}

bool domain_matches(const StoredCookie& cookie, std::string_view host) {
  if (host == cookie.domain) {
    return true;
  }
  if (cookie.host_only || host.size() <= cookie.domain.size()) {
    return false;
  }
  return host.ends_with(cookie.domain) && host[host.size() - cookie.domain.size() - 1] == '.';
}

bool path_matches(std::string_view cookie_path, std::string_view path) {
  if (!path.starts_with(cookie_path)) {
    return false;
  }
  return path.size() == cookie_path.size() || cookie_path.ends_with('/') ||
         path[cookie_path.size()] == '/';
}

}  // namespace

bool CookieStore::set(std::string_view url, std::string_view name, std::string_view data) {
  UrlParts parts;
  if (!split_url(url, parts)) {
    return false;
  }

  StoredCookie cookie;
  cookie.domain = parts.host;
  cookie.path = default_path(parts.path);
  std::size_t semicolon = data.find(';');
  std::string_view first = trim_ascii(data.substr(0, semicolon));
  if (name.empty()) {
    std::size_t equals = first.find('=');
    if (equals != std::string_view::npos) {
      cookie.name = trim_ascii(first.substr(0, equals));
      cookie.value = trim_ascii(first.substr(equals + 1));
    } else {
      cookie.value = first;
    }
  } else {
    cookie.name = trim_ascii(name);
    cookie.value = first;
  }

  bool expired = false;
  std::string_view attributes = semicolon == std::string_view::npos ? "" : data.substr(semicolon);
  while (!attributes.empty()) {
    attributes.remove_prefix(1);  // the ';'
    std::size_t next = attributes.find(';');
    std::string_view attribute = attributes.substr(0, next);
    attributes = next == std::string_view::npos ? "" : attributes.substr(next);
    std::size_t equals = attribute.find('=');
    std::string key = ascii_lower(trim_ascii(attribute.substr(0, equals)));
    std::string_view value =
        equals == std::string_view::npos ? "" : trim_ascii(attribute.substr(equals + 1));
    if (key == "path" && value.starts_with('/')) {
      cookie.path = value;
    } else if (key == "domain" && !value.empty()) {
      std::string domain = ascii_lower(value);
      if (domain.front() == '.') {
        domain.erase(0, 1);
      }
      StoredCookie probe;
      probe.domain = domain;
      probe.host_only = false;
      if (!domain_matches(probe, parts.host)) {
        return false;  // a cookie for someone else
      }
      cookie.domain = domain;
      cookie.host_only = false;
    } else if (key == "secure") {
      cookie.secure = true;
    } else if (key == "max-age") {
      long seconds = 1;
      std::from_chars(value.data(), value.data() + value.size(), seconds);
      expired = seconds <= 0;
    }
  }

  auto same = std::find_if(cookies_.begin(), cookies_.end(), [&](const StoredCookie& old) {
    return old.name == cookie.name && old.domain == cookie.domain && old.path == cookie.path;
  });
  if (expired) {
    if (same != cookies_.end()) {
      cookies_.erase(same);
    }
  } else if (same != cookies_.end()) {
    *same = std::move(cookie);
  } else {
    cookies_.push_back(std::move(cookie));
  }
  return true;
}

std::string CookieStore::header_for(std::string_view host, std::string_view path,
                                    bool secure) const {
  std::string lower_host = ascii_lower(host);
  std::string_view bare_path = path.substr(0, path.find_first_of("?#"));
  if (bare_path.empty()) {
    bare_path = "/";
  }
  std::vector<const StoredCookie*> matching;
  for (const StoredCookie& cookie : cookies_) {
    if (domain_matches(cookie, lower_host) && path_matches(cookie.path, bare_path) &&
        (secure || !cookie.secure)) {
      matching.push_back(&cookie);
    }
  }
  std::stable_sort(
      matching.begin(), matching.end(),
      [](const StoredCookie* a, const StoredCookie* b) { return a->path.size() > b->path.size(); });
  std::string header;
  for (const StoredCookie* cookie : matching) {
    if (!header.empty()) {
      header += "; ";
    }
    if (!cookie->name.empty()) {
      header += cookie->name + "=";
    }
    header += cookie->value;
  }
  return header;
}

CookieStore& cookie_store() {
  static CookieStore store;
  return store;
}

}  // namespace sonivo
