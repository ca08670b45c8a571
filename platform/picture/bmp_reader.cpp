// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/picture/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/kernel/err.h"

namespace platform {

namespace {

// A lying header must not make us allocate gigabytes before the data runs out.
constexpr int64_t kMaxPixels = int64_t{1} << 28;
// Plain runs pack at most 255 pixels into two bytes; only end-of-line, delta and end-of-bitmap
// codes skip further, and no encoder leans on them for a whole picture. A header that asks for
// more pixels per byte of run-length data than this is lying about the size.
constexpr int64_t kMaxPixelsPerRleByte = 1024;

// Compression field values. OS/2 headers give 3 and 4 other meanings (Huffman, RLE24), which
// are not read.
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

[[noreturn]] void Malformed() {
  throw RuntimeError(kErrInvalidPicture);
}

uint16_t U16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// The headers and the colour table: the 124-byte V5 header, 16 bytes of masks and 256 entries of
// 4 bytes all lie within the file's first bytes.
constexpr size_t kHeadBytes = 14 + 124 + 16 + 256 * 4;

// The file, read in two parts: its head (headers and colour table) once, the pixel data row by
// row or, for run-length data, as a whole.
class BmpFile {
 public:
  explicit BmpFile(const std::string& path) : f_(std::fopen(path.c_str(), "rb")) {
    if (!f_) throw RuntimeError(kErrFileNotFound);
    if (std::fseek(f_.get(), 0, SEEK_END) != 0) Malformed();
    const long size = std::ftell(f_.get());
    if (size < 0) Malformed();
    size_ = static_cast<size_t>(size);
    head_.resize(std::min(size_, kHeadBytes));
    Read(0, head_.data(), head_.size());
  }
  size_t Size() const { return size_; }
  const std::vector<uint8_t>& Head() const { return head_; }
  void Read(size_t offset, void* to, size_t bytes) {
    if (bytes == 0) return;
    if (offset != position_ && std::fseek(f_.get(), static_cast<long>(offset), SEEK_SET) != 0)
      Malformed();
    if (std::fread(to, 1, bytes, f_.get()) != bytes) Malformed();
    position_ = offset + bytes;
  }

