#include "platform/gdi/index_bits.h"

#include <cstring>

namespace platform {

uint8_t IndexBits(const uint8_t* indices, size_t count) {
  uint64_t words = 0;
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t word;
    std::memcpy(&word, indices + i, 8);
    words |= word;
  }
  uint8_t bits = 0;
  for (int b = 0; b < 8; ++b) bits |= static_cast<uint8_t>(words >> (8 * b));
  for (; i < count; ++i) bits |= indices[i];
  return bits;
}

}  // namespace platform
