// The comment editor's composition: a 10-line comment at 24 points with a 5-pixel Soft outline
// written onto a 640 x 480 base and returned as a picture (through a temporary GIF).
//
//   comment_bench                        Google Benchmark run (Mpixel/s of the base)
//   comment_bench --write-input F T      writes the base as GIF file F and the comment as text T
//   comment_bench --seconds F            loads GIF file F, prints the best seconds per comment
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "bench/drawing.h"
#include "giflib/overlay/vesk_overlay.h"
#include "platform/forms/application.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

platform::Picture Base() {
  return bench::SoftDrawing(kWidth, kHeight, 5.0, 23.0, 64);
}

std::string Comment(const char* separator) {
  std::string text;
  for (int i = 1; i <= 10; ++i) {
    if (i > 1) text += separator;
    text += "第" + std::to_string(i) + "行 Kestrin のコメント";
  }
  return text;
}

pellory::Vesk_OLWCFType Format() {
  pellory::Vesk_OLWCFType f;
  f.UseFont = std::make_shared<platform::StdFont>();
  f.UseFont->Size = 24;
  f.ForeColor = 0xA00000;    // dark blue
  f.BorderColor = 0x00C8FA;  // amber
  f.BorderThickness = pellory::Bordering5p;
  f.BorderStyle = pellory::Soft;
  f.Position = {pellory::ByPreset, pellory::mxCenter, pellory::myCenter};
  return f;
}

platform::Picture Compose(pellory::Vesk_OverLay& ol, const platform::Picture& base,
                          const std::string& text) {
  pellory::Vesk_OLWCFType f = Format();
  ol.SetBasePicture(base);
  platform::Picture out = ol.WriteCharacter(text, f, pellory::olReturnPicture);
  if (!out) {
    std::fprintf(stderr, "WriteCharacter failed: %d\n", ol.ErrorNumber());
    std::exit(1);
  }
  return out;
}

void BM_Comment(benchmark::State& state) {
  const platform::Picture base = Base();
  const std::string text = Comment("\r\n");
  pellory::Vesk_OverLay ol;
  ol.TempPathMode(pellory::TempSystem);
  for (auto _ : state) benchmark::DoNotOptimize(Compose(ol, base, text));
  state.counters["Mpixel/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Comment)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  platform::EnsureApplication();
  if (argc == 4 && std::strcmp(argv[1], "--write-input") == 0) {
    std::ofstream(argv[3]) << Comment("\n");
    return bench::WriteGif(Base(), argv[2]) ? 0 : 1;
  }
  if (argc == 3 && std::strcmp(argv[1], "--seconds") == 0) {
    const platform::Picture base = platform::LoadPicture(argv[2]);
    const std::string text = Comment("\r\n");
    pellory::Vesk_OverLay ol;
    ol.TempPathMode(pellory::TempSystem);
    double best = 1e9;
    for (int run = 0; run < 20; ++run) {
      auto t0 = std::chrono::steady_clock::now();
      Compose(ol, base, text);
      best = std::min(best,
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::printf("%.5f\n", best);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
