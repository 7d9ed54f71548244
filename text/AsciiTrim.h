#pragma once
// Trimming of byte strings at blanks the caller names: header lines, cookie attributes,
// lines of the skin file. Text that a user typed or a page holds is GBK and is trimmed by
// `trim` of TextOps.h, which also knows the full-width space.

#include <string_view>

namespace sonivo {

// The blanks of HTTP's optional white space.
inline constexpr std::string_view SPACE_AND_TAB = " \t";

// `text` without the leading and trailing bytes that occur in `blanks`; a view into `text`.
std::string_view trim_ascii(std::string_view text, std::string_view blanks = SPACE_AND_TAB);

}  // namespace sonivo
