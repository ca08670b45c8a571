#include "platform/picture/color_table.h"

#include <algorithm>
#include <cstdint>

namespace platform {

void CoverIndicesWithBlack(QImage& image) {
  if (image.format() != QImage::Format_Indexed8) return;
  QList<QRgb> colors = image.colorTable();
  if (colors.size() >= 256) return;  // every byte value is already covered
  // The bits of all indices together bound the largest one: usually that settles it in one
  // quick pass.
  uint8_t bits = 0;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    for (int x = 0; x < image.width(); ++x) bits |= row[x];
  }
  if (bits < colors.size()) return;
  int maxIndex = 0;
  for (int y = 0; y < image.height(); ++y) {
    const uchar* row = image.constScanLine(y);
    maxIndex = std::max<int>(maxIndex, *std::max_element(row, row + image.width()));
  }
  if (maxIndex < colors.size()) return;
  // Black, as other decoders show an index they have no colour for.
  while (colors.size() <= maxIndex) colors.push_back(qRgb(0, 0, 0));
  image.setColorTable(colors);
}

}  // namespace platform
