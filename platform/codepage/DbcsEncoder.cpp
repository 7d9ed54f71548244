#include "platform/codepage/DbcsEncoder.h"

#include <unicode/utf16.h>

#include <cstdint>
#include <memory>

#include "platform/codepage/CodePage.h"

namespace sonivo::codepage {
namespace {

// One entry per BMP unit: the byte count in bits 16 and up (0: the code page lacks the
// character), the bytes below, first byte high.
using Table = std::unique_ptr<uint32_t[]>;

constexpr int kUnits = 0x10000;

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
  Table table(new uint32_t[kUnits]());
  for (int unit = 0; unit < kUnits; ++unit) {
    if (U16_IS_SURROGATE(unit)) {
      continue;
    }
    const char16_t character = static_cast<char16_t>(unit);
    char bytes[4];
    const int n = encode_one(code_page, &character, 1, bytes);
    uint32_t entry = static_cast<uint32_t>(n) << 16;
    for (int b = 0; b < n; ++b) {
      entry |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[b])) << (8 * (n - 1 - b));
    }
    table[static_cast<std::size_t>(unit)] = entry;
  }
  return table;
}

const uint32_t* table_for(int code_page) {
  if (code_page == CP_ACP) {
    code_page = SYSTEM_ANSI_CODE_PAGE;
  }
  // Filled on first use; read-only afterwards.
  static const Table gbk = build_table(CP_GBK);
  if (code_page == CP_GBK) {
    return gbk.get();
  }
  static const Table big5 = build_table(CP_BIG5);
  return big5.get();
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

  // One table entry, with a single room check for its bytes.
  bool put_entry(uint32_t entry) {
    const int n = static_cast<int>(entry >> 16);
    if constexpr (!kMeasure) {
      if (written_ + n > capacity_) {
        return false;
      }
      if (n == 2) {
        out_[written_] = static_cast<char>((entry >> 8) & 0xFF);
      }
      out_[written_ + n - 1] = static_cast<char>(entry & 0xFF);
    }
    written_ += n;
    return true;
  }

  int64_t written() const { return written_; }

 private:
  char* out_;
  int64_t capacity_;
  int64_t written_ = 0;
};

template <bool kMeasure>
int encode(int code_page, const uint32_t* table, const char16_t* in, int length, char* out,
           int capacity, DefaultCharacter& fallback) {
  Output<kMeasure> output(out, capacity);
  auto put_default = [&] {
    fallback.used = true;
    return output.put(fallback.bytes, fallback.length);
  };
  for (int i = 0; i < length;) {
    const char16_t unit = in[i];
    const uint32_t entry = table[unit];
    bool fits;
    if (entry != 0) {
      fits = output.put_entry(entry);
      ++i;
    } else if (U16_IS_LEAD(unit) && i + 1 < length && U16_IS_TRAIL(in[i + 1])) {
      // A surrogate pair is one character beyond the BMP.
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
  return output.written() > INT32_MAX ? 0 : static_cast<int>(output.written());
}

}  // namespace

bool has_dbcs_table(int code_page) {
  return code_page == CP_ACP || code_page == CP_GBK || code_page == CP_BIG5;
}

int encode_dbcs(int code_page, const char16_t* source, int length, char* output, int capacity,
                DefaultCharacter& fallback) {
  const uint32_t* table = table_for(code_page);
  return capacity == 0
             ? encode<true>(code_page, table, source, length, output, 0, fallback)
             : encode<false>(code_page, table, source, length, output, capacity, fallback);
}

}  // namespace sonivo::codepage