 private:
  std::unique_ptr<std::FILE, FileCloser> f_;
  size_t size_ = 0;
  size_t position_ = SIZE_MAX;
  std::vector<uint8_t> head_;
};

// Where everything lies in the file and what the pixels mean, checked against the file's size.
struct Layout {
  int width = 0, height = 0;
  bool topDown = false;
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t masks[4] = {};  // red, green, blue, alpha of 16-, 24- and 32-bit pixels
  size_t palette = 0;      // offset of the colour table
  int paletteEntry = 4;    // bytes per colour table entry
  int colors = 0;          // colour table entries present
  size_t pixels = 0;       // offset of the pixel data
};

// ---- BITMAPFILEHEADER, then the info header: BITMAPCOREHEADER (12), OS/2 2.x (16, 64),
// BITMAPINFOHEADER (40), its 52- and 56-byte extensions with the masks, V4 (108), V5 (124) ----
Layout ReadLayout(const std::vector<uint8_t>& head, size_t size) {
  const uint8_t* const d = head.data();
  if (head.size() < 18 || d[0] != 'B' || d[1] != 'M') Malformed();
  const uint32_t infoSize = U32(d + 14);
  constexpr uint32_t kInfoSizes[] = {12, 16, 40, 52, 56, 64, 108, 124};
  if (std::find(std::begin(kInfoSizes), std::end(kInfoSizes), infoSize) == std::end(kInfoSizes))
    Malformed();
  if (head.size() < 14 + infoSize) Malformed();
  const uint8_t* const info = d + 14;
  Layout l;
  int64_t width = 0, height = 0;
  uint32_t planes = 0, colorsUsed = 0;
  if (infoSize == 12) {  // 16-bit unsigned sizes, 3-byte colour table entries
    width = U16(info + 4);
    height = U16(info + 6);
    planes = U16(info + 8);
    l.bits = U16(info + 10);
    l.paletteEntry = 3;
  } else {
    width = static_cast<int32_t>(U32(info + 4));
    height = static_cast<int32_t>(U32(info + 8));
    planes = U16(info + 12);
    l.bits = U16(info + 14);
    if (infoSize >= 40) {
      l.compression = U32(info + 16);
      colorsUsed = U32(info + 32);
    }
  }
  if (planes != 1) Malformed();

  const bool os2 = infoSize == 16 || infoSize == 64;
  const bool indexed = l.bits == 1 || l.bits == 2 || l.bits == 4 || l.bits == 8;
  const bool packed = l.bits == 16 || l.bits == 24 || l.bits == 32;
  const bool rle = l.compression == kRle8 || l.compression == kRle4;
  const bool masked = !os2 && (l.compression == kBitFields || l.compression == kAlphaBitFields);
  const bool supported =
      (l.compression == kRgb && (indexed || packed)) || (l.compression == kRle8 && l.bits == 8) ||
      (l.compression == kRle4 && l.bits == 4) || (masked && (l.bits == 16 || l.bits == 32));
  if (!supported) Malformed();  // among them embedded JPEG and PNG

  if (width <= 0 || height == 0) Malformed();
  l.topDown = height < 0;
  height = l.topDown ? -height : height;
  if (l.topDown && rle) Malformed();  // run-length data always starts at the bottom
  if (width * height > kMaxPixels) Malformed();
  l.width = static_cast<int>(width);
  l.height = static_cast<int>(height);

  // ---- Colour masks: after a 40-byte header, inside the longer ones ----
  size_t end = 14 + infoSize;
  if (masked) {
    const int count = l.compression == kAlphaBitFields ? 4 : 3;
    if (infoSize == 40) {
      if (head.size() < end + 4 * count) Malformed();
      for (int i = 0; i < count; ++i) l.masks[i] = U32(d + end + 4 * i);
      end += 4 * count;
    } else {
      for (int i = 0; i < 3; ++i) l.masks[i] = U32(info + 40 + 4 * i);
      if (infoSize >= 56) l.masks[3] = U32(info + 52);
    }
    if (l.bits == 16)
      for (uint32_t& m : l.masks) m &= 0xFFFF;
  } else if (packed) {  // 5-5-5 in 16 bits; 8-8-8, and the top byte of 32 bits unused
    const bool sixteen = l.bits == 16;
    l.masks[0] = sixteen ? 0x7C00 : 0xFF0000;
    l.masks[1] = sixteen ? 0x03E0 : 0x00FF00;
    l.masks[2] = sixteen ? 0x001F : 0x0000FF;
  }

  // ---- Colour table: between the headers and the pixel data ----
  l.palette = end;
  l.pixels = U32(d + 10);
  if (l.pixels < end) Malformed();  // pixel data inside the headers
  if (indexed) {
    const int64_t most = int64_t{1} << l.bits;
    const int64_t declared = colorsUsed == 0 ? most : std::min<int64_t>(colorsUsed, most);
    // A table that runs into the pixel data or past the file keeps the entries that are whole.
    const int64_t room =
        static_cast<int64_t>(std::min({l.pixels, size, head.size()}) - end) / l.paletteEntry;
    l.colors = static_cast<int>(std::min(declared, room));
  }
  return l;
}

QList<QRgb> ColorTable(const std::vector<uint8_t>& head, const Layout& l) {
  QList<QRgb> colors;
  colors.reserve(l.colors);
  for (int i = 0; i < l.colors; ++i) {
    const uint8_t* e = head.data() + l.palette + static_cast<size_t>(i) * l.paletteEntry;
    colors.push_back(qRgb(e[2], e[1], e[0]));  // blue, green, red
  }
  return colors;
}

// One channel of a packed pixel, stretched so that its largest value becomes 255 (with
// rounding, so 5-bit 31 is 255, not the 248 that shifting gives).
class Channel {
 public:
  explicit Channel(uint32_t mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    max_ = mask >> shift_;
    if ((uint64_t{max_} & (uint64_t{max_} + 1)) != 0) Malformed();  // not one run of bits
    if (max_ <= 0xFFFF) {
      table_.resize(max_ + 1);
      for (uint32_t v = 0; v <= max_; ++v) table_[v] = Scale(v);
    }
  }
  bool Present() const { return max_ != 0; }
  bool Is(uint32_t mask) const { return max_ != 0 && (max_ << shift_) == mask; }
  uint8_t operator()(uint32_t pixel) const {
    if (max_ == 0) return 0;
    const uint32_t v = (pixel >> shift_) & max_;
    return table_.empty() ? Scale(v) : table_[v];
  }

