#pragma once
// What a partly downloaded file is a part of: the address it came from, the content's
// total length and the validators the server gave for it. A run writes it before it
// appends anything, and a later run trusts the bytes on disk only when the server still
// describes the same content (see compare_resume_record). A run that ends without the
// file complete adds how it left the file (length and modification time), so that a
// later run can tell a file the user has since cut or replaced.
//
// Its stored form is a few lines of text, so a user who finds the file can read it:
//
//   sonivo-part 1
//   url http://host/sound.mp3?sig=ab12
//   total 307317
//   etag "5f3a-4b075"
//   last-modified Tue, 05 May 2020 10:00:00 GMT
//   part 40960 1588672800123456789
//   end
//
// Each line ends with "\n" ("\r\n" is read too). The etag and last-modified lines are
// there only when the server sent those headers, the part line only once a run has left
// the file; a total of 0 stands for an unknown total. In values, "%", control bytes and DEL are
// written as %XX. The reader takes anything (a truncated write, another program's file under that
// name, random bytes) and gives a record only when every line is well formed, no key repeats, url
// and total are present and "end" closes the text; otherwise there is no record.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/Text.h"

namespace sonivo {

// How a run left the file: its length and modification time (nanoseconds since 1970).
struct PartState {
  int64_t length = 0;
  int64_t modified_ns = 0;

  bool operator==(const PartState&) const = default;
};

struct ResumeRecord {
  Text url;
  int64_t total_length = 0;                      // 0: not known
  Text etag;                                     // empty: not sent
  Text last_modified;                            // empty: not sent
  std::optional<PartState> part = std::nullopt;  // none: no run has left the file yet

  bool operator==(const ResumeRecord&) const = default;
};

// A record larger than this is not ours.
inline constexpr std::size_t MAX_RESUME_RECORD_SIZE = 64 * 1024;

std::string format_resume_record(const ResumeRecord& record);
std::optional<ResumeRecord> parse_resume_record(std::string_view stored);

enum class RecordMatch {
  Confirmed,     // same address and total, and a validator both carry is the same
  Contradicted,  // a total or a validator both carry differs: the content is another
  Unconfirmed,   // nothing contradicts, but nothing the server says vouches for the bytes
};

// How a stored record compares with what the server says now (`now` built from its
// answer). A validator only one of the two carries neither confirms nor contradicts.
RecordMatch compare_resume_record(const ResumeRecord& stored, const ResumeRecord& now);

}  // namespace sonivo
