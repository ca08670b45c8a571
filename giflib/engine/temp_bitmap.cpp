#include "giflib/engine/temp_bitmap.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "giflib/engine/conversions.h"
#include "giflib/engine/error_record.h"
#include "giflib/engine/palette.h"
#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/kernel/large_pages.h"

namespace pellory::engine {

std::string LibraryFolder() {
  return platform::ModuleFolderOf(reinterpret_cast<const void*>(&LibraryFolder));
}

bool MakeTempFileName(const std::string& folder, std::string& path) {
  try {
    std::string dir = folder.empty() ? platform::GetTempFolder() : folder;
    std::string made = platform::MakeUniqueTempFile(dir, "Vesk0");
    if (made.empty()) return false;
    path = made;
    return true;
  } catch (...) {
    return false;
  }
}

bool GetTempFilePathClass(const Vesk_GifPictureType& picture, std::string& path) {
  return RunProcedure("GetTempFilePathClass", [&] {
    const Vesk_GifSettingType& s = picture.GifSetting;
    std::string folder;
    if (s.TempPathMode == AppPath) {
      folder = LibraryFolder();
    } else if (s.TempPathMode == UserCustom) {
      if (s.TempPath.empty()) {
        RecordModuleError(kErrTempPathMissing, kStyleExclamation);
        return false;
      }
      if (!platform::DirectoryExists(s.TempPath)) {
        RecordModuleError(kErrTempPathFolderMissing, kStyleExclamation);
        return false;
      }
      folder = s.TempPath;
    }
    if (!MakeTempFileName(folder, path)) {
      RecordModuleError(kErrTempFileName, kStyleStop);
      return false;
    }
    return true;
  });
}

namespace {

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) ::close(fd);
  }
};

uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}
uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr size_t kHeaderSize = 54;
// The library holds pictures of at most 32767 x 32767 pixels.
constexpr int64_t kMaxSide = 32767;

// Where a bitmap's bytes come from: a file, read where it lies (no seeks, no stream buffer), or
// bytes in memory. Reads past the end fail as a truncated file does.
class BitmapSource {
 public:
  explicit BitmapSource(int64_t size) : size_(size) {}
  virtual ~BitmapSource() = default;
  int64_t Size() const { return size_; }
  void Read(int64_t offset, uint8_t* out, int64_t count) {
    Check(offset, count);
    Fetch(offset, out, count);
  }
  // Reads `count` bytes at `offset` into the pieces `iov` lists, in order.
  void ReadInto(int64_t offset, std::vector<iovec>& iov, int64_t count) {
    Check(offset, count);
    FetchInto(offset, iov, count);
  }

 protected:
  static void PastTheEnd() {
    throw platform::RuntimeError(platform::kErrPathFileAccess, "Input past end of file");
  }
  virtual void Fetch(int64_t offset, uint8_t* out, int64_t count) = 0;
  virtual void FetchInto(int64_t offset, std::vector<iovec>& iov, int64_t count) = 0;

 private:
  void Check(int64_t offset, int64_t count) const {
    if (offset < 0 || count < 0 || offset + count > size_) PastTheEnd();
  }
  int64_t size_;
};

class FileSource : public BitmapSource {
 public:
  FileSource(int fd, int64_t size) : BitmapSource(size), fd_(fd) {}

 private:
  void Fetch(int64_t offset, uint8_t* out, int64_t count) override {
    while (count > 0) {
      const ssize_t n = ::pread(fd_, out, static_cast<size_t>(count), offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) PastTheEnd();
      out += n;
      offset += n;
      count -= n;
    }
  }
  void FetchInto(int64_t offset, std::vector<iovec>& iov, int64_t count) override {
    size_t first = 0;
    while (count > 0) {
      const int pieces = static_cast<int>(std::min<size_t>(iov.size() - first, IOV_MAX));
      const ssize_t n = ::preadv(fd_, iov.data() + first, pieces, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) PastTheEnd();
      offset += n;
      count -= n;
      for (size_t left = static_cast<size_t>(n); left > 0;) {
        if (left >= iov[first].iov_len) {
          left -= iov[first++].iov_len;
        } else {
          iov[first].iov_base = static_cast<uint8_t*>(iov[first].iov_base) + left;
          iov[first].iov_len -= left;
          left = 0;
        }
      }
    }
  }
  int fd_;
};

class BufferSource : public BitmapSource {
 public:
  BufferSource(const uint8_t* data, size_t size)
      : BitmapSource(static_cast<int64_t>(size)), data_(data) {}

 private:
  void Fetch(int64_t offset, uint8_t* out, int64_t count) override {
    if (count > 0) std::memcpy(out, data_ + offset, static_cast<size_t>(count));
  }
  void FetchInto(int64_t offset, std::vector<iovec>& iov, int64_t) override {
    for (const iovec& piece : iov) {
      std::memcpy(piece.iov_base, data_ + offset, piece.iov_len);
      offset += static_cast<int64_t>(piece.iov_len);
    }
  }
  const uint8_t* data_;
};

