#include "platform/picture/color_table.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace platform {

uint8_t IndexBits(const uint8_t* indices, size_t count) {
  uint64_t words = 0;
  size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    uint64_t word;
    std::memcpy(&word, indices + i, 8);
    words |= word;
  }
  uint8_t bits = 0;
  for (int b = 0; b < 8; ++b) bits |= static_cast<uint8_t>(words >> (8 * b));
  for (; i < count; ++i) bits |= indices[i];
  return bits;
}

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
