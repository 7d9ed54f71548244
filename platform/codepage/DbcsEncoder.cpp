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

// Per BMP unit, two views of its encoding:
// - `lengths`: the byte count, 0 when the code page lacks the character; a measurement
//   reads only this, 64 KB that stay in the cache;
// - `entries`: the byte count in bits 16 and up, the first byte in bits 8 to 15 and the
//   last in bits 0 to 7 (the same byte twice for a one-byte character), so that a
//   conversion writes both without a branch on the count.
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
  for (int unit = 0; unit < kUnits; ++unit) {
    if (U16_IS_SURROGATE(unit)) {
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
  Output(const Table& table, char* out, int capacity)
      : table_(table), out_(out), capacity_(capacity) {}

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

  // A BMP unit through the table, all of its bytes or none; false when the code page
  // lacks it or its bytes do not fit. `final`: no unit of the source follows.
  bool put_unit(char16_t unit, bool final, bool& lacking) {
    if constexpr (kMeasure) {
      const int n = table_.lengths[unit];
      lacking = n == 0;
      written_ += n;
      return !lacking;
    } else {
      const uint32_t entry = table_.entries[unit];
      const int n = static_cast<int>(entry >> 16);
      lacking = n == 0;
      if (lacking) {
        return false;
      }
      if (!final && written_ + 4 <= capacity_) {
        // Both bytes in one store. For a one-byte character the second is a copy that
        // the next character overwrites: one follows, and it fits, as no character
        // takes more than two bytes here.
        const char pair[2] = {static_cast<char>(entry >> 8), static_cast<char>(entry)};
        std::memcpy(out_ + written_, pair, sizeof pair);
      } else {
        if (written_ + n > capacity_) {
          return false;
        }
        out_[written_] = static_cast<char>(entry >> 8);
        out_[written_ + n - 1] = static_cast<char>(entry);
      }
      written_ += n;
      return true;
    }
  }

  int64_t written() const { return written_; }

 private:
  const Table& table_;
  char* out_;
  int64_t capacity_;
  int64_t written_ = 0;
};

// kToTerminator: the source ends with its first zero unit (a length of -1), found on the
// way; otherwise after `length` units. A text longer than an int can count fails.
template <bool kMeasure, bool kToTerminator>
int encode(int code_page, const char16_t* in, int length, char* out, int capacity,
           DefaultCharacter& fallback) {
  Output<kMeasure> output(table_for(code_page), out, capacity);
  auto put_default = [&] {
    fallback.used = true;
    return output.put(fallback.bytes, fallback.length);
  };
  const int end = kToTerminator ? INT_MAX : length;
  for (int i = 0; i < end;) {
    const char16_t unit = in[i];
    const bool final = kToTerminator ? unit == 0 : i + 1 == end;
    bool lacking = false;
    if (output.put_unit(unit, final, lacking)) {
      ++i;
      if (kToTerminator && unit == 0) {
        return output.written() > INT32_MAX ? 0 : static_cast<int>(output.written());
      }
      continue;
    }
    if (!lacking) {
      return 0;  // the output is full
    }
    bool fits;
    if (U16_IS_LEAD(unit) && i + 1 < end && U16_IS_TRAIL(in[i + 1])) {
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
  return output.written() > INT32_MAX ? 0 : static_cast<int>(output.written());
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
