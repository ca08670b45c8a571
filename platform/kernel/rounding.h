// Rounding a Double to an integer as the classic run time does: to the nearest, halves to even
// (the processor's default mode).
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "platform/kernel/err.h"

namespace platform {

// Out of range is the run time's overflow (6).
inline int32_t RoundToInt32(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= std::numeric_limits<int32_t>::min() && r <= std::numeric_limits<int32_t>::max()))
    throw RuntimeError(kErrOverflow);
  return static_cast<int32_t>(r);
}

inline int16_t RoundToInt16(double value) {
  const double r = std::nearbyint(value);
  if (!(r >= std::numeric_limits<int16_t>::min() && r <= std::numeric_limits<int16_t>::max()))
    throw RuntimeError(kErrOverflow);
  return static_cast<int16_t>(r);
}

// The same, saturating at the ends of the 32-bit range instead (NaN gives the lowest value).
inline int32_t RoundHalfEven(double value) {
  const double r = std::nearbyint(value);
  if (!(r > -2147483648.0)) return std::numeric_limits<int32_t>::min();
  if (r > 2147483647.0) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(r);
}

}  // namespace platform
