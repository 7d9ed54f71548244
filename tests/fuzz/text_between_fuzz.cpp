// text_between on page text and markers from the input, with every start position and
// both matching modes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "resolve/TextBetween.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::optional<bool> case_sensitive =
      input.ConsumeBool() ? std::optional<bool>(input.ConsumeBool()) : std::nullopt;
  const bool has_position = input.ConsumeBool();
  const int position = input.ConsumeIntegralInRange<int>(-3, 300);
  const sonivo::Text start_marker(input.ConsumeRandomLengthString(64));
  const sonivo::Text end_marker(input.ConsumeRandomLengthString(64));
  const sonivo::Text text(input.ConsumeRemainingBytesAsString());

  const sonivo::Text value = sonivo::text_between(
      text, start_marker, end_marker, has_position ? std::optional<int>(position) : std::nullopt,
      case_sensitive);
  // The value is cut out of the text, never made up.
  FUZZ_CHECK(value.size() <= text.size());
  FUZZ_CHECK(value.empty() || text.str().find(value.str()) != std::string::npos);
  return 0;
}
