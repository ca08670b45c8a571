#include "platform/picture/color_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace platform {

void CoverIndicesWithBlack(QImage& image) {
  if (image.format() != QImage::Format_Indexed8) return;
  QList<QRgb> colors = image.colorTable();
  if (colors.size() >= 256) return;  // every byte value is already covered
  // The bits of all indices together bound the largest one: usually that settles it in one
  // quick pass.
  const int w = image.width(), h = image.height();
  uint8_t bits = 0;
  for (int y = 0; y < h; ++y) bits |= IndexBits(image.constScanLine(y), static_cast<size_t>(w));
  if (bits < colors.size()) return;
  int maxIndex = 0;
  for (int y = 0; y < h; ++y) {
    const uchar* row = image.constScanLine(y);
    maxIndex = std::max<int>(maxIndex, *std::max_element(row, row + w));
  }
  if (maxIndex < colors.size()) return;
  // Black, as other decoders show an index they have no colour for.
  while (colors.size() <= maxIndex) colors.push_back(qRgb(0, 0, 0));
  image.setColorTable(colors);
}

}  // namespace platform
