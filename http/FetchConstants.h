#pragma once
// The fixed texts and sizes of the page fetch.

#include <cstddef>
#include <string_view>

namespace sonivo {

constexpr std::string_view FETCH_USER_AGENT = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr std::string_view DEFAULT_ACCEPT_LINE =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
constexpr std::string_view ACCEPT_LANGUAGE_LINE = "Accept-Language: zh-cn\r\n";
constexpr std::string_view FORM_CONTENT_TYPE_LINE =
    "Content-Type: application/x-www-form-urlencoded\r\n";
constexpr std::string_view SET_COOKIE_MARKER = "Set-Cookie: ";

constexpr std::size_t READ_CHUNK = 1024;
constexpr std::size_t RAW_HEADER_CAPACITY = 2048;

// A body stops here, far above any real page, so that a server sending without end
// cannot exhaust the memory; what was read up to the limit is returned.
constexpr std::size_t FETCH_BODY_LIMIT = std::size_t{256} * 1024 * 1024;

// The limit in force; tests lower it to see an endless body stop. 0 restores the default.
std::size_t fetch_body_limit();
void set_fetch_body_limit(std::size_t limit);

}  // namespace sonivo
