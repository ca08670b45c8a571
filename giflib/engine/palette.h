// Palette building and colour reduction of 24-bit pixel buffers (blue, green, red per pixel,
// top row first), and colour lookup in a palette.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "giflib/object/pellory_types.h"
#include "platform/gdi/halftone.h"

namespace pellory::engine {

// Exact palette in order of first appearance, PaletteSize the next power of two (2 to 256).
// With more than 256 colours: false; error 3028 is recorded only when HandleOver256Color is false.
bool MakePalette(Vesk_GifPictureType& picture, const std::vector<uint8_t>& bgr);

// Supplies rows [first, first + count) of a 24-bit picture to `bgr`, top row first, blue, green,
// red, 3 * width bytes a row. May be called from two threads at once.
using RowReader = std::function<void(int32_t first, int32_t count, uint8_t* bgr)>;

// MakePalette and ReduceColor on rows read a band at a time, for a picture whose size is set:
// the same palettes, indices and errors, without a buffer of all its 24-bit pixels.
bool MakePaletteByRows(Vesk_GifPictureType& picture, const RowReader& read);
bool ReduceColorByRows(Vesk_GifPictureType& picture, const RowReader& read);

// Makes `colours` (at most 256) and `indices` the picture's palette and pixels: the palette padded
// with black to the next power of two (2 to 256), unsorted.
void StorePalette(Vesk_GifPictureType& picture, std::vector<Vesk_GIFRGBTRIPLE> colours,
                  std::vector<uint8_t> indices);

bool GetHalftonePalette(std::array<platform::PaletteEntry, 256>& entries);

// Maps every pixel to the nearest halftone entry; the palette becomes the halftone palette.
bool ReduceColor(Vesk_GifPictureType& picture, const std::vector<uint8_t>& bgr);

// First entry equal to `color` (red + 256 green + 65536 blue), or -1.
int16_t SearchClrIndex(const std::vector<Vesk_GIFRGBTRIPLE>& colorTable, int32_t color);

}  // namespace pellory::engine
