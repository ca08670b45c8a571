#include "giflib/tests/pictures.h"

#include <cstring>

namespace pellory::testing {

platform::Picture MakeIndexedPicture(int width, int height,
                                     const std::vector<Vesk_GIFRGBTRIPLE>& palette,
                                     const std::vector<uint8_t>& indices, int transparent) {
  QImage image(width, height, QImage::Format_Indexed8);
  QList<QRgb> table;
  for (size_t i = 0; i < palette.size(); ++i) {
    const auto& e = palette[i];
    table.push_back(static_cast<int>(i) == transparent ? qRgba(e.gRed, e.gGreen, e.gBlue, 0)
                                                       : qRgb(e.gRed, e.gGreen, e.gBlue));
  }
  image.setColorTable(table);
  for (int y = 0; y < height; ++y)
    std::memcpy(image.scanLine(y), &indices[static_cast<size_t>(y) * width], width);
  return std::make_shared<platform::StdPicture>(image);
}

platform::Picture MakeRgbPicture(int width, int height, const std::vector<uint32_t>& rgb) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, 0xFF000000u | rgb[static_cast<size_t>(y) * width + x]);
  return std::make_shared<platform::StdPicture>(image);
}

std::vector<uint8_t> IndicesOf(const platform::Picture& picture) {
  const QImage& image = picture->Image();
  std::vector<uint8_t> out;
  for (int y = 0; y < image.height(); ++y)
    out.insert(out.end(), image.constScanLine(y), image.constScanLine(y) + image.width());
  return out;
}

std::vector<Vesk_GIFRGBTRIPLE> PaletteOf(const platform::Picture& picture) {
  std::vector<Vesk_GIFRGBTRIPLE> out;
  for (QRgb c : picture->Image().colorTable())
    out.push_back({static_cast<uint8_t>(qRed(c)), static_cast<uint8_t>(qGreen(c)),
                   static_cast<uint8_t>(qBlue(c))});
  return out;
}

std::vector<Vesk_GIFRGBTRIPLE> DistinctPalette(int n) {
  std::vector<Vesk_GIFRGBTRIPLE> out;
  for (int i = 0; i < n; ++i)
    out.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i),
                   static_cast<uint8_t>((i * 37) & 0xFF)});
  return out;
}

}  // namespace pellory::testing
