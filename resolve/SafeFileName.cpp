#include "resolve/SafeFileName.h"

#include <string>
#include <string_view>
#include <vector>

#include "text/Gbk.h"

namespace sonivo {
namespace {

const Text EXTENSION(".mp3");
constexpr std::size_t REPLACEMENT_LENGTH = 3;  // U+FFFD in UTF-8

bool allowed_in_file_name(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) {
    return false;
  }
  return std::string_view("\\/:*?\"<>|").find(static_cast<char>(byte)) == std::string_view::npos;
}

// The pairs the GBK decoder reads as one character. Only there may a trail byte of 5C or
// 7C stand: after any other byte the decoder reads it as a backslash or a bar.
bool is_gbk_pair(unsigned char lead, unsigned char trail) {
  return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// Byte length of the character that starts at `at`: 2 for a GBK pair, else 1.
std::size_t character_length(const std::string& bytes, std::size_t at) {
  if (at + 1 < bytes.size() && is_gbk_pair(static_cast<unsigned char>(bytes[at]),
                                           static_cast<unsigned char>(bytes[at + 1]))) {
    return 2;
  }
  return 1;
}

// Bytes of one character's host form. A byte the decoder cannot read becomes U+FFFD.
std::size_t host_length(const std::string& character) {
  const std::size_t length = utf8_of(Text(character)).size();
  return length > 0 ? length : REPLACEMENT_LENGTH;
}

// The longest run of whole characters from the front of `stem` whose host form fits
// `budget` bytes. Only the characters up to the limit are converted, so a page's
// megabytes-long title costs no more than a short one.
std::string fitting_prefix(const std::string& stem, std::size_t budget) {
  std::vector<std::size_t> ends;  // byte offset after each character taken
  std::size_t host_bytes = 0;
  std::size_t at = 0;
  while (at < stem.size()) {
    const std::size_t length = character_length(stem, at);
    host_bytes += host_length(stem.substr(at, length));
    if (host_bytes > budget) {
      break;
    }
    at += length;
    ends.push_back(at);
  }
  // The decoder could read the joined characters otherwise than one by one; the whole
  // prefix is measured again and shortened by whole characters until it fits.
  std::size_t kept = ends.size();
  while (kept > 0 && utf8_of(Text(stem.substr(0, ends[kept - 1]))).size() > budget) {
    --kept;
  }
  return stem.substr(0, kept == 0 ? 0 : ends[kept - 1]);
}

}  // namespace

Text safe_file_stem(const Text& title) {
  const std::string& bytes = title.str();
  std::string stem;
  stem.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (character_length(bytes, i) == 2) {
      stem.append(bytes, i, 2);
      ++i;
      continue;
    }
    stem += allowed_in_file_name(static_cast<unsigned char>(bytes[i])) ? bytes[i] : '_';
  }
  if (stem == "." || stem == "..") {
    stem.assign(stem.size(), '_');
  }
  return Text(stem);
}

Text proposed_file_name(const Text& sound_name) {
  const std::string stem = safe_file_stem(sound_name).str();
  return Text(fitting_prefix(stem, HOST_NAME_LIMIT - EXTENSION.size())) + EXTENSION;
}

}  // namespace sonivo
