#include "text/TextOps.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string>

#include "text/AsciiCase.h"
#include "text/Numbers.h"

namespace sonivo {
namespace {

bool is_lead_byte(unsigned char byte) {
  return byte >= 0x80;
}

// Ignoring case compares the lower-case forms, the same that `to_lower` gives.
unsigned char fold_ascii(unsigned char byte) {
  return static_cast<unsigned char>(ascii_lower(static_cast<char>(byte)));
}

// Length of the character that begins at `index`: two for a lead byte with a byte after it.
std::size_t char_length(const std::string& bytes, std::size_t index) {
  return (is_lead_byte(static_cast<unsigned char>(bytes[index])) && index + 1 < bytes.size()) ? 2
                                                                                              : 1;
}

// Compares the pattern at `index`. Letters fold only where they stand alone in the
// pattern; the trail byte of a two-byte character is always compared exactly.
bool matches_at(const std::string& text, std::size_t index, const std::string& pattern, Case mode) {
  if (index + pattern.size() > text.size()) {
    return false;
  }
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const auto a = static_cast<unsigned char>(text[index + i]);
    const auto b = static_cast<unsigned char>(pattern[i]);
    if (mode == Case::IgnoreAscii && !is_lead_byte(b)) {
      if (fold_ascii(a) != fold_ascii(b)) {
        return false;
      }
      continue;
    }
    if (a != b) {
      return false;
    }
    if (is_lead_byte(b) && i + 1 < pattern.size()) {
      ++i;
      if (text[index + i] != pattern[i]) {
        return false;
      }
    }
  }
  return true;
}

template <typename Transform>
Text map_ascii(const Text& text, Transform transform) {
  std::string out = text.str();
  for (std::size_t i = 0; i < out.size(); i += char_length(out, i)) {
    out[i] = transform(out[i]);
  }
  return Text(out);
}

const std::string kFullWidthSpace = "\xA1\xA1";

// For an unsigned decimal number out of the double range: whether it is out of range
// because it is too large rather than too small, from the place of its first nonzero
// digit and its exponent.
bool magnitude_overflows(const std::string& number) {
  const std::size_t e = number.find_first_of("eE");
  const std::string mantissa = number.substr(0, e);
  long long exponent = 0;
  if (e != std::string::npos) {
    const char* from = number.data() + e + 1;
    if (*from == '+') {
      ++from;
    }
    if (std::from_chars(from, number.data() + number.size(), exponent).ec != std::errc()) {
      exponent = from[0] == '-' ? LLONG_MIN / 2 : LLONG_MAX / 2;
    }
  }
  const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
  const std::size_t first = mantissa.find_first_of("123456789");
  if (first == std::string::npos) {
    return false;
  }
  // Decimal exponent of the first nonzero digit.
  const long long place = first < point ? static_cast<long long>(point - first) - 1
                                        : -static_cast<long long>(first - point);
  return exponent > 0 ? place > -exponent : place + exponent > 0;
}

}  // namespace

int find(const Text& text, const Text& pattern, int start, Case mode) {
  const std::string& bytes = text.str();
  if (bytes.empty()) {
    return -1;
  }
  const std::size_t from = start <= 1 ? 0 : static_cast<std::size_t>(start - 1);
  if (from >= bytes.size()) {
    return -1;
  }
  const std::string& wanted = pattern.str();
  if (wanted.empty()) {
    return static_cast<int>(from + 1);
  }
  // Most positions fail on their first byte; the whole comparison runs only where it fits.
  const auto first = static_cast<unsigned char>(wanted[0]);
  const bool fold = mode == Case::IgnoreAscii && !is_lead_byte(first);
  const unsigned char first_folded = fold ? fold_ascii(first) : first;
  const std::size_t size = bytes.size();
  for (std::size_t i = from; i < size;) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    const unsigned char candidate = fold ? fold_ascii(byte) : byte;
    if (candidate == first_folded && matches_at(bytes, i, wanted, mode)) {
      return static_cast<int>(i + 1);
    }
    i += (is_lead_byte(byte) && i + 1 < size) ? 2u : 1u;
  }
  return -1;
}

int find_last(const Text& text, const Text& pattern, Case mode) {
  const std::string& bytes = text.str();
  int last = -1;
  for (std::size_t i = 0; i < bytes.size(); i += char_length(bytes, i)) {
    if (matches_at(bytes, i, pattern.str(), mode)) {
      last = static_cast<int>(i + 1);
    }
  }
  return last;
}

Text left(const Text& text, int count) {
  if (count <= 0) {
    return Text();
  }
  return Text(std::string_view(text.str()).substr(0, static_cast<std::size_t>(count)));
}

Text right(const Text& text, int count) {
  if (count <= 0) {
    return Text();
  }
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(count));
  return Text(std::string_view(text.str()).substr(text.size() - n));
}

