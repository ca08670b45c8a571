// BitBlt throughput on a full-HD surface, in Mpixel/s, for the raster operations of the
// transparent drawing: SRCAND and SRCPAINT between colour bitmaps, and SRCAND of a monochrome
// mask into colour (the conversion folded into the same loop). The counter reads as a rate of
// Mpixel, so "Mpixel/s=2.2k/s" is 2200 Mpixel/s.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstdint>

#include "platform/gdi/device_context.h"

namespace {

using namespace platform;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

QImage Noise(uint32_t seed) {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  for (int y = 0; y < kHeight; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      row[x] = 0xFF000000u | (seed & 0xFFFFFF);
    }
  }
  return image;
}

struct Surfaces {
  Surfaces(bool monoSource) {
    dst = CreateCompatibleDC(0);
    src = CreateCompatibleDC(0);
    dstBitmap = CreateBitmapFromImage(Noise(0x2545F491u));
    srcBitmap = CreateBitmapFromImage(Noise(0x9E3779B9u));
    dstOld = SelectObject(dst, dstBitmap);
    srcOld = SelectObject(src, srcBitmap);
    if (monoSource) {
      // A mask made the way the transparent drawing makes it: one colour of the source keyed.
      mask = CreateBitmap(kWidth, kHeight, 1, 1, nullptr);
      maskDc = CreateCompatibleDC(0);
      maskOld = SelectObject(maskDc, mask);
      SetBkColor(src, GetPixel(src, 0, 0));
      BitBlt(maskDc, 0, 0, kWidth, kHeight, src, 0, 0, kRopSrcCopy);
    }
  }
  ~Surfaces() {
    if (maskDc) {
      SelectObject(maskDc, maskOld);
      DeleteDC(maskDc);
      DeleteObject(mask);
    }
    SelectObject(dst, dstOld);
    SelectObject(src, srcOld);
    DeleteDC(dst);
    DeleteDC(src);
    DeleteObject(dstBitmap);
    DeleteObject(srcBitmap);
  }
  Hdc dst = 0, src = 0, maskDc = 0;
  HBitmap dstBitmap = 0, srcBitmap = 0, mask = 0;
  HGdiObj dstOld = 0, srcOld = 0, maskOld = 0;
};

void Run(benchmark::State& state, uint32_t rop, bool monoSource) {
  Surfaces s(monoSource);
  const Hdc from = monoSource ? s.maskDc : s.src;
  for (auto _ : state) {
    if (!BitBlt(s.dst, 0, 0, kWidth, kHeight, from, 0, 0, rop)) state.SkipWithError("BitBlt");
    benchmark::ClobberMemory();
  }
  state.counters["Mpixel/s"] =
      benchmark::Counter(static_cast<double>(kWidth) * kHeight * state.iterations() / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_BitBltSrcAnd(benchmark::State& state) {
  Run(state, kRopSrcAnd, false);
}
void BM_BitBltSrcPaint(benchmark::State& state) {
  Run(state, kRopSrcPaint, false);
}
void BM_BitBltSrcAndMonoMask(benchmark::State& state) {
  Run(state, kRopSrcAnd, true);
}
void BM_BitBltSrcCopyToMono(benchmark::State& state) {
  Surfaces s(true);
  for (auto _ : state) {
    if (!BitBlt(s.maskDc, 0, 0, kWidth, kHeight, s.src, 0, 0, kRopSrcCopy))
      state.SkipWithError("BitBlt");
    benchmark::ClobberMemory();
  }
  state.counters["Mpixel/s"] =
      benchmark::Counter(static_cast<double>(kWidth) * kHeight * state.iterations() / 1e6,
                         benchmark::Counter::kIsRate);
}

BENCHMARK(BM_BitBltSrcAnd)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltSrcPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltSrcAndMonoMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BitBltSrcCopyToMono)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
