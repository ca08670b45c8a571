#include "giflib/engine/geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "giflib/engine/error_record.h"

namespace pellory::engine {
namespace {

using Pixels = std::vector<uint8_t>;

Vesk_GifPictureType Picture(int32_t w, int32_t h, Pixels pixels, uint8_t back = 0) {
  Vesk_GifPictureType p;
  p.GifSetting.biWidth = w;
  p.GifSetting.biHeight = h;
  p.GifSetting.BackColorIndex = back;
  p.ColorTable.resize(256);
  p.BitmapData = std::move(pixels);
  return p;
}

Vesk_GifPictureType Noise(int32_t w, int32_t h, uint8_t back, unsigned seed) {
  std::mt19937 gen(seed);
  Pixels px(static_cast<size_t>(w) * h);
  for (auto& p : px) p = static_cast<uint8_t>(1 + gen() % 200);  // never the background
  return Picture(w, h, px, back);
}

// The free rotation evaluated pixel by pixel, one formula step after another.
Pixels PlainFreeRotation(const Vesk_GifPictureType& src, int32_t dw, int32_t dh, float a) {
  const int32_t w = src.GifSetting.biWidth, h = src.GifSetting.biHeight;
  const double scx = (w - 1) / 2.0, scy = (h - 1) / 2.0;
  const double dcx = (dw - 1) / 2.0, dcy = (dh - 1) / 2.0;
  Pixels out(static_cast<size_t>(dw) * dh);
  for (int32_t i = 0; i < dw * dh; ++i) {
    const int32_t x = i % dw, y = i / dw;
    const int32_t rx = static_cast<int32_t>(std::nearbyint(dcx - x));
    const int32_t ry = static_cast<int32_t>(std::nearbyint(dcy - y));
    const double d = std::sqrt(static_cast<double>(rx) * rx + static_cast<double>(ry) * ry);
    double theta = rx != 0 ? std::atan(static_cast<double>(ry) / rx)
                           : (ry <= 0 ? 1.570796326794895 : -1.570796326794895);
    const double phi = theta - a * 3.14159265358979 / 180;
    const double ux = std::nearbyint(std::cos(phi) * d), uy = std::nearbyint(std::sin(phi) * d);
    const double sx = std::nearbyint(rx <= 0 ? scx + ux : scx - ux);
    const double sy = std::nearbyint(rx <= 0 ? scy + uy : scy - uy);
    const bool inside = sx >= 0 && sy >= 0 && sx <= w - 1 && sy <= h - 1;
    out[i] =
        inside ? src.BitmapData[static_cast<size_t>(sy * w + sx)] : src.GifSetting.BackColorIndex;
  }
  return out;
}

Pixels Turned(const Vesk_GifPictureType& src, int32_t angle, int32_t w, int32_t h) {
  Vesk_GifPictureType dst = MakeResultPicture(src, w, h);
  EXPECT_TRUE(Actual_GetRotatePicture(src, dst, angle));
  return dst.BitmapData;
}

Pixels FreeTurned(const Vesk_GifPictureType& src, float angle, int32_t w, int32_t h) {
  Vesk_GifPictureType dst = MakeResultPicture(src, w, h);
  EXPECT_TRUE(Actual_GetRotatePictureEX(src, dst, angle));
  return dst.BitmapData;
}

TEST(Geometry, ResultPictureKeepsSettingsAndPaletteWithNewSize) {
  Vesk_GifPictureType src = Picture(2, 1, {1, 2}, 7);
  src.GifSetting.TransColorIndex = 3;
  src.ColorTable[3] = {9, 8, 7};
  Vesk_GifPictureType r = MakeResultPicture(src, 3, 2);
  EXPECT_EQ(r.GifSetting.biWidth, 3);
  EXPECT_EQ(r.GifSetting.biHeight, 2);
  EXPECT_EQ(r.GifSetting.TransColorIndex, 3);
  EXPECT_EQ(r.ColorTable, src.ColorTable);
  EXPECT_EQ(r.BitmapData, Pixels(6, 7));
}

TEST(Geometry, RightAngleNormalisation) {
  EXPECT_EQ(NormalizeRightAngle(180), 2);
  EXPECT_EQ(NormalizeRightAngle(450), 1);
  EXPECT_EQ(NormalizeRightAngle(-1), 3);
  EXPECT_EQ(NormalizeRightAngle(45), 0);
  EXPECT_EQ(NormalizeRightAngle(-90), 3);
  EXPECT_EQ(NormalizeRightAngle(3), 3);
  EXPECT_EQ(NormalizeRightAngle(-270), 1);
  EXPECT_EQ(NormalizeRightAngle(-450), 3);
}

TEST(Geometry, QuarterTurnsOfThreeByTwo) {
  const Vesk_GifPictureType src = Picture(3, 2, {1, 2, 3, 4, 5, 6});
  // Clockwise: the old top row becomes the right column, read top to bottom.
  EXPECT_EQ(Turned(src, Angle90, 2, 3), (Pixels{4, 1, 5, 2, 6, 3}));
  EXPECT_EQ(Turned(src, Angle270, 2, 3), (Pixels{3, 6, 2, 5, 1, 4}));
  EXPECT_EQ(Turned(src, Angle180, 3, 2), (Pixels{6, 5, 4, 3, 2, 1}));
  EXPECT_EQ(Turned(src, Angle0, 3, 2), src.BitmapData);
}

TEST(Geometry, MirrorsInAllThreeWays) {
  const Vesk_GifPictureType src = Picture(3, 2, {1, 2, 3, 4, 5, 6});
  const std::pair<int32_t, Pixels> cases[] = {
      {TopBottom, {4, 5, 6, 1, 2, 3}}, {LeftRight, {3, 2, 1, 6, 5, 4}}, {Both, {6, 5, 4, 3, 2, 1}}};
  for (const auto& [reverse, expected] : cases) {
    Vesk_GifPictureType dst = MakeResultPicture(src, 3, 2);
    ASSERT_TRUE(Actual_GetReversePicture(src, dst, reverse));
    EXPECT_EQ(dst.BitmapData, expected) << reverse;
  }
}

TEST(Geometry, FreeAngleQuantisedToFifthDegree) {
  EXPECT_FLOAT_EQ(NormalizeFreeAngle(12.34f), 12.4f);
  EXPECT_FLOAT_EQ(NormalizeFreeAngle(22.5f), 22.4f);  // 112.5 rounds to the even 112
  EXPECT_EQ(NormalizeFreeAngle(-90), 270);
  EXPECT_EQ(NormalizeFreeAngle(450), 90);
  EXPECT_EQ(NormalizeFreeAngle(720.4f), 0);
  EXPECT_EQ(NormalizeFreeAngle(-720.4f), 0);
  EXPECT_EQ(NormalizeFreeAngle(0.1f), 0);  // 0.5 rounds to 0
  // Just below a whole turn quantises up to 360, which is not folded back to 0.
  EXPECT_EQ(NormalizeFreeAngle(359.9f), 360);
  EXPECT_EQ(NormalizeFreeAngle(-0.1f), 360);
}

TEST(Geometry, RotatedSize) {
  int32_t w = 0, h = 0;
  GetAfterRotateSize(3, 2, 90, w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(2, 3));
  GetAfterRotateSize(320, 240, 270, w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(240, 320));
  GetAfterRotateSize(7, 4, 180, w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(7, 4));
  // Half diagonal of 3 x 3 is sqrt 2 on both axes: Round(2.83) + 1.
  GetAfterRotateSize(3, 3, 45, w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(4, 4));
  GetAfterRotateSize(10, 4, 45, w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(9, 9));
  GetAfterRotateSize(1, 1, 45, w, h);
  EXPECT_EQ(std::pair(w, h), std::pair(1, 1));
}

TEST(Geometry, FreeQuarterTurnMatchesRightAngleTurnOnOddSides) {
  const Vesk_GifPictureType src = Noise(7, 5, 0, 1);
  EXPECT_EQ(FreeTurned(src, 90, 5, 7), Turned(src, Angle90, 5, 7));
  EXPECT_EQ(FreeTurned(src, 270, 5, 7), Turned(src, Angle270, 5, 7));
  EXPECT_EQ(FreeTurned(src, 180, 7, 5), Turned(src, Angle180, 7, 5));
}

TEST(Geometry, FreeQuarterTurnOfEvenSideRepeatsALine) {
  // With two rows the result columns lie at -0.5 and +0.5 from the centre; both round to the
  // even 0 and read the same source row, so the top row appears twice and the bottom row is lost.
  const Vesk_GifPictureType src = Picture(3, 2, {1, 2, 3, 4, 5, 6});
  EXPECT_EQ(FreeTurned(src, 90, 2, 3), (Pixels{1, 1, 2, 2, 3, 3}));
}

TEST(Geometry, FreeRotationEqualsPlainEvaluation) {
  const std::pair<int32_t, int32_t> sizes[] = {{1, 1},  {2, 3},   {5, 4},
                                               {17, 9}, {64, 47}, {400, 330}};
  // Multiples of 30 and 90 degrees put many offsets exactly on halves.
  const float angles[] = {0, 0.2f, 10, 12.4f, 30, 45, 60, 90, 135, 180, 210, 270, 300, 359.8f, 360};
  for (const auto& [w, h] : sizes) {
    const Vesk_GifPictureType src = Noise(w, h, 250, static_cast<unsigned>(w * h));
    for (float a : angles) {
      int32_t dw = 0, dh = 0;
      GetAfterRotateSize(w, h, a, dw, dh);
      EXPECT_EQ(FreeTurned(src, a, dw, dh), PlainFreeRotation(src, dw, dh, a))
          << w << "x" << h << " at " << a;
    }
  }
}

TEST(Geometry, StretchSamplesByRoundedQuotient) {
  const Pixels one = {9};
  Vesk_GifPictureType dst = MakeResultPicture(Picture(1, 1, one), 2, 2);
  ASSERT_TRUE(Actual_GetStretchPicture(Picture(1, 1, one), dst, 2, 2));
  EXPECT_EQ(dst.BitmapData, Pixels(4, 9));  // column 1 reads Round(0.5) = 0

  // Columns and rows 0, 1, 2 read Round(0), Round(0.667) = 1, Round(1.333) = 1.
  const Vesk_GifPictureType src = Picture(2, 2, {1, 2, 3, 4});
  dst = MakeResultPicture(src, 3, 3);
  ASSERT_TRUE(Actual_GetStretchPicture(src, dst, 1.5f, 1.5f));
  EXPECT_EQ(dst.BitmapData, (Pixels{1, 2, 2, 3, 4, 4, 3, 4, 4}));
}

TEST(Geometry, StretchSamplesPastTheLastColumnAndRowAsBackground) {
  // Column 4 reads Round(1.6) = 2 and row 2 Round(2) = 2: both past the source.
  const Vesk_GifPictureType src = Picture(2, 2, {1, 2, 3, 4}, 8);
  Vesk_GifPictureType dst = MakeResultPicture(src, 5, 3);
  ASSERT_TRUE(Actual_GetStretchPicture(src, dst, 2.5f, 1.0f));
  EXPECT_EQ(dst.BitmapData, (Pixels{1, 1, 2, 2, 8, 3, 3, 4, 4, 8, 8, 8, 8, 8, 8}));
}

TEST(Geometry, TrimSizeFindsBackgroundMargins) {
  // A one-pixel background frame around a 2 x 2 block, with one more background pixel inside.
  const Vesk_GifPictureType framed =
      Picture(4, 4, {0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 3, 0, 0, 0, 0, 0});
  Vesk_MarginType m;
  int32_t w = 0, h = 0;
  GetAfterTrimSize(framed, m, w, h);
  EXPECT_EQ(std::tuple(m.trLeft, m.trTop, m.trRight, m.trBottom), std::tuple(1, 1, 1, 1));
  EXPECT_EQ(std::pair(w, h), std::pair(2, 2));
  Vesk_GifPictureType dst = MakeResultPicture(framed, w, h);
  ASSERT_TRUE(Actual_GetTrimPicture(framed, dst, m.trLeft, m.trTop));
  EXPECT_EQ(dst.BitmapData, (Pixels{1, 0, 2, 3}));

  // The leftmost content lies below the first content row.
  GetAfterTrimSize(Picture(3, 2, {0, 0, 5, 6, 0, 0}), m, w, h);
  EXPECT_EQ(std::tuple(m.trLeft, m.trTop, m.trRight, m.trBottom), std::tuple(0, 0, 0, 0));
}

TEST(Geometry, TrimSizeOfOnlyBackgroundIsOnePixel) {
  Vesk_MarginType m;
  int32_t w = 0, h = 0;
  GetAfterTrimSize(Picture(5, 3, Pixels(15, 4), 4), m, w, h);
  EXPECT_EQ(std::tuple(m.trLeft, m.trTop, m.trRight, m.trBottom), std::tuple(0, 0, 4, 2));
  EXPECT_EQ(std::pair(w, h), std::pair(1, 1));
}

TEST(Geometry, MarginsPlaceThePictureInBackground) {
  const Vesk_GifPictureType src = Picture(2, 1, {1, 2}, 7);
  Vesk_GifPictureType dst = MakeResultPicture(src, 4, 3);
  dst.BitmapData.assign(12, 0);  // must be refilled with the background
  ASSERT_TRUE(Actual_GetMarginPicture(src, dst, 1, 2));
  EXPECT_EQ(dst.BitmapData, (Pixels{7, 7, 7, 7, 7, 7, 7, 7, 7, 1, 2, 7}));
}

TEST(Geometry, InconsistentPicturesFailWithUnexpectedError) {
  const Vesk_GifPictureType ok = Picture(2, 2, {1, 2, 3, 4});
  const Vesk_GifPictureType shortData = Picture(2, 2, {1, 2, 3});
  Vesk_GifPictureType dst = MakeResultPicture(ok, 2, 2);
  Vesk_GifPictureType small = MakeResultPicture(ok, 1, 1);
  auto expectFailure = [](bool result, const char* proc) {
    EXPECT_FALSE(result) << proc;
    EXPECT_EQ(PendingError().Number, 2000) << proc;
    EXPECT_EQ(PendingError().Style, kStyleStop) << proc;
    EXPECT_EQ(PendingError().ProcName, proc);
    PendingError() = {};
  };
  expectFailure(Actual_GetStretchPicture(shortData, dst, 1, 1), "Actual_GetStretchPicture");
  expectFailure(Actual_GetStretchPicture(ok, dst, 0, 1), "Actual_GetStretchPicture");
  expectFailure(Actual_GetRotatePicture(ok, small, Angle90), "Actual_GetRotatePicture");
  expectFailure(Actual_GetRotatePictureEX(shortData, dst, 45), "Actual_GetRotatePictureEX");
  expectFailure(Actual_GetReversePicture(ok, small, Both), "Actual_GetReversePicture");
  expectFailure(Actual_GetTrimPicture(ok, small, 2, 0), "Actual_GetTrimPicture");
  expectFailure(Actual_GetMarginPicture(ok, small, 0, 0), "Actual_GetMarginPicture");
  EXPECT_THROW(MakeResultPicture(ok, 0, 3), std::exception);
}

}  // namespace
}  // namespace pellory::engine
