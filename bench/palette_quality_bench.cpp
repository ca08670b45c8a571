// SPDX-License-Identifier: GPL-3.0-or-later
// Colour reduction of photographs to 256 colours, judged by how far the result is from the
// picture: the whole job of one process (picture file in, GIF file out) and the score.
//
//   palette_quality_bench --write-inputs DIR        DIR/photo.ppm (the 4000 x 3000 photograph-
//                                                   like picture) and DIR/nature.ppm (1600 x
//                                                   1200: sky, sun, hills, water, grass)
//   palette_quality_bench --reduce MODE IN OUT.gif  halftone | adaptive | dither: reads IN,
//                                                   reduces it as the program does (SetPicture)
//                                                   and writes an LZW GIF
//   palette_quality_bench --score ORIGINAL REDUCED  prints the mean CIEDE2000 and the PSNR (dB,
//                                                   over R, G and B) of REDUCED against ORIGINAL
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/photo_like.h"
#include "giflib/object/vesk_gif_object.h"

namespace {

// ---- A natural-looking picture ----------------------------------------------------------------

float Hash(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return static_cast<float>((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Smooth value noise summed over octaves: 0 to about 1.
float Fbm(float x, float y, int octaves) {
  float sum = 0, amplitude = 0.5f;
  for (int o = 0; o < octaves; ++o) {
    const int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    float fx = x - xi, fy = y - yi;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    const float a = Hash(xi, yi) + (Hash(xi + 1, yi) - Hash(xi, yi)) * fx;
    const float b = Hash(xi, yi + 1) + (Hash(xi + 1, yi + 1) - Hash(xi, yi + 1)) * fx;
    sum += amplitude * (a + (b - a) * fy);
    amplitude *= 0.5f;
    x = x * 2.03f + 17.0f;
    y = y * 2.03f + 31.0f;
  }
  return sum;
}

QImage Nature() {
  const int w = 1600, h = 1200, horizon = 640;
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      float r, g, b;
      const float ridge = horizon - 260 * Fbm(x / 420.0f, 3.0f, 5);
      const float near = horizon + 40 - 120 * Fbm(x / 260.0f, 9.0f, 4);
      if (y < ridge) {  // sky with a sun and clouds
        const float t = static_cast<float>(y) / horizon;
        r = 70 + 150 * t, g = 120 + 110 * t, b = 210 + 35 * t;
        const float dx = x - 1150.0f, dy = y - 210.0f, d = std::sqrt(dx * dx + dy * dy);
        const float glow = std::exp(-d / 160.0f);
        r += (255 - r) * glow, g += (245 - g) * glow, b += (200 - b) * glow * 0.7f;
        const float cloud = std::clamp((Fbm(x / 300.0f, y / 90.0f, 6) - 0.5f) * 3.0f, 0.0f, 1.0f);
        r += (250 - r) * cloud, g += (250 - g) * cloud, b += (252 - b) * cloud;
      } else if (y < near) {  // far hills, bluish with height
        const float n = Fbm(x / 60.0f, y / 60.0f, 5);
        const float haze = std::clamp((near - y) / 300.0f, 0.0f, 1.0f);
        r = 60 + 50 * n, g = 95 + 60 * n, b = 70 + 30 * n;
        r += (150 - r) * haze * 0.6f, g += (170 - g) * haze * 0.6f, b += (200 - b) * haze * 0.6f;
      } else if (y < 900) {  // water reflecting the sky, with ripples
        const float t = static_cast<float>(y - near) / (900 - near);
        const float ripple = Fbm(x / 25.0f, y / 4.0f, 3);
        r = 60 + 60 * t + 40 * ripple, g = 100 + 50 * t + 40 * ripple,
        b = 150 + 40 * t + 30 * ripple;
      } else {  // grass and earth in the foreground
        const float n = Fbm(x / 18.0f, y / 18.0f, 6), m = Fbm(x / 200.0f, y / 200.0f, 3);
        r = 60 + 90 * m + 40 * n, g = 90 + 70 * n + 30 * m, b = 30 + 30 * n;
      }
      row[x] =
          qRgb(std::clamp(static_cast<int>(r), 0, 255), std::clamp(static_cast<int>(g), 0, 255),
               std::clamp(static_cast<int>(b), 0, 255));
    }
  }
  return image;
}

// ---- CIEDE2000 -------------------------------------------------------------------------------

struct Lab {
  double L, a, b;
};

double Linear(int c) {
  const double v = c / 255.0;
  return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

Lab ToLab(QRgb p) {
  static double linear[256];
  static bool ready = false;
  if (!ready) {
    for (int i = 0; i < 256; ++i) linear[i] = Linear(i);
    ready = true;
  }
  const double r = linear[qRed(p)], g = linear[qGreen(p)], b = linear[qBlue(p)];
  // sRGB to XYZ (D65), relative to the white point.
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
  auto f = [](double t) {
    return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116;
  };
  const double fx = f(x), fy = f(y), fz = f(z);
  return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

// Sharma, Wu and Dalal's formulation, kL = kC = kH = 1.
double Ciede2000(const Lab& p, const Lab& q) {
  constexpr double kPi = 3.14159265358979323846;
  auto deg = [](double r) { return r * 180.0 / kPi; };
  auto rad = [](double d) { return d * kPi / 180.0; };
  const double c1 = std::hypot(p.a, p.b), c2 = std::hypot(q.a, q.b);
  const double cm = (c1 + c2) / 2, cm7 = std::pow(cm, 7);
  const double g = 0.5 * (1 - std::sqrt(cm7 / (cm7 + std::pow(25.0, 7))));
  const double a1 = (1 + g) * p.a, a2 = (1 + g) * q.a;
  const double c1p = std::hypot(a1, p.b), c2p = std::hypot(a2, q.b);
  auto hue = [&](double b, double a) {
    if (a == 0 && b == 0) return 0.0;
    double h = deg(std::atan2(b, a));
    return h < 0 ? h + 360 : h;
  };
  const double h1 = hue(p.b, a1), h2 = hue(q.b, a2);
  const double dL = q.L - p.L, dC = c2p - c1p;
  double dh = 0;
  if (c1p * c2p != 0) {
    dh = h2 - h1;
    if (dh > 180) dh -= 360;
    if (dh < -180) dh += 360;
  }
  const double dH = 2 * std::sqrt(c1p * c2p) * std::sin(rad(dh / 2));
  const double lm = (p.L + q.L) / 2, cmp = (c1p + c2p) / 2;
  double hm = h1 + h2;
  if (c1p * c2p != 0) {
    if (std::abs(h1 - h2) <= 180)
      hm = (h1 + h2) / 2;
    else
      hm = (h1 + h2 < 360) ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2;
  }
  const double t = 1 - 0.17 * std::cos(rad(hm - 30)) + 0.24 * std::cos(rad(2 * hm)) +
                   0.32 * std::cos(rad(3 * hm + 6)) - 0.20 * std::cos(rad(4 * hm - 63));
  const double dTheta = 30 * std::exp(-std::pow((hm - 275) / 25, 2));
  const double cmp7 = std::pow(cmp, 7);
  const double rc = 2 * std::sqrt(cmp7 / (cmp7 + std::pow(25.0, 7)));
  const double sl = 1 + 0.015 * (lm - 50) * (lm - 50) / std::sqrt(20 + (lm - 50) * (lm - 50));
  const double sc = 1 + 0.045 * cmp, sh = 1 + 0.015 * cmp * t;
  const double rt = -std::sin(rad(2 * dTheta)) * rc;
  return std::sqrt((dL / sl) * (dL / sl) + (dC / sc) * (dC / sc) + (dH / sh) * (dH / sh) +
                   rt * (dC / sc) * (dH / sh));
}

int Score(const char* originalPath, const char* reducedPath) {
  const QImage original = QImage(originalPath).convertToFormat(QImage::Format_RGB32);
  const QImage reduced = QImage(reducedPath).convertToFormat(QImage::Format_RGB32);
  if (original.isNull() || reduced.isNull() || original.size() != reduced.size()) {
    std::fprintf(stderr, "cannot compare %s with %s\n", originalPath, reducedPath);
    return 1;
  }
  double deltaE = 0, squared = 0;
  for (int y = 0; y < original.height(); ++y) {
    const QRgb* a = reinterpret_cast<const QRgb*>(original.constScanLine(y));
    const QRgb* b = reinterpret_cast<const QRgb*>(reduced.constScanLine(y));
    for (int x = 0; x < original.width(); ++x) {
      if (a[x] != b[x]) deltaE += Ciede2000(ToLab(a[x]), ToLab(b[x]));
      const int dr = qRed(a[x]) - qRed(b[x]), dg = qGreen(a[x]) - qGreen(b[x]),
                db = qBlue(a[x]) - qBlue(b[x]);
      squared += dr * dr + dg * dg + db * db;
    }
  }
  const double n = static_cast<double>(original.width()) * original.height();
  const double mse = squared / (3 * n);
  std::printf("%.3f %.2f\n", deltaE / n, mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse));
  return 0;
}

int Reduce(const std::string& mode, const char* in, const char* out) {
  pellory::Vesk_GifObject gif;
  gif.TempPathMode(pellory::TempSystem);
  gif.Compression(pellory::LzwCodes);
  gif.ReduceColorMode(mode == "halftone"   ? pellory::rcHalftone
                      : mode == "adaptive" ? pellory::rcAdaptive
                                           : pellory::rcAdaptiveDither);
  // A photograph has no background to leave out.
  gif.Transparent(pellory::TransOff);
  const QImage image(in);
  if (image.isNull()) return 1;
  if (!gif.SetPicture(std::make_shared<platform::StdPicture>(image))) return 1;
  gif.Transparent(pellory::TransOff);
  return gif.SaveGifPicture(out) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "--write-inputs" && argc == 3) {
    const std::string dir = argv[2];
    return bench::PhotoLike().save(QString::fromStdString(dir + "/photo.ppm")) &&
                   Nature().save(QString::fromStdString(dir + "/nature.ppm"))
               ? 0
               : 1;
  }
  if (command == "--reduce" && argc == 5) return Reduce(argv[2], argv[3], argv[4]);
  if (command == "--score" && argc == 4) {
    // Pairs 1 and 17 of Sharma, Wu and Dalal's test data: the formula, not only its shape.
    const double d1 = Ciede2000({50, 2.6772, -79.7751}, {50, 0, -82.7485});
    const double d17 = Ciede2000({50, 2.5, 0}, {73, 25, -18});
    if (std::abs(d1 - 2.0425) > 1e-4 || std::abs(d17 - 27.1492) > 1e-4) {
      std::fprintf(stderr, "CIEDE2000 self-check failed: %.4f %.4f\n", d1, d17);
      return 1;
    }
    return Score(argv[2], argv[3]);
  }
  std::fprintf(stderr,
               "usage: %s --write-inputs DIR | --reduce halftone|adaptive|dither IN OUT.gif | "
               "--score ORIGINAL REDUCED\n",
               argv[0]);
  return 2;
}
