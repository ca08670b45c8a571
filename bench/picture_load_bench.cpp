// SPDX-License-Identifier: GPL-3.0-or-later
// Loading pictures from files: LoadPicture against the readers it replaced or wraps, on the
// 4000 x 3000 photograph-like picture. Bitmaps at 24 and 8 bits against Qt's reader (which
// LoadPicture used before it decoded bitmaps itself); a GIF against giflib's DGifSlurp, which
// decodes the same data without building a picture. Mpixel/s.
#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <unistd.h>

#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/photo_like.h"
#include "platform/picture/picture.h"

namespace {

using bench::kPhotoHeight;
using bench::kPhotoWidth;

std::string Scratch(const char* name) {
  return "/tmp/picture_load_bench_" + std::to_string(::getpid()) + "_" + name;
}

const std::string& Bmp24() {
  static const std::string path = [] {
    const std::string p = Scratch("24.bmp");
    platform::SavePicture(std::make_shared<platform::StdPicture>(bench::PhotoLike()), p);
    return p;
  }();
  return path;
}

QImage Indexed() {
  return bench::PhotoLike().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
}

const std::string& Bmp8() {
  static const std::string path = [] {
    const std::string p = Scratch("8.bmp");
    platform::SavePicture(std::make_shared<platform::StdPicture>(Indexed()), p);
    return p;
  }();
  return path;
}

const std::string& Gif() {
  static const std::string path = [] {
    const std::string p = Scratch("8.gif");
    const QImage image = Indexed();
    int error = 0;
    GifFileType* gif = EGifOpenFileName(p.c_str(), false, &error);
    std::vector<GifColorType> colours(256);
    for (int i = 0; i < image.colorCount() && i < 256; ++i)
      colours[i] = {static_cast<GifByteType>(qRed(image.color(i))),
                    static_cast<GifByteType>(qGreen(image.color(i))),
                    static_cast<GifByteType>(qBlue(image.color(i)))};
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifPutScreenDesc(gif, image.width(), image.height(), 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, image.width(), image.height(), false, nullptr);
    for (int y = 0; y < image.height(); ++y)
      EGifPutLine(gif, const_cast<GifPixelType*>(image.constScanLine(y)), image.width());
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return p;
  }();
  return path;
}

void Rate(benchmark::State& state) {
  state.counters["Mpixel/s"] = benchmark::Counter(static_cast<double>(kPhotoWidth) * kPhotoHeight *
                                                      static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void BM_LoadPicture(benchmark::State& state, const std::string& (*file)()) {
  const std::string& path = file();
  for (auto _ : state) benchmark::DoNotOptimize(platform::LoadPicture(path));
  Rate(state);
}

void BM_QtImageReader(benchmark::State& state, const std::string& (*file)()) {
  const QString path = QString::fromStdString(file());
  QImageReader::setAllocationLimit(0);
  for (auto _ : state) {
    QImageReader reader(path);
    benchmark::DoNotOptimize(reader.read());
  }
  Rate(state);
}

void BM_GiflibSlurp(benchmark::State& state) {
  const std::string& path = Gif();
  for (auto _ : state) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (!gif || DGifSlurp(gif) != GIF_OK) state.SkipWithError("giflib failed");
    DGifCloseFile(gif, &error);
  }
  Rate(state);
}

BENCHMARK_CAPTURE(BM_LoadPicture, bmp24, Bmp24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_QtImageReader, bmp24, Bmp24)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LoadPicture, bmp8, Bmp8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_QtImageReader, bmp8, Bmp8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_LoadPicture, gif, Gif)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GiflibSlurp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  for (const char* name : {"24.bmp", "8.bmp", "8.gif"}) std::remove(Scratch(name).c_str());
  return 0;
}
