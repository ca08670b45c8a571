// Test pictures of the benchmarks: about 100 colours in soft shapes, like a small drawing.
#pragma once

#include <cmath>
#include <string>

#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/files.h"

namespace bench {

// Rings around the centre (one colour step per `ring` pixels), waves of `wave` pixels and
// bands `band` pixels wide.
inline platform::Picture SoftDrawing(int width, int height, double ring, double wave, int band,
                                     int colours = 100) {
  QImage image(width, height, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (int i = 0; i < colours; ++i)
    table.push_back(qRgb((i * 53) % 256, (i * 97 + 40) % 256, (i * 31 + 90) % 256));
  image.setColorTable(table);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - width / 2.0, y - height / 2.0);
      int c = static_cast<int>(d / ring + 10 * std::sin(x / wave) + (x / band) * 7) % colours;
      image.scanLine(y)[x] = static_cast<uchar>(c < 0 ? -c : c);
    }
  return std::make_shared<platform::StdPicture>(image);
}

// Writes a picture as an opaque GIF file for the peer tools, replacing any file there.
inline bool WriteGif(const platform::Picture& picture, const std::string& path) {
  pellory::Vesk_GifObject gif;
  gif.TempPathMode(pellory::TempSystem);
  gif.SetPicture(picture);
  gif.Transparent(pellory::TransOff);
  platform::RemoveFileIfExists(path);
  return gif.SaveGifPicture(path);
}

}  // namespace bench
