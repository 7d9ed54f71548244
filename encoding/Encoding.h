#pragma once
// Conversions into GBK over the code-page layer, through UTF-16.

#include "text/Text.h"

namespace sonivo {

constexpr int CP_ACP = 0;
constexpr int CP_GBK = 936;
constexpr int CP_BIG5 = 950;
constexpr int CP_UTF8 = 65001;

Text utf8_to_gbk(const Text& text);
Text big5_to_gbk(const Text& text);

Bytes multibyte_to_utf16(const Text& text, int code_page = CP_UTF8);
Text utf16_to_multibyte(const Bytes& utf16, int code_page = CP_ACP);
Text big5_text_to_gbk(const Text& text);
Text simplify_chinese(const Text& text);

}  // namespace sonivo
