// The transparency editor's drawing: a full-HD piece laid onto a full-HD target with one colour
// keyed out, through PE (mask, AND, OR through four contexts and three bitmaps per call).
//   transparency_editor_bench                       Google Benchmark, Mpixel/s
//   transparency_editor_bench --write-input S T     writes the piece and target as BMP files
//   transparency_editor_bench --seconds S T         best of 5 DrawP calls on those files, seconds
#include <benchmark/benchmark.h>

#include <QImage>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "app/editors/transparency/colour_key_blit.h"

namespace {

using namespace platform;
using namespace kestrin;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr uint32_t kKey = 0x00FF00;  // colour value: green

// Noise with about a third of the pixels in the key colour, in runs as a cut-out has them.
QImage Piece() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  uint32_t seed = 0x9E3779B9u;
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      row[x] = ((x / 16 + y / 16) % 3 == 0) ? 0xFF00FF00u : 0xFF000000u | (seed & 0xFF00FF);
    }
  }
  return image;
}

QImage Target() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) image.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, 128));
  return image;
}

struct Dc {
  explicit Dc(const QImage& image) : bitmap(CreateBitmapFromImage(image)) {
    dc = CreateCompatibleDC(0);
    old = SelectObject(dc, bitmap);
  }
  ~Dc() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  HBitmap bitmap;
  Hdc dc;
  HGdiObj old;
};

void BM_DrawPFullHd(benchmark::State& state) {
  PE pe;
  Dc piece(Piece()), target(Target());
  for (auto _ : state) pe.DrawP(target.dc, 0, 0, kWidth, kHeight, piece.dc, 0, 0, kKey, 0);
  state.counters["Mpixel/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawPFullHd)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write-input") == 0)
    return Piece().save(argv[2], "BMP") && Target().save(argv[3], "BMP") ? 0 : 1;
  if (argc == 4 && std::strcmp(argv[1], "--seconds") == 0) {
    PE pe;
    const QImage target = QImage(argv[3]).convertToFormat(QImage::Format_RGB32);
    Dc piece{QImage(argv[2])};
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
      Dc t(target.copy());  // a fresh target each time, as Pillow gets, already in memory
      const auto t0 = std::chrono::steady_clock::now();
      pe.DrawP(t.dc, 0, 0, kWidth, kHeight, piece.dc, 0, 0, kKey, 0);
      best = std::min(best,
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::printf("%.5f\n", best);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
