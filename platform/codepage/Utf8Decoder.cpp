#include "platform/codepage/Utf8Decoder.h"

#include <array>
#include <cstdint>
#include <cstring>

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
  if (byte >= 0xC2 && byte <= 0xDF)
    return {1, 0x80, 0xBF};
  if (byte == 0xE0)
    return {2, 0xA0, 0xBF};
  if (byte == 0xED)
    return {2, 0x80, 0x9F};
  if (byte >= 0xE1 && byte <= 0xEF)
    return {2, 0x80, 0xBF};
  if (byte == 0xF0)
    return {3, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3)
    return {3, 0x80, 0xBF};
  if (byte == 0xF4)
    return {3, 0x80, 0x8F};
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

  int64_t written() const { return written_; }

 private:
  char16_t* out_;
  int64_t capacity_;
  int64_t written_ = 0;
};

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

template <bool kMeasure>
int decode(const unsigned char* in, int length, char16_t* out, int capacity) {
  Units<kMeasure> units(out, capacity);
  int i = 0;
  while (i < length) {
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
    } else if (!decode_sequence(in, length, i, units)) {
      return 0;
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
