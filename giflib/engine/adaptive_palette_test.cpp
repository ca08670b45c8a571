// SPDX-License-Identifier: GPL-3.0-or-later
#include "giflib/engine/adaptive_palette.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "giflib/engine/error_record.h"

namespace pellory::engine {
namespace {

// A picture large enough to be mapped in two halves on two threads: the halves share one palette,
// stay close to the picture and keep the exact colour exact on both sides of the seam.
TEST(AdaptivePalette, LargePicturesAreMappedInHalvesToOnePalette) {
  const int w = 1500, h = 1500;
  Vesk_GifPictureType picture;
  picture.GifSetting.biWidth = w;
  picture.GifSetting.biHeight = h;
  std::vector<uint8_t> bgr(size_t(3) * w * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* p = &bgr[3 * (size_t(y) * w + x)];
      p[2] = static_cast<uint8_t>(x * 255 / w);
      p[1] = static_cast<uint8_t>(y * 255 / h);
      p[0] = static_cast<uint8_t>(128 + 100 * std::sin((x + y) / 50.0));
      // Key-coloured dots everywhere, and their near neighbours beside them.
      if (x % 97 == 0 && y % 89 == 0) p[0] = 7, p[1] = 8, p[2] = 9;
      if (x % 97 == 1 && y % 89 == 0) p[0] = 8, p[1] = 8, p[2] = 9;
    }
  PendingError() = {};
  ASSERT_TRUE(ReduceColorAdaptive(picture, bgr, 1.0f, {true, 9 + 256 * 8 + 65536 * 7}));
  EXPECT_EQ(PendingError().Number, 0) << PendingError().ProcName;
  ASSERT_EQ(picture.ColorTable.size(), 256u);
  EXPECT_EQ(picture.ColorTable[0], (Vesk_GIFRGBTRIPLE{9, 8, 7}));
  ASSERT_EQ(picture.BitmapData.size(), size_t(w) * h);
  double error = 0;
  for (size_t i = 0; i < picture.BitmapData.size(); ++i) {
    const uint8_t* p = &bgr[3 * i];
    const bool key = p[0] == 7 && p[1] == 8 && p[2] == 9;
    const uint8_t index = picture.BitmapData[i];
    ASSERT_EQ(index == 0, key) << "pixel " << i;
    const Vesk_GIFRGBTRIPLE& e = picture.ColorTable[index];
    error += std::abs(e.gRed - p[2]) + std::abs(e.gGreen - p[1]) + std::abs(e.gBlue - p[0]);
  }
  EXPECT_LT(error / (3.0 * w * h), 12.0) << "a palette far from the picture";
}

TEST(AdaptivePalette, ABufferOfTheWrongSizeIsRefusedWithoutTouchingThePicture) {
  Vesk_GifPictureType picture;
  picture.GifSetting.biWidth = 4;
  picture.GifSetting.biHeight = 4;
  picture.BitmapData = {1, 2, 3};
  PendingError() = {};
  EXPECT_FALSE(ReduceColorAdaptive(picture, std::vector<uint8_t>(47), 1.0f, {}));
  EXPECT_NE(PendingError().Number, 0);
  EXPECT_EQ(picture.BitmapData, (std::vector<uint8_t>{1, 2, 3}));
}

}  // namespace
}  // namespace pellory::engine
