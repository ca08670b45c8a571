// Small conversions shared by the whole library.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "giflib/object/pellory_types.h"
#include "platform/kernel/rounding.h"

namespace pellory::engine {

// Nearest integer, halves to the even neighbour. Throws platform::RuntimeError (6, overflow)
// when the value does not fit.
using platform::RoundToInt16;
using platform::RoundToInt32;

// System colours 0x80000000..0x80000018 become the platform colour; other values keep their
// low three bytes (with the truncating division of the classic run time for negative values).
int32_t NormalizeColor(int32_t color);
// {red, green, blue}.
std::array<uint8_t, 3> ColorToBytes(int32_t color);
// {low, high}; false for a negative value.
bool WordToBytes(int16_t value, std::array<uint8_t, 2>& bytes);
std::string ByteToHex(uint8_t b);
uint8_t GetGrayLevel(const Vesk_GIFRGBTRIPLE& rgb);

// Colour value of a palette entry: red + 256 green + 65536 blue.
inline int32_t EntryToColor(const Vesk_GIFRGBTRIPLE& e) {
  return e.gRed | (e.gGreen << 8) | (e.gBlue << 16);
}

}  // namespace pellory::engine
