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
  // A marker may spell a double quote with the placeholder; the page holds the quote.
  const Text start = with_quotes(start_marker);
  const Text end = with_quotes(end_marker);

  // ASCII letter case is ignored unless the caller asks for exact matching.
  const Case mode = case_sensitive.value_or(false) ? Case::Exact : Case::IgnoreAscii;
  const int from = start_position.value_or(0);

  const int p = find(text, start, from, mode);
  if (p == -1) {
    return Text();
  }

  // The end marker is looked for only after the start marker, so a value never ends
  // before it begins.
  const Text remainder = mid(text, p + start.length());

  // The start position applies once more, counted within the remainder, not the text.
  const int q = find(remainder, end, from, mode);
  if (q == -1) {
    return Text();
  }

  return left(remainder, q - 1);
}

}  // namespace sonivo
