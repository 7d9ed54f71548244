#include "text/Gbk.h"

#include <unicode/ucnv.h>

#include <memory>

namespace sonivo {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter open_gbk() {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("windows-936-2000", &status));
  if (U_FAILURE(status)) {
    return nullptr;
  }
  return converter;
}

}  // namespace

std::u16string utf16_of(const Text& text) {
  Converter converter = open_gbk();
  if (!converter || text.empty()) {
    return {};
  }
  std::u16string out(text.size() + 1, u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucnv_toUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                  text.c_str(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) {
    return {};
  }
  out.resize(static_cast<std::size_t>(n));
  return out;
}

Text gbk_of_utf16(std::u16string_view utf16) {
  Converter converter = open_gbk();
  if (!converter || utf16.empty()) {
    return Text();
  }
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  status = U_ZERO_ERROR;
  std::string out(utf16.size() * 2 + 1, '\0');
  const int32_t n = ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                    utf16.data(), static_cast<int32_t>(utf16.size()), &status);
  if (U_FAILURE(status)) {
    return Text();
  }
  out.resize(static_cast<std::size_t>(n));
  return Text(out);
}

Text gbk(std::string_view utf8) {
  std::u16string utf16;
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("UTF-8", &status));
  if (U_FAILURE(status) || utf8.empty()) {
    return Text();
  }
  utf16.resize(utf8.size() + 1);
  const int32_t n = ucnv_toUChars(converter.get(), utf16.data(), static_cast<int32_t>(utf16.size()),
                                  utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status)) {
    return Text();
  }
  utf16.resize(static_cast<std::size_t>(n));
  return gbk_of_utf16(utf16);
}

std::string utf8_of(const Text& text) {
  const std::u16string utf16 = utf16_of(text);
  if (utf16.empty()) {
    return {};
  }
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("UTF-8", &status));
  if (U_FAILURE(status)) {
    return {};
  }
  std::string out(utf16.size() * 3 + 1, '\0');
  const int32_t n = ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                    utf16.data(), static_cast<int32_t>(utf16.size()), &status);
  if (U_FAILURE(status)) {
    return {};
  }
  out.resize(static_cast<std::size_t>(n));
  return out;
}

}  // namespace sonivo
