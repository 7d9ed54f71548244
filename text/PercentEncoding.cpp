#include "text/PercentEncoding.h"

namespace sonivo {

bool is_unreserved_in_url(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

bool is_visible_ascii(unsigned char byte) {
  return byte > 0x20 && byte < 0x7F;
}

std::string percent_encode(std::string_view bytes, KeptByte kept) {
  static constexpr char HEX_DIGITS[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size());
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (kept(byte)) {
      out += c;
    } else {
      out += '%';
      out += HEX_DIGITS[byte >> 4];
      out += HEX_DIGITS[byte & 0x0F];
    }
  }
  return out;
}

}  // namespace sonivo
