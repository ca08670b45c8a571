// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/gif_options.h"

#include <cstdio>

#include "platform/gdi/halftone.h"

namespace kestrin {

bool SetPictureWith(pellory::Vesk_GifObject& gif, const platform::Picture& picture,
                    const GifOptions& options) {
  gif.ReduceColorMode(options.reduction);
  gif.Transparent(options.transparency == TransparencyChoice::None ? pellory::TransOff
                                                                   : pellory::TransOn);
  const bool picked = options.transparency == TransparencyChoice::Picked;
  if (picked) gif.TransColor(options.transparentColour);
  if (!gif.SetPicture(picture, picked ? pellory::AutomaticBackColor : pellory::Default))
    return false;
  gif.Compression(options.compression);
  if (options.transparency == TransparencyChoice::None) {
    gif.Transparent(pellory::TransOff);
  } else if (picked) {
    int32_t colour = options.transparentColour;
    int16_t index = gif.GetColorIndex(colour);
    if (index < 0 && options.reduction == pellory::rcHalftone) {
      const auto& entry = platform::HalftonePalette()[platform::NearestHalftoneIndex(
          colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF)];
      colour = entry.red | entry.green << 8 | entry.blue << 16;
      index = gif.GetColorIndex(colour);
    }
    if (index >= 0) {
      gif.SetTransColorIndex(static_cast<uint8_t>(index));
    } else {
      gif.Transparent(pellory::TransOff);
    }
  }
  // Searches that found nothing are not failures of the picture.
  gif.ResetError();
  return true;
}

std::optional<int32_t> ParseHexColour(const std::string& text) {
  std::string digits = !text.empty() && text[0] == '#' ? text.substr(1) : text;
  if (digits.size() != 6) return std::nullopt;
  uint32_t rgb = 0;
  for (char c : digits) {
    int v;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'a' && c <= 'f')
      v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else
      return std::nullopt;
    rgb = rgb << 4 | static_cast<uint32_t>(v);
  }
  return static_cast<int32_t>((rgb >> 16) | (rgb & 0xFF00) | (rgb & 0xFF) << 16);
}

std::string HexColour(int32_t colour) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                (colour >> 16) & 0xFF);
  return text;
}

}  // namespace kestrin
