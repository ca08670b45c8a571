// The 4000 x 3000 photograph-like test picture that the JPEG writer's and the colour reduction's
// benchmarks share: gradients, a disc, a checker of soft blue and a little noise.
#pragma once

#include <QImage>
#include <algorithm>
#include <cstdint>

namespace bench {

inline constexpr int kPhotoWidth = 4000, kPhotoHeight = 3000;

// Gradients, soft shapes and a little noise: the mix a photograph gives an encoder, so that
// the file sizes mean something.
inline QImage PhotoLike() {
  QImage image(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
  uint32_t seed = 12345;
  for (int y = 0; y < kPhotoHeight; ++y) {
    QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kPhotoWidth; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 28) - 8;
      const int dx = x - 2600, dy = y - 1200;
      const bool disc = dx * dx + dy * dy < 700 * 700;
      const int r = (disc ? 220 : x * 200 / kPhotoWidth) + noise;
      const int g = (disc ? 140 : y * 180 / kPhotoHeight + 30) + noise;
      const int b = ((x / 40 + y / 40) % 2 ? 90 : 120) + noise;
      row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    }
  }
  return image;
}

}  // namespace bench
