#pragma once
// Case of ASCII letters in byte strings: header and attribute names, host names, proxy
// schemes, charset labels. Only the bytes A-Z and a-z change or compare loosely; every
// other byte, 0x80 and above included, stays and compares as it is. These work byte by
// byte: a GBK text, whose trail bytes can look like ASCII letters, goes through the
// character-aware `to_lower`, `to_upper` and `Case::IgnoreAscii` of TextOps.h instead.

#include <string>
#include <string_view>

namespace sonivo {

constexpr char ascii_lower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char ascii_upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string ascii_lower(std::string_view bytes);
std::string ascii_upper(std::string_view bytes);

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);
bool starts_with_ignoring_ascii_case(std::string_view text, std::string_view prefix);

}  // namespace sonivo
