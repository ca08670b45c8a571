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

// A frame drawn only under a narrower and taller next frame, one of whose pixels over it is
// transparent: the pixel below it must be cleared, found by the next frame's columns as they lie
// on the screen. (Captured frames are transparent in their top-left colour.)
TEST_F(AnimationOptimizeTest, ANarrowerNextFrameClearsUnderItsTransparentPixel) {
  const auto wide =
      Indices(100, 40, [](int x, int y) { return x < 34 || x >= 66 ? 0 : 1 + (x + y) % 3; });
  // Its first column's fifth pixel lies on the wide frame's first row.
  const auto narrow =
      Indices(32, 48, [](int x, int y) { return x == 0 && (y == 0 || y == 4) ? 1 : 2 + x % 2; });
  ExpectSameScreens({testing::MakeIndexedPicture(100, 40, testing::DistinctPalette(4), wide),
                     testing::MakeIndexedPicture(32, 48, testing::DistinctPalette(4), narrow)},
                    "narrower");
  // Optimised, not written whole because the optimiser found it could not clear that pixel.
  EXPECT_LT(std::filesystem::file_size(temp_.File("narrower.gif")),
            std::filesystem::file_size(temp_.File("narrower-whole.gif")));
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

// Frames large enough to be coded on the second threads while the next one is prepared: a part
// that changes only its colours (the same box and indices as the frame before, whose codes are
// reused) and then its indices, frames of other sizes (the next frame covers only part of this
// one), transparency.
TEST_F(AnimationOptimizeTest, LargeFramesCodedWhileTheNextIsPrepared) {
  const int w = 320, h = 240;
  auto palette = [](int shift) {
    std::vector<Vesk_GIFRGBTRIPLE> p(12);
    for (int i = 0; i < 12; ++i)
      p[i] = {static_cast<uint8_t>(i * 20), static_cast<uint8_t>(i < 6 || i == 9 ? 50 : 50 + shift),
              static_cast<uint8_t>(200 - i * 10)};
    return p;
  };
  const auto background = Indices(w, h, [](int x, int y) { return (x / 9 + y / 7) % 6; });
  auto square = [&](int x0, int y0, int phase = 0) {
    std::vector<uint8_t> v = background;
    for (int y = y0; y < y0 + 120; ++y)
      for (int x = x0; x < x0 + 160; ++x)
        v[static_cast<size_t>(y) * w + x] = 6 + (x * y + phase) % 4;
    return v;
  };
  std::vector<Picture> frames = {
      testing::MakeIndexedPicture(w, h, palette(0), background),
      testing::MakeIndexedPicture(w, h, palette(0), square(40, 40)),
      testing::MakeIndexedPicture(w, h, palette(60), square(40, 40)),
      // The same box, other indices: not the codes of the last frame but one.
      testing::MakeIndexedPicture(w, h, palette(60), square(40, 40, 1)),
      testing::MakeIndexedPicture(w, h, palette(120), square(40, 40)),
      testing::MakeIndexedPicture(w, h, palette(120), square(100, 90), 11),
      testing::MakeIndexedPicture(260, 250, palette(0),
                                  Indices(260, 250, [](int x, int y) { return (x + y) % 12; }), 3),
      testing::MakeIndexedPicture(w, h, palette(0), background),
  };
  ExpectSameScreens(frames, "large");

  std::mt19937 random(99);
  for (int series = 0; series < 3; ++series) {
    std::vector<Picture> more;
    for (int n = 0; n < 5; ++n) {
      const int fw = 256 + static_cast<int>(random() % 80),
                fh = 256 + static_cast<int>(random() % 40);
      std::vector<uint8_t> frame(static_cast<size_t>(fw) * fh);
      for (int y = 0; y < fh; ++y)
        for (int x = 0; x < fw; ++x)
          frame[static_cast<size_t>(y) * fw + x] =
              static_cast<uint8_t>(random() % 50 == 0 ? random() % 12 : (x / 13 + y / 11 + n) % 12);
      const bool transparent = random() % 2 == 0;
      more.push_back(
          testing::MakeIndexedPicture(fw, fh, palette(static_cast<int>(random() % 100)), frame,
                                      transparent ? static_cast<int>(random() % 12) : -1));
    }
    ExpectSameScreens(more, "large-random" + std::to_string(series));
  }
}

}  // namespace
}  // namespace pellory
