// The Content-Range value of a ranged answer, as any server may send it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "download/ContentRange.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const sonivo::Text value(std::string_view(reinterpret_cast<const char*>(data), size));
  const sonivo::ContentRange range = sonivo::parse_content_range(value);
  // Without a "-" no start is stated.
  FUZZ_CHECK(range.has_range || range.start == 0);
  return 0;
}
