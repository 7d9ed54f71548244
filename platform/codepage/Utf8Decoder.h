#pragma once
// UTF-8 to UTF-16 without a converter in between: a fetched page is decoded twice (once
// to measure, once to convert), and this loop does each in a fraction of ICU's time.
// Its results are ICU's: every maximal ill-formed subsequence becomes one U+FFFD.

namespace sonivo::codepage {

// A capacity of 0 measures. Returns the units written or needed, 0 when the output is
// too small (the units that fit are written).
int decode_utf8(const char* source, int length, char16_t* output, int capacity);

}  // namespace sonivo::codepage
