// The file name proposed for any title a page may hold.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "resolve/SafeFileName.h"
#include "tests/fuzz/FuzzCheck.h"
#include "text/Gbk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const sonivo::Text title(std::string_view(reinterpret_cast<const char*>(data), size));
  const sonivo::Text name = sonivo::proposed_file_name(title);
  const std::string host = sonivo::utf8_of(name);

  // A plain name that the host's file system takes.
  FUZZ_CHECK(name.str().ends_with(".mp3"));
  FUZZ_CHECK(host.size() <= sonivo::HOST_NAME_LIMIT);
  FUZZ_CHECK(host.find('/') == std::string::npos);
  FUZZ_CHECK(host.find('\\') == std::string::npos);
  for (const char c : host) {
    const auto byte = static_cast<unsigned char>(c);
    FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
  }
  const sonivo::Text stem = sonivo::safe_file_stem(title);
  FUZZ_CHECK(stem.size() == title.size());
  FUZZ_CHECK(stem.str() != "." && stem.str() != "..");
  return 0;
}
