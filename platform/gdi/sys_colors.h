// The 25 classic system colours (indices 0 to 24), as colour values red + 256 green + 65536 blue.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr int kSysColorCount = 25;

// The colour of system colour `index`; 0 (black) for an index outside 0 to 24.
int32_t GetSysColor(int index);

// A colour value as red + 256 green + 65536 blue: values with the high bit set name system
// colours by their low byte; others keep their low three bytes.
int32_t TranslateColor(int32_t color);

}  // namespace platform
