#include "download/ContentRange.h"

#include "download/ByteCount.h"
#include "text/TextOps.h"

namespace sonivo {
namespace {

// The text after the last `mark` in `value`, or the whole value when it has none.
Text after_last(const Text& value, const Text& mark) {
  const int at = find_last(value, mark);
  return at < 0 ? value : mid(value, at + mark.length());
}

}  // namespace

ContentRange parse_content_range(const Text& value) {
  const Text dash("-");
  ContentRange range;
  range.total = to_byte_count(read_number(after_last(value, Text("/"))));
  range.end = to_byte_count(read_number(after_last(value, dash)));
  const int dash_at = find_last(value, dash);
  range.has_range = dash_at > 0;
  if (range.has_range) {
    range.start = to_byte_count(read_number(after_last(left(value, dash_at - 1), Text(" "))));
  }
  return range;
}

}  // namespace sonivo
