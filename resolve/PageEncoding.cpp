#include "resolve/PageEncoding.h"

#include <algorithm>
#include <cstddef>
#include <string>

#include "encoding/Encoding.h"
#include "text/AsciiCase.h"

namespace sonivo {
namespace {

// As far as a browser looks for a meta charset before it decides.
constexpr std::size_t META_SCAN_BYTES = 1024;

// The labels browsers read as GBK, and GB18030, whose two-byte part is GBK.
constexpr std::string_view GBK_FAMILY[] = {
    "gbk",       "gb2312", "gb_2312", "gb_2312-80", "chinese",     "csgb2312", "csiso58gb231280",
    "iso-ir-58", "x-gbk",  "gb18030", "cp936",      "windows-936",
};

bool is_charset_character(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c == '.' || c == ':';
}

// After a "charset" in lower-cased text: blanks, "=", blanks or quotes, then the name.
std::string charset_after(const std::string& text, std::size_t from) {
  std::size_t at = from;
  auto skip = [&](std::string_view what) {
    while (at < text.size() && what.find(text[at]) != std::string_view::npos) {
      ++at;
    }
  };
  skip(" \t");
  if (at >= text.size() || text[at] != '=') {
    return {};
  }
  ++at;
  skip(" \t\"'");
  const std::size_t begin = at;
  while (at < text.size() && is_charset_character(text[at])) {
    ++at;
  }
  return text.substr(begin, at - begin);
}

std::string header_charset(const std::string& headers) {
  const std::string lower = ascii_lower(headers);
  std::size_t line = 0;
  while (line < lower.size()) {
    std::size_t end = lower.find('\n', line);
    if (end == std::string::npos) {
      end = lower.size();
    }
    const std::string_view text(lower.data() + line, end - line);
    if (text.starts_with("content-type:")) {
      const std::size_t charset = text.find("charset");
      if (charset != std::string_view::npos) {
        return charset_after(std::string(text), charset + 7);
      }
    }
    line = end + 1;
  }
  return {};
}

std::string meta_charset(const std::string& page) {
  const std::string head = ascii_lower(std::string_view(page).substr(0, META_SCAN_BYTES));
  std::size_t at = 0;
  while ((at = head.find("<meta", at)) != std::string::npos) {
    const std::size_t tag_end = std::min(head.find('>', at), head.size());
    const std::string tag = head.substr(at, tag_end - at);
    const std::size_t charset = tag.find("charset");
    if (charset != std::string::npos) {
      const std::string name = charset_after(tag, charset + 7);
      if (!name.empty()) {
        return name;
      }
    }
    at = tag_end;
  }
  return {};
}

bool in(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

}  // namespace

Text declared_charset(const Text& page, const Text& response_headers) {
  const std::string from_header = header_charset(response_headers.str());
  if (!from_header.empty()) {
    return Text(from_header);
  }
  return Text(meta_charset(page.str()));
}

bool is_gbk_family_charset(const Text& charset) {
  return std::find(std::begin(GBK_FAMILY), std::end(GBK_FAMILY), ascii_lower(charset.str())) !=
         std::end(GBK_FAMILY);
}

// Well-formed UTF-8 as the standard has it: no overlong forms, no surrogates, nothing
// beyond U+10FFFF.
bool is_valid_utf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    std::size_t trail_count = 0;
    unsigned char second_low = 0x80;
    unsigned char second_high = 0xBF;
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (in(lead, 0xC2, 0xDF)) {
      trail_count = 1;
    } else if (in(lead, 0xE0, 0xEF)) {
      trail_count = 2;
      second_low = lead == 0xE0 ? 0xA0 : 0x80;
      second_high = lead == 0xED ? 0x9F : 0xBF;
    } else if (in(lead, 0xF0, 0xF4)) {
      trail_count = 3;
      second_low = lead == 0xF0 ? 0x90 : 0x80;
      second_high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
      return false;
    }
    if (i + trail_count >= bytes.size()) {
      return false;
    }
    if (!in(static_cast<unsigned char>(bytes[i + 1]), second_low, second_high)) {
      return false;
    }
    for (std::size_t k = 2; k <= trail_count; ++k) {
      if (!in(static_cast<unsigned char>(bytes[i + k]), 0x80, 0xBF)) {
        return false;
      }
    }
    i += trail_count + 1;
  }
  return true;
}

// GBK as code page 936 reads it: ASCII, the single byte 80, and pairs of a lead byte
// 81-FE with a trail byte 40-7E or 80-FE.
bool is_valid_gbk(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte <= 0x80) {
      ++i;
      continue;
    }
    if (byte == 0xFF || i + 1 >= bytes.size()) {
      return false;
    }
    const auto trail = static_cast<unsigned char>(bytes[i + 1]);
    if (!in(trail, 0x40, 0x7E) && !in(trail, 0x80, 0xFE)) {
      return false;
    }
    i += 2;
  }
  return true;
}

Text page_text_of(Text page, const Text& response_headers) {
  const bool taken_as_gbk = is_gbk_family_charset(declared_charset(page, response_headers)) ||
                            (!is_valid_utf8(page.str()) && is_valid_gbk(page.str()));
  if (taken_as_gbk) {
    return page;
  }
  return utf8_to_gbk(page);
}

}  // namespace sonivo
