// Palette building and halftone reduction throughput.
//
//   palette_bench [benchmark flags]     run the benchmarks
//   palette_bench --write-inputs DIR    write DIR/photo.ppm (the reduction picture),
//                                       DIR/halftone.gif (the 256 halftone entries as 16 x 16
//                                       pixels) and DIR/ours.ppm (our reduction, as RGB), so a
//                                       peer tool can be run on exactly the same pixels.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "giflib/engine/palette.h"
#include "platform/gdi/halftone.h"

namespace {

using pellory::Vesk_GifPictureType;

struct Picture {
  int width = 0, height = 0;
  std::vector<uint8_t> bgr;  // top row first
};

uint32_t NextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

uint8_t Clamp(double v) {
  return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

// Smooth gradients and soft shapes, plus sensor-like noise: hundreds of thousands of colours.
Picture MakePhoto(int w, int h) {
  Picture p{w, h, std::vector<uint8_t>(size_t{3} * w * h)};
  uint32_t rng = 0x2545F491u;
  uint8_t* out = p.bgr.data();
  for (int y = 0; y < h; ++y) {
    const double fy = static_cast<double>(y) / h;
    for (int x = 0; x < w; ++x) {
      const double fx = static_cast<double>(x) / w;
      const double shade = 0.5 + 0.5 * std::sin(6.0 * fx + 4.0 * fy * fy);
      const double r = 40 + 180 * fx * shade + 30 * std::sin(9.0 * fy);
      const double g = 30 + 160 * fy + 50 * std::cos(7.0 * fx * fy);
      const double b = 200 - 150 * fx * fy + 40 * shade;
      const uint32_t n = NextRandom(rng);
      *out++ = Clamp(b + static_cast<int>(n & 15) - 8);
      *out++ = Clamp(g + static_cast<int>((n >> 4) & 15) - 8);
      *out++ = Clamp(r + static_cast<int>((n >> 8) & 15) - 8);
    }
  }
  return p;
}

// A photograph reduced to a 8 x 8 x 4 colour grid: at most 256 colours, changing every few
// pixels, the hard case for the last-colour shortcut.
Picture MakePosterised(int w, int h) {
  Picture p = MakePhoto(w, h);
  for (size_t i = 0; i < p.bgr.size(); i += 3) {
    p.bgr[i] = p.bgr[i] & 0xC0;
    p.bgr[i + 1] = p.bgr[i + 1] & 0xE0;
    p.bgr[i + 2] = p.bgr[i + 2] & 0xE0;
  }
  return p;
}

// Flat areas, as in drawings and screenshots: 200 colours in horizontal runs.
Picture MakeFlat(int w, int h) {
  Picture p{w, h, std::vector<uint8_t>(size_t{3} * w * h)};
  uint8_t* out = p.bgr.data();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int c = ((x / 40) * 7 + (y / 30) * 13) % 200;
      *out++ = static_cast<uint8_t>(c);
      *out++ = static_cast<uint8_t>(255 - c);
      *out++ = static_cast<uint8_t>(c * 3);
    }
  return p;
}

size_t DistinctColours(const Picture& p) {
  std::vector<uint64_t> seen((1u << 24) / 64);
  size_t n = 0;
  for (size_t i = 0; i < p.bgr.size(); i += 3) {
    const uint32_t c = p.bgr[i] | (p.bgr[i + 1] << 8) | (p.bgr[i + 2] << 16);
    uint64_t& word = seen[c >> 6];
    const uint64_t bit = uint64_t{1} << (c & 63);
    if (!(word & bit)) word |= bit, ++n;
  }
  return n;
}

const Picture& Photo() {
  static const Picture p = MakePhoto(4000, 3000);
  return p;
}

Vesk_GifPictureType Describe(const Picture& p, bool handleOver256) {
  Vesk_GifPictureType picture;
  picture.GifSetting.biWidth = p.width;
  picture.GifSetting.biHeight = p.height;
  picture.GifSetting.HandleOver256Color = handleOver256;
  return picture;
}

void SetRate(benchmark::State& state, const Picture& p) {
  state.counters["Mpixel/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * p.width * p.height / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_ReduceColor_Photo4000x3000(benchmark::State& state) {
  const Picture& p = Photo();
  Vesk_GifPictureType picture = Describe(p, true);
  for (auto _ : state) {
    if (!pellory::engine::ReduceColor(picture, p.bgr)) state.SkipWithError("ReduceColor failed");
    benchmark::DoNotOptimize(picture.BitmapData.data());
  }
  SetRate(state, p);
}
BENCHMARK(BM_ReduceColor_Photo4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void RunMakePalette(benchmark::State& state, const Picture& p) {
  Vesk_GifPictureType picture = Describe(p, false);
  for (auto _ : state) {
    if (!pellory::engine::MakePalette(picture, p.bgr)) state.SkipWithError("MakePalette failed");
    benchmark::DoNotOptimize(picture.BitmapData.data());
  }
  SetRate(state, p);
}

void BM_MakePalette_Posterised1920x1080(benchmark::State& state) {
  static const Picture p = MakePosterised(1920, 1080);
  RunMakePalette(state, p);
}
BENCHMARK(BM_MakePalette_Posterised1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MakePalette_FlatAreas1920x1080(benchmark::State& state) {
  static const Picture p = MakeFlat(1920, 1080);
  RunMakePalette(state, p);
}
BENCHMARK(BM_MakePalette_FlatAreas1920x1080)->Unit(benchmark::kMillisecond)->UseRealTime();

// The lookup alone: random colours in random order, so neither runs nor caches help.
void BM_NearestHalftoneIndex(benchmark::State& state) {
  uint32_t rng = 12345;
  std::vector<uint32_t> colours(1 << 16);
  for (uint32_t& c : colours) c = NextRandom(rng) & 0xFFFFFF;
  for (auto _ : state)
    for (uint32_t c : colours)
      benchmark::DoNotOptimize(platform::NearestHalftoneIndex(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
  state.counters["Mcolour/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * colours.size() / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_NearestHalftoneIndex);

bool WritePpm(const std::string& path, int w, int h, const std::vector<uint8_t>& rgb) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  std::fprintf(f, "P6\n%d %d\n255\n", w, h);
  const bool ok = std::fwrite(rgb.data(), 1, rgb.size(), f) == rgb.size();
  return std::fclose(f) == 0 && ok;
}

bool WriteHalftoneGif(const std::string& path) {
  GifColorType colours[256];
  const auto& halftone = platform::HalftonePalette();
  for (int i = 0; i < 256; ++i) colours[i] = {halftone[i].red, halftone[i].green, halftone[i].blue};
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) return false;
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = map && EGifPutScreenDesc(gif, 16, 16, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, 16, 16, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < 16; ++y) {
    GifPixelType row[16];
    for (int x = 0; x < 16; ++x) row[x] = static_cast<GifPixelType>(y * 16 + x);
    ok = EGifPutLine(gif, row, 16) == GIF_OK;
  }
  GifFreeMapObject(map);
  return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

int WriteInputs(const std::string& dir) {
  const Picture& p = Photo();
  std::vector<uint8_t> rgb(p.bgr.size());
  for (size_t i = 0; i < p.bgr.size(); i += 3)
    rgb[i] = p.bgr[i + 2], rgb[i + 1] = p.bgr[i + 1], rgb[i + 2] = p.bgr[i];
  if (!WritePpm(dir + "/photo.ppm", p.width, p.height, rgb)) return 1;
  if (!WriteHalftoneGif(dir + "/halftone.gif")) return 1;

  Vesk_GifPictureType picture = Describe(p, true);
  if (!pellory::engine::ReduceColor(picture, p.bgr)) return 1;
  for (size_t i = 0; i < picture.BitmapData.size(); ++i) {
    const auto& e = picture.ColorTable[picture.BitmapData[i]];
    rgb[3 * i] = e.gRed, rgb[3 * i + 1] = e.gGreen, rgb[3 * i + 2] = e.gBlue;
  }
  if (!WritePpm(dir + "/ours.ppm", p.width, p.height, rgb)) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--write-inputs") == 0) {
      const int rc = WriteInputs(argv[i + 1]);
      if (rc != 0) std::fprintf(stderr, "cannot write the inputs to %s\n", argv[i + 1]);
      return rc;
    }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("photo_4000x3000_distinct_colours",
                              std::to_string(DistinctColours(Photo())));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
