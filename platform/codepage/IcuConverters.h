#pragma once
// The ICU side of the code-page layer: one converter per code page and thread, and the
// two conversion loops with the measuring and capacity rules of the Windows functions.

#include <unicode/ucnv.h>

#include <cstdint>

namespace sonivo::codepage {

// The converter for a code page (0 being the ANSI code page), reset and ready, with the
// table's best-fit mappings on; null for a code page the layer does not support.
UConverter* converter_for(int code_page);

// A converter for the same code page that takes round-trip mappings only and stops at
// the first character it lacks.
UConverter* exact_converter_for(int code_page);

// A converter for the same code page with the best-fit mappings on that stops at the
// first character it still lacks.
UConverter* stopping_converter_for(int code_page);

// What an encoder writes for a character its code page lacks.
struct DefaultCharacter {
  const char* bytes;
  int8_t length;
  bool used = false;
};

// Decodes `length` bytes. A capacity of 0 measures. Returns the units written or needed,
// or 0 on failure (too small an output included).
int decode(UConverter* converter, const char* source, int length, char16_t* output, int capacity);

// Encodes `length` units, writing `fallback` for every character the code page lacks.
// A capacity of 0 measures. Returns the bytes written or needed, or 0 on failure.
int encode(UConverter* converter, const char16_t* source, int length, char* output, int capacity,
           DefaultCharacter& fallback);

}  // namespace sonivo::codepage
