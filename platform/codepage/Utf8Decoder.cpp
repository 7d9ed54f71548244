#include "platform/codepage/Utf8Decoder.h"

#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sonivo::codepage {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

struct Lead {
  int trails = 0;         // continuation bytes that follow; 0: cannot begin a sequence
  unsigned char low = 0;  // range of the first of them, which the lead narrows
  unsigned char high = 0;
};

// Well-formed sequences as the Unicode standard tables them.
constexpr Lead lead_of(unsigned byte) {
  if (byte >= 0xC2 && byte <= 0xDF) {
    return {1, 0x80, 0xBF};
  }
  if (byte == 0xE0) {
    return {2, 0xA0, 0xBF};
  }
  if (byte == 0xED) {
    return {2, 0x80, 0x9F};
  }
  if (byte >= 0xE1 && byte <= 0xEF) {
    return {2, 0x80, 0xBF};
  }
  if (byte == 0xF0) {
    return {3, 0x90, 0xBF};
  }
  if (byte >= 0xF1 && byte <= 0xF3) {
    return {3, 0x80, 0xBF};
  }
  if (byte == 0xF4) {
    return {3, 0x80, 0x8F};
  }
  return {};
}

constexpr std::array<Lead, 256> kLeads = [] {
  std::array<Lead, 256> leads{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    leads[byte] = lead_of(byte);
  }
  return leads;
}();

bool all_ascii(const unsigned char* bytes) {
  uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return (word & 0x8080808080808080u) == 0;
}

// Writes (or, measuring, counts) units; false once the output is full.
template <bool kMeasure>
class Units {
 public:
  Units(char16_t* out, int capacity) : out_(out), capacity_(capacity) {}

  bool put(char16_t unit) {
    if constexpr (!kMeasure) {
      if (written_ >= capacity_) {
        return false;
      }
      out_[written_] = unit;
    }
    ++written_;
    return true;
  }

  // Eight ASCII bytes as eight units, all of them or none.
  bool put_ascii8(const unsigned char* bytes) {
    if constexpr (!kMeasure) {
      if (written_ + 8 > capacity_) {
        return false;
      }
      char16_t* to = out_ + written_;
      for (int k = 0; k < 8; ++k) {
        to[k] = bytes[k];
      }
    }
    written_ += 8;
    return true;
  }

  // Measuring only: units counted elsewhere.
  void add(int64_t count) { written_ += count; }

  int64_t written() const { return written_; }

 private:
  char16_t* out_;
  int64_t capacity_;
  int64_t written_ = 0;
};

// A well-formed three-byte sequence whose lead needs no narrower range for its second
// byte: E1 to EC, EE, EF.
bool plain_three_byte(const unsigned char* bytes) {
  return bytes[0] >= 0xE1 && bytes[0] != 0xED && bytes[0] <= 0xEF && (bytes[1] & 0xC0) == 0x80 &&
         (bytes[2] & 0xC0) == 0x80;
}

// Decodes the sequence at `i` that is not plain ASCII and moves `i` past it. An
// ill-formed sequence gives one U+FFFD for the lead and the continuation bytes that were
// right so far; decoding goes on at the first byte that was not.
template <bool kMeasure>
bool decode_sequence(const unsigned char* in, int length, int& i, Units<kMeasure>& units) {
  const unsigned char byte = in[i];
  // The common case of a Chinese page first: a well-formed three-byte sequence.
  if (byte >= 0xE1 && byte != 0xED && byte <= 0xEF && i + 2 < length &&
      (in[i + 1] & 0xC0) == 0x80 && (in[i + 2] & 0xC0) == 0x80) {
    const uint32_t code_point =
        ((byte & 0x0Fu) << 12) | ((in[i + 1] & 0x3Fu) << 6) | (in[i + 2] & 0x3Fu);
    i += 3;
    return units.put(static_cast<char16_t>(code_point));
  }

  const Lead& lead = kLeads[byte];
  if (lead.trails == 0) {
    ++i;
    return units.put(kReplacement);
  }
  uint32_t code_point = byte & (0x3Fu >> lead.trails);
  int next = i + 1;
  for (int t = 0; t < lead.trails; ++t, ++next) {
    const unsigned char low = t == 0 ? lead.low : 0x80;
    const unsigned char high = t == 0 ? lead.high : 0xBF;
    if (next >= length || in[next] < low || in[next] > high) {
      i = next;
      return units.put(kReplacement);
    }
    code_point = (code_point << 6) | (in[next] & 0x3Fu);
  }
  i = next;
  if (code_point < 0x10000) {
    return units.put(static_cast<char16_t>(code_point));
  }
  code_point -= 0x10000;
  return units.put(static_cast<char16_t>(0xD800 + (code_point >> 10))) &&
         units.put(static_cast<char16_t>(0xDC00 + (code_point & 0x3FF)));
}

