#pragma once
// Direct ICU conversions the tests compare against: no code-page layer in between.

#include <string>
#include <string_view>

namespace sonivo::testing {

// Converts `bytes` from one ICU converter to another, undecodable bytes and characters
// the target lacks replaced as the Windows tables do (best fit first, then "?").
std::string icu_convert(std::string_view bytes, const char* from, const char* to);

// The Big5 (code page 950) form of a UTF-8 literal.
std::string big5(std::string_view utf8);

}  // namespace sonivo::testing
