#pragma once
// The raw header block of an answer, put together from the header lines libcurl hands
// over one by one: the status line and every header line of the final response, each
// ended by CR LF, then the empty line. Interim answers (100 Continue, a redirect that is
// followed) each start the block anew.

#include <string>
#include <string_view>

namespace sonivo {

class RawHeaderBlock {
 public:
  // One line as received, with or without its line end. The bytes are not kept beyond
  // the call and need no terminator.
  void add_line(std::string_view line);

  // True once the empty line of a final (2xx and up) answer has arrived.
  bool complete() const { return complete_; }
  // The status code of the latest status line; 0 when it holds none.
  long status() const { return status_; }
  // The final answer's block once complete, empty before.
  const std::string& text() const { return text_; }

 private:
  std::string pending_;
  std::string text_;
  long status_ = 0;
  bool complete_ = false;
};

// The status code of a status line ("HTTP/1.1 206 Partial Content" gives 206): the
// digits after the first blank, at most three of them; 0 when there are none.
long status_code_of(std::string_view status_line);

}  // namespace sonivo
