#pragma once
// The numbers of a Content-Range value such as "bytes 0-20479/3145728".
//
// The end is the number that begins the text after the last "-", the total the number
// that begins the text after the last "/" (each search exact; when the character does
// not occur, the whole value is read). "bytes */3145728" therefore gives end 0 and total
// 3145728, and a total of "*" gives 0, the unknown total. The start is the number that
// begins the text after the last space before that "-". A text that does not begin with
// a number gives 0.

#include <cstdint>

#include "text/Text.h"

namespace sonivo {

struct ContentRange {
  int64_t start = 0;
  int64_t end = 0;
  int64_t total = 0;
  bool has_range = false;  // a "-" occurs, so start and end were stated
};

ContentRange parse_content_range(const Text& value);

}  // namespace sonivo
