#include "resolve/TextBetween.h"

#include <string>
#include <string_view>

#include "text/TextOps.h"

namespace sonivo {
namespace {

// Every placeholder, left to right and without overlap, by one double quote. The five
// bytes are compared as bytes, wherever they stand in the marker.
Text with_quotes(const Text& marker) {
  const std::string_view placeholder(QUOTE_PLACEHOLDER);
  const std::string& bytes = marker.str();
  if (bytes.find(placeholder) == std::string::npos) {
    return marker;
  }
  std::string out;
  out.reserve(bytes.size());
  std::size_t from = 0;
  for (std::size_t at = bytes.find(placeholder); at != std::string::npos;
       at = bytes.find(placeholder, from)) {
    out.append(bytes, from, at - from);
    out += '"';
    from = at + placeholder.size();
  }
  out.append(bytes, from, std::string::npos);
  return Text(out);
}

}  // namespace

Text text_between(const Text& text, const Text& start_marker, const Text& end_marker,
                  std::optional<int> start_position, std::optional<bool> case_sensitive) {
  // 1. Quote placeholders.
  const Text start = with_quotes(start_marker);
  const Text end = with_quotes(end_marker);

  // 2. Matching mode.
  const Case mode = case_sensitive.value_or(false) ? Case::Exact : Case::IgnoreAscii;
  const int from = start_position.value_or(0);

  // 3. The first start marker.
  const int p = find(text, start, from, mode);
  if (p == -1) {
    return Text();
  }

  // 4. The remainder after it.
  const Text remainder = mid(text, p + start.length());

  // 5. The first end marker in the remainder, counted from the same start position.
  const int q = find(remainder, end, from, mode);
  if (q == -1) {
    return Text();
  }

  // 6. Everything before the end marker.
  return left(remainder, q - 1);
}

}  // namespace sonivo
