// SavetoJPEG on a 4000 x 3000 24-bit bitmap at rates 80 and 95: the whole call, reading the
// bitmap included, in Mpixel/s. `--make-input=PATH` only writes the bitmap, so that
// savejpg_vs_peers.sh can hand the same file to cjpeg and ImageMagick, and `--save=BMP --out=JPG
// --rate=N` makes one call, timed by that script like the peer programs.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/photo_like.h"
#include "platform/picture/picture.h"
#include "savejpg/savejpg.h"

namespace {

using bench::kPhotoHeight;
using bench::kPhotoWidth;
using bench::PhotoLike;

std::string MakeInput(const std::string& path) {
  platform::SavePicture(std::make_shared<platform::StdPicture>(PhotoLike()), path);
  return path;
}

const std::string& Input() {
  static const std::string path =
      MakeInput("/tmp/savejpg_bench_" + std::to_string(::getpid()) + ".bmp");
  return path;
}

void BM_SavetoJPEG(benchmark::State& state) {
  const std::string& bmp = Input();
  const std::string jpg = bmp + ".jpg";
  const auto rate = static_cast<uint8_t>(state.range(0));
  for (auto _ : state)
    if (SavetoJPEG(bmp.c_str(), jpg.c_str(), rate, 0) != kSaveJpgOk)
      state.SkipWithError("SavetoJPEG failed");
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(kPhotoWidth) * kPhotoHeight *
                                                      static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
  std::remove(jpg.c_str());
}
BENCHMARK(BM_SavetoJPEG)->Arg(80)->Arg(95)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

const char* Option(int argc, char** argv, const char* name) {
  const size_t n = std::strlen(name);
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], name, n) == 0) return argv[i] + n;
  return nullptr;
}

int main(int argc, char** argv) {
  if (const char* path = Option(argc, argv, "--make-input=")) {
    MakeInput(path);
    return 0;
  }
  // One call, as the peer tools are timed: --save=BMP --out=JPG --rate=N.
  if (const char* bmp = Option(argc, argv, "--save=")) {
    const char* out = Option(argc, argv, "--out=");
    const char* rate = Option(argc, argv, "--rate=");
    if (!out || !rate) return 2;
    return SavetoJPEG(bmp, out, static_cast<uint8_t>(std::atoi(rate)), 0) == kSaveJpgOk ? 0 : 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(Input().c_str());
  return 0;
}
