// SavePicture: the uncompressed bottom-up Windows bitmap that the GIF library's reader expects.
#include <fcntl.h>
#include <unistd.h>

#include <QtEndian>
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

// The file goes out through a buffer of about a megabyte, rows written bottom-up as they are
// made: a whole-file buffer would be as large as the picture's bitmap again.
class BitmapFile {
 public:
  explicit BitmapFile(const std::string& path)
      : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)) {
    if (fd_ < 0) throw RuntimeError(kErrPathFileAccess);
  }
  ~BitmapFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  void Put(const uint8_t* data, size_t size) {
    if (buffer_.size() + size > kBufferBytes) Flush();
    buffer_.insert(buffer_.end(), data, data + size);
  }
  // Room for `size` more bytes at the end of the buffer, written by the caller.
  uint8_t* Grow(size_t size) {
    if (buffer_.size() + size > kBufferBytes) Flush();
    buffer_.resize(buffer_.size() + size);
    return buffer_.data() + buffer_.size() - size;
  }
  void Shrink(size_t size) { buffer_.resize(buffer_.size() - size); }
  bool Close() {
    Flush();
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return ok_ && closed;
  }

 private:
  static constexpr size_t kBufferBytes = size_t{1} << 20;
  void Flush() {
    for (size_t done = 0; ok_ && done < buffer_.size();) {
      const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
      if (n < 0 && errno == EINTR) continue;
      ok_ = n > 0;
      if (ok_) done += static_cast<size_t>(n);
    }
    buffer_.clear();
  }
  int fd_;
  bool ok_ = true;
  std::vector<uint8_t> buffer_;
};

void WriteIndexed(const QImage& image, BitmapFile& file) {
  const int w = image.width(), h = image.height();
  const QList<QRgb> table = image.colorTable();
  const uint32_t colors = static_cast<uint32_t>(table.size());
  const uint32_t stride = (static_cast<uint32_t>(w) + 3) & ~3u;
  std::vector<uint8_t> head = Headers(w, h, 8, colors, stride * h);
  size_t at = kFileHeaderSize + kInfoHeaderSize;
  for (QRgb c : table) {  // true RGB, also of the transparent entry
    head[at++] = qBlue(c);
    head[at++] = qGreen(c);
    head[at++] = qRed(c);
    head[at++] = 0;
  }
  file.Put(head.data(), head.size());
  for (int y = h - 1; y >= 0; --y) {
    uint8_t* row = file.Grow(stride);
    std::memcpy(row, image.constScanLine(y), w);
    std::memset(row + w, 0, stride - static_cast<uint32_t>(w));
  }
}

void WriteTrueColor(const QImage& source, BitmapFile& file) {
  // Opaque 32-bit pictures are read as they are; others are converted once.
  const QImage image =
      source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
          ? source
          : source.convertToFormat(QImage::Format_ARGB32);
  const int w = image.width(), h = image.height();
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  const std::vector<uint8_t> head = Headers(w, h, 24, 0, stride * h);
  file.Put(head.data(), head.size());
  auto flatten = [](int c, int a) { return (c * a + kFlattenGrey * (255 - a) + 127) / 255; };
  if (image.format() == QImage::Format_RGB32) {
    // Opaque: each pixel's four bytes go out as they lie in memory (blue, green, red, then a
    // byte the next pixel overwrites), with a spare byte at the row's end for the last one.
    for (int y = h - 1; y >= 0; --y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      uint8_t* dst = file.Grow(stride + 1);
      for (int x = 0; x < w; ++x) {
        const uint32_t p = qToLittleEndian(row[x]);
        std::memcpy(dst + 3 * static_cast<size_t>(x), &p, 4);
      }
      std::memset(dst + 3 * static_cast<uint32_t>(w), 0, stride - 3 * static_cast<uint32_t>(w));
      file.Shrink(1);
    }
    return;
  }
  for (int y = h - 1; y >= 0; --y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    uint8_t* dst = file.Grow(stride);
    std::memset(dst + 3 * static_cast<uint32_t>(w), 0, stride - 3 * static_cast<uint32_t>(w));
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
}

}  // namespace

void SavePicture(const Picture& picture, const std::string& path) {
  if (!picture || picture->Handle() == 0) throw RuntimeError(kErrInvalidPicture);
  const QImage& image = picture->Image();
  bool written = false;
  try {
    BitmapFile file(path);
    if (image.format() == QImage::Format_Indexed8)
      WriteIndexed(image, file);
    else
      WriteTrueColor(image, file);
    written = file.Close();
  } catch (const RuntimeError&) {
    throw;  // the file could not be made
  } catch (...) {
    RemoveFileIfExists(path);  // no half-written bitmap is left behind
    throw;
  }
  if (!written) {
    RemoveFileIfExists(path);
    throw RuntimeError(kErrPathFileAccess);
  }
}

}  // namespace platform
