// The resume record beside a partly downloaded file, as any bytes may have replaced it
// (a write cut short, another program's file under that name, a user's edit).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "download/ResumeRecord.h"

namespace {

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view stored(reinterpret_cast<const char*>(data), size);
  const std::optional<sonivo::ResumeRecord> record = sonivo::parse_resume_record(stored);
  if (!record) {
    return 0;
  }
  // Whatever was read writes out again and reads back the same, and stays within bounds.
  check(record->total_length >= 0 && record->total_length <= (int64_t{1} << 53),
        "total within 0..2^53");
  const std::string again = sonivo::format_resume_record(*record);
  check(sonivo::parse_resume_record(again) == record, "a written record reads back the same");
  check(sonivo::compare_resume_record(*record, *record) != sonivo::RecordMatch::Contradicted,
        "a record never contradicts itself");
  return 0;
}
