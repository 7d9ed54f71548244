// Which encoding a fetched page is in, from its raw header block and its bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "resolve/PageEncoding.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const sonivo::Text headers(input.ConsumeRandomLengthString(512));
  const sonivo::Text page(input.ConsumeRemainingBytesAsString());

  const sonivo::Text charset = sonivo::declared_charset(page, headers);
  FUZZ_CHECK(charset.size() <= headers.size() + page.size());
  const sonivo::Text text = sonivo::page_text_of(page, headers);
  // UTF-8 takes at least as many bytes as GBK for every character it has.
  if (sonivo::is_valid_utf8(page.str())) {
    FUZZ_CHECK(text.size() <= page.size());
  }
  return 0;
}
