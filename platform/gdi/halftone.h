// The fixed 256-entry halftone palette and an exact nearest-entry match against it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace platform {

struct PaletteEntry {
  uint8_t red = 0;
  uint8_t green = 0;
  uint8_t blue = 0;
  uint8_t flags = 0;
};

// The halftone palette; the same 256 entries on every call.
const std::array<PaletteEntry, 256>& HalftonePalette();

// Index of the halftone entry nearest to (r, g, b): Euclidean distance in RGB, lowest index on
// ties. Thread-safe.
uint8_t NearestHalftoneIndex(uint8_t r, uint8_t g, uint8_t b);

// NearestHalftoneIndex of each of `count` pixels given as blue, green, red bytes, into out[0]
// to out[count - 1]: the same answers, without a call per pixel. Thread-safe.
void NearestHalftoneIndices(const uint8_t* bgr, size_t count, uint8_t* out);

}  // namespace platform
