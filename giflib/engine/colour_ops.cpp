#include "giflib/engine/colour_ops.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <vector>

#include "giflib/engine/conversions.h"
#include "giflib/engine/error_record.h"
#include "platform/kernel/err.h"

namespace pellory::engine {

namespace {

void CheckPixels(const Vesk_GifPictureType& p) {
  const int32_t w = p.GifSetting.biWidth;
  const int32_t h = p.GifSetting.biHeight;
  if (w < 1 || h < 1 || p.BitmapData.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
    throw platform::RuntimeError(platform::kErrSubscript);
}

// BackColor and TransColor are looked up after the palette changed, so both indices must exist
// before anything is touched.
void CheckColourIndices(const Vesk_GifPictureType& p) {
  const size_t n = p.ColorTable.size();
  if (p.GifSetting.BackColorIndex >= n || p.GifSetting.TransColorIndex >= n)
    throw platform::RuntimeError(platform::kErrSubscript);
}

void FollowEntries(Vesk_GifPictureType& p) {
  p.GifSetting.BackColor = EntryToColor(p.ColorTable[p.GifSetting.BackColorIndex]);
  p.GifSetting.TransColor = EntryToColor(p.ColorTable[p.GifSetting.TransColorIndex]);
}

// The channel sums are 16-bit quantities: a sum outside that range is an overflow, not a clamp.
uint8_t ShiftChannel(uint8_t value, int16_t amount) {
  const int32_t sum = int32_t{value} + amount;
  if (sum > std::numeric_limits<int16_t>::max() || sum < std::numeric_limits<int16_t>::min())
    throw platform::RuntimeError(platform::kErrOverflow);
  return static_cast<uint8_t>(std::clamp(sum, 0, 255));
}

}  // namespace

bool Actual_GetRGBPicture(Vesk_GifPictureType& picture, int16_t r, int16_t g, int16_t b) {
  return RunProcedure("Actual_GetRGBPicture", [&] {
    CheckColourIndices(picture);
    // Built aside so that an overflow leaves the palette as it was.
    std::vector<Vesk_GIFRGBTRIPLE> shifted(picture.ColorTable.size());
    for (size_t i = 0; i < shifted.size(); ++i) {
      const Vesk_GIFRGBTRIPLE& e = picture.ColorTable[i];
      shifted[i] = {ShiftChannel(e.gRed, r), ShiftChannel(e.gGreen, g), ShiftChannel(e.gBlue, b)};
    }
    picture.ColorTable.swap(shifted);
    FollowEntries(picture);
    return true;
  });
}

bool Actual_GetGrayPicutre(Vesk_GifPictureType& picture) {
  return RunProcedure("Actual_GetGrayPicutre", [&] {
    CheckColourIndices(picture);
    for (Vesk_GIFRGBTRIPLE& e : picture.ColorTable) {
      const uint8_t level = GetGrayLevel(e);
      e = {level, level, level};
    }
    FollowEntries(picture);
    return true;
  });
}

bool Actual_GetMeshPicture(Vesk_GifPictureType& picture, int32_t level) {
  return RunProcedure("Actual_GetMeshPicture", [&] {
    CheckPixels(picture);
    if (level == 0) return true;
    const int64_t magnitude = std::llabs(static_cast<int64_t>(level));
    const int32_t n = magnitude < 256 ? static_cast<int32_t>(magnitude) : 1;
    // Positive levels fill the cells whose cx + cy is even (the top-left one), negative the others.
    const int32_t filledParity = level > 0 ? 0 : 1;
    const int32_t w = picture.GifSetting.biWidth;
    const int32_t h = picture.GifSetting.biHeight;
    const uint8_t fill = picture.GifSetting.TransColorIndex;
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* row = picture.BitmapData.data() + static_cast<size_t>(y) * w;
      // First filled cell of this row, then every second cell.
      const int32_t firstCell = ((y / n) + filledParity) & 1;
      for (int32_t x0 = firstCell * n; x0 < w; x0 += 2 * n)
        std::fill(row + x0, row + std::min(x0 + n, w), fill);
    }
    return true;
  });
}

bool Actual_GetMaskPicture(Vesk_GifPictureType& picture, uint8_t backIndex) {
  return RunProcedure("Actual_GetMaskPicture", [&] {
    CheckPixels(picture);
    for (uint8_t& p : picture.BitmapData) p = p == backIndex ? 0 : 1;
    return true;
  });
}

}  // namespace pellory::engine
