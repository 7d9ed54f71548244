#include "preview/PercentEncoding.h"

#include <string>

#include "text/Gbk.h"

namespace sonivo {

Text percent_encode(const Text& text) {
  static const char* const hex = "0123456789ABCDEF";
  std::string out;
  for (const char c : utf8_of(text)) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' ||
                            byte == '_' || byte == '~';
    if (unreserved) {
      out += c;
    } else {
      out += '%';
      out += hex[byte >> 4];
      out += hex[byte & 0x0F];
    }
  }
  return Text(out);
}

}  // namespace sonivo
