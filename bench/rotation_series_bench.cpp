// The rotation editor's frame series: for each angle 0, 10, ..., 350 the edited picture is
// stretched by 3, turned, stretched by 1/3 and returned as a picture (through a temporary GIF).
//
//   rotation_series_bench                      Google Benchmark run (frames/s, Mpixel/s)
//   rotation_series_bench --write-input F      writes the 320 x 240 test picture as GIF file F
//   rotation_series_bench --write-drawing W H F  writes a W x H drawing of 100 colours as F
//   rotation_series_bench --series-seconds F   loads GIF file F, times one whole series, prints s
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/drawing.h"
#include "platform/kernel/files.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

platform::Picture TestPicture() {
  return bench::SoftDrawing(kWidth, kHeight, 3.0, 17.0, 40);
}

// One series as the editor builds it; returns the number of result pixels.
int64_t Series(pellory::Vesk_GifObject& gif, const platform::Picture& picture) {
  int64_t pixels = 0;
  gif.SetPicture(picture);
  for (int angle = 0; angle < 360; angle += 10) {
    gif.GetStretchPicture(3.0f, pellory::Continue);
    gif.GetRotatePictureEX(static_cast<float>(angle), pellory::Continue);
    platform::Picture frame = gif.GetStretchPicture(1.0f / 3.0f, pellory::ReturnPicture);
    if (!frame) {
      std::fprintf(stderr, "frame %d failed: %d\n", angle, gif.ErrorNumber());
      std::exit(1);
    }
    pixels += static_cast<int64_t>(frame->Image().width()) * frame->Image().height();
  }
  return pixels;
}

void BM_RotationSeries(benchmark::State& state) {
  const platform::Picture picture = TestPicture();
  pellory::Vesk_GifObject gif;
  gif.TempPathMode(pellory::TempSystem);
  int64_t pixels = 0;
  for (auto _ : state) pixels += Series(gif, picture);
  state.counters["frames/s"] =
      benchmark::Counter(36.0 * state.iterations(), benchmark::Counter::kIsRate);
  // Pixels of the x3 picture that the rotation walks, per second.
  state.counters["Mpixel/s"] = benchmark::Counter(
      36.0 * state.iterations() * 9 * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
  state.counters["result_px"] = static_cast<double>(pixels / state.iterations());
}
BENCHMARK(BM_RotationSeries)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-input") == 0) {
    return bench::WriteGif(TestPicture(), argv[2]) ? 0 : 1;
  }
  if (argc == 5 && std::strcmp(argv[1], "--write-drawing") == 0) {
    const int w = std::atoi(argv[2]), h = std::atoi(argv[3]);
    if (w < 1 || h < 1) return 2;
    // The same rings, waves and bands at every size, scaled with the picture.
    const double scale = std::max(w, h) / 320.0;
    return bench::WriteGif(bench::SoftDrawing(w, h, 3.0 * scale, 17.0 * scale,
                                              std::max(1, static_cast<int>(40 * scale))),
                           argv[4])
               ? 0
               : 1;
  }
  if (argc == 3 && std::strcmp(argv[1], "--series-seconds") == 0) {
    const platform::Picture picture = platform::LoadPicture(argv[2]);
    pellory::Vesk_GifObject gif;
    gif.TempPathMode(pellory::TempSystem);
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
      auto t0 = std::chrono::steady_clock::now();
      Series(gif, picture);
      best = std::min(best,
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::printf("%.4f\n", best);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