 private:
  uint8_t Scale(uint64_t v) const { return static_cast<uint8_t>((v * 255 + max_ / 2) / max_); }
  int shift_ = 0;
  uint32_t max_ = 0;
  std::vector<uint8_t> table_;
};

QImage NewImage(int width, int height, QImage::Format format) {
  QImage image(width, height, format);
  if (image.isNull()) throw RuntimeError(kErrOutOfMemory);
  return image;
}

// Qt leaves new pixels uninitialised: run-length data may leave any of them unset.
QImage BlankImage(int width, int height, QImage::Format format) {
  QImage image = NewImage(width, height, format);
  std::memset(image.bits(), 0, static_cast<size_t>(image.sizeInBytes()));
  return image;
}

// Rows that are written whole still leave the padding at their end unset.
void ClearRowPadding(QImage& image) {
  const size_t used = static_cast<size_t>(image.width()) * image.depth() / 8;
  const size_t stride = static_cast<size_t>(image.bytesPerLine());
  if (used == stride) return;
  for (int y = 0; y < image.height(); ++y) std::memset(image.scanLine(y) + used, 0, stride - used);
}

// ---- Run-length data (RLE8, RLE4) ----
// Pairs of bytes: a count and an index (in RLE4 two indices that alternate), or 0 and an escape:
// end of line, end of bitmap, a delta that moves right and up, or an absolute run of indices
// padded to 16 bits. Rows run from the bottom. Pixels past the right edge are dropped; decoding
// stops above the top row or where the data ends, and what it never reached stays index 0.
void ReadRle(const uint8_t* p, const uint8_t* const end, bool four, QImage& image) {
  const int64_t w = image.width(), h = image.height();
  int64_t x = 0, y = 0;
  uchar* row = image.scanLine(static_cast<int>(h - 1));
  auto index = [four](uint8_t byte, int i) -> uint8_t {
    return !four ? byte : (i % 2 ? byte & 0x0F : byte >> 4);
  };
  while (end - p >= 2) {
    const uint8_t count = p[0], code = p[1];
    p += 2;
    if (count != 0) {
      for (int i = 0; i < count && x < w; ++i) row[x++] = index(code, i);
      continue;
    }
    if (code == 1) return;  // end of bitmap
    if (code == 0 || code == 2) {
      if (code == 0) {  // end of line
        x = 0;
        ++y;
      } else {  // delta
        if (end - p < 2) return;
        x += p[0];
        y += p[1];
        p += 2;
      }
      if (y >= h) return;
      row = image.scanLine(static_cast<int>(h - 1 - y));
      continue;
    }
    // An absolute run of `code` indices.
    const size_t bytes = four ? (code + 1) / 2 : code;
    const size_t have = std::min<size_t>(bytes, end - p);
    for (int i = 0; i < code && x < w; ++i) {
      const size_t at = four ? i / 2 : i;
      if (at >= have) break;
      row[x++] = index(p[at], i);
    }
    p += std::min<size_t>(bytes + bytes % 2, end - p);
  }
}

// ---- Uncompressed rows: each a whole number of 32-bit words, leftmost pixel first ----
void ReadIndexedRow(const uint8_t* in, int bits, int width, uchar* out) {
  if (bits == 8) {
    std::memcpy(out, in, static_cast<size_t>(width));
    return;
  }
  const int mask = (1 << bits) - 1;
  for (int x = 0; x < width; ++x) {
    const int64_t bit = int64_t{x} * bits;  // the leftmost pixel is in the high bits
    out[x] = static_cast<uchar>((in[bit / 8] >> (8 - bits - bit % 8)) & mask);
  }
}

void ReadPackedRow(const uint8_t* in, int bits, int width, const Channel (&channels)[4],
                   QRgb* out) {
  const int bytes = bits / 8;
  // The usual layouts, 8 bits each for blue, green and red, need no scaling.
  if (bytes >= 3 && !channels[3].Present() && channels[0].Is(0xFF0000) &&
      channels[1].Is(0x00FF00) && channels[2].Is(0x0000FF)) {
    for (int x = 0; x < width; ++x, in += bytes) out[x] = qRgb(in[2], in[1], in[0]);
    return;
  }
  for (int x = 0; x < width; ++x, in += bytes) {
    uint32_t v = in[0] | (in[1] << 8);
    if (bytes >= 3) v |= uint32_t{in[2]} << 16;
    if (bytes == 4) v |= uint32_t{in[3]} << 24;
    const uint8_t alpha = channels[3].Present() ? channels[3](v) : 255;
    out[x] = qRgba(channels[0](v), channels[1](v), channels[2](v), alpha);
  }
}

}  // namespace

bool IsBmpFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "rb"));
  char sig[2] = {};
  return f && std::fread(sig, 1, 2, f.get()) == 2 && sig[0] == 'B' && sig[1] == 'M';
}

