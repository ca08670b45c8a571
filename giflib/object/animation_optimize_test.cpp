// SPDX-License-Identifier: GPL-3.0-or-later
// Optimised animations show what the whole frames show: both files are decoded by giflib, each
// frame is composed on the screen as a viewer does (disposal included, over two loops), and the
// screens are compared pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

#include "giflib/object/vesk_gif_animation.h"
#include "giflib/tests/gif_decode.h"
#include "giflib/tests/pictures.h"

namespace pellory {
namespace {

using testing::DecodeAnimation;

class AnimationOptimizeTest : public ::testing::Test {
 protected:
  // Writes the frames whole and optimised and expects the same screens; the optimised bytes.
  uintmax_t ExpectSameScreens(const std::vector<Picture>& frames, const std::string& name) {
    SCOPED_TRACE(name);
    const std::string whole = temp_.File(name + "-whole.gif"),
                      optimized = temp_.File(name + ".gif");
    for (bool optimize : {false, true}) {
      Vesk_GifAnimation animation;
      animation.TempPathMode(TempSystem);
      animation.OptimizeFrames(optimize);
      for (const Picture& p : frames) EXPECT_TRUE(animation.AddFrame(p, 7));
      EXPECT_TRUE(animation.SaveAnimatedGif(optimize ? optimized : whole))
          << animation.ErrorNumber();
    }
    const auto a = DecodeAnimation(whole), b = DecodeAnimation(optimized);
    EXPECT_TRUE(a.ok) << a.error;
    EXPECT_TRUE(b.ok) << b.error;
    if (!a.ok || !b.ok) return 0;
    EXPECT_EQ(b.width, a.width);
    EXPECT_EQ(b.height, a.height);
    EXPECT_EQ(b.loopCount, a.loopCount);
    EXPECT_EQ(b.frames.size(), a.frames.size());
    for (const auto& f : b.frames) EXPECT_EQ(f.delayCs, 7);
    const auto expected = testing::ComposeScreens(a, 2), actual = testing::ComposeScreens(b, 2);
    for (size_t n = 0; n < expected.size() && n < actual.size(); ++n)
      EXPECT_TRUE(expected[n] == actual[n]) << "screen after frame " << n;
    const uintmax_t bytes = std::filesystem::file_size(optimized);
    EXPECT_LE(bytes, std::filesystem::file_size(whole));
    return bytes;
  }
  testing::TempFolder temp_;
};

std::vector<uint8_t> Indices(int w, int h, const std::function<int(int, int)>& at) {
  std::vector<uint8_t> v(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) v[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(at(x, y));
  return v;
}

// A turning bar on a transparent background, frames of growing and shrinking sizes.
TEST_F(AnimationOptimizeTest, FramesOfDifferentSizesWithATransparentBackground) {
  std::vector<Picture> frames;
  const auto palette = testing::DistinctPalette(8);
  for (int n = 0; n < 12; ++n) {
    const int w = 24 + (n % 4) * 6, h = 20 + (n % 3) * 5;
    frames.push_back(testing::MakeIndexedPicture(
        w, h, palette,
        Indices(w, h,
                [&](int x, int y) {
                  const int d = (x - w / 2) * (n % 5 - 2) + (y - h / 2) * 2;
                  return std::abs(d) < 8 ? 1 + (x + n) % 7 : 0;
                }),
        0));
  }
  ExpectSameScreens(frames, "turn");
}

// Holes that grow cell by cell: pixels the next frame shows cleared must be cleared first.
TEST_F(AnimationOptimizeTest, HolesThatGrowAndCloseAgain) {
  std::vector<Picture> frames;
  const auto palette = testing::DistinctPalette(16);
  for (int n : {0, 1, 2, 3, 4, 3, 1}) {
    frames.push_back(testing::MakeIndexedPicture(
        40, 30, palette,
        Indices(40, 30,
                [&](int x, int y) {
                  return (x / 4 + y / 4) % 2 == 0 && x % 4 < n ? 0 : 1 + (x * 3 + y) % 15;
                }),
        0));
  }
  const auto bytes = ExpectSameScreens(frames, "mesh");
  EXPECT_GT(bytes, 0u);
}

// Opaque frames whose palettes all differ (a colour shift), one of them using all 256 entries:
// no index is free to mean "unchanged", and nothing may become transparent.
TEST_F(AnimationOptimizeTest, OpaqueFramesWithTheirOwnFullPalettes) {
  std::vector<Picture> frames;
  for (int n = 0; n < 5; ++n) {
    std::vector<Vesk_GIFRGBTRIPLE> palette(256);
    for (int i = 0; i < 256; ++i)
      palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                    static_cast<uint8_t>(n * 40)};
    const int colours = n == 2 ? 256 : 64;
    frames.push_back(testing::MakeIndexedPicture(
        32, 32, palette,
        Indices(32, 32, [&](int x, int y) { return y < 8 + n * 4 ? (x * 32 + y) % colours : 5; })));
  }
  ExpectSameScreens(frames, "colour");
}

TEST_F(AnimationOptimizeTest, IdenticalFramesBecomeSinglePixels) {
  const auto frame =
      testing::MakeIndexedPicture(50, 40, testing::DistinctPalette(4),
                                  Indices(50, 40, [](int x, int y) { return (x ^ y) % 4; }));
  const auto one = ExpectSameScreens({frame}, "one");
  const auto many = ExpectSameScreens(std::vector<Picture>(20, frame), "still");
  EXPECT_LT(many, one + 20 * 30) << "repeated frames cost more than a pixel each";
}

// Random series: sizes, palettes, transparency and small changes between frames.
TEST_F(AnimationOptimizeTest, RandomSeriesShowTheSameScreens) {
  std::mt19937 random(2026);
  for (int series = 0; series < 12; ++series) {
    std::vector<Picture> frames;
    const int count = 2 + static_cast<int>(random() % 6);
    std::vector<uint8_t> base;
    for (int n = 0; n < count; ++n) {
      const int w = 1 + static_cast<int>(random() % 30), h = 1 + static_cast<int>(random() % 30);
      const int colours = 2 + static_cast<int>(random() % 255);
      std::vector<uint8_t> idx(static_cast<size_t>(w) * h);
      for (auto& i : idx)
        i = static_cast<uint8_t>(random() % 4 == 0 ? random() % colours : 1 % colours);
      const bool transparent = random() % 2 == 0;
      frames.push_back(
          testing::MakeIndexedPicture(w, h, testing::DistinctPalette(colours), idx,
                                      transparent ? static_cast<int>(random() % colours) : -1));
    }
    ExpectSameScreens(frames, "random" + std::to_string(series));
  }
}

// A colour series: the same indices under a shifting palette, frames large enough for the code
// table to fill many times, an odd count so that one frame is coded alone. The frames are coded
// two at a time and a frame with its predecessor's indices reuses its codes; what giflib reads
// back is each frame as given.
TEST_F(AnimationOptimizeTest, PaletteSeriesOfLargeFrames) {
  std::mt19937 random(7);
  const int w = 300, h = 200;
  const auto indices = Indices(w, h, [&](int x, int y) {
    return random() % 8 == 0 ? static_cast<int>(random() % 200) : (x / 7 + y / 5) % 200;
  });
  std::vector<Picture> frames;
  for (int n = 0; n < 7; ++n) {
    std::vector<Vesk_GIFRGBTRIPLE> palette(200);
    for (int i = 0; i < 200; ++i)
      palette[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(std::min(255, i + n * 20)),
                    static_cast<uint8_t>(n * 30)};
    frames.push_back(testing::MakeIndexedPicture(w, h, palette, indices));
  }
  ExpectSameScreens(frames, "palette-series");
  const auto whole = DecodeAnimation(temp_.File("palette-series-whole.gif"));
  ASSERT_TRUE(whole.ok) << whole.error;
  ASSERT_EQ(whole.frames.size(), frames.size());
  for (size_t n = 0; n < frames.size(); ++n) {
    EXPECT_TRUE(whole.frames[n].indices == indices) << "frame " << n;
    EXPECT_EQ(whole.frames[n].palette[199].gGreen, std::min(255, 199 + static_cast<int>(n) * 20));
  }
}

}  // namespace
}  // namespace pellory
