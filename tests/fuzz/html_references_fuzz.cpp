// Character references in an address cut out of a page's attribute.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tests/fuzz/FuzzCheck.h"
#include "text/HtmlReferences.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const sonivo::Text text(std::string_view(reinterpret_cast<const char*>(data), size));
  const sonivo::Text decoded = sonivo::decode_html_references(text);
  // A reference is never shorter than what it stands for.
  FUZZ_CHECK(decoded.size() <= text.size());
  FUZZ_CHECK(decoded.size() == text.size() || text.str().find('&') != std::string_view::npos);
  return 0;
}
