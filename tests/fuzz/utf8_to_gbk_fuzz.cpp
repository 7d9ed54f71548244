// utf8_to_gbk on any bytes, and the UTF-16 step on its own with any units, even an odd
// count of bytes or no terminating zero unit.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "encoding/Encoding.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const sonivo::Text text(bytes);
  const sonivo::Text gbk = sonivo::utf8_to_gbk(text);
  // Each character needs at least one byte of UTF-8 and at most two of GBK, or one "?"
  // for each undecodable byte.
  FUZZ_CHECK(gbk.size() <= 2 * text.size());

  const sonivo::Text from_units =
      sonivo::utf16_to_multibyte(sonivo::Bytes(data, size), sonivo::CP_GBK);
  FUZZ_CHECK(from_units.size() <= 2 * size + 2);
  return 0;
}
