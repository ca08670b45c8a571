// Pictures whose pixels point past their colour table, from bitmap files that declare fewer
// colours than their pixels use: what the library holds, saves and returns for them.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <vector>

#include "giflib/engine/error_record.h"
#include "giflib/object/picture_bridge.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/tests/gif_decode.h"
#include "giflib/tests/pictures.h"
#include "platform/picture/tests/bmp_bytes.h"

namespace pellory {
namespace {

using platform::testing::BmpColor;
using testing::DecodeGif;
using testing::TempFolder;

constexpr BmpColor kRed{255, 0, 0}, kGreen{0, 255, 0};
constexpr int kW = 3, kH = 2;

struct StrayCase {
  int bits;
  std::vector<BmpColor> palette;
  std::vector<uint8_t> indices;  // kW x kH, top row first
};

const StrayCase kCases[] = {
    {8, {kRed, kGreen}, {5, 0, 1, 1, 0, 0}},  // stray at the top left: the automatic colours
    {8, {kRed, kGreen}, {0, 1, 0, 1, 0, 200}}, {4, {kRed, kGreen}, {15, 1, 0, 0, 1, 0}},
    {4, {kRed, kGreen}, {0, 1, 0, 1, 5, 1}},   {1, {kRed}, {1, 0, 0, 0, 0, 0}},
    {1, {kRed}, {0, 0, 0, 1, 1, 0}},
};

// The colour a pixel of the bitmap stands for: black when its index has no entry.
Vesk_GIFRGBTRIPLE ColourOf(const StrayCase& c, uint8_t index) {
  if (index >= c.palette.size()) return {};
  const BmpColor& e = c.palette[index];
  return {e.r, e.g, e.b};
}

class StrayIndices : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::PendingError() = {};
    gif_.TempPathMode(UserCustom);
    gif_.TempPath(temp_.path());
  }
  void TearDown() override { EXPECT_EQ(temp_.CountEntries(), 0) << "temporary files left behind"; }

  Picture Load(const StrayCase& c) {
    const std::string path = files_.File("in.bmp");
    platform::testing::WriteBytes(
        path, platform::testing::IndexedBmp(kW, kH, c.bits, c.palette, c.indices));
    return platform::LoadPicture(path);
  }

  TempFolder temp_, files_;
  Vesk_GifObject gif_;
};

TEST_F(StrayIndices, SavedGifHasAnEntryForEveryIndexAndShowsStrayPixelsBlack) {
  for (const StrayCase& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.bits << " bits, top left " << int{c.indices[0]});
    ASSERT_TRUE(gif_.SetPicture(Load(c))) << gif_.ErrorNumber();
    EXPECT_TRUE(gif_.HasPicture());
    const std::string out = files_.File("out.gif");
    std::remove(out.c_str());
    ASSERT_TRUE(gif_.SaveGifPicture(out)) << gif_.ErrorNumber();

    const auto d = DecodeGif(out);
    ASSERT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.imageWidth, kW);
    EXPECT_EQ(d.imageHeight, kH);
    EXPECT_EQ(d.indices, c.indices);
    for (size_t i = 0; i < d.indices.size(); ++i) {
      ASSERT_LT(d.indices[i], d.palette.size()) << "pixel " << i;
      EXPECT_EQ(d.palette[d.indices[i]], ColourOf(c, c.indices[i])) << "pixel " << i;
    }
    // The automatic colours come from the top-left pixel, stray or not.
    EXPECT_EQ(d.background, c.indices[0]);
    EXPECT_EQ(d.transparentIndex, c.indices[0]);
  }
}

TEST_F(StrayIndices, ReturnedPictureHasAnEntryForEveryIndexAndShowsStrayPixelsBlack) {
  for (const StrayCase& c : kCases) {
    SCOPED_TRACE(::testing::Message() << c.bits << " bits, top left " << int{c.indices[0]});
    ASSERT_TRUE(gif_.SetPicture(Load(c)));
    Picture mirrored = gif_.GetReversePicture(LeftRight, ReturnPicture);
    ASSERT_TRUE(mirrored) << gif_.ErrorNumber();
    const QImage& image = mirrored->Image();
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    ASSERT_EQ(image.size(), QSize(kW, kH));
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const int index = image.pixelIndex(x, y);
        ASSERT_LT(index, image.colorCount()) << x << "," << y;
        const QRgb got = image.color(index);
        const Vesk_GIFRGBTRIPLE want = ColourOf(c, c.indices[y * kW + (kW - 1 - x)]);
        EXPECT_EQ(
            (Vesk_GIFRGBTRIPLE{static_cast<uint8_t>(qRed(got)), static_cast<uint8_t>(qGreen(got)),
                               static_cast<uint8_t>(qBlue(got))}),
            want)
            << x << "," << y;
      }
  }
}

TEST_F(StrayIndices, FailedSetPictureLeavesNothingToSaveOrTransform) {
  // A picture the capture cannot hold: indices without any colour table.
  QImage tableless(2, 2, QImage::Format_Indexed8);
  tableless.fill(0);
  const Picture bad = std::make_shared<platform::StdPicture>(tableless);

  ASSERT_TRUE(gif_.SetPicture(Load(kCases[1])));
  EXPECT_FALSE(gif_.GetReversePicture(LeftRight, Continue));  // opens a chain
  ASSERT_TRUE(gif_.ChainOpen());
  EXPECT_FALSE(gif_.SetPicture(bad));
  EXPECT_NE(gif_.ErrorNumber(), 0);
  EXPECT_FALSE(gif_.HasPicture());
  EXPECT_FALSE(gif_.ChainOpen());

  gif_.ResetError();
  EXPECT_FALSE(gif_.SaveGifPicture(files_.File("half.gif")));
  EXPECT_EQ(gif_.ErrorNumber(), 3002);
  gif_.ResetError();
  EXPECT_FALSE(gif_.GetReversePicture(LeftRight, ReturnPicture));
  EXPECT_EQ(gif_.ErrorNumber(), 3002);

  // The same when the temporary file cannot be made.
  gif_.ResetError();
  ASSERT_TRUE(gif_.SetPicture(Load(kCases[0])));
  gif_.TempPath(files_.File("missing"));
  EXPECT_FALSE(gif_.SetPicture(Load(kCases[0])));
  EXPECT_EQ(gif_.ErrorNumber(), 3004);
  EXPECT_FALSE(gif_.HasPicture());
  gif_.ResetError();
  EXPECT_FALSE(gif_.SaveGifPicture(files_.File("half.gif")));
  EXPECT_EQ(gif_.ErrorNumber(), 3002);
  EXPECT_EQ(files_.CountEntries(), 1) << "only the input bitmap";
}

TEST_F(StrayIndices, HeldPictureWithIndicesPastItsTableIsNeverReturned) {
  Vesk_GifPictureType held;
  held.GifSetting.biWidth = 2;
  held.GifSetting.biHeight = 1;
  held.GifSetting.PaletteSize = 2;
  held.GifSetting.TempPathMode = UserCustom;
  held.GifSetting.TempPath = temp_.path();
  held.ColorTable = {{255, 0, 0}, {0, 255, 0}};
  held.BitmapData = {0, 5};
  Picture result;
  EXPECT_FALSE(engine::LoadTempGifFile(held, result, true));
  EXPECT_EQ(held.BitmapData, (std::vector<uint8_t>{0, 5})) << "a refused picture keeps its indices";
  EXPECT_FALSE(result);
  EXPECT_EQ(engine::PendingError().Number, 2103);
}

}  // namespace
}  // namespace pellory
