#include "giflib/engine/conversions.h"

#include <cmath>
#include <limits>

#include "platform/gdi/sys_colors.h"
#include "platform/kernel/err.h"

namespace pellory::engine {

namespace {
// The channels of a colour value, dividing with truncation toward zero.
std::array<uint8_t, 3> Split(int32_t color) {
  return {static_cast<uint8_t>(color & 0xFF), static_cast<uint8_t>((color / 256) & 0xFF),
          static_cast<uint8_t>((color / 65536) & 0xFF)};
}
}  // namespace

int32_t NormalizeColor(int32_t color) {
  const uint32_t u = static_cast<uint32_t>(color);
  if (u >= 0x80000000u && u <= 0x80000018u)
    return platform::GetSysColor(static_cast<int>(u & 0xFF));
  auto c = Split(color);
  return c[0] + 256 * c[1] + 65536 * c[2];
}

std::array<uint8_t, 3> ColorToBytes(int32_t color) {
  return Split(color);
}

bool WordToBytes(int16_t value, std::array<uint8_t, 2>& bytes) {
  if (value < 0) return false;
  int high = value / 256;
  bytes = {static_cast<uint8_t>(value - 256 * high), static_cast<uint8_t>(high)};
  return true;
}

std::string ByteToHex(uint8_t b) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[b >> 4], kDigits[b & 0xF]};
}

uint8_t GetGrayLevel(const Vesk_GIFRGBTRIPLE& rgb) {
  double g = 0.299 * rgb.gRed + 0.587 * rgb.gGreen + 0.114 * rgb.gBlue;
  return static_cast<uint8_t>(std::nearbyint(g));
}

}  // namespace pellory::engine
