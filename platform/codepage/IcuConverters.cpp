#include "platform/codepage/IcuConverters.h"

#include <unicode/ucnv_cb.h>

#include <array>
#include <cstdint>
#include <memory>

#include "platform/codepage/CodePage.h"

namespace sonivo::codepage {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

struct Table {
  int code_page;
  const char* icu_name;
};

// The Windows tables as ICU carries them.
constexpr std::array<Table, 3> kTables = {{
    {CP_GBK, "windows-936-2000"},
    {CP_BIG5, "windows-950-2000"},
    {CP_UTF8, "UTF-8"},
}};

// Big enough that measuring a page takes few loop turns, small enough for the stack.
constexpr int kMeasureChunk = 4096;

int table_index(int code_page) {
  if (code_page == CP_ACP) {
    code_page = SYSTEM_ANSI_CODE_PAGE;
  }
  for (std::size_t i = 0; i < kTables.size(); ++i) {
    if (kTables[i].code_page == code_page) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

enum class Flavor { BestFit, Stopping, RoundTrip };

Converter open_converter(const char* icu_name, Flavor flavor) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(icu_name, &status));
  if (U_FAILURE(status)) {
    return nullptr;
  }
  ucnv_setFallback(converter.get(), flavor != Flavor::RoundTrip);
  if (flavor != Flavor::BestFit) {
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
  }
  return converter;
}

UConverter* cached(int code_page, Flavor flavor) {
  thread_local std::array<std::array<Converter, kTables.size()>, 3> converters;
  const int index = table_index(code_page);
  if (index < 0) {
    return nullptr;
  }
  Converter& slot = converters[static_cast<std::size_t>(flavor)][static_cast<std::size_t>(index)];
  if (!slot) {
    slot = open_converter(kTables[static_cast<std::size_t>(index)].icu_name, flavor);
  }
  if (slot) {
    ucnv_reset(slot.get());
  }
  return slot.get();
}

void write_default_character(const void* context, UConverterFromUnicodeArgs* args,
                             const UChar* /*units*/, int32_t /*length*/, UChar32 /*code_point*/,
                             UConverterCallbackReason reason, UErrorCode* status) {
  if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) {
    return;  // reset, close and clone need nothing from us
  }
  auto* fallback = static_cast<DefaultCharacter*>(const_cast<void*>(context));
  *status = U_ZERO_ERROR;
  ucnv_cbFromUWriteBytes(args, fallback->bytes, fallback->length, 0, status);
  fallback->used = true;
}

}  // namespace

UConverter* converter_for(int code_page) {
  return cached(code_page, Flavor::BestFit);
}

UConverter* exact_converter_for(int code_page) {
  return cached(code_page, Flavor::RoundTrip);
}

UConverter* stopping_converter_for(int code_page) {
  return cached(code_page, Flavor::Stopping);
}

int decode(UConverter* converter, const char* source, int length, char16_t* output, int capacity) {
  const char* from = source;
  const char* const end = source + length;
  UErrorCode status = U_ZERO_ERROR;
  if (capacity == 0) {
    std::array<UChar, kMeasureChunk> scratch;
    int64_t total = 0;
    do {
      UChar* to = scratch.data();
      status = U_ZERO_ERROR;
      ucnv_toUnicode(converter, &to, scratch.data() + scratch.size(), &from, end, nullptr, true,
                     &status);
      total += to - scratch.data();
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    return (U_FAILURE(status) || total > INT32_MAX) ? 0 : static_cast<int>(total);
  }
  UChar* to = output;
  ucnv_toUnicode(converter, &to, output + capacity, &from, end, nullptr, true, &status);
  return U_FAILURE(status) ? 0 : static_cast<int>(to - output);
}

int encode(UConverter* converter, const char16_t* source, int length, char* output, int capacity,
           DefaultCharacter& fallback) {
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setFromUCallBack(converter, write_default_character, &fallback, nullptr, nullptr, &status);
  if (U_FAILURE(status)) {
    return 0;
  }
  const UChar* from = source;
  const UChar* const end = source + length;
  if (capacity == 0) {
    std::array<char, kMeasureChunk> scratch;
    int64_t total = 0;
    do {
      char* to = scratch.data();
      status = U_ZERO_ERROR;
      ucnv_fromUnicode(converter, &to, scratch.data() + scratch.size(), &from, end, nullptr, true,
                       &status);
      total += to - scratch.data();
    } while (status == U_BUFFER_OVERFLOW_ERROR);
    return (U_FAILURE(status) || total > INT32_MAX) ? 0 : static_cast<int>(total);
  }
  char* to = output;
  ucnv_fromUnicode(converter, &to, output + capacity, &from, end, nullptr, true, &status);
  return U_FAILURE(status) ? 0 : static_cast<int>(to - output);
}

}  // namespace sonivo::codepage