// The largest byte. GCC's -O2 cost model leaves this loop scalar, a byte a cycle; vectorised it
// takes a few hundredths of that.
#if defined(__GNUC__) && !defined(__clang__)
[[gnu::optimize("tree-vectorize")]]
#endif
uint8_t
MaxByte(const uint8_t* p, size_t n) {
  uint8_t highest = 0;
  for (size_t i = 0; i < n; ++i) highest = p[i] > highest ? p[i] : highest;
  return highest;
}

// The reader proper, on either source.
bool ReadBitmap(Vesk_GifPictureType& picture, BitmapSource& source,
                const ExactColourRequest& exact) {
  const int64_t fileSize = source.Size();
  uint8_t h[kHeaderSize];
  source.Read(0, h, kHeaderSize);

  const uint32_t dataOffset = Get32(h + 10);
  const int32_t width = static_cast<int32_t>(Get32(h + 18));
  const int32_t height = static_cast<int32_t>(Get32(h + 22));
  const uint16_t bits = Get16(h + 28);
  const uint32_t compression = Get32(h + 30);
  const uint32_t imageSize = Get32(h + 34);
  const uint32_t colorsUsed = Get32(h + 46);

  if (compression != 0) {
    RecordModuleError(kErrBmpCompression, kStyleStop);
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    RecordModuleError(kErrBmpBitCount, kStyleStop);
    return false;
  }
  int64_t count;
  if (colorsUsed != 0) {
    if (colorsUsed > 32767) throw platform::RuntimeError(platform::kErrOverflow);
    count = colorsUsed;
  } else {
    count = RoundToInt32((static_cast<double>(dataOffset) - 54.0) / 4.0);
  }
  if (count > 256) {
    RecordModuleError(kErrBmpColoursUsed, kStyleStop);
    return false;
  }
  // Top-down (negative height) and empty bitmaps are not what the picture saving writes.
  if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide || count < 0)
    throw platform::RuntimeError(platform::kErrInvalidPicture);
  // A colour table in a 24-bit file says nothing about its pixels: build the palette from them.
  if (bits == 24) count = 0;
  // Indices without a palette cannot be shown.
  if (bits != 24 && count == 0) throw platform::RuntimeError(platform::kErrInvalidPicture);
  picture.GifSetting.PaletteSize = static_cast<int16_t>(count);

  if (count > 0) {
    std::vector<uint8_t> raw(static_cast<size_t>(count) * 4);
    source.Read(54, raw.data(), static_cast<int64_t>(raw.size()));
    picture.ColorTable.assign(static_cast<size_t>(count), {});
    for (int64_t i = 0; i < count; ++i)
      picture.ColorTable[i] = {raw[4 * i + 2], raw[4 * i + 1], raw[4 * i]};
  }

  const int64_t stride = RoundToInt32(static_cast<double>(imageSize) / height);
  const int64_t w = width, hgt = height;
  const int64_t rowBytes = bits == 24 ? 3 * w : bits == 8 ? w : (w * bits + 7) / 8;
  if (stride < rowBytes) throw platform::RuntimeError(platform::kErrInvalidPicture);
  // Every row must lie inside the file before anything is allocated for the pixels.
  if (dataOffset + (hgt - 1) * stride + rowBytes > fileSize)
    throw platform::RuntimeError(platform::kErrPathFileAccess, "Input past end of file");

  // Whole bytes per pixel: rows [first, first + count) (top row first) go from the file straight
  // to their places in `out`, the padding between them into a scrap.
  auto readRows = [&](int64_t first, int64_t count, uint8_t* out) {
    std::vector<uint8_t> scrap(static_cast<size_t>(stride - rowBytes));
    std::vector<iovec> iov;
    const int64_t lowest = hgt - first - count;  // rows are stored bottom-up
    for (int64_t k = 0; k < count; ++k) {
      const int64_t y = count - 1 - k;
      iov.push_back({out + static_cast<size_t>(y * rowBytes), static_cast<size_t>(rowBytes)});
      if (!scrap.empty() && k + 1 < count) iov.push_back({scrap.data(), scrap.size()});
    }
    source.ReadInto(dataOffset + lowest * stride, iov, (count - 1) * stride + rowBytes);
  };
  Vesk_GifSettingType& s = picture.GifSetting;
  auto setSize = [&] {
    s.biWidth = width;
    s.biHeight = height;
    s.CompressionLevel = NoCompression;
    // The 16-bit limit saturates: a picture GIF allows must not fail on its diagonal.
    const double diagonal = std::nearbyint(std::sqrt(static_cast<double>(w * w + hgt * hgt)));
    const int16_t limit = static_cast<int16_t>(diagonal > 32767.0 ? 32767.0 : diagonal);
    s.LimitWidth = limit;
    s.LimitHeight = limit;
  };
  // Rows are read a megabyte at a time: a seek and a read per row cost more than the rows.
  const int64_t rowsPerChunk = std::max<int64_t>(1, (int64_t{1} << 20) / stride);
  if (bits == 24 && s.ReduceColorMode != rcAdaptive && s.ReduceColorMode != rcAdaptiveDither) {
    // The colours are counted, or mapped to the halftone palette, a band of rows at a time: the
    // 24-bit pixels are never all held. A picture of more than 256 colours is read twice.
    setSize();
    const RowReader band = [&](int32_t first, int32_t count, uint8_t* out) {
      readRows(first, count, out);
    };
    if (MakePaletteByRows(picture, band)) return true;
    if (PendingError().Number != 0) return false;
    return ReduceColorByRows(picture, band);
  }
  std::vector<uint8_t> pixels;  // indices, or blue-green-red triples for 24 bits
  pixels = platform::LargeZeroed(static_cast<size_t>(w * hgt * (bits == 24 ? 3 : 1)));
  std::vector<uint8_t> chunk;
  if (bits == 24 || bits == 8) {
    for (int64_t r = 0; r < hgt; r += rowsPerChunk) {
      const int64_t rows = std::min(rowsPerChunk, hgt - r);
      readRows(hgt - r - rows, rows,
               pixels.data() + static_cast<size_t>((hgt - r - rows) * rowBytes));
    }
  }
  for (int64_t r = 0; r < hgt && bits != 24 && bits != 8; ++r) {
    const int64_t inChunk = r % rowsPerChunk;
    if (inChunk == 0) {
      const int64_t rows = std::min(rowsPerChunk, hgt - r);
      chunk.resize(static_cast<size_t>((rows - 1) * stride + rowBytes));
      source.Read(dataOffset + r * stride, chunk.data(), static_cast<int64_t>(chunk.size()));
    }
    const uint8_t* row = chunk.data() + inChunk * stride;
    const int64_t y = hgt - 1 - r;  // rows are stored bottom-up
    switch (bits) {
      case 4:
        for (int64_t x = 0; x < w; ++x) {
          uint8_t b = row[x / 2];
          pixels[y * w + x] = (x % 2 == 0) ? (b >> 4) : (b & 0x0F);
        }
        break;
      case 1:
        for (int64_t x = 0; x < w; ++x) pixels[y * w + x] = (row[x / 8] >> (7 - x % 8)) & 1;
        break;
    }
  }

  setSize();

  if (s.PaletteSize != 0) {
    // Pixels may point past the colour count the file declares. Such entries show black, as
    // the picture readers show them, so that every index has its entry.
    const size_t used = size_t{MaxByte(pixels.data(), pixels.size())} + 1;
    if (used > picture.ColorTable.size()) {
      picture.ColorTable.resize(used, Vesk_GIFRGBTRIPLE{});
      s.PaletteSize = static_cast<int16_t>(used);
    }
    picture.BitmapData = std::move(pixels);
    return true;
  }
  if (MakePalette(picture, pixels)) return true;
  if (PendingError().Number != 0) return false;
  switch (s.ReduceColorMode) {
    case rcAdaptive:
      return ReduceColorAdaptive(picture, pixels, 0.0f, exact);
    case rcAdaptiveDither:
      return ReduceColorAdaptive(picture, pixels, s.DitherLevel, exact);
    default:
      return ReduceColor(picture, pixels);
  }
}

}  // namespace

bool GetTempBMP(Vesk_GifPictureType& picture, const std::string& path,
                const ExactColourRequest& exact) {
  return RunProcedure("GetTempBMP", [&] {
    FileCloser file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) throw platform::RuntimeError(platform::kErrFileNotFound);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) throw platform::RuntimeError(platform::kErrPathFileAccess);
    FileSource source(file.fd, st.st_size);
    return ReadBitmap(picture, source, exact);
  });
}

bool GetBmpBytes(Vesk_GifPictureType& picture, const uint8_t* data, size_t size,
                 const ExactColourRequest& exact) {
  return RunProcedure("GetTempBMP", [&] {
    BufferSource source(data, size);
    return ReadBitmap(picture, source, exact);
  });
}

void CopyGifPicture(Vesk_GifPictureType& destination, const Vesk_GifPictureType& source) {
  destination.GifSetting = source.GifSetting;
  destination.ColorTable = source.ColorTable;
  // A series' frames leave with their pixels, so the copy usually needs fresh room.
  platform::ReserveLarge(destination.BitmapData, source.BitmapData.size());
  destination.BitmapData = source.BitmapData;
}

}  // namespace pellory::engine
