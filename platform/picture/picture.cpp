#include "platform/picture/picture.h"

#include <QFileInfo>
#include <QImageReader>
#include <atomic>
#include <cmath>
#include <cstdio>

#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/picture/color_table.h"
#include "platform/picture/gif_reader.h"

namespace platform {

namespace {
uint64_t NextHandle() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1);
}
// An uncompressed bitmap whose file ends before the rows its header announces. The toolkit's
// reader would hand back the missing rows as uninitialised memory, which must never reach a
// picture (and from there the user's files).
bool IsTruncatedBitmap(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  unsigned char h[34] = {};
  const size_t n = std::fread(h, 1, sizeof h, f);
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  if (n < sizeof h || h[0] != 'B' || h[1] != 'M' || size < 0) return false;
  auto u32 = [&](int o) {
    return uint32_t{h[o]} | (uint32_t{h[o + 1]} << 8) | (uint32_t{h[o + 2]} << 16) |
           (uint32_t{h[o + 3]} << 24);
  };
  const uint32_t offBits = u32(10), infoSize = u32(14);
  const int64_t width = infoSize == 12 ? (h[18] | (h[19] << 8)) : static_cast<int32_t>(u32(18));
  const int64_t height =
      infoSize == 12 ? static_cast<int16_t>(h[20] | (h[21] << 8)) : static_cast<int32_t>(u32(22));
  const uint32_t bits = infoSize == 12 ? (h[24] | (h[25] << 8)) : (h[28] | (h[29] << 8));
  const uint32_t compression = infoSize == 12 ? 0 : u32(30);
  // Run-length and embedded formats have no fixed size; their readers check the data.
  if ((compression != 0 && compression != 3) || width <= 0 || bits == 0 || bits > 32) return false;
  const int64_t rowBytes = (width * bits + 31) / 32 * 4;
  const int64_t rows = height < 0 ? -height : height;
  return int64_t{offBits} + rowBytes * rows > size;
}

}  // namespace

StdPicture::StdPicture(QImage image) : image_(std::move(image)) {
  if (!image_.isNull()) handle_ = NextHandle();
}

int32_t StdPicture::Width() const {
  return handle_ ? PixelsToHimetric(image_.width()) : 0;
}
int32_t StdPicture::Height() const {
  return handle_ ? PixelsToHimetric(image_.height()) : 0;
}

int32_t PixelsToHimetric(int32_t pixels) {
  return static_cast<int32_t>(std::nearbyint(pixels * kHimetricPerPixel));
}

int32_t HimetricToPixels(int32_t himetric) {
  return static_cast<int32_t>(std::nearbyint(himetric / kHimetricPerPixel));
}

Picture LoadPicture(const std::string& path) {
  if (path.empty()) return std::make_shared<StdPicture>();
  if (DirectoryExists(path) || !FileExists(path)) throw RuntimeError(kErrFileNotFound);
  if (IsGifFile(path)) return std::make_shared<StdPicture>(ReadGifImage(path));
  if (IsTruncatedBitmap(path)) throw RuntimeError(kErrInvalidPicture);
  QImageReader reader(QString::fromStdString(path));
  reader.setAutoTransform(false);
  QImage image = reader.read();
  if (image.isNull()) throw RuntimeError(kErrInvalidPicture);
  if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB) {
    // A plain conversion keeps the bits as indices; converting to a given table would instead
    // map a pixel the table has no entry for onto the nearest listed colour.
    const QList<QRgb> colors = image.colorTable();
    image = image.convertToFormat(QImage::Format_Indexed8);
    image.setColorTable(colors);
  } else if (image.format() != QImage::Format_Indexed8) {
    image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                          : QImage::Format_RGB32);
  }
  // Qt accepts bitmaps whose pixels point past the colour count they declare.
  CoverIndicesWithBlack(image);
  return std::make_shared<StdPicture>(std::move(image));
}

}  // namespace platform
