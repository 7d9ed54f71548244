#include "platform/inet/RawHeaderBlock.h"

#include <cstddef>

namespace sonivo {

long status_code_of(std::string_view status_line) {
  const std::size_t blank = status_line.find(' ');
  if (blank == std::string_view::npos) {
    return 0;
  }
  // Only the view's own bytes are read: libcurl's line has no terminator of its own.
  std::size_t at = blank + 1;
  while (at < status_line.size() && status_line[at] == ' ') {
    ++at;
  }
  long code = 0;
  for (int digits = 0; digits < 3 && at < status_line.size(); ++digits, ++at) {
    const char c = status_line[at];
    if (c < '0' || c > '9') {
      break;
    }
    code = code * 10 + (c - '0');
  }
  return code;
}

void RawHeaderBlock::add_line(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
    line.remove_suffix(1);
  }
  if (line.starts_with("HTTP/")) {
    pending_.clear();
    status_ = status_code_of(line);
  }
  pending_.append(line);
  pending_.append("\r\n");
  if (line.empty() && status_ >= 200) {
    text_ = pending_;
    complete_ = true;
  }
}

}  // namespace sonivo
