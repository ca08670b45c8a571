// Pixel routines of the colour and mask transforms; they work on a picture in place and return
// false after recording error 2000 (style 16) as the pending engine error on any failure.
#pragma once

#include <cstdint>

#include "giflib/object/pellory_types.h"

namespace pellory::engine {

// Adds r, g, b to every palette entry (16-bit sums, clamped to 0..255); BackColor and TransColor
// follow their entries. A sum that overflows 16 bits is a failure.
bool Actual_GetRGBPicture(Vesk_GifPictureType& picture, int16_t r, int16_t g, int16_t b);
// Every entry becomes its grey level; BackColor and TransColor follow their entries.
bool Actual_GetGrayPicutre(Vesk_GifPictureType& picture);
// Checkerboard of level-sized cells filled with TransColorIndex (level != 0).
bool Actual_GetMeshPicture(Vesk_GifPictureType& picture, int32_t level);
// Pixels equal to backIndex become 0, all others 1.
bool Actual_GetMaskPicture(Vesk_GifPictureType& picture, uint8_t backIndex);

}  // namespace pellory::engine
