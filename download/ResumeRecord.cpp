#include "download/ResumeRecord.h"

#include <array>
#include <cstdint>

#include "text/PercentEncoding.h"

namespace sonivo {
namespace {

constexpr std::string_view FIRST_LINE = "sonivo-part 1";
constexpr std::string_view LAST_LINE = "end";
constexpr std::string_view URL_KEY = "url";
constexpr std::string_view TOTAL_KEY = "total";
constexpr std::string_view ETAG_KEY = "etag";
constexpr std::string_view LAST_MODIFIED_KEY = "last-modified";
constexpr std::string_view PART_KEY = "part";
// 2^53, the largest byte count the downloader carries exactly.
constexpr int64_t MAX_BYTE_COUNT = int64_t{1} << 53;
constexpr int64_t MAX_NUMBER = INT64_MAX;
constexpr std::size_t MAX_DIGITS = 19;

bool needs_escape(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F || byte == '%';
}

bool kept_as_written(unsigned char byte) {
  return !needs_escape(byte);
}

std::string escaped(const std::string& value) {
  return percent_encode(value, kept_as_written);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return -1;
}

// The value as written by `escaped`; nothing for a broken escape, a raw control byte, or
// a zero byte (a Text cannot hold one, so the writer never wrote it).
std::optional<std::string> unescaped(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (std::size_t at = 0; at < value.size(); ++at) {
    const auto byte = static_cast<unsigned char>(value[at]);
    if (byte != '%') {
      if (needs_escape(byte)) {
        return std::nullopt;
      }
      out += value[at];
      continue;
    }
    if (at + 2 >= value.size()) {
      return std::nullopt;
    }
    const int high = hex_value(value[at + 1]);
    const int low = hex_value(value[at + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) {
      return std::nullopt;
    }
    out += static_cast<char>(high * 16 + low);
    at += 2;
  }
  return out;
}

// Plain decimal digits, no sign, at most `limit`.
std::optional<int64_t> number_of(std::string_view digits, int64_t limit) {
  if (digits.empty() || digits.size() > MAX_DIGITS) {
    return std::nullopt;
  }
  int64_t number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    const int digit = c - '0';
    if (number > (MAX_NUMBER - digit) / 10) {
      return std::nullopt;
    }
    number = number * 10 + digit;
  }
  if (number > limit) {
    return std::nullopt;
  }
  return number;
}

// "<length> <modified_ns>".
std::optional<PartState> part_of(std::string_view value) {
  const auto space = value.find(' ');
  if (space == std::string_view::npos) {
    return std::nullopt;
  }
  const std::optional<int64_t> length = number_of(value.substr(0, space), MAX_BYTE_COUNT);
  const std::optional<int64_t> modified = number_of(value.substr(space + 1), MAX_NUMBER);
  if (!length || !modified) {
    return std::nullopt;
  }
  return PartState{*length, *modified};
}

// Splits off the next line (without its "\n" and an "\r" before it); false when the text
// has no further complete line.
bool next_line(std::string_view& rest, std::string_view& line) {
  const auto end = rest.find('\n');
  if (end == std::string_view::npos) {
    return false;
  }
  line = rest.substr(0, end);
  if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  rest.remove_prefix(end + 1);
  return true;
}

}  // namespace

std::string format_resume_record(const ResumeRecord& record) {
  std::string out(FIRST_LINE);
  out += '\n';
  auto line = [&out](std::string_view key, const std::string& value) {
    out += key;
    out += ' ';
    out += escaped(value);
    out += '\n';
  };
  line(URL_KEY, record.url.str());
  line(TOTAL_KEY, std::to_string(record.total_length > 0 ? record.total_length : 0));
  if (!record.etag.empty()) {
    line(ETAG_KEY, record.etag.str());
  }
  if (!record.last_modified.empty()) {
    line(LAST_MODIFIED_KEY, record.last_modified.str());
  }
  if (record.part && record.part->length >= 0 && record.part->modified_ns >= 0) {
    line(PART_KEY,
         std::to_string(record.part->length) + " " + std::to_string(record.part->modified_ns));
  }
  out += LAST_LINE;
  out += '\n';
  return out;
}

std::optional<ResumeRecord> parse_resume_record(std::string_view stored) {
  if (stored.size() > MAX_RESUME_RECORD_SIZE) {
    return std::nullopt;
  }
  std::string_view rest = stored;
  std::string_view line;
  if (!next_line(rest, line) || line != FIRST_LINE) {
    return std::nullopt;
  }
  ResumeRecord record;
  // url, total, etag, last-modified, part: each at most once.
  std::array<bool, 5> seen{};
  for (;;) {
    if (!next_line(rest, line)) {
      return std::nullopt;  // cut off before "end"
    }
    if (line == LAST_LINE) {
      break;
    }
    const auto space = line.find(' ');
    if (space == std::string_view::npos) {
      return std::nullopt;
    }
    const std::string_view key = line.substr(0, space);
    const std::optional<std::string> value = unescaped(line.substr(space + 1));
    if (!value) {
      return std::nullopt;
    }
    std::size_t slot = 0;
    if (key == URL_KEY) {
      slot = 0;
      record.url = Text(*value);
    } else if (key == TOTAL_KEY) {
      slot = 1;
      const std::optional<int64_t> total = number_of(*value, MAX_BYTE_COUNT);
      if (!total) {
        return std::nullopt;
      }
      record.total_length = *total;
    } else if (key == ETAG_KEY) {
      slot = 2;
      record.etag = Text(*value);
    } else if (key == LAST_MODIFIED_KEY) {
      slot = 3;
      record.last_modified = Text(*value);
    } else if (key == PART_KEY) {
      slot = 4;
      record.part = part_of(*value);
      if (!record.part) {
        return std::nullopt;
      }
    } else {
      return std::nullopt;
    }
    if (seen[slot]) {
      return std::nullopt;
    }
    seen[slot] = true;
  }
  if (!rest.empty() || !seen[0] || !seen[1]) {
    return std::nullopt;
  }
  return record;
}

RecordMatch compare_resume_record(const ResumeRecord& stored, const ResumeRecord& now) {
  const bool totals_differ =
      stored.total_length > 0 && now.total_length > 0 && stored.total_length != now.total_length;
  const bool both_etag = !stored.etag.empty() && !now.etag.empty();
  const bool both_modified = !stored.last_modified.empty() && !now.last_modified.empty();
  if (totals_differ || (both_etag && stored.etag != now.etag) ||
      (both_modified && stored.last_modified != now.last_modified)) {
    return RecordMatch::Contradicted;
  }
  if (stored.url == now.url && stored.total_length == now.total_length &&
      (both_etag || both_modified)) {
    return RecordMatch::Confirmed;
  }
  return RecordMatch::Unconfirmed;
}

}  // namespace sonivo
