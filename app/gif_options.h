// SPDX-License-Identifier: GPL-3.0-or-later
// What the user chooses for the GIF files the program writes: LZW or literal codes, how a
// picture of more than 256 colours is reduced, and which colour becomes transparent.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/gif_object.h"
#include "platform/picture/picture.h"

namespace kestrin {

enum class TransparencyChoice {
  TopLeft,  // the top-left pixel's colour (the library's own choice)
  None,     // an opaque picture
  Picked,   // GifOptions::transparentColour
};

struct GifOptions {
  pellory::Vesk_GifCompressionEnum compression = kProgramCompression;
  // The program reduces photographs to a palette of their own, dithered; the library's default
  // (and the way back) is the halftone palette.
  pellory::Vesk_GifReduceColorEnum reduction = pellory::rcAdaptiveDither;
  TransparencyChoice transparency = TransparencyChoice::TopLeft;
  int32_t transparentColour = 0;  // red + 256 green + 65536 blue, for Picked
};

// SetPicture with the options applied: the reduction and coding first, then the transparent
// colour. A picked colour that the picture does not have leaves the picture opaque rather than
// making the top-left colour transparent instead; with the halftone palette, the picked colour
// stands for the entry it was reduced to.
bool SetPictureWith(pellory::Vesk_GifObject& gif, const platform::Picture& picture,
                    const GifOptions& options);

// "#rrggbb" (the # optional, any case) as red + 256 green + 65536 blue.
std::optional<int32_t> ParseHexColour(const std::string& text);
std::string HexColour(int32_t colour);

// The captions of the windows' choices and their values, in the order the lists show them.
inline constexpr const char* kReductionCaptions[] = {"ハーフトーン", "最適パレット",
                                                     "最適パレット＋ディザ"};
inline constexpr const char* kTransparencyCaptions[] = {"左上の色", "なし", "指定色"};

}  // namespace kestrin
