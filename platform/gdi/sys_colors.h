// The 25 classic system colours (indices 0 to 24), as colour values red + 256 green + 65536 blue.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr int kSysColorCount = 25;

// The colour of system colour `index`; 0 (black) for an index outside 0 to 24.
int32_t GetSysColor(int index);

}  // namespace platform
