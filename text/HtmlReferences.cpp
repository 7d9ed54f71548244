#include "text/HtmlReferences.h"

#include <optional>
#include <string>
#include <string_view>

#include "text/Gbk.h"

namespace sonivo {
namespace {

struct NamedReference {
  std::string_view name;  // between "&" and ";"
  char character;
};

constexpr NamedReference NAMED_REFERENCES[] = {
    {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
};

constexpr char32_t LAST_CODE_POINT = 0x10FFFF;

bool is_digit(char c, int base) {
  if (c >= '0' && c <= '9') {
    return true;
  }
  const char lower = static_cast<char>(c | 0x20);
  return base == 16 && lower >= 'a' && lower <= 'f';
}

int digit_value(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  return (c | 0x20) - 'a' + 10;
}

// The code point of "#NN" or "#xHH" (the body between "&" and ";"), or nothing when the
// body is no number or the number lies beyond the last code point.
std::optional<char32_t> numeric_code_point(std::string_view body) {
  if (body.size() < 2 || body[0] != '#') {
    return std::nullopt;
  }
  int base = 10;
  std::string_view digits = body.substr(1);
  if (digits[0] == 'x' || digits[0] == 'X') {
    base = 16;
    digits = digits.substr(1);
  }
  if (digits.empty()) {
    return std::nullopt;
  }
  char32_t value = 0;
  for (char c : digits) {
    if (!is_digit(c, base)) {
      return std::nullopt;
    }
    value = value * static_cast<char32_t>(base) + static_cast<char32_t>(digit_value(c));
    if (value > LAST_CODE_POINT) {
      return std::nullopt;
    }
  }
  return value;
}

std::u16string utf16_of_code_point(char32_t code_point) {
  if (code_point < 0x10000) {
    return std::u16string(1, static_cast<char16_t>(code_point));
  }
  const char32_t offset = code_point - 0x10000;
  return {static_cast<char16_t>(0xD800 + (offset >> 10)),
          static_cast<char16_t>(0xDC00 + (offset & 0x3FF))};
}

// The GBK bytes of a numeric reference's character, or nothing when it has none.
std::optional<std::string> gbk_of_code_point(char32_t code_point) {
  if (code_point == 0 || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    return std::nullopt;
  }
  const std::u16string utf16 = utf16_of_code_point(code_point);
  const Text encoded = gbk_of_utf16(utf16);
  // The converter writes "?" or a best-fit neighbour for a character GBK lacks: only a
  // form that reads back as the same character will do.
  if (encoded.empty() || utf16_of(encoded) != utf16) {
    return std::nullopt;
  }
  return encoded.str();
}

std::optional<std::string> decoded(std::string_view body) {
  for (const NamedReference& named : NAMED_REFERENCES) {
    if (body == named.name) {
      return std::string(1, named.character);
    }
  }
  if (const std::optional<char32_t> code_point = numeric_code_point(body)) {
    return gbk_of_code_point(*code_point);
  }
  return std::nullopt;
}

// The longest body looked at: every named one and "#x10FFFF" with some leading zeros. The
// bound keeps a text of many "&" and no ";" from being searched to its end for each.
constexpr std::size_t LONGEST_BODY = 32;

}  // namespace

Text decode_html_references(const Text& text) {
  const std::string& bytes = text.str();
  if (bytes.find('&') == std::string::npos) {
    return text;
  }
  // "&", "#" and ";" are below 0x40, so none of them can be a trail byte of a GBK pair:
  // a plain byte search finds only real ones.
  std::string out;
  out.reserve(bytes.size());
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t amp = bytes.find('&', at);
    if (amp == std::string::npos) {
      out.append(bytes, at, std::string::npos);
      break;
    }
    out.append(bytes, at, amp - at);
    const std::string_view window = std::string_view(bytes).substr(amp + 1, LONGEST_BODY + 1);
    const std::size_t body_length = window.find(';');
    const std::optional<std::string> character = body_length != std::string_view::npos
                                                     ? decoded(window.substr(0, body_length))
                                                     : std::nullopt;
    const std::size_t semicolon = amp + 1 + body_length;
    if (character) {
      out += *character;
      at = semicolon + 1;
    } else {
      out += '&';
      at = amp + 1;
    }
  }
  return Text(std::move(out));
}

}  // namespace sonivo
