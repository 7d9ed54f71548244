#include <string>
#include <utility>

#include "encoding/Encoding.h"

namespace sonivo {
namespace {

// A character GBK lacks is written as this zero byte, so the text ends before it.
const char kZeroByte[] = "";

}  // namespace

Text big5_to_gbk(const Text& text) {
  const Text gbk_text = big5_text_to_gbk(text);
  return simplify_chinese(gbk_text);
}

Text big5_text_to_gbk(const Text& text) {
  // Measured and converted in code page 950, the terminating zero unit included.
  const Bytes utf16 = multibyte_to_utf16(text, CP_BIG5);
  const auto count = static_cast<int>(utf16.size() / 2);
  const auto* units = reinterpret_cast<const char16_t*>(utf16.bytes());

  const int size = WideCharToMultiByte(CP_GBK, 0, units, count, nullptr, 0, kZeroByte, nullptr);
  std::string spaces(static_cast<std::size_t>(size), ' ');
  WideCharToMultiByte(CP_GBK, 0, units, count, spaces.data(), size, kZeroByte, nullptr);
  return Text(std::move(spaces));
}

Text simplify_chinese(const Text& text) {
  const int length = text.length();
  std::string spaces(static_cast<std::size_t>(length), ' ');
  LCMapStringA(LOCALE_CHINESE_PRC, LCMAP_SIMPLIFIED_CHINESE, text.c_str(), length, spaces.data(),
               length);
  return Text(std::move(spaces));
}

}  // namespace sonivo
