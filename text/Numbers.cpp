#include "text/Numbers.h"

#include <cmath>
#include <limits>

namespace sonivo {

int32_t to_int32(double value) {
  if (!std::isfinite(value)) {
    return 0;
  }
  const double cut = std::trunc(value);
  if (cut >= static_cast<double>(std::numeric_limits<int32_t>::max())) {
    return std::numeric_limits<int32_t>::max();
  }
  if (cut <= static_cast<double>(std::numeric_limits<int32_t>::min())) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(cut);
}

double divide(double numerator, double denominator) {
  const double quotient = numerator / denominator;
  return std::isfinite(quotient) ? quotient : 0.0;
}

}  // namespace sonivo
