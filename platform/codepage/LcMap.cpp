#include <unicode/translit.h>
#include <unicode/utf16.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/codepage/CodePage.h"
#include "platform/codepage/IcuConverters.h"

namespace sonivo {
namespace {

constexpr uint32_t LOCALE_USER_DEFAULT = 0x400;
constexpr uint32_t LOCALE_SYSTEM_DEFAULT = 0x800;

// The ANSI code page of a locale, or -1 for a locale this layer does not know.
int ansi_code_page_of(uint32_t locale) {
  switch (locale) {
    case LOCALE_CHINESE_PRC:
    case LOCALE_USER_DEFAULT:
    case LOCALE_SYSTEM_DEFAULT:
      return SYSTEM_ANSI_CODE_PAGE;
    default:
      return -1;
  }
}

icu::Transliterator* traditional_to_simplified() {
  thread_local std::unique_ptr<icu::Transliterator> transliterator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Transliterator> made(icu::Transliterator::createInstance(
        icu::UnicodeString("Traditional-Simplified"), UTRANS_FORWARD, status));
    return U_FAILURE(status) ? nullptr : std::move(made);
  }();
  return transliterator.get();
}

bool encodes_exactly(int code_page, const icu::UnicodeString& character) {
  UConverter* exact = codepage::exact_converter_for(code_page);
  if (exact == nullptr) {
    return false;
  }
  char scratch[8];
  UErrorCode status = U_ZERO_ERROR;
  ucnv_fromUChars(exact, scratch, sizeof scratch, character.getBuffer(), character.length(),
                  &status);
  return U_SUCCESS(status);
}

// One character for one: the simplified form when it is a single character the code page
// holds, else the character itself, so a text keeps its length in the code page.
UChar32 simplified(UChar32 character, int code_page) {
  thread_local std::unordered_map<UChar32, UChar32> known;
  const auto found = known.find(character);
  if (found != known.end()) {
    return found->second;
  }
  UChar32 result = character;
  if (icu::Transliterator* transliterator = traditional_to_simplified()) {
    icu::UnicodeString text(character);
    transliterator->transliterate(text);
    if (text.countChar32() == 1 && text.char32At(0) != character &&
        encodes_exactly(code_page, text)) {
      result = text.char32At(0);
    }
  }
  known.emplace(character, result);
  return result;
}

// The code point at `i`, with `i` stepped past it; a lone surrogate stands for itself.
// (ICU's U16_NEXT does the same, but mixes signed and unsigned arithmetic in our code.)
UChar32 next_code_point(const std::u16string& text, int32_t& i) {
  const char16_t unit = text[static_cast<std::size_t>(i++)];
  const bool lead = unit >= 0xD800 && unit <= 0xDBFF;
  if (lead && static_cast<std::size_t>(i) < text.size()) {
    const char16_t trail = text[static_cast<std::size_t>(i)];
    if (trail >= 0xDC00 && trail <= 0xDFFF) {
      ++i;
      return 0x10000 + ((unit - 0xD800) << 10) + (trail - 0xDC00);
    }
  }
  return unit;
}

std::u16string simplify_each(const std::u16string& text, int code_page) {
  std::u16string out;
  out.reserve(text.size());
  const auto length = static_cast<int32_t>(text.size());
  for (int32_t i = 0; i < length;) {
    const UChar32 character = next_code_point(text, i);
    const UChar32 mapped = simplified(character, code_page);
    if (U_IS_BMP(mapped)) {
      out += static_cast<char16_t>(mapped);
    } else {
      out += static_cast<char16_t>(U16_LEAD(mapped));
      out += static_cast<char16_t>(U16_TRAIL(mapped));
    }
  }
  return out;
}

}  // namespace

int LCMapStringA(uint32_t locale, uint32_t map_flags, const char* source, int source_length,
                 char* output, int output_capacity) {
  const int code_page = ansi_code_page_of(locale);
  if (code_page < 0 || map_flags != LCMAP_SIMPLIFIED_CHINESE || source == nullptr ||
      source_length == 0 || source_length < -1 || output_capacity < 0 ||
      (output_capacity > 0 && output == nullptr)) {
    return 0;
  }
  std::size_t length = static_cast<std::size_t>(source_length);
  if (source_length == -1) {
    length = std::strlen(source) + 1;
    if (length > static_cast<std::size_t>(INT_MAX)) {
      return 0;
    }
  }

  UConverter* converter = codepage::converter_for(code_page);
  if (converter == nullptr) {
    return 0;
  }
  const int units = codepage::decode(converter, source, static_cast<int>(length), nullptr, 0);
  std::u16string wide(static_cast<std::size_t>(units), u'\0');
  codepage::decode(converter, source, static_cast<int>(length), wide.data(), units);

  const std::u16string mapped = simplify_each(wide, code_page);
  const auto mapped_units = static_cast<int>(mapped.size());
  codepage::DefaultCharacter fallback{"?", 1};
  const int bytes = codepage::encode(converter, mapped.data(), mapped_units, nullptr, 0, fallback);
  if (bytes == 0 || output_capacity == 0) {
    return bytes;
  }
  std::string encoded(static_cast<std::size_t>(bytes), '\0');
  codepage::encode(converter, mapped.data(), mapped_units, encoded.data(), bytes, fallback);
  if (bytes > output_capacity) {
    std::memcpy(output, encoded.data(), static_cast<std::size_t>(output_capacity));
    return 0;
  }
  std::memcpy(output, encoded.data(), encoded.size());
  return bytes;
}

}  // namespace sonivo
