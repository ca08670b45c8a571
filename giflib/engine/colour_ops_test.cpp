#include "giflib/engine/colour_ops.h"

#include <gtest/gtest.h>

#include <vector>

#include "giflib/engine/error_record.h"

namespace pellory::engine {
namespace {

using Pixels = std::vector<uint8_t>;

Vesk_GifPictureType Palette(std::vector<Vesk_GIFRGBTRIPLE> entries, uint8_t back, uint8_t trans) {
  Vesk_GifPictureType p;
  p.GifSetting.biWidth = 1;
  p.GifSetting.biHeight = 1;
  p.GifSetting.BackColorIndex = back;
  p.GifSetting.TransColorIndex = trans;
  p.ColorTable = std::move(entries);
  p.BitmapData = {0};
  return p;
}

Vesk_GifPictureType Grid(int32_t w, int32_t h, uint8_t fill, uint8_t trans) {
  Vesk_GifPictureType p;
  p.GifSetting.biWidth = w;
  p.GifSetting.biHeight = h;
  p.GifSetting.TransColorIndex = trans;
  p.BitmapData.assign(static_cast<size_t>(w) * h, fill);
  return p;
}

TEST(ColourOps, GreyLevelsOfPrimariesAndFollowingColours) {
  Vesk_GifPictureType p = Palette({{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, 1, 2);
  ASSERT_TRUE(Actual_GetGrayPicutre(p));
  EXPECT_EQ(p.ColorTable,
            (std::vector<Vesk_GIFRGBTRIPLE>{{76, 76, 76}, {150, 150, 150}, {29, 29, 29}}));
  EXPECT_EQ(p.GifSetting.BackColor, 150 * 0x010101);
  EXPECT_EQ(p.GifSetting.TransColor, 29 * 0x010101);
}

TEST(ColourOps, ShiftClampsEachChannel) {
  Vesk_GifPictureType p = Palette({{10, 20, 30}, {200, 100, 250}}, 0, 1);
  ASSERT_TRUE(Actual_GetRGBPicture(p, 300, 0, -300));
  EXPECT_EQ(p.ColorTable, (std::vector<Vesk_GIFRGBTRIPLE>{{255, 20, 0}, {255, 100, 0}}));
  EXPECT_EQ(p.GifSetting.BackColor, 255 + 20 * 256);
  EXPECT_EQ(p.GifSetting.TransColor, 255 + 100 * 256);

  // A zero shift still brings stale colours back in line with the palette.
  p.GifSetting.BackColor = 0x123456;
  ASSERT_TRUE(Actual_GetRGBPicture(p, 0, 0, 0));
  EXPECT_EQ(p.GifSetting.BackColor, 255 + 20 * 256);
}

TEST(ColourOps, ShiftOverflowingSixteenBitsFailsWithOverflow) {
  PendingError() = {};
  Vesk_GifPictureType p = Palette({{0, 0, 0}, {255, 0, 0}}, 0, 0);
  EXPECT_FALSE(Actual_GetRGBPicture(p, 32600, 0, 0));  // 255 + 32600 > 32767
  EXPECT_EQ(PendingError().Number, 2000);
  EXPECT_EQ(PendingError().Style, kStyleStop);
  EXPECT_EQ(PendingError().SysErrNumber, 6);
  EXPECT_EQ(PendingError().ProcName, "Actual_GetRGBPicture");
  EXPECT_EQ(p.ColorTable[1], (Vesk_GIFRGBTRIPLE{255, 0, 0}));  // untouched
  PendingError() = {};
  EXPECT_TRUE(Actual_GetRGBPicture(p, 32512, 0, 0));  // 255 + 32512 still fits
}

TEST(ColourOps, MeshFillsCheckerboardCells) {
  Vesk_GifPictureType p = Grid(4, 4, 1, 9);
  ASSERT_TRUE(Actual_GetMeshPicture(p, Mesh2p));
  EXPECT_EQ(p.BitmapData, (Pixels{9, 9, 1, 1, 9, 9, 1, 1, 1, 1, 9, 9, 1, 1, 9, 9}));

  p = Grid(4, 4, 1, 9);
  ASSERT_TRUE(Actual_GetMeshPicture(p, -2));
  EXPECT_EQ(p.BitmapData, (Pixels{1, 1, 9, 9, 1, 1, 9, 9, 9, 9, 1, 1, 9, 9, 1, 1}));

  // Cells at the right and bottom edges are cut short.
  p = Grid(4, 4, 1, 9);
  ASSERT_TRUE(Actual_GetMeshPicture(p, 3));
  EXPECT_EQ(p.BitmapData, (Pixels{9, 9, 9, 1, 9, 9, 9, 1, 9, 9, 9, 1, 1, 1, 1, 9}));
}

TEST(ColourOps, MeshLevelsFrom256BehaveAsOne) {
  Vesk_GifPictureType p = Grid(3, 2, 1, 9);
  ASSERT_TRUE(Actual_GetMeshPicture(p, 300));
  EXPECT_EQ(p.BitmapData, (Pixels{9, 1, 9, 1, 9, 1}));
  p = Grid(3, 2, 1, 9);
  ASSERT_TRUE(Actual_GetMeshPicture(p, -256));
  EXPECT_EQ(p.BitmapData, (Pixels{1, 9, 1, 9, 1, 9}));
}

TEST(ColourOps, MaskMarksBackgroundZeroAndTheRestOne) {
  Vesk_GifPictureType p = Grid(3, 1, 0, 0);
  p.BitmapData = {4, 7, 4};
  ASSERT_TRUE(Actual_GetMaskPicture(p, 4));
  EXPECT_EQ(p.BitmapData, (Pixels{0, 1, 0}));

  p.BitmapData = {2, 3, 5};
  ASSERT_TRUE(Actual_GetMaskPicture(p, 4));
  EXPECT_EQ(p.BitmapData, (Pixels{1, 1, 1}));
}

TEST(ColourOps, InconsistentPicturesFail) {
  PendingError() = {};
  Vesk_GifPictureType noEntry = Palette({{1, 2, 3}}, 0, 5);  // TransColorIndex past the palette
  EXPECT_FALSE(Actual_GetGrayPicutre(noEntry));
  EXPECT_EQ(noEntry.ColorTable[0], (Vesk_GIFRGBTRIPLE{1, 2, 3}));
  EXPECT_EQ(PendingError().Number, 2000);
  EXPECT_FALSE(Actual_GetRGBPicture(noEntry, 1, 1, 1));

  Vesk_GifPictureType shortData = Grid(4, 4, 1, 9);
  shortData.BitmapData.resize(15);
  EXPECT_FALSE(Actual_GetMeshPicture(shortData, 1));
  EXPECT_FALSE(Actual_GetMaskPicture(shortData, 1));
  EXPECT_EQ(PendingError().ProcName, "Actual_GetMaskPicture");
  PendingError() = {};
}

}  // namespace
}  // namespace pellory::engine
