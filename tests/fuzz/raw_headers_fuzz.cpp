// The raw header block put together from header lines as libcurl hands them over: the
// input is cut into lines at each LF, and each line is passed in a block of its own size.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/inet/RawHeaderBlock.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  sonivo::RawHeaderBlock block;
  std::size_t start = 0;
  while (start < input.size()) {
    std::size_t end = input.find('\n', start);
    end = end == std::string_view::npos ? input.size() : end + 1;
    // A copy of exactly the line's size: a read past it is one that ASan sees.
    const std::size_t length = end - start;
    auto line = std::make_unique<char[]>(length);
    std::memcpy(line.get(), input.data() + start, length);
    block.add_line(std::string_view(line.get(), length));
    const long status = block.status();
    FUZZ_CHECK(status >= 0 && status <= 999);
    start = end;
  }
  if (block.complete()) {
    FUZZ_CHECK(block.text().ends_with("\r\n\r\n") || block.text() == "\r\n");
  } else {
    FUZZ_CHECK(block.text().empty());
  }
  return 0;
}
