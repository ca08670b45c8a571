// Test support: pictures made from a palette and indices, and the held-picture counterpart.
#pragma once

#include <cstdint>
#include <vector>

#include "giflib/object/pellory_types.h"
#include "platform/picture/picture.h"

namespace pellory::testing {

platform::Picture MakeIndexedPicture(int width, int height,
                                     const std::vector<Vesk_GIFRGBTRIPLE>& palette,
                                     const std::vector<uint8_t>& indices, int transparent = -1);

// A 32-bit picture; pixels as 0xRRGGBB, top row first.
platform::Picture MakeRgbPicture(int width, int height, const std::vector<uint32_t>& rgb);

// Palette and indices of an indexed picture, top row first.
std::vector<uint8_t> IndicesOf(const platform::Picture& picture);
std::vector<Vesk_GIFRGBTRIPLE> PaletteOf(const platform::Picture& picture);

// A palette of n distinct colours.
std::vector<Vesk_GIFRGBTRIPLE> DistinctPalette(int n);

}  // namespace pellory::testing
