#pragma once
// Windows-shaped code-page conversions over ICU. They keep the calling rules of their
// Windows namesakes, which the conversions into GBK rely on:
// - a source length of -1 means "up to and including the terminating zero";
// - an output capacity of 0 measures: nothing is written, the needed count is returned;
// - an output that is too small fails with 0 and is never written beyond its capacity
//   (the part that fits may be written);
// - code page 0 is the system's ANSI code page, which is 936 (GBK) here;
// - an unsupported code page, locale or flag, a zero or negative length, or a missing
//   buffer fails with 0.
// Only the flags word 0 is supported by the two code-page conversions.

#include <cstdint>

namespace sonivo {

constexpr int CP_ACP = 0;
constexpr int CP_GBK = 936;
constexpr int CP_BIG5 = 950;
constexpr int CP_UTF8 = 65001;

// The system's ANSI code page, the one code page 0 stands for.
constexpr int SYSTEM_ANSI_CODE_PAGE = CP_GBK;

constexpr uint32_t LCMAP_SIMPLIFIED_CHINESE = 0x02000000;
constexpr uint32_t LOCALE_CHINESE_PRC = 2052;  // 0x804, whose ANSI code page is 936

// Decodes `source_length` bytes (or up to and including the first zero byte for -1) into
// UTF-16 units. Bytes that are not valid in the code page become the converter's
// substitute (U+FFFD for a broken UTF-8 sequence). Returns the number of units written
// or, for a capacity of 0, needed.
int MultiByteToWideChar(int code_page, uint32_t flags, const char* source, int source_length,
                        char16_t* output, int output_capacity);

// Encodes UTF-16 units into the code page, with the table's best-fit mappings. A character
// the code page still lacks is written as `default_char` (its first character, a single
// zero byte included) or, when that is null, as the code page's own default character
// "?"; `used_default_char`, when not null, tells whether that happened. For UTF-8 both
// must be null (an unpaired surrogate is written as U+FFFD). Returns the number of bytes
// written or, for a capacity of 0, needed.
int WideCharToMultiByte(int code_page, uint32_t flags, const char16_t* source, int source_length,
                        char* output, int output_capacity, const char* default_char,
                        bool* used_default_char);

// Maps text in the locale's ANSI code page. LCMAP_SIMPLIFIED_CHINESE replaces each
// traditional character by its simplified form, one character for one, where that form
// exists in the code page; every other character is kept. Returns the number of bytes
// written or, for a capacity of 0, needed.
int LCMapStringA(uint32_t locale, uint32_t map_flags, const char* source, int source_length,
                 char* output, int output_capacity);

}  // namespace sonivo
