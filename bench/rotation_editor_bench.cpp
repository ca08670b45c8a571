// The rotation editor's work through its logic class: a 36-frame series of a 320 x 240 picture
// (angle 360, increment 10) built, then saved as R0.gif ... R350.gif.
//
//   rotation_editor_bench                       Google Benchmark run (frames/s)
//   rotation_editor_bench --write-input F       writes the test picture as GIF file F
//   rotation_editor_bench --seconds F DIR       loads F, prints the best build and save seconds
//   rotation_editor_bench --animate F DIR OUT   loads F, builds the series, writes its frames into
//                                               DIR and prints the best seconds of writing the
//                                               animated OUT (best of 5) and OUT's size
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/animated_export.h"
#include "app/editors/rotation/rotation_series.h"
#include "bench/drawing.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

// The same drawing as the library's rotation benchmark.
platform::Picture TestPicture() {
  return bench::SoftDrawing(kWidth, kHeight, 3.0, 17.0, 40);
}

const kestrin::RotationSettings kSettings{"360", "10", true, false};

double Build(kestrin::RotationState& state, const platform::Picture& picture) {
  kestrin::RotationSeries series(state);
  kestrin::NoProgress progress;
  series.Load();
  const auto t0 = std::chrono::steady_clock::now();
  series.Build(kSettings, picture, 0, 0, progress, [](const platform::Picture&) {});
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

double Save(kestrin::RotationState& state, const platform::Picture& picture,
            const std::string& dir) {
  kestrin::RotationSeries series(state);
  kestrin::NoProgress progress;
  const auto t0 = std::chrono::steady_clock::now();
  series.Save(dir + "/R.gif", kSettings, picture, progress);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_RotationEditorBuildAndSave(benchmark::State& st) {
  const platform::Picture picture = TestPicture();
  const std::string dir = std::filesystem::temp_directory_path() / "kestrin_rotation_bench";
  std::filesystem::create_directories(dir);
  kestrin::RotationState state;
  for (auto _ : st) {
    Build(state, picture);
    Save(state, picture, dir);
  }
  std::filesystem::remove_all(dir);
  st.counters["frames/s"] = benchmark::Counter(36.0 * st.iterations(), benchmark::Counter::kIsRate);
  st.counters["Mpixel/s"] = benchmark::Counter(36.0 * st.iterations() * kWidth * kHeight / 1e6,
                                               benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RotationEditorBuildAndSave)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-input") == 0) {
    return bench::WriteGif(TestPicture(), argv[2]) ? 0 : 1;
  }
  if (argc == 4 && std::strcmp(argv[1], "--seconds") == 0) {
    const platform::Picture picture = platform::LoadPicture(argv[2]);
    double build = 1e9, save = 1e9;
    for (int run = 0; run < 3; ++run) {
      kestrin::RotationState state;
      build = std::min(build, Build(state, picture));
      save = std::min(save, Save(state, picture, argv[3]));
    }
    std::printf("%.4f %.4f\n", build, save);
    return 0;
  }
  if (argc == 5 && std::strcmp(argv[1], "--animate") == 0) {
    const platform::Picture picture = platform::LoadPicture(argv[2]);
    kestrin::RotationState state;
    Build(state, picture);
    Save(state, picture, argv[3]);
    const std::vector<platform::Picture> frames =
        kestrin::RotationSeries(state).AnimationFrames(kSettings);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
      std::filesystem::remove(argv[4]);
      std::string error;
      const auto t0 = std::chrono::steady_clock::now();
      if (!kestrin::SaveAnimatedSeries(frames, argv[4], {10, 0}, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
      }
      best = std::min(best,
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::printf("%.4f %ju\n", best, static_cast<uintmax_t>(std::filesystem::file_size(argv[4])));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
