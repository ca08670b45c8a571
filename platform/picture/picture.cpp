#include "platform/picture/picture.h"

#include <QFileInfo>
#include <QImageReader>
#include <atomic>
#include <cmath>
#include <cstring>

#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/picture/bmp_reader.h"
#include "platform/picture/color_table.h"
#include "platform/picture/gif_reader.h"

namespace platform {

namespace {
uint64_t NextHandle() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1);
}
}  // namespace

StdPicture::StdPicture(QImage image) : image_(std::move(image)) {
  if (!image_.isNull()) handle_ = NextHandle();
}

Picture SharingPixels(const Picture& picture, const Picture& owner) {
  if (!picture || !owner || picture == owner) return picture;
  const QImage& image = picture->Image();
  const QImage& pixels = owner->Image();
  if (image.format() != QImage::Format_Indexed8 || pixels.format() != QImage::Format_Indexed8 ||
      image.size() != pixels.size() || image.constBits() == pixels.constBits())
    return picture;
  const size_t width = static_cast<size_t>(image.width());
  for (int y = 0; y < image.height(); ++y)
    if (std::memcmp(image.constScanLine(y), pixels.constScanLine(y), width) != 0) return picture;
  // The owner's pixels stay alive with a copy of its image (a reference, not the pixels).
  QImage shared(
      pixels.constBits(), pixels.width(), pixels.height(), pixels.bytesPerLine(),
      QImage::Format_Indexed8, [](void* held) { delete static_cast<QImage*>(held); },
      new QImage(pixels));
  shared.setColorTable(image.colorTable());
  shared.setDotsPerMeterX(image.dotsPerMeterX());
  shared.setDotsPerMeterY(image.dotsPerMeterY());
  shared.setOffset(image.offset());
  for (const QString& key : image.textKeys()) shared.setText(key, image.text(key));
  return std::make_shared<StdPicture>(std::move(shared));
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
  QImage image;
  if (IsBmpFile(path)) {
    image = ReadBmpImage(path);
  } else {
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(false);
    image = reader.read();
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
  }
  // Bitmaps in the wild carry pixels that point past the colour count they declare.
  CoverIndicesWithBlack(image);
  return std::make_shared<StdPicture>(std::move(image));
}

}  // namespace platform
