#pragma once
// Percent-encoding of byte strings: each byte outside the set the caller keeps is written
// as "%" and two upper-case hex digits. Which bytes stay is the caller's choice because
// it depends on where the result goes: a query value that a web page reads back must not
// keep its own "&" or "#", while a request path keeps every visible character as sent.

#include <string>
#include <string_view>

namespace sonivo {

// Whether a byte goes out as it is.
using KeptByte = bool (*)(unsigned char byte);

// A-Z a-z 0-9 - . _ ~ : the characters no part of a URL gives a meaning to.
bool is_unreserved_in_url(unsigned char byte);
// 21-7E: everything but controls, the space, DEL and bytes of 80 and above.
bool is_visible_ascii(unsigned char byte);

std::string percent_encode(std::string_view bytes, KeptByte kept);

}  // namespace sonivo
