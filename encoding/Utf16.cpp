#include <cstring>
#include <string>
#include <utility>

#include "encoding/Encoding.h"

namespace sonivo {
namespace {

char16_t* units_of(Bytes& bytes) {
  return reinterpret_cast<char16_t*>(bytes.mutable_data().data());
}

bool ends_in_zero_unit(const Bytes& utf16) {
  const std::size_t units = utf16.size() / 2;
  return units > 0 && utf16.bytes()[2 * units - 2] == 0 && utf16.bytes()[2 * units - 1] == 0;
}

// Length -1 reads up to the first zero unit. Bytes made by multibyte_to_utf16 end in one
// and are read in place; others get one added so the reading stays inside them.
Bytes with_zero_unit(const Bytes& utf16) {
  Bytes copy(utf16.data().substr(0, utf16.size() / 2 * 2));
  copy.append("\0\0", 2);
  return copy;
}

}  // namespace

Text utf8_to_gbk(const Text& text) {
  const Bytes utf16 = multibyte_to_utf16(text);
  return utf16_to_multibyte(utf16, CP_GBK);
}

// The measurement is made in the code page of the conversion itself: measured in the
// ANSI code page instead, input that is not valid in the given one (a GBK page read as
// UTF-8) can need more units than measured.
Bytes multibyte_to_utf16(const Text& text, int code_page) {
  const int units = MultiByteToWideChar(code_page, 0, text.c_str(), -1, nullptr, 0);
  Bytes utf16(std::string(2 * static_cast<std::size_t>(units), '\0'));
  MultiByteToWideChar(code_page, 0, text.c_str(), -1, units_of(utf16), units);
  return utf16;
}

// Measured in the conversion's own code page, as above; the buffer keeps its margin of
// twice the measured size.
Text utf16_to_multibyte(const Bytes& utf16, int code_page) {
  Bytes padded;
  const Bytes* source = &utf16;
  if (!ends_in_zero_unit(utf16)) {
    padded = with_zero_unit(utf16);
    source = &padded;
  }
  const auto* units = reinterpret_cast<const char16_t*>(source->bytes());
  const int size = WideCharToMultiByte(code_page, 0, units, -1, nullptr, 0, nullptr, nullptr);
  std::string spaces(2 * static_cast<std::size_t>(size), ' ');
  WideCharToMultiByte(code_page, 0, units, -1, spaces.data(), static_cast<int>(spaces.size()),
                      nullptr, nullptr);
  return Text(std::move(spaces));
}

}  // namespace sonivo
