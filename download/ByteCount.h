#pragma once
// Byte positions inside a run are counted in 64 bits, so contents of 2 GiB and more are
// addressed correctly. They are computed in double precision (exact up to 2^53) and
// stored by truncation toward zero, like the object's 32-bit numbers (text/Numbers.h);
// an infinite or undefined result gives 0. Values handed to the owner's callbacks stay
// 32-bit: to_int32 clamps them to the int32 range.

#include <cmath>
#include <cstdint>

namespace sonivo {

// The largest count a double carries exactly.
inline constexpr int64_t MAX_BYTE_COUNT = int64_t{1} << 53;

inline int64_t to_byte_count(double value) {
  if (!std::isfinite(value)) {
    return 0;
  }
  const double cut = std::trunc(value);
  if (cut >= static_cast<double>(MAX_BYTE_COUNT)) {
    return MAX_BYTE_COUNT;
  }
  if (cut <= -static_cast<double>(MAX_BYTE_COUNT)) {
    return -MAX_BYTE_COUNT;
  }
  return static_cast<int64_t>(cut);
}

}  // namespace sonivo
