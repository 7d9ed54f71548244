#pragma once
// The text operations every subsystem shares. Positions and lengths count bytes and are
// 1-based; a byte of 0x80 or above begins a two-byte GBK character, which searches and
// case changes step over as one unit.

#include <cstdint>

#include "text/Text.h"

namespace sonivo {

enum class Case { Exact, IgnoreAscii };

// Position of the first match at or after `start`, or -1. A start of 1 or less means
// the first byte; a start beyond the last byte finds nothing. The empty pattern is found
// at the start point of a non-empty text.
int find(const Text& text, const Text& pattern, int start = 1, Case mode = Case::Exact);

// Position of the last match that begins at a character boundary, or -1.
int find_last(const Text& text, const Text& pattern, Case mode = Case::Exact);

Text left(const Text& text, int count);
Text right(const Text& text, int count);
Text mid(const Text& text, int start, int count);
Text mid(const Text& text, int start);  // from start to the end

// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1) only.
Text trim(const Text& text);

Text to_upper(const Text& text);  // ASCII letters only
Text to_lower(const Text& text);  // ASCII letters only

// Every non-overlapping exact match, scanned left to right.
Text delete_all(const Text& text, const Text& pattern);
Text replace_all(const Text& text, const Text& pattern, const Text& replacement);

bool starts_with(const Text& text, const Text& prefix, Case mode = Case::Exact);

// Reads full-width ASCII forms as ASCII, skips leading white space and reads the longest
// prefix that forms a decimal number (sign, digits, fraction, exponent); 0 when none.
double read_number(const Text& text);
// The same, cut toward zero.
int32_t read_integer(const Text& text);

// Decimal form of an integer, as Text.
Text decimal(int64_t value);

}  // namespace sonivo
