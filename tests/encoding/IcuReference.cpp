#include "IcuReference.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <memory>

namespace sonivo::testing {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's own substitution skips default-ignorable characters; the Windows tables write
// their default character for every character they lack.
void write_question_mark(const void*, UConverterFromUnicodeArgs* args, const UChar*, int32_t,
                         UChar32, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason <= UCNV_IRREGULAR) {
    *status = U_ZERO_ERROR;
    ucnv_cbFromUWriteBytes(args, "?", 1, 0, status);
  }
}

Converter open(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) {
    return nullptr;
  }
  ucnv_setFallback(converter.get(), true);
  ucnv_setFromUCallBack(converter.get(), write_question_mark, nullptr, nullptr, nullptr, &status);
  return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

}  // namespace

std::string icu_convert(std::string_view bytes, const char* from, const char* to) {
  Converter source = open(from);
  Converter target = open(to);
  if (!source || !target || bytes.empty()) {
    return {};
  }
  std::string out(bytes.size() * 4 + 16, '\0');
  char* out_at = out.data();
  const char* in_at = bytes.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_convertEx(target.get(), source.get(), &out_at, out.data() + out.size(), &in_at,
                 bytes.data() + bytes.size(), nullptr, nullptr, nullptr, nullptr, true, true,
                 &status);
  if (U_FAILURE(status)) {
    return {};
  }
  out.resize(static_cast<std::size_t>(out_at - out.data()));
  return out;
}

std::string big5(std::string_view utf8) {
  return icu_convert(utf8, "UTF-8", "windows-950-2000");
}

}  // namespace sonivo::testing
