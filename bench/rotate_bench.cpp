// Pixel routines of the rotation editor on a typical frame: 960 x 720 with about 100 colours, as
// the editor gets it after stretching a 320 x 240 capture by 3.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "giflib/engine/geometry.h"

namespace {

using pellory::Vesk_GifPictureType;
using namespace pellory::engine;

Vesk_GifPictureType Capture() {
  Vesk_GifPictureType p;
  p.GifSetting.biWidth = 320;
  p.GifSetting.biHeight = 240;
  p.GifSetting.BackColorIndex = 0;
  p.ColorTable.resize(100);
  p.BitmapData.resize(320 * 240);
  // Diagonal bands with some noise: runs of equal indices as in a real capture.
  unsigned seed = 12345;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) {
      seed = seed * 1103515245u + 12345u;
      const unsigned noise = (seed >> 16) % 7 == 0 ? (seed >> 8) % 13 : 0;
      p.BitmapData[y * 320 + x] = static_cast<uint8_t>((x / 6 + y / 9 + noise) % 100);
    }
  return p;
}

const Vesk_GifPictureType& Frame() {
  static const Vesk_GifPictureType frame = [] {
    const Vesk_GifPictureType small = Capture();
    Vesk_GifPictureType big = MakeResultPicture(small, 960, 720);
    if (!Actual_GetStretchPicture(small, big, 3, 3)) std::abort();
    return big;
  }();
  return frame;
}

void SetRate(benchmark::State& state, int64_t pixels) {
  state.counters["Mpixel/s"] = benchmark::Counter(
      static_cast<double>(pixels) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate);
}

void BM_RotateFree(benchmark::State& state) {
  const Vesk_GifPictureType& src = Frame();
  const float angle = static_cast<float>(state.range(0));
  int32_t w = 0, h = 0;
  GetAfterRotateSize(src.GifSetting.biWidth, src.GifSetting.biHeight, angle, w, h);
  Vesk_GifPictureType dst = MakeResultPicture(src, w, h);
  for (auto _ : state) {
    if (!Actual_GetRotatePictureEX(src, dst, angle)) state.SkipWithError("rotation failed");
    benchmark::DoNotOptimize(dst.BitmapData.data());
  }
  SetRate(state, static_cast<int64_t>(w) * h);
}
BENCHMARK(BM_RotateFree)->Arg(10)->Arg(45)->Arg(90)->UseRealTime()->Unit(benchmark::kMillisecond);

void RunStretch(benchmark::State& state, const Vesk_GifPictureType& src, int32_t w, int32_t h,
                float rate) {
  Vesk_GifPictureType dst = MakeResultPicture(src, w, h);
  for (auto _ : state) {
    if (!Actual_GetStretchPicture(src, dst, rate, rate)) state.SkipWithError("stretch failed");
    benchmark::DoNotOptimize(dst.BitmapData.data());
  }
  SetRate(state, static_cast<int64_t>(w) * h);
}

// 320 x 240 up to 960 x 720.
void BM_StretchUp3(benchmark::State& state) {
  RunStretch(state, Capture(), 960, 720, 3.0f);
}
BENCHMARK(BM_StretchUp3)->UseRealTime()->Unit(benchmark::kMillisecond);

// 960 x 720 down to 320 x 240.
void BM_StretchDown3(benchmark::State& state) {
  RunStretch(state, Frame(), 320, 240, 1.0f / 3);
}
BENCHMARK(BM_StretchDown3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
