// ReduceColor, the exact nearest-entry reduction to the 256-entry halftone palette, on the
// 4000 x 3000 photograph-like picture of the JPEG benchmark.
//
//   reduce_photo_bench [benchmark flags]      run the benchmark (Mpixel/s)
//   reduce_photo_bench --write-input DIR      write DIR/photo.bmp and DIR/halftone.pal (the
//                                             palette as 256 red, green, blue triples)
//   reduce_photo_bench --seconds DIR RUNS     reduce DIR/photo.bmp RUNS times, print the first
//                                             call's and the best call's seconds, and write the
//                                             indices to DIR/ours.idx
//   reduce_photo_bench --check DIR FILE...    for each index file (one byte per pixel, top row
//                                             first), print how many pixels got an entry farther
//                                             than the nearest, and how many got another entry
//                                             than the first of the nearest (the library's
//                                             choice on a tie), both found here by brute force
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/photo_like.h"
#include "giflib/engine/palette.h"
#include "platform/gdi/halftone.h"
#include "platform/picture/picture.h"

namespace {

using pellory::Vesk_GifPictureType;

// The library's input: blue, green, red per pixel, top row first.
std::vector<uint8_t> Bgr(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  std::vector<uint8_t> bgr;
  bgr.reserve(size_t{3} * image.width() * image.height());
  for (int y = 0; y < image.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      bgr.insert(bgr.end(),
                 {static_cast<uint8_t>(qBlue(row[x])), static_cast<uint8_t>(qGreen(row[x])),
                  static_cast<uint8_t>(qRed(row[x]))});
  }
  return bgr;
}

Vesk_GifPictureType Describe(const QImage& image) {
  Vesk_GifPictureType picture;
  picture.GifSetting.biWidth = image.width();
  picture.GifSetting.biHeight = image.height();
  picture.GifSetting.HandleOver256Color = true;
  return picture;
}

void BM_ReduceColor_PhotoLike4000x3000(benchmark::State& state) {
  static const QImage image = bench::PhotoLike();
  static const std::vector<uint8_t> bgr = Bgr(image);
  Vesk_GifPictureType picture = Describe(image);
  for (auto _ : state) {
    if (!pellory::engine::ReduceColor(picture, bgr)) state.SkipWithError("ReduceColor failed");
    benchmark::DoNotOptimize(picture.BitmapData.data());
  }
  state.counters["Mpixel/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * image.width() * image.height() / 1e6,
      benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReduceColor_PhotoLike4000x3000)->Unit(benchmark::kMillisecond)->UseRealTime();

bool WriteFile(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

int WriteInput(const std::string& dir) {
  platform::SavePicture(std::make_shared<platform::StdPicture>(bench::PhotoLike()),
                        dir + "/photo.bmp");
  std::vector<uint8_t> palette;
  for (const platform::PaletteEntry& e : platform::HalftonePalette())
    palette.insert(palette.end(), {e.red, e.green, e.blue});
  return WriteFile(dir + "/halftone.pal", palette.data(), palette.size()) ? 0 : 1;
}

int Seconds(const std::string& dir, int runs) {
  const QImage image = platform::LoadPicture(dir + "/photo.bmp")->Image();
  const std::vector<uint8_t> bgr = Bgr(image);
  Vesk_GifPictureType picture = Describe(image);
  double first = 0, best = 1e9;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!pellory::engine::ReduceColor(picture, bgr)) return 1;
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (i == 0) first = t;
    best = std::min(best, t);
  }
  std::printf("%.5f %.5f\n", first, best);
  return WriteFile(dir + "/ours.idx", picture.BitmapData.data(), picture.BitmapData.size()) ? 0 : 1;
}

// Squared distance from (r, g, b) to an entry.
int Distance(const platform::PaletteEntry& e, int r, int g, int b) {
  return (r - e.red) * (r - e.red) + (g - e.green) * (g - e.green) + (b - e.blue) * (b - e.blue);
}

int Check(const std::string& dir, int count, char** files) {
  const QImage image =
      platform::LoadPicture(dir + "/photo.bmp")->Image().convertToFormat(QImage::Format_RGB32);
  const auto& palette = platform::HalftonePalette();
  // The nearest distance of each colour met and the first entry at that distance, found by
  // trying every entry; distance -1 until computed.
  struct Nearest {
    int32_t distance = -1;
    uint8_t first = 0;
  };
  std::vector<Nearest> nearest(size_t{1} << 24);
  for (int f = 0; f < count; ++f) {
    std::ifstream in(files[f], std::ios::binary);
    const std::vector<uint8_t> indices{std::istreambuf_iterator<char>(in), {}};
    if (indices.size() != static_cast<size_t>(image.width()) * image.height()) {
      std::fprintf(stderr, "%s: %zu indices for %d pixels\n", files[f], indices.size(),
                   image.width() * image.height());
      return 1;
    }
    size_t farther = 0, notFirst = 0;
    const uint8_t* index = indices.data();
    for (int y = 0; y < image.height(); ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x, ++index) {
        const int r = qRed(row[x]), g = qGreen(row[x]), b = qBlue(row[x]);
        Nearest& n = nearest[row[x] & 0xFFFFFF];
        if (n.distance < 0) {
          n.distance = Distance(palette[0], r, g, b);
          for (int i = 1; i < 256; ++i)
            if (const int d = Distance(palette[i], r, g, b); d < n.distance)
              n.distance = d, n.first = static_cast<uint8_t>(i);
        }
        farther += Distance(palette[*index], r, g, b) > n.distance;
        notFirst += *index != n.first;
      }
    }
    std::printf("%zu %zu%c", farther, notFirst, f + 1 < count ? ' ' : '\n');
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-input") == 0) return WriteInput(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--seconds") == 0)
    return Seconds(argv[2], std::max(1, std::atoi(argv[3])));
  if (argc >= 4 && std::strcmp(argv[1], "--check") == 0) return Check(argv[2], argc - 3, argv + 3);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