Text mid(const Text& text, int start, int count) {
  if (start < 1 || count <= 0 || static_cast<std::size_t>(start) > text.size()) {
    return Text();
  }
  return Text(std::string_view(text.str())
                  .substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count)));
}

Text mid(const Text& text, int start) {
  return mid(text, start, text.length() - start + 1);
}

Text trim(const Text& text) {
  const std::string& bytes = text.str();
  // Walk whole characters so that a trail byte A1 never counts as half a space.
  std::size_t first = bytes.size();
  std::size_t end = 0;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = char_length(bytes, i);
    const bool space =
        (n == 1 && bytes[i] == ' ') || (n == 2 && bytes.compare(i, 2, kFullWidthSpace) == 0);
    if (!space) {
      first = std::min(first, i);
      end = i + n;
    }
    i += n;
  }
  if (first >= end) {
    return Text();
  }
  return Text(std::string_view(bytes).substr(first, end - first));
}

Text to_upper(const Text& text) {
  return map_ascii(text, [](char c) { return ascii_upper(c); });
}

Text to_lower(const Text& text) {
  return map_ascii(text, [](char c) { return ascii_lower(c); });
}

Text replace_all(const Text& text, const Text& pattern, const Text& replacement) {
  if (pattern.empty()) {
    return text;
  }
  const std::string& bytes = text.str();
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    if (matches_at(bytes, i, pattern.str(), Case::Exact)) {
      out += replacement.str();
      i += pattern.size();
      continue;
    }
    const std::size_t n = char_length(bytes, i);
    out.append(bytes, i, n);
    i += n;
  }
  return Text(out);
}

Text delete_all(const Text& text, const Text& pattern) {
  return replace_all(text, pattern, Text());
}

bool starts_with(const Text& text, const Text& prefix, Case mode) {
  return matches_at(text.str(), 0, prefix.str(), mode);
}

double read_number(const Text& text) {
  // Full-width forms first: A3 A1..A3 FE are ASCII 21..7E, A1 A1 is a space.
  const std::string& in = text.str();
  std::string ascii;
  ascii.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (i + 1 < in.size()) {
      const auto t = static_cast<unsigned char>(in[i + 1]);
      if (b == 0xA3 && t >= 0xA1 && t <= 0xFE) {
        ascii += static_cast<char>(t - 0x80);
        ++i;
        continue;
      }
      if (b == 0xA1 && t == 0xA1) {
        ascii += ' ';
        ++i;
        continue;
      }
    }
    if (is_lead_byte(b)) {
      break;  // nothing after a character of another kind can continue a number
    }
    ascii += static_cast<char>(b);
  }

  std::size_t pos = 0;
  auto is_space = [](char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
  };
  auto is_digit = [](char c) { return c >= '0' && c <= '9'; };
  while (pos < ascii.size() && is_space(ascii[pos])) {
    ++pos;
  }
  const std::size_t begin = pos;
  std::size_t p = pos;
  if (p < ascii.size() && (ascii[p] == '+' || ascii[p] == '-')) {
    ++p;
  }
  std::size_t digits = 0;
  while (p < ascii.size() && is_digit(ascii[p])) {
    ++p;
    ++digits;
  }
  if (p < ascii.size() && ascii[p] == '.') {
    std::size_t q = p + 1;
    std::size_t fraction = 0;
    while (q < ascii.size() && is_digit(ascii[q])) {
      ++q;
      ++fraction;
    }
    if (digits + fraction > 0) {
      p = q;
      digits += fraction;
    }
  }
  if (digits == 0) {
    return 0.0;
  }
  std::size_t end = p;
  if (p < ascii.size() && (ascii[p] == 'e' || ascii[p] == 'E')) {
    std::size_t q = p + 1;
    if (q < ascii.size() && (ascii[q] == '+' || ascii[q] == '-')) {
      ++q;
    }
    if (q < ascii.size() && is_digit(ascii[q])) {
      while (q < ascii.size() && is_digit(ascii[q])) {
        ++q;
      }
      end = q;
    }
  }
  std::string number = ascii.substr(begin, end - begin);
  if (!number.empty() && number[0] == '+') {
    number.erase(0, 1);  // from_chars takes no plus sign
  }
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone both ways: too large a magnitude is infinite,
    // too small a one ("1e-400") is zero.
    const bool negative = number[0] == '-';
    if (!magnitude_overflows(negative ? number.substr(1) : number)) {
      return negative ? -0.0 : 0.0;
    }
    return negative ? -HUGE_VAL : HUGE_VAL;
  }
  return result.ec == std::errc() ? value : 0.0;
}

int32_t read_integer(const Text& text) {
  return to_int32(read_number(text));
}

Text decimal(int64_t value) {
  return Text(std::to_string(value));
}

}  // namespace sonivo
