// Checks that the geometric transforms make of the pictures they are handed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "giflib/object/pellory_types.h"
#include "platform/kernel/err.h"

namespace pellory::engine {

// A picture whose pixel array does not match its size would be read out of bounds.
inline void CheckPicture(const Vesk_GifPictureType& p) {
  const int32_t w = p.GifSetting.biWidth;
  const int32_t h = p.GifSetting.biHeight;
  if (w < 1 || h < 1 || p.BitmapData.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
    throw platform::RuntimeError(platform::kErrSubscript);
}

inline void CheckSize(const Vesk_GifPictureType& p, int32_t width, int32_t height) {
  CheckPicture(p);
  if (p.GifSetting.biWidth != width || p.GifSetting.biHeight != height)
    throw platform::RuntimeError(platform::kErrSubscript);
}

}  // namespace pellory::engine
