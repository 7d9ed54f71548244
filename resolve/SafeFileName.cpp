#include "resolve/SafeFileName.h"

#include <string>
#include <string_view>

namespace sonivo {
namespace {

bool allowed_in_file_name(unsigned char byte) {
  if (byte < 0x20) {
    return false;
  }
  return std::string_view("\\/:*?\"<>|").find(static_cast<char>(byte)) == std::string_view::npos;
}

// The pairs the GBK decoder reads as one character. Only there may a trail byte of 5C or
// 7C stand: after any other byte the decoder reads it as a backslash or a bar.
bool is_gbk_pair(unsigned char lead, unsigned char trail) {
  return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

}  // namespace

Text safe_file_stem(const Text& title) {
  const std::string& bytes = title.str();
  std::string stem;
  stem.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (i + 1 < bytes.size() && is_gbk_pair(byte, static_cast<unsigned char>(bytes[i + 1]))) {
      stem.append(bytes, i, 2);
      ++i;
      continue;
    }
    stem += allowed_in_file_name(byte) ? bytes[i] : '_';
  }
  if (stem == "." || stem == "..") {
    stem.assign(stem.size(), '_');
  }
  return Text(stem);
}

Text proposed_file_name(const Text& sound_name) {
  return safe_file_stem(sound_name) + Text(".mp3");
}

}  // namespace sonivo
