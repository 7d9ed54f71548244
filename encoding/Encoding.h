#pragma once
// Conversions into GBK over the code-page layer, through UTF-16. Every call returns a
// fresh Text; the input is not changed. No conversion reports an error: one that fails
// yields what its buffer holds.

#include "platform/codepage/CodePage.h"  // CP_ACP, CP_GBK, CP_BIG5, CP_UTF8
#include "text/Text.h"

namespace sonivo {

Text utf8_to_gbk(const Text& text);
Text big5_to_gbk(const Text& text);

// UTF-16 held in Bytes: little-endian units, the terminating zero unit included.
Bytes multibyte_to_utf16(const Text& text, int code_page = CP_UTF8);
Text utf16_to_multibyte(const Bytes& utf16, int code_page = CP_ACP);
Text big5_text_to_gbk(const Text& text);
Text simplify_chinese(const Text& text);

}  // namespace sonivo