#if defined(__SSE2__)
// The bytes set in a comparison's result, summed as bytes (a popcount instruction is not
// part of the baseline instruction set).
int continuation_count(__m128i mask) {
  const __m128i sums = _mm_sad_epu8(_mm_and_si128(mask, _mm_set1_epi8(1)), _mm_setzero_si128());
  return _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
}
#endif

// Measuring only: counts sixteen bytes a turn while they hold nothing but ASCII and
// well-formed two- and three-byte sequences whose lead needs no narrower range for its
// second byte (C2 to DF, E1 to EC, EE, EF). There every sequence is one unit and begins
// with the one byte of it that is not a continuation byte, so the units are counted
// without decoding them. Returns the last sequence boundary reached, with `units` grown
// by the units before it; `resume` is where the caller's own loop may hand back (the end
// of the block that was not taken, or the end of the text).
template <bool kMeasure>
int count_plain_blocks(const unsigned char* in, int i, int length, Units<kMeasure>& units,
                       int& resume) {
  resume = length;
#if defined(__SSE2__)
  int boundary = i;
  int64_t counted = 0;
  int64_t at_boundary = 0;
  // One bit per byte: continuation bytes that a sequence begun in the previous block
  // needs at the start of this one.
  unsigned needed = 0;
  for (; i + 16 <= length; i += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    const auto high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
    if (high == 0 && needed == 0) {
      counted += 16;
      boundary = i + 16;
      at_boundary = counted;
      continue;
    }
    // Signed bytes: continuation bytes are -128 to -65, leads -64 to -1.
    const __m128i is_continuation = _mm_cmplt_epi8(bytes, _mm_set1_epi8(-64));
    const auto continuation = static_cast<unsigned>(_mm_movemask_epi8(is_continuation));
    const unsigned lead = high & ~continuation;
    const unsigned lead3 =
        high & static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-33))));
    const unsigned lead4 =
        high & static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(-17))));
    const __m128i c0_c1 = _mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(1)),
                                         _mm_set1_epi8(static_cast<char>(0xC1)));
    const __m128i e0_ed =
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(0xE0))),
                     _mm_cmpeq_epi8(bytes, _mm_set1_epi8(static_cast<char>(0xED))));
    const auto narrow = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(c0_c1, e0_ed)));
    const unsigned required = needed | (lead << 1) | (lead3 << 2);
    if ((lead4 | narrow) != 0 || (required & 0xFFFF) != continuation) {
      resume = i + 16;
      break;
    }
    needed = required >> 16;
    counted += 16 - continuation_count(is_continuation);
    if (needed == 0) {
      boundary = i + 16;
      at_boundary = counted;
    }
  }
  units.add(at_boundary);
  return boundary;
#else
  (void)in;
  (void)length;
  (void)units;
  return i;
#endif
}

template <bool kMeasure>
int decode(const unsigned char* in, int length, char16_t* out, int capacity) {
  Units<kMeasure> units(out, capacity);
  int i = 0;
  while (i < length) {
    int resume = length;
    if constexpr (kMeasure) {
      i = count_plain_blocks(in, i, length, units, resume);
    }
    while (i < length && i < resume) {
      if (in[i] < 0x80) {
        // Markup and addresses come in runs of ASCII: eight bytes a turn while they last.
        while (i + 8 <= length && all_ascii(in + i) && units.put_ascii8(in + i)) {
          i += 8;
        }
        while (i < length && in[i] < 0x80) {
          if (!units.put(in[i])) {
            return 0;
          }
          ++i;
        }
      } else {
        // Chinese text comes in runs of three-byte sequences.
        const int run_start = i;
        while (i + 2 < length && plain_three_byte(in + i)) {
          if (!units.put(static_cast<char16_t>(((in[i] & 0x0Fu) << 12) |
                                               ((in[i + 1] & 0x3Fu) << 6) | (in[i + 2] & 0x3Fu)))) {
            return 0;
          }
          i += 3;
        }
        if (i == run_start && !decode_sequence(in, length, i, units)) {
          return 0;
        }
      }
    }
  }
  return units.written() > INT32_MAX ? 0 : static_cast<int>(units.written());
}

}  // namespace

int decode_utf8(const char* source, int length, char16_t* output, int capacity) {
  const auto* in = reinterpret_cast<const unsigned char*>(source);
  return capacity == 0 ? decode<true>(in, length, output, 0)
                       : decode<false>(in, length, output, capacity);
}

}  // namespace sonivo::codepage
