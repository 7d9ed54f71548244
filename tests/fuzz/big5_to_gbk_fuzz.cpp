// big5_to_gbk on any bytes, and the simplification on its own on any GBK-looking text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "encoding/Encoding.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const sonivo::Text text(std::string_view(reinterpret_cast<const char*>(data), size));
  const sonivo::Text gbk = sonivo::big5_to_gbk(text);
  FUZZ_CHECK(gbk.size() <= 2 * text.size() + 2);

  const sonivo::Text simplified = sonivo::simplify_chinese(text);
  FUZZ_CHECK(simplified.size() <= text.size());
  return 0;
}
