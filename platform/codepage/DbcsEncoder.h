#pragma once
// UTF-16 to a double-byte code page (936, 950) through a table of every BMP character,
// filled once from ICU's converter with its best-fit mappings. A page is encoded twice
// (measure, convert): measuring only sums byte counts from a small table, and converting
// writes one table entry per unit. Characters beyond the BMP are rare and asked of ICU
// one by one.

#include "platform/codepage/IcuConverters.h"

namespace sonivo::codepage {

// True for the code pages encode_dbcs serves (0 included).
bool has_dbcs_table(int code_page);

// As encode() in IcuConverters.h: a capacity of 0 measures; returns the bytes written or
// needed, 0 when the output is too small (the bytes that fit are written). A length of
// -1 reads up to and including the first zero unit, found on the way.
int encode_dbcs(int code_page, const char16_t* source, int length, char* output, int capacity,
                DefaultCharacter& fallback);

}  // namespace sonivo::codepage
