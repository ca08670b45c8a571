// Chains of stretches and turns computed only where the result samples them must give exactly
// the pixels of computing every step.
#include <gtest/gtest.h>

#include <random>

#include "giflib/object/vesk_gif_object.h"
#include "giflib/tests/pictures.h"

namespace pellory {
namespace {

struct Step {
  enum Kind { Stretch, Turn, Reverse, Point } kind;
  float value;
};

struct Outcome {
  int32_t error = 0;
  Vesk_GifPictureType held;
};

Outcome RunChain(const Picture& picture, const std::vector<Step>& steps, bool defer) {
  Vesk_GifObject::DeferGeometryForTesting = defer;
  Vesk_GifObject gif;
  gif.TempPathMode(TempSystem);
  EXPECT_TRUE(gif.SetPicture(picture));
  for (const Step& s : steps) {
    switch (s.kind) {
      case Step::Stretch:
        gif.GetStretchPicture(s.value, Continue);
        break;
      case Step::Turn:
        gif.GetRotatePictureEX(s.value, Continue);
        break;
      case Step::Reverse:
        gif.GetReversePicture(LeftRight, Continue);
        break;
      case Step::Point:
        gif.GetPointColorIndex(1, 1);
        break;
    }
  }
  Outcome outcome{gif.ErrorNumber(), gif.CurrentPictureData()};
  Vesk_GifObject::DeferGeometryForTesting = true;
  return outcome;
}

Picture Noise(int w, int h, std::mt19937& rng) {
  std::vector<uint8_t> idx(static_cast<size_t>(w) * h);
  for (auto& i : idx) i = static_cast<uint8_t>(1 + rng() % 30);
  for (int x = 0; x < w; ++x) idx[x] = 0;  // a plain top row: the background
  return testing::MakeIndexedPicture(w, h, testing::DistinctPalette(31), idx);
}

TEST(DeferredChain, EnlargeTurnShrinkEqualsEveryStepComputed) {
  std::mt19937 rng(7);
  const auto third = static_cast<float>(1.0 / 3.0);
  for (int round = 0; round < 40; ++round) {
    const Picture p = Noise(5 + rng() % 40, 4 + rng() % 30, rng);
    const float angle = static_cast<float>(rng() % 3600) / 10.0f;
    const std::vector<Step> chain = {
        {Step::Stretch, 3.0f}, {Step::Turn, angle}, {Step::Stretch, third}};
    const auto [deferredError, deferred] = RunChain(p, chain, true);
    const auto [stepwiseError, stepwise] = RunChain(p, chain, false);
    EXPECT_EQ(deferredError, 0);
    EXPECT_EQ(stepwiseError, 0);
    ASSERT_EQ(deferred.GifSetting.biWidth, stepwise.GifSetting.biWidth) << angle;
    ASSERT_EQ(deferred.GifSetting.biHeight, stepwise.GifSetting.biHeight) << angle;
    EXPECT_EQ(deferred.BitmapData, stepwise.BitmapData) << "angle " << angle;
    EXPECT_EQ(deferred.GifSetting.IncLeft, stepwise.GifSetting.IncLeft);
  }
}

TEST(DeferredChain, MixedChainsWithReadsAndOtherTransformsInBetween) {
  std::mt19937 rng(11);
  const float rates[] = {0.3f, 0.5f, 0.77f, 1.0f, 1.5f, 2.0f, 3.2f};
  for (int round = 0; round < 60; ++round) {
    const Picture p = Noise(3 + rng() % 30, 3 + rng() % 30, rng);
    std::vector<Step> chain;
    const int n = 1 + rng() % 5;
    for (int i = 0; i < n; ++i) {
      switch (rng() % 5) {
        case 0:
        case 1:
          chain.push_back({Step::Stretch, rates[rng() % std::size(rates)]});
          break;
        case 2:
        case 3:
          chain.push_back({Step::Turn, static_cast<float>(rng() % 720) / 2.0f});
          break;
        default:
          chain.push_back({rng() % 2 ? Step::Reverse : Step::Point, 0});
      }
    }
    // A step that fails (a side shrunk to nothing) must fail alike.
    const auto [deferredError, deferred] = RunChain(p, chain, true);
    const auto [stepwiseError, stepwise] = RunChain(p, chain, false);
    EXPECT_EQ(deferredError, stepwiseError) << round;
    ASSERT_EQ(deferred.GifSetting.biWidth, stepwise.GifSetting.biWidth) << round;
    ASSERT_EQ(deferred.GifSetting.biHeight, stepwise.GifSetting.biHeight) << round;
    EXPECT_EQ(deferred.BitmapData, stepwise.BitmapData) << "round " << round;
    EXPECT_EQ(deferred.GifSetting.LimitWidth, stepwise.GifSetting.LimitWidth) << round;
  }
}

TEST(DeferredChain, ReturnedPicturesAndSavedSettingsAgree) {
  std::mt19937 rng(3);
  const Picture p = Noise(30, 20, rng);
  for (bool defer : {true, false}) {
    Vesk_GifObject::DeferGeometryForTesting = defer;
    Vesk_GifObject gif;
    gif.TempPathMode(TempSystem);
    ASSERT_TRUE(gif.SetPicture(p));
    gif.GetStretchPicture(3.0f, Continue);
    gif.GetRotatePictureEX(33.0f, Continue);
    const Picture out = gif.GetStretchPicture(static_cast<float>(1.0 / 3.0), ReturnPicture);
    ASSERT_NE(out, nullptr);
    static std::vector<uint8_t> first;
    if (defer)
      first = testing::IndicesOf(out);
    else
      EXPECT_EQ(testing::IndicesOf(out), first);
  }
  Vesk_GifObject::DeferGeometryForTesting = true;
}

}  // namespace
}  // namespace pellory