QImage ReadBmpImage(const std::string& path) {
  BmpFile file(path);
  const Layout l = ReadLayout(file.Head(), file.Size());
  const size_t dataBytes = l.pixels < file.Size() ? file.Size() - l.pixels : 0;
  const int64_t pixelCount = int64_t{l.width} * l.height;

  if (l.compression == kRle8 || l.compression == kRle4) {
    if (pixelCount > kMaxPixelsPerRleByte * static_cast<int64_t>(dataBytes)) Malformed();
    std::vector<uint8_t> data(dataBytes);
    file.Read(l.pixels, data.data(), dataBytes);
    QImage image = BlankImage(l.width, l.height, QImage::Format_Indexed8);
    image.setColorTable(ColorTable(file.Head(), l));
    ReadRle(data.data(), data.data() + dataBytes, l.compression == kRle4, image);
    return image;
  }

  // Every row the header announces must be in the file.
  const size_t stride = static_cast<size_t>((int64_t{l.width} * l.bits + 31) / 32 * 4);
  if (dataBytes / stride < static_cast<size_t>(l.height)) Malformed();
  // Rows in the order the file holds them, read about a megabyte at a time: a read per row
  // costs more in calls than the copy it saves.
  auto eachRow = [&](auto&& take) {
    const size_t perRead = std::max<size_t>(1, (size_t{1} << 20) / stride);
    std::vector<uint8_t> rows(stride * std::min<size_t>(perRead, l.height));
    for (size_t first = 0; first < static_cast<size_t>(l.height); first += perRead) {
      const size_t count = std::min(perRead, static_cast<size_t>(l.height) - first);
      file.Read(l.pixels + stride * first, rows.data(), stride * count);
      for (size_t k = 0; k < count; ++k) {
        const int i = static_cast<int>(first + k);
        take(l.topDown ? i : l.height - 1 - i, rows.data() + stride * k);
      }
    }
  };

  if (l.bits <= 8) {
    QImage image = NewImage(l.width, l.height, QImage::Format_Indexed8);
    image.setColorTable(ColorTable(file.Head(), l));
    eachRow(
        [&](int y, const uint8_t* in) { ReadIndexedRow(in, l.bits, l.width, image.scanLine(y)); });
    ClearRowPadding(image);
    return image;
  }
  const Channel channels[4] = {Channel(l.masks[0]), Channel(l.masks[1]), Channel(l.masks[2]),
                               Channel(l.masks[3])};
  QImage image = NewImage(l.width, l.height,
                          channels[3].Present() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  eachRow([&](int y, const uint8_t* in) {
    ReadPackedRow(in, l.bits, l.width, channels, reinterpret_cast<QRgb*>(image.scanLine(y)));
  });
  return image;
}

}  // namespace platform
