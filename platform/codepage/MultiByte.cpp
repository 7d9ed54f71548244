#include <climits>
#include <cstring>
#include <string>

#include "platform/codepage/CodePage.h"
#include "platform/codepage/DbcsEncoder.h"
#include "platform/codepage/IcuConverters.h"
#include "platform/codepage/Utf8Decoder.h"

namespace sonivo {
namespace {

// Length -1 stands for the text up to and including its terminating zero.
template <typename Unit>
int counted_length(const Unit* source, int length) {
  if (length != -1) {
    return length;
  }
  const std::size_t units = std::char_traits<Unit>::length(source) + 1;
  return units > static_cast<std::size_t>(INT_MAX) ? 0 : static_cast<int>(units);
}

template <typename Unit, typename Out>
bool valid_call(uint32_t flags, const Unit* source, int source_length, const Out* output,
                int output_capacity) {
  return flags == 0 && source != nullptr && (source_length > 0 || source_length == -1) &&
         output_capacity >= 0 && (output_capacity == 0 || output != nullptr);
}

// The first character of a default-character string: two bytes for a lead byte that
// has a trail, else one (a lone zero byte included).
codepage::DefaultCharacter default_character_of(const char* text) {
  const auto lead = static_cast<unsigned char>(text[0]);
  const int8_t length = (lead >= 0x80 && text[1] != '\0') ? 2 : 1;
  return {text, length};
}

}  // namespace

int MultiByteToWideChar(int code_page, uint32_t flags, const char* source, int source_length,
                        char16_t* output, int output_capacity) {
  if (!valid_call(flags, source, source_length, output, output_capacity)) {
    return 0;
  }
  UConverter* converter = codepage::converter_for(code_page);
  const int length = counted_length(source, source_length);
  if (converter == nullptr || length == 0) {
    return 0;
  }
  if (code_page == CP_UTF8) {
    return codepage::decode_utf8(source, length, output, output_capacity);
  }
  return codepage::decode(converter, source, length, output, output_capacity);
}

int WideCharToMultiByte(int code_page, uint32_t flags, const char16_t* source, int source_length,
                        char* output, int output_capacity, const char* default_char,
                        bool* used_default_char) {
  if (!valid_call(flags, source, source_length, output, output_capacity)) {
    return 0;
  }
  if (code_page == CP_UTF8 && (default_char != nullptr || used_default_char != nullptr)) {
    return 0;
  }
  UConverter* converter = codepage::converter_for(code_page);
  if (converter == nullptr) {
    return 0;
  }
  codepage::DefaultCharacter fallback =
      code_page == CP_UTF8 ? codepage::DefaultCharacter{"\xEF\xBF\xBD", 3}
                           : default_character_of(default_char != nullptr ? default_char : "?");
  int result = 0;
  if (codepage::has_dbcs_table(code_page)) {
    // The table's loop finds the terminator of a -1 length itself, in the same pass.
    result =
        codepage::encode_dbcs(code_page, source, source_length, output, output_capacity, fallback);
  } else {
    const int length = counted_length(source, source_length);
    if (length == 0) {
      return 0;
    }
    result = codepage::encode(converter, source, length, output, output_capacity, fallback);
  }
  if (used_default_char != nullptr) {
    *used_default_char = fallback.used;
  }
  return result;
}

}  // namespace sonivo
