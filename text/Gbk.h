#pragma once
// Conversions at the edges of the program: host file names, widget texts and the
// program's own literals are UTF-8 or UTF-16; everything inside is GBK Text.

#include <string>
#include <string_view>

#include "text/Text.h"

namespace sonivo {

// UTF-8 (a source literal, a host name) to GBK Text. Characters GBK lacks become '?'.
Text gbk(std::string_view utf8);

// GBK Text to UTF-8. Bytes that are not valid GBK become U+FFFD.
std::string utf8_of(const Text& text);

// GBK Text to and from UTF-16 code units.
std::u16string utf16_of(const Text& text);
Text gbk_of_utf16(std::u16string_view utf16);

}  // namespace sonivo
