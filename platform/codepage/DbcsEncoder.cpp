#include "platform/codepage/DbcsEncoder.h"

#include <unicode/utf16.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/codepage/CodePage.h"

namespace sonivo::codepage {
namespace {

constexpr int kUnits = 0x10000;

// Per BMP unit, two views of its encoding, both 0 where the code page lacks the character
// and for the zero unit, which ends a -1 source and so is left to the careful step:
// - `lengths`: the byte count; a measurement reads only this, 64 KB that stay in the
//   cache;
// - `entries`: the byte count in bits 16 and up, the first byte in bits 8 to 15 and the
//   last in bits 0 to 7 (the same byte twice for a one-byte character), so that a
//   conversion writes both in one store without a branch on the count.
struct Table {
  std::unique_ptr<uint8_t[]> lengths{new uint8_t[kUnits]()};
  std::unique_ptr<uint32_t[]> entries{new uint32_t[kUnits]()};
};

// Encodes one character with best fit; 0 when the code page lacks it.
int encode_one(int code_page, const char16_t* units, int count, char (&out)[4]) {
  UConverter* converter = stopping_converter_for(code_page);
  if (converter == nullptr) {
    return 0;
  }
  UErrorCode status = U_ZERO_ERROR;
  const int32_t n = ucnv_fromUChars(converter, out, sizeof out, units, count, &status);
  return (U_FAILURE(status) || n > 2 || n < 1) ? 0 : n;
}

Table build_table(int code_page) {
  Table table;
  for (int unit = 1; unit < kUnits; ++unit) {
    if (U16_IS_SURROGATE(static_cast<std::uint32_t>(unit))) {
      continue;
    }
    const char16_t character = static_cast<char16_t>(unit);
    char bytes[4];
    const int n = encode_one(code_page, &character, 1, bytes);
    if (n == 0) {
      continue;
    }
    const auto first = static_cast<uint32_t>(static_cast<unsigned char>(bytes[0]));
    const auto last = static_cast<uint32_t>(static_cast<unsigned char>(bytes[n - 1]));
    const auto index = static_cast<std::size_t>(unit);
    table.lengths[index] = static_cast<uint8_t>(n);
    table.entries[index] = (static_cast<uint32_t>(n) << 16) | (first << 8) | last;
  }
  return table;
}

const Table& table_for(int code_page) {
  if (code_page == CP_ACP) {
    code_page = SYSTEM_ANSI_CODE_PAGE;
  }
  // Filled on first use; read-only afterwards.
  static const Table gbk = build_table(CP_GBK);
  if (code_page == CP_GBK) {
    return gbk;
  }
  static const Table big5 = build_table(CP_BIG5);
  return big5;
}

// Writes (or, measuring, counts) bytes; false once the output is full.
template <bool kMeasure>
class Output {
 public:
  Output(char* out, int capacity) : out_(out), capacity_(capacity) {}

  bool put(const char* bytes, int n) {
    if constexpr (!kMeasure) {
      for (int b = 0; b < n; ++b) {
        if (written_ >= capacity_) {
          return false;
        }
        out_[written_++] = bytes[b];
      }
    } else {
      written_ += n;
    }
    return true;
  }

  // The run of units from `i` that the table holds, up to `stop`; returns where the run
  // ended. Converting, the run also ends where fewer than four bytes of room are left.
  int put_table_run(const Table& table, const char16_t* in, int i, int stop) {
    if constexpr (kMeasure) {
      int64_t written = written_;
      for (; i < stop; ++i) {
        const int n = table.lengths[in[i]];
        if (n == 0) {
          break;
        }
        written += n;
      }
      written_ = written;
    } else {
      int64_t written = written_;
      for (; i < stop && written + 4 <= capacity_; ++i) {
        const uint32_t entry = table.entries[in[i]];
        if (entry == 0) {
          break;
        }
        // For a one-byte character the second byte is a copy that the next character
        // overwrites: the run stops before the last unit of the source, and keeps room
        // for the next character, as none takes more than two bytes here.
        const char pair[2] = {static_cast<char>(entry >> 8), static_cast<char>(entry)};
        std::memcpy(out_ + written, pair, sizeof pair);
        written += static_cast<int>(entry >> 16);
      }
      written_ = written;
    }
    return i;
  }

  int64_t written() const { return written_; }

 private:
  char* out_;
  int64_t capacity_;
  int64_t written_ = 0;
};

// kToTerminator: the source ends with its first zero unit (a length of -1), found on the
// way; otherwise after `length` units. A text longer than an int can count fails.
template <bool kMeasure, bool kToTerminator>
int encode(int code_page, const char16_t* in, int length, char* out, int capacity,
           DefaultCharacter& fallback) {
  const Table& table = table_for(code_page);
  Output<kMeasure> output(out, capacity);
  auto put_default = [&] {
    fallback.used = true;
    return output.put(fallback.bytes, fallback.length);
  };
  auto result = [&] {
    return output.written() > INT32_MAX ? 0 : static_cast<int>(output.written());
  };
  const int end = kToTerminator ? INT_MAX : length;
  // The last unit of a counted source is written by the careful step below.
  const int run_stop = (kMeasure || kToTerminator) ? end : end - 1;
  int i = 0;
  while (i < end) {
    i = output.put_table_run(table, in, i, run_stop);
    if (i >= end) {
      break;
    }
    // One character with the care the run leaves out: the zero unit, one the table
    // lacks, one beyond the BMP, one near the end of the output or of the source.
    const char16_t unit = in[i];
    const uint32_t entry = table.entries[unit];
    bool fits;
    if (unit == 0) {
      fits = output.put("", 1);
      ++i;
      if (kToTerminator) {
        return fits ? result() : 0;
      }
    } else if (entry != 0) {
      const char bytes[2] = {static_cast<char>(entry >> 8), static_cast<char>(entry)};
      const int n = static_cast<int>(entry >> 16);
      fits = output.put(bytes + 2 - n, n);
      ++i;
    } else if (U16_IS_LEAD(unit) && i + 1 < end && U16_IS_TRAIL(in[i + 1])) {
      // A surrogate pair is one character beyond the BMP. Reading its second unit stays
      // within a terminated text, since the first one is not its terminator.
      char bytes[4];
      const int n = encode_one(code_page, in + i, 2, bytes);
      fits = n > 0 ? output.put(bytes, n) : put_default();
      i += 2;
    } else {
      // A character the code page lacks, or a lone surrogate.
      fits = put_default();
      ++i;
    }
    if (!fits) {
      return 0;
    }
  }
  if (kToTerminator) {
    return 0;  // no terminator within INT_MAX units
  }
  return result();
}

}  // namespace

bool has_dbcs_table(int code_page) {
  return code_page == CP_ACP || code_page == CP_GBK || code_page == CP_BIG5;
}

int encode_dbcs(int code_page, const char16_t* source, int length, char* output, int capacity,
                DefaultCharacter& fallback) {
  if (length == -1) {
    return capacity == 0
               ? encode<true, true>(code_page, source, length, output, 0, fallback)
               : encode<false, true>(code_page, source, length, output, capacity, fallback);
  }
  return capacity == 0
             ? encode<true, false>(code_page, source, length, output, 0, fallback)
             : encode<false, false>(code_page, source, length, output, capacity, fallback);
}

}  // namespace sonivo::codepage
