#pragma once
// Which encoding a fetched sound page is in. Pages come in UTF-8 as a rule, but some are
// served in GBK (or a charset of its family): converted from UTF-8, every Chinese
// character of such a page would turn into "?". Both kinds become the page's GBK text.

#include <string_view>

#include "text/Text.h"

namespace sonivo {

// The fetched page as GBK Text. Taken as GBK already, byte for byte, when the answer's
// Content-Type header or a meta tag in the page's first 1024 bytes names gbk, gb2312,
// gb18030 or one of their aliases, or when the page is not valid UTF-8 but is valid GBK;
// otherwise converted from UTF-8 with utf8_to_gbk.
Text page_text_of(Text page, const Text& response_headers);

// The charset the raw header block's Content-Type names, or else the one the first meta
// tag with a charset in the page's first 1024 bytes names (a browser, too, lets the header
// win); empty when neither does. Lower-cased.
Text declared_charset(const Text& page, const Text& response_headers);

bool is_gbk_family_charset(const Text& charset);
bool is_valid_utf8(std::string_view bytes);
bool is_valid_gbk(std::string_view bytes);

}  // namespace sonivo
