// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of more than 256 colours: the halftone mapping stays the default, the adaptive
// palettes come closer to the picture, and the transparent colour keeps an exact entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "giflib/engine/error_record.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/tests/gif_decode.h"
#include "giflib/tests/pictures.h"

namespace pellory {
namespace {

using testing::DecodeGif;
using testing::MakeRgbPicture;
using testing::TempFolder;

constexpr int kW = 120, kH = 80;

// Smooth gradients in all three channels, a few thousand colours: what a photograph asks of a
// palette.
std::vector<uint32_t> Photo() {
  std::vector<uint32_t> rgb(kW * kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const uint32_t r = 40 + x * 180 / kW, g = 30 + y * 200 / kH;
      const uint32_t b = static_cast<uint32_t>(128 + 100 * std::sin((x + 2 * y) / 17.0));
      rgb[y * kW + x] = r << 16 | g << 8 | b;
    }
  return rgb;
}

class ReduceColorModeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine::PendingError() = {};
    gif_.TempPathMode(UserCustom);
    gif_.TempPath(temp_.path());
  }
  void TearDown() override { EXPECT_EQ(temp_.CountEntries(), 0) << "temporary files left"; }

  // Saves the held picture and decodes it with giflib.
  testing::DecodedGif SaveAndDecode(const std::string& name) {
    EXPECT_TRUE(gif_.SaveGifPicture(out_.File(name))) << gif_.ErrorNumber();
    auto d = DecodeGif(out_.File(name));
    EXPECT_TRUE(d.ok) << d.error;
    EXPECT_EQ(d.indices.size(), size_t{kW * kH});
    return d;
  }
  static double MeanError(const testing::DecodedGif& d, const std::vector<uint32_t>& rgb) {
    double sum = 0;
    for (size_t i = 0; i < rgb.size() && i < d.indices.size(); ++i) {
      const Vesk_GIFRGBTRIPLE& e = d.palette.at(d.indices[i]);
      sum += std::abs(int(e.gRed) - int(rgb[i] >> 16)) +
             std::abs(int(e.gGreen) - int(rgb[i] >> 8 & 0xFF)) +
             std::abs(int(e.gBlue) - int(rgb[i] & 0xFF));
    }
    return sum / (3.0 * rgb.size());
  }

  TempFolder temp_, out_;
  Vesk_GifObject gif_;
};

TEST_F(ReduceColorModeTest, HalftoneStaysTheDefaultAndUnknownValuesAreIgnored) {
  EXPECT_EQ(gif_.ReduceColorMode(), rcHalftone);
  EXPECT_FLOAT_EQ(gif_.DitherLevel(), 1.0f);
  gif_.ReduceColorMode(static_cast<Vesk_GifReduceColorEnum>(3));
  gif_.DitherLevel(1.5f);
  gif_.DitherLevel(-0.1f);
  EXPECT_EQ(gif_.ReduceColorMode(), rcHalftone);
  EXPECT_FLOAT_EQ(gif_.DitherLevel(), 1.0f);

  const auto rgb = Photo();
  ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(kW, kH, rgb)));
  EXPECT_EQ(gif_.PaletteSize(), 256);
  const auto d = SaveAndDecode("halftone.gif");
  // The halftone mapping is a fixed palette: the 6 x 6 x 6 cube is in it.
  const Vesk_GIFRGBTRIPLE cubeCorner{0x33, 0x66, 0x99};
  EXPECT_NE(std::find(d.palette.begin(), d.palette.end(), cubeCorner), d.palette.end());
}

TEST_F(ReduceColorModeTest, AdaptivePalettesComeCloserThanTheHalftoneOne) {
  const auto rgb = Photo();
  double error[3];
  for (int mode = rcHalftone; mode <= rcAdaptiveDither; ++mode) {
    gif_.ReduceColorMode(static_cast<Vesk_GifReduceColorEnum>(mode));
    ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(kW, kH, rgb)));
    const auto d = SaveAndDecode("m" + std::to_string(mode) + ".gif");
    error[mode] = MeanError(d, rgb);
  }
  EXPECT_LT(error[rcAdaptive], error[rcHalftone] / 2)
      << error[rcAdaptive] << " " << error[rcHalftone];
  EXPECT_LT(error[rcAdaptiveDither], error[rcHalftone] / 2) << error[rcAdaptiveDither];
  EXPECT_NE(error[rcAdaptive], error[rcAdaptiveDither]) << "dithering changed nothing";

  // Strength 0 is no dithering at all.
  gif_.DitherLevel(0.0f);
  ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(kW, kH, rgb)));
  EXPECT_DOUBLE_EQ(MeanError(SaveAndDecode("d0.gif"), rgb), error[rcAdaptive]);
}

// A background colour with near neighbours in the picture: only its own pixels become holes.
TEST_F(ReduceColorModeTest, TheTransparentColourKeepsAnExactEntryOfItsOwn) {
  auto rgb = Photo();
  const uint32_t key = 0x50A0C0;
  for (int i = 0; i < kW * kH; i += 7) rgb[i] = key;
  // Neighbours one step away, which any palette would merge with the key colour.
  for (int i = 3; i < kW * kH; i += 11) rgb[i] = key ^ 0x010101;

  for (auto mode : {rcAdaptive, rcAdaptiveDither}) {
    gif_.ReduceColorMode(mode);
    ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(kW, kH, rgb)));
    EXPECT_LE(gif_.PaletteSize(), 256);
    const auto d = SaveAndDecode("key.gif");
    ASSERT_EQ(d.transparentIndex, 0);
    EXPECT_EQ(d.palette[0], (Vesk_GIFRGBTRIPLE{0x50, 0xA0, 0xC0}));
    for (size_t i = 0; i < rgb.size(); ++i)
      ASSERT_EQ(d.indices[i] == 0, rgb[i] == key) << "pixel " << i << " mode " << mode;
    for (size_t e = 1; e < d.palette.size(); ++e)
      EXPECT_NE(d.palette[e], d.palette[0]) << "a twin of the transparent colour at " << e;
    std::filesystem::remove(out_.File("key.gif"));
  }

  // A chosen transparent colour that the picture has takes the place of the top-left one.
  gif_.TransColor(0x010101 ^ 0xC0A050);  // red + 256 green + 65536 blue of key ^ 0x010101
  ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(kW, kH, rgb), UnAutomatic));
  const auto d = SaveAndDecode("chosen.gif");
  ASSERT_GE(d.transparentIndex, 0);
  for (size_t i = 0; i < rgb.size(); ++i)
    ASSERT_EQ(d.indices[i] == d.transparentIndex, rgb[i] == (key ^ 0x010101)) << i;
}

TEST_F(ReduceColorModeTest, WithoutTransparencyEveryEntryServesThePicture) {
  gif_.ReduceColorMode(rcAdaptive);
  gif_.Transparent(TransOff);
  const auto rgb = Photo();
  ASSERT_TRUE(gif_.SetPicture(MakeRgbPicture(kW, kH, rgb)));
  const auto d = SaveAndDecode("opaque.gif");
  EXPECT_EQ(d.transparentIndex, -1);
  EXPECT_LT(MeanError(d, rgb), 6.0);
}

}  // namespace
}  // namespace pellory
