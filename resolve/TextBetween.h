#pragma once
// Cuts a value out of a page: the bytes between the first start marker and the first end
// marker after it.

#include <optional>

#include "text/Text.h"

namespace sonivo {

// "#引号" in GBK. Markers may spell a double quote this way.
inline constexpr char QUOTE_PLACEHOLDER[] = "#\xD2\xFD\xBA\xC5";

// Empty when either marker is missing. Letters match regardless of ASCII case unless
// `case_sensitive` is true; matches begin only at character boundaries. `start_position`
// (1-based; absent, 0 or negative mean the first byte) applies to the search for the
// start marker in `text` and again to the search for the end marker in the remainder.
// The value is returned exactly as `text` holds it.
Text text_between(const Text& text, const Text& start_marker, const Text& end_marker,
                  std::optional<int> start_position = std::nullopt,
                  std::optional<bool> case_sensitive = std::nullopt);

}  // namespace sonivo
