#pragma once
// Numbers computed in double precision and stored as 32-bit integers: truncation toward
// zero, and a result that is infinite or undefined (a division by zero) becomes 0.
// Values beyond the int32 range are clamped to it rather than left undefined.

#include <cstdint>

namespace sonivo {

int32_t to_int32(double value);

// a / b in double precision, 0 when the quotient is infinite or undefined.
double divide(double numerator, double denominator);

}  // namespace sonivo
