// SavePicture: the uncompressed bottom-up Windows bitmap that the GIF library's reader expects.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/picture/picture.h"

namespace platform {

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint8_t kFlattenGrey = 254;  // what transparent areas show

void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = v & 0xFF;
  out[at + 1] = v >> 8;
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = (v >> (8 * i)) & 0xFF;
}

std::vector<uint8_t> Headers(int w, int h, int bits, uint32_t colors, uint32_t imageSize) {
  const uint32_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * colors;
  std::vector<uint8_t> out(offset, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, offset + imageSize);
  Put32(out, 10, offset);
  Put32(out, 14, kInfoHeaderSize);
  Put32(out, 18, static_cast<uint32_t>(w));
  Put32(out, 22, static_cast<uint32_t>(h));
  Put16(out, 26, 1);
  Put16(out, 28, static_cast<uint16_t>(bits));
  Put32(out, 30, 0);  // uncompressed
  Put32(out, 34, imageSize);
  Put32(out, 38, 3780);  // 96 dpi in pixels per metre
  Put32(out, 42, 3780);
  Put32(out, 46, colors);
  Put32(out, 50, 0);
  return out;
}

std::vector<uint8_t> EncodeIndexed(const QImage& image) {
  const int w = image.width(), h = image.height();
  const QList<QRgb> table = image.colorTable();
  const uint32_t colors = static_cast<uint32_t>(table.size());
  const uint32_t stride = (static_cast<uint32_t>(w) + 3) & ~3u;
  std::vector<uint8_t> out = Headers(w, h, 8, colors, stride * h);
  size_t at = kFileHeaderSize + kInfoHeaderSize;
  for (QRgb c : table) {  // true RGB, also of the transparent entry
    out[at++] = qBlue(c);
    out[at++] = qGreen(c);
    out[at++] = qRed(c);
    out[at++] = 0;
  }
  out.resize(out.size() + size_t{stride} * h, 0);
  for (int y = 0; y < h; ++y)
    std::memcpy(&out[at + size_t{stride} * (h - 1 - y)], image.constScanLine(y), w);
  return out;
}

std::vector<uint8_t> EncodeTrueColor(const QImage& source) {
  // Opaque 32-bit pictures are read as they are; others are converted once.
  const QImage image =
      source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
          ? source
          : source.convertToFormat(QImage::Format_ARGB32);
  const int w = image.width(), h = image.height();
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  std::vector<uint8_t> out = Headers(w, h, 24, 0, stride * h);
  const size_t base = out.size();
  out.resize(base + size_t{stride} * h, 0);
  auto flatten = [](int c, int a) { return (c * a + kFlattenGrey * (255 - a) + 127) / 255; };
  for (int y = 0; y < h; ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uint8_t* dst = &out[base + size_t{stride} * (h - 1 - y)];
    for (int x = 0; x < w; ++x) {
      const QRgb p = row[x];
      const int a = qAlpha(p);
      if (a == 255) {
        dst[0] = qBlue(p);
        dst[1] = qGreen(p);
        dst[2] = qRed(p);
      } else {
        dst[0] = flatten(qBlue(p), a);
        dst[1] = flatten(qGreen(p), a);
        dst[2] = flatten(qRed(p), a);
      }
      dst += 3;
    }
  }
  return out;
}

}  // namespace

void SavePicture(const Picture& picture, const std::string& path) {
  if (!picture || picture->Handle() == 0) throw RuntimeError(kErrInvalidPicture);
  const QImage& image = picture->Image();
  std::vector<uint8_t> bytes =
      image.format() == QImage::Format_Indexed8 ? EncodeIndexed(image) : EncodeTrueColor(image);
  // One write of the whole file: a buffered stream would split it.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw RuntimeError(kErrPathFileAccess);
  bool written = true;
  for (size_t done = 0; written && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    written = n > 0;
    if (written) done += static_cast<size_t>(n);
  }
  const bool closed = ::close(fd) == 0;
  if (!written || !closed) {
    RemoveFileIfExists(path);
    throw RuntimeError(kErrPathFileAccess);
  }
}

}  // namespace platform
