// SPDX-License-Identifier: GPL-3.0-or-later
// Reduction of a picture of more than 256 colours to a palette built from its own colours
// (libimagequant), with or without error diffusion.
#pragma once

#include <cstdint>
#include <vector>

#include "giflib/object/pellory_types.h"

namespace pellory::engine {

// The colour that will be transparent keeps an exact entry of its own: pixels of exactly that
// colour map to it and no other pixel does, so reduction never punches holes where the picture
// was merely close to it. The colour is `preferred` when some pixel has it, else the top-left
// pixel's (what SetPicture then makes transparent).
struct ExactColourRequest {
  bool wanted = false;
  int32_t preferred = -1;  // red + 256 green + 65536 blue, or -1
};

// Maps the pixels (blue, green, red per pixel, top row first) to at most 256 entries chosen for
// this picture; with a request, its colour is entry 0. Dithers with `ditherLevel` (0 to 1) when
// it is above 0. PaletteSize becomes the next power of two of the entries used.
bool ReduceColorAdaptive(Vesk_GifPictureType& picture, const std::vector<uint8_t>& bgr,
                         float ditherLevel, const ExactColourRequest& exact);

}  // namespace pellory::engine
