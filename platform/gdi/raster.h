// The pixel loops of BitBlt: one raster operation over a rectangle of 32-bit pixels, with the
// colour <-> monochrome conversion of the source folded into the same loop.
#pragma once

#include <cstdint>

namespace platform {

// Raster operations that BitBlt carries out: the result from source S and destination D.
inline constexpr uint32_t kRopSrcCopy = 0x00CC0020;    // S
inline constexpr uint32_t kRopSrcPaint = 0x00EE0086;   // S | D
inline constexpr uint32_t kRopSrcAnd = 0x008800C6;     // S & D
inline constexpr uint32_t kRopAndNotSrc = 0x00220326;  // D & ~S

// Whether BitBlt knows `rop`.
bool IsSupportedRop(uint32_t rop);

// A rectangle of pixels, each 0xFFRRGGBB. A monochrome surface holds only 0xFF000000 (bit 0) and
// 0xFFFFFFFF (bit 1), so that the same word operations serve both kinds.
struct RasterView {
  uint32_t* bits = nullptr;
  int stride = 0;  // in pixels
  bool mono = false;
  uint32_t backColor = 0xFFFFFF;  // colour value: red in the lowest byte
  uint32_t textColor = 0;
};

// Combines w x h source pixels into the destination with `rop`, both views already positioned at
// the rectangle's top-left corner and clipped. A colour source going to a monochrome destination
// gives 1 where it equals the source's background colour, 0 elsewhere; a monochrome source going
// to a colour destination gives the destination's background colour for 1 and its text colour for
// 0. The source rectangle must not overlap the destination's. False for an unknown rop.
bool RasterBlit(const RasterView& dst, const RasterView& src, int w, int h, uint32_t rop);

// Colour value (red lowest) <-> 0xFFRRGGBB pixel.
inline uint32_t ColorToPixel(uint32_t color) {
  return 0xFF000000u | ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
inline uint32_t PixelToColor(uint32_t pixel) {
  return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

}  // namespace platform
