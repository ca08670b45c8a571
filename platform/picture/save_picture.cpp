// SavePicture: the uncompressed bottom-up Windows bitmap that the GIF library's reader expects.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QtEndian>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/kernel/second_lane.h"
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

// Rows go out through buffers of about a megabyte, written where they belong in the file as they
// are made: a whole-file buffer would be as large as the picture's bitmap again. A large picture
// is made in two halves of rows at once, each through its own buffer.
class BitmapFile {
 public:
  explicit BitmapFile(const std::string& path)
      : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666)) {
    if (fd_ < 0) throw RuntimeError(kErrPathFileAccess);
    // Emptied only when it holds something. ext4 takes any truncation as a file being rewritten
    // and forces its blocks out when it is closed: for a temporary name reserved empty, a cost
    // of its own and a slower removal after it, several times what writing the file costs.
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || (st.st_size != 0 && ::ftruncate(fd_, 0) != 0)) {
      ::close(fd_);
      fd_ = -1;
      throw RuntimeError(kErrPathFileAccess);
    }
  }
  ~BitmapFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  void Put(const std::vector<uint8_t>& data) {
    if (!WriteAt(data.data(), data.size(), end_)) ok_ = false;
    end_ += data.size();
  }
  // Appends `rows` rows of `stride` bytes; make(row, dst) fills row `row` (in file order) and may
  // write `spare` bytes past its end, which the next row overwrites.
  template <class MakeRow>
  void PutRows(int rows, size_t stride, size_t spare, MakeRow&& make) {
    const uint64_t start = end_;
    end_ += static_cast<uint64_t>(rows) * stride;
    const int64_t perBuffer = std::max<int64_t>(1, static_cast<int64_t>(kBufferBytes / stride));
    const bool split = static_cast<uint64_t>(rows) * stride >= kMinBytesForTwoThreads;
    RunInHalves(rows, split, [&](int64_t first, int64_t end) {
      std::vector<uint8_t> buffer(static_cast<size_t>(std::min(perBuffer, end - first)) * stride +
                                  spare);
      for (int64_t r = first; r < end && ok_.load(std::memory_order_relaxed); r += perBuffer) {
        const int64_t n = std::min(perBuffer, end - r);
        for (int64_t k = 0; k < n; ++k)
          make(static_cast<int>(r + k), buffer.data() + static_cast<size_t>(k) * stride);
        if (!WriteAt(buffer.data(), static_cast<size_t>(n) * stride,
                     start + static_cast<uint64_t>(r) * stride))
          ok_ = false;
      }
    });
  }
  bool Close() {
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return ok_ && closed;
  }

 private:
  static constexpr size_t kBufferBytes = size_t{1} << 20;
  // Below this a second thread costs more than it saves.
  static constexpr uint64_t kMinBytesForTwoThreads = uint64_t{1} << 20;
  bool WriteAt(const uint8_t* data, size_t size, uint64_t offset) const {
    for (size_t done = 0; done < size;) {
      const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  int fd_;
  std::atomic<bool> ok_{true};
  uint64_t end_ = 0;
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
  file.Put(head);
  const uchar* bits = image.constBits();
  const qsizetype line = image.bytesPerLine();
  file.PutRows(h, stride, 0, [&](int row, uint8_t* dst) {
    std::memcpy(dst, bits + (h - 1 - row) * line, w);  // rows are stored bottom-up
    std::memset(dst + w, 0, stride - static_cast<uint32_t>(w));
  });
}

void WriteTrueColor(const QImage& source, BitmapFile& file) {
  // Opaque 32-bit pictures are read as they are; others are converted once.
  const QImage image =
      source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
          ? source
          : source.convertToFormat(QImage::Format_ARGB32);
  const int w = image.width(), h = image.height();
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  file.Put(Headers(w, h, 24, 0, stride * h));
  const uint32_t pad = stride - 3 * static_cast<uint32_t>(w);
  // Taken once here: the rows are made on two threads.
  const uchar* bits = image.constBits();
  const qsizetype line = image.bytesPerLine();
  auto rowOf = [&](int row) {  // rows are stored bottom-up
    return reinterpret_cast<const QRgb*>(bits + (h - 1 - row) * line);
  };
  auto flatten = [](int c, int a) { return (c * a + kFlattenGrey * (255 - a) + 127) / 255; };
  if (image.format() == QImage::Format_RGB32) {
    // Opaque: each pixel's four bytes go out as they lie in memory (blue, green, red, then a
    // byte the next pixel overwrites), with a spare byte past the row for the last one.
    file.PutRows(h, stride, 1, [&](int row, uint8_t* dst) {
      const QRgb* src = rowOf(row);
      for (int x = 0; x < w; ++x) {
        const uint32_t p = qToLittleEndian(src[x]);
        std::memcpy(dst + 3 * static_cast<size_t>(x), &p, 4);
      }
      std::memset(dst + 3 * static_cast<uint32_t>(w), 0, pad);
    });
    return;
  }
  file.PutRows(h, stride, 0, [&](int row, uint8_t* dst) {
    const QRgb* src = rowOf(row);
    std::memset(dst + 3 * static_cast<uint32_t>(w), 0, pad);
    for (int x = 0; x < w; ++x) {
      const QRgb p = src[x];
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
  });
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
