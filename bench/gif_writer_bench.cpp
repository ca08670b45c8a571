// Throughput of the GIF writer against giflib's own LZW encoder on the same 4096 x 4096 picture:
// the literal codes (the default), and real LZW, as an encoder alone and as a whole save, with
// the bytes each writes.
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "giflib/engine/gif_writer.h"
#include "giflib/engine/lzw_encoder.h"

namespace {

constexpr int kSide = 4096;

// 64 x 64 tiles, each either a smooth gradient or noise, so that giflib's LZW meets both
// easy and hard data, as in a real picture.
const pellory::Vesk_GifPictureType& Picture() {
  static const pellory::Vesk_GifPictureType pic = [] {
    pellory::Vesk_GifPictureType p;
    p.GifSetting.biWidth = kSide;
    p.GifSetting.biHeight = kSide;
    p.GifSetting.PaletteSize = 256;
    p.GifSetting.Transparent = pellory::TransOff;
    for (int i = 0; i < 256; ++i)
      p.ColorTable.push_back(
          {static_cast<uint8_t>(i), static_cast<uint8_t>(i / 2), static_cast<uint8_t>(255 - i)});
    p.BitmapData.resize(static_cast<size_t>(kSide) * kSide);
    std::mt19937 rng(42);
    std::vector<bool> noisy((kSide / 64) * (kSide / 64));
    for (size_t t = 0; t < noisy.size(); ++t) noisy[t] = rng() % 3 == 0;
    for (int y = 0; y < kSide; ++y)
      for (int x = 0; x < kSide; ++x) {
        const bool noise = noisy[(y / 64) * (kSide / 64) + x / 64];
        p.BitmapData[static_cast<size_t>(y) * kSide + x] =
            static_cast<uint8_t>(noise ? rng() : (x + y) / 32);
      }
    return p;
  }();
  return pic;
}

std::string OutputPath(const char* tag) {
  const std::filesystem::path dir = std::filesystem::is_directory("/dev/shm")
                                        ? "/dev/shm"
                                        : std::filesystem::temp_directory_path();
  return (dir / ("kestrin-gif-bench-" + std::to_string(::getpid()) + "-" + tag + ".gif")).string();
}

void SetPixelRate(benchmark::State& state) {
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(kSide) * kSide / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ChangeLZW(benchmark::State& state) {
  const auto& pic = Picture();
  std::vector<uint8_t> codes;
  for (auto _ : state) {
    if (!pellory::engine::ChangeLZW(pic.BitmapData, codes)) state.SkipWithError("ChangeLZW");
    benchmark::DoNotOptimize(codes.data());
  }
  SetPixelRate(state);
}

void BM_EncodeLzw(benchmark::State& state) {
  const auto& pic = Picture();
  std::vector<uint8_t> codes;
  for (auto _ : state) {
    pellory::engine::EncodeLzw(pic.BitmapData.data(), pic.BitmapData.size(), 8, codes);
    benchmark::DoNotOptimize(codes.data());
  }
  state.counters["bytes"] = static_cast<double>(codes.size());
  SetPixelRate(state);
}

void BM_SaveGifPicture(benchmark::State& state) {
  auto pic = Picture();
  pic.GifSetting.Compression = static_cast<pellory::Vesk_GifCompressionEnum>(state.range(0));
  const std::string path = OutputPath("ours");
  for (auto _ : state)
    if (!pellory::engine::Actual_SaveGifPicture(pic, path)) state.SkipWithError("save");
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::remove(path.c_str());
  SetPixelRate(state);
}

bool GiflibSave(const pellory::Vesk_GifPictureType& pic, const std::string& path) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) return false;
  std::vector<GifColorType> colours;
  for (const auto& e : pic.ColorTable) colours.push_back({e.gRed, e.gGreen, e.gBlue});
  ColorMapObject* map = GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
  const int w = pic.GifSetting.biWidth, h = pic.GifSetting.biHeight;
  bool ok = map && EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_OK;
  auto* row = const_cast<GifPixelType*>(pic.BitmapData.data());
  for (int y = 0; ok && y < h; ++y, row += w) ok = EGifPutLine(gif, row, w) == GIF_OK;
  GifFreeMapObject(map);
  return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

void BM_GiflibEncoder(benchmark::State& state) {
  const auto& pic = Picture();
  const std::string path = OutputPath("giflib");
  for (auto _ : state)
    if (!GiflibSave(pic, path)) state.SkipWithError("giflib");
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
  std::remove(path.c_str());
  SetPixelRate(state);
}

BENCHMARK(BM_ChangeLZW)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeLzw)->Unit(benchmark::kMillisecond)->UseRealTime();
// 0: literal codes, 1: LZW.
BENCHMARK(BM_SaveGifPicture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GiflibEncoder)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prints as usual and keeps each benchmark's pixel rate for the closing ratios.
class RateReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> rates;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      auto it = r.counters.find("Mpixel/s");
      if (!r.error_occurred && it != r.counters.end()) rates[r.benchmark_name()] = it->second;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RateReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  auto rate = [&](const char* prefix) {
    for (const auto& [name, value] : reporter.rates)
      if (name.rfind(prefix, 0) == 0) return value;
    return 0.0;
  };
  const double giflib = rate("BM_GiflibEncoder");
  if (giflib > 0) {
    std::printf("ratio whole save, literal codes / giflib: %.2f\n",
                rate("BM_SaveGifPicture/0") / giflib);
    std::printf("ratio whole save, LZW / giflib: %.2f\n", rate("BM_SaveGifPicture/1") / giflib);
    std::printf("ratio ChangeLZW / giflib: %.2f\n", rate("BM_ChangeLZW") / giflib);
    std::printf("ratio EncodeLzw / giflib: %.2f\n", rate("BM_EncodeLzw") / giflib);
  }
  return 0;
}
