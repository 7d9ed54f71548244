#include "text/AsciiCase.h"

#include <algorithm>

namespace sonivo {

std::string ascii_lower(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) {
    c = ascii_lower(c);
  }
  return out;
}

std::string ascii_upper(std::string_view bytes) {
  std::string out(bytes);
  for (char& c : out) {
    c = ascii_upper(c);
  }
  return out;
}

bool equals_ignoring_ascii_case(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

bool starts_with_ignoring_ascii_case(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         equals_ignoring_ascii_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace sonivo
