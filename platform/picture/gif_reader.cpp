#include "platform/picture/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/kernel/err.h"
#include "platform/picture/color_table.h"

namespace platform {

namespace {

// The largest picture the reader makes: 256 MB of indices.
constexpr int64_t kMaxPixels = int64_t{1} << 28;

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

[[noreturn]] void Malformed() {
  throw RuntimeError(kErrInvalidPicture);
}

// The image's code stream, through giflib's raw sub-blocks, least significant bit first.
class CodeReader {
 public:
  // `first`: the sub-block giflib hands out with the code size; null when there is none.
  CodeReader(GifFileType* gif, const GifByteType* first) : gif_(gif) {
    if (first == nullptr) {
      done_ = true;
    } else {
      at_ = first + 1;
      end_ = at_ + first[0];
    }
  }
  // False when the data ends first.
  bool Read(int bits, uint32_t& code) {
    if (pending_ < bits) {
      if (end_ - at_ >= 8) {
        // Whole bytes up to 56 bits at once from the middle of a sub-block.
        uint64_t word;
        std::memcpy(&word, at_, 8);
        static_assert(std::endian::native == std::endian::little, "codes are read as in memory");
        acc_ |= word << pending_;
        const int take = (63 - pending_) >> 3;
        at_ += take;
        pending_ += take * 8;
      } else {
        while (pending_ < bits) {
          if (at_ == end_ && !NextBlock()) return false;
          acc_ |= uint64_t{*at_++} << pending_;
          pending_ += 8;
        }
      }
    }
    code = static_cast<uint32_t>(acc_) & ((1u << bits) - 1);
    acc_ >>= bits;
    pending_ -= bits;
    return true;
  }

  // Root codes (below `clear`) while they last, each taken as DecodeLzw takes one after a
  // string: its index at out[p], and the previous string and that index as the next entry.
  // Stops, consuming nothing more, at any other code, at `end`, once the table reaches `limit`
  // entries (the codes would widen, or the table is full), and where a sub-block has fewer
  // than eight bytes left. An uncompressed picture is all roots. The state is held in locals:
  // the stores of indices could alias it, and would otherwise reload it for every code.
  void Roots(int bits, uint32_t clear, uint8_t* out, size_t& p, size_t end, uint32_t* start,
             uint16_t* length, uint32_t& next, uint32_t limit, size_t& previousStart,
             size_t& previousLength) {
    uint64_t acc = acc_;
    int pending = pending_;
    const uint8_t* at = at_;
    const uint8_t* const blockEnd = end_;
    const uint32_t mask = (1u << bits) - 1;
    size_t q = p, prevStart = previousStart, prevLength = previousLength;
    uint32_t n = next;
    while (q < end && n < limit) {
      if (pending < bits) {
        if (blockEnd - at < 8) break;
        uint64_t word;
        std::memcpy(&word, at, 8);
        acc |= word << pending;
        const int take = (63 - pending) >> 3;
        at += take;
        pending += take * 8;
      }
      const uint32_t code = static_cast<uint32_t>(acc) & mask;
      if (code >= clear) break;
      acc >>= bits;
      pending -= bits;
      out[q] = static_cast<uint8_t>(code);
      start[n] = static_cast<uint32_t>(prevStart);
      length[n] = static_cast<uint16_t>(prevLength + 1);
      ++n;
      prevStart = q++;
      prevLength = 1;
    }
    acc_ = acc;
    pending_ = pending;
    at_ = at;
    p = q;
    next = n;
    previousStart = prevStart;
    previousLength = prevLength;
  }

 private:
  bool NextBlock() {
    if (done_) return false;
    GifByteType* block = nullptr;
    if (DGifGetCodeNext(gif_, &block) == GIF_ERROR) Malformed();
    if (block == nullptr) {
      done_ = true;
      return false;
    }
    at_ = block + 1;
    end_ = at_ + block[0];
    return at_ != end_ || NextBlock();
  }
  GifFileType* gif_;
  const uint8_t* at_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t acc_ = 0;
  int pending_ = 0;
  bool done_ = false;
};

// Indices in the order the file holds them, in a buffer that grows as the data delivers them, so
// that a header claiming a huge image costs memory only in proportion to what its data really
// holds.
class GrowingPixels {
 public:
  explicit GrowingPixels(size_t total) : total_(total) {}
  ~GrowingPixels() { std::free(data_); }
  GrowingPixels(const GrowingPixels&) = delete;
  GrowingPixels& operator=(const GrowingPixels&) = delete;

  // Room for `count` more indices after the first `used`, within the image.
  uint8_t* Room(size_t used, size_t count) {
    const size_t needed = std::min(total_, used + count);
    if (needed > size_) {
      size_t grown = std::max(needed, size_ + size_ / 2);
      grown = std::max(std::min(grown, total_), needed);
      auto* more = static_cast<uint8_t*>(std::realloc(data_, grown));
      if (!more) throw RuntimeError(kErrOutOfMemory);
      data_ = more;
      size_ = grown;
    }
    return data_;
  }
  size_t Size() const { return size_; }
  uint8_t* Take() {
    uint8_t* data = data_;
    data_ = nullptr;
    return data;
  }

 private:
  size_t total_;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// Decodes the image's LZW data as giflib's line reader does: the same table and code widths,
// refused where it refuses (an undefined code, an end code or the end of the data before the last
// pixel), with data past the last pixel ignored; a code size beyond 8 bits, which giflib would
// truncate into the indices, is refused too. Each table entry is a span of the pixels already
// decoded, so a string is one copy rather than a walk of its prefixes.
void DecodeLzw(GifFileType* gif, size_t total, GrowingPixels& pixels) {
  int minCodeSize = 0;
  GifByteType* first = nullptr;
  if (DGifGetCode(gif, &minCodeSize, &first) == GIF_ERROR) Malformed();
  if (minCodeSize < 1 || minCodeSize > 8) Malformed();
  CodeReader reader(gif, first);
  constexpr uint32_t kTableSize = 4096;
  const uint32_t clear = 1u << minCodeSize, eoi = clear + 1;
  std::vector<uint32_t> start(kTableSize);
  std::vector<uint16_t> length(kTableSize);
  uint32_t next = eoi + 1;
  int bits = minCodeSize + 1;
  bool hasPrevious = false;
  size_t previousStart = 0, previousLength = 0;
  size_t p = 0, room = 0;
  uint8_t* out = nullptr;
  // The longest string is 4096 indices: with that much room, a code needs no check.
  constexpr size_t kLongest = kTableSize;
  while (p < total) {
    if (p + kLongest > room && room < total) {
      out = pixels.Room(p, kLongest + (size_t{1} << 16));
      room = pixels.Size();
    }
    if (hasPrevious) {
      const size_t before = p;
      const uint32_t limit = bits < 12 ? 1u << bits : kTableSize;
      reader.Roots(bits, clear, out, p, std::min(total, room), start.data(), length.data(), next,
                   limit, previousStart, previousLength);
      if (next >= (1u << bits) && bits < 12) ++bits;
      if (p != before) continue;
    }
    uint32_t code;
    if (!reader.Read(bits, code)) Malformed();
    if (code == clear) {
      next = eoi + 1;
      bits = minCodeSize + 1;
      hasPrevious = false;
      continue;
    }
    if (code == eoi) Malformed();
    const size_t at = p;
    size_t n;
    if (code < clear) {
      out[p] = static_cast<uint8_t>(code);
      n = 1;
    } else if (hasPrevious && code > eoi && code < next) {
      n = length[code];
      std::memcpy(out + p, out + start[code], std::min(n, total - p));
    } else if (hasPrevious && code == next && next < kTableSize) {
      // The string just defined: the previous one and its own first index.
      n = previousLength + 1;
      std::memcpy(out + p, out + previousStart, std::min(previousLength, total - p));
      if (p + previousLength < total) out[p + previousLength] = out[previousStart];
    } else {
      Malformed();
    }
    p = std::min(total, p + n);
    if (hasPrevious && next < kTableSize) {
      // The previous string followed by this one's first index: where both were written.
      start[next] = static_cast<uint32_t>(previousStart);
      length[next] = static_cast<uint16_t>(previousLength + 1);
      ++next;
    }
    if (next >= (1u << bits) && bits < 12) ++bits;
    hasPrevious = true;
    previousStart = at;
    previousLength = n;
  }
}

// The decoded indices as an image: rows in place (an interlaced file holds every eighth row,
// then the fourth ones between, then the second ones, then the rest), each padded with zeros up
// to its stride. A buffer already laid out so becomes the image's own.
QImage ImageOf(GrowingPixels& pixels, int w, int h, bool interlaced) {
  const size_t stride = (static_cast<size_t>(w) + 3) & ~size_t{3};
  uint8_t* decoded = pixels.Room(0, static_cast<size_t>(w) * static_cast<size_t>(h));
  auto cleanup = [](void* p) { std::free(p); };
  if (!interlaced && stride == static_cast<size_t>(w)) {
    uint8_t* data = pixels.Take();
    QImage image(data, w, h, static_cast<qsizetype>(stride), QImage::Format_Indexed8, cleanup,
                 data);
    if (image.isNull()) {
      std::free(data);
      throw RuntimeError(kErrOutOfMemory);
    }
    return image;
  }
  auto* data = static_cast<uint8_t*>(std::malloc(stride * static_cast<size_t>(h)));
  if (!data) throw RuntimeError(kErrOutOfMemory);
  QImage image(data, w, h, static_cast<qsizetype>(stride), QImage::Format_Indexed8, cleanup, data);
  if (image.isNull()) {
    std::free(data);
    throw RuntimeError(kErrOutOfMemory);
  }
  static constexpr int kStart[] = {0, 4, 2, 1};
  static constexpr int kStep[] = {8, 8, 4, 2};
  size_t row = 0;
  for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass)
    for (int y = interlaced ? kStart[pass] : 0; y < h; y += interlaced ? kStep[pass] : 1) {
      uint8_t* line = data + static_cast<size_t>(y) * stride;
      std::memcpy(line, decoded + row++ * static_cast<size_t>(w), static_cast<size_t>(w));
      std::memset(line + w, 0, stride - static_cast<size_t>(w));
    }
  return image;
}

// The palette index nearest to `rgb` among the opaque entries, adding it when there is room.
int IndexOfColour(QList<QRgb>& colors, QRgb rgb) {
  int best = -1;
  int64_t bestDistance = INT64_MAX;
  for (int i = 0; i < colors.size(); ++i) {
    if (qAlpha(colors[i]) == 0) continue;
    const int64_t dr = qRed(colors[i]) - qRed(rgb), dg = qGreen(colors[i]) - qGreen(rgb),
                  db = qBlue(colors[i]) - qBlue(rgb);
    const int64_t d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      best = i;
      bestDistance = d;
    }
  }
  if (bestDistance == 0) return best;
  if (colors.size() < 256 || best < 0) {
    colors.push_back(qRgb(qRed(rgb), qGreen(rgb), qBlue(rgb)));
    return static_cast<int>(colors.size()) - 1;
  }
  return best;
}

}  // namespace

bool IsGifFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char sig[3] = {};
  size_t n = std::fread(sig, 1, 3, f);
  std::fclose(f);
  return n == 3 && std::memcmp(sig, "GIF", 3) == 0;
}

QImage ReadGifImage(const std::string& path) {
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpenFileName(path.c_str(), &error));
  if (!gif) {
    if (error == D_GIF_ERR_OPEN_FAILED) throw RuntimeError(kErrFileNotFound);
    Malformed();
  }
  int transparent = -1;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) Malformed();
    if (type == TERMINATE_RECORD_TYPE) Malformed();  // no image at all
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) Malformed();
      bool first = true;
      while (block != nullptr) {
        if (first && code == GRAPHICS_EXT_FUNC_CODE) {
          GraphicsControlBlock gcb;
          if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            transparent = gcb.TransparentColor;
        }
        first = false;
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) Malformed();
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) Malformed();
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) Malformed();
    const GifImageDesc& desc = gif->Image;
    const int w = desc.Width, h = desc.Height;
    if (w <= 0 || h <= 0 || int64_t{w} * h > kMaxPixels) Malformed();
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    if (map == nullptr || map->ColorCount <= 0 || map->ColorCount > 256) Malformed();
    // The picture is the logical screen, grown to hold an image that overruns it.
    const int screenW = std::max(gif->SWidth, desc.Left + w);
    const int screenH = std::max(gif->SHeight, desc.Top + h);
    if (int64_t{screenW} * screenH > kMaxPixels) Malformed();

    QList<QRgb> colors;
    for (int i = 0; i < map->ColorCount; ++i) {
      const GifColorType& c = map->Colors[i];
      colors.push_back(i == transparent ? qRgba(c.Red, c.Green, c.Blue, 0)
                                        : qRgb(c.Red, c.Green, c.Blue));
    }
    const size_t total = static_cast<size_t>(w) * static_cast<size_t>(h);
    GrowingPixels pixels(total);
    DecodeLzw(gif.get(), total, pixels);
    QImage image = ImageOf(pixels, w, h, desc.Interlace);
    if (screenW != w || screenH != h) {
      // What the image leaves of the screen shows through: transparent when the file has a
      // transparent entry, else the background colour of the global table.
      int fill = transparent;
      if (fill < 0 || fill >= colors.size()) {
        QRgb background = qRgb(0, 0, 0);
        const ColorMapObject* global = gif->SColorMap;
        if (global && gif->SBackGroundColor < global->ColorCount) {
          const GifColorType& c = global->Colors[gif->SBackGroundColor];
          background = qRgb(c.Red, c.Green, c.Blue);
        }
        fill = IndexOfColour(colors, background);
      }
      QImage screen(screenW, screenH, QImage::Format_Indexed8);
      if (screen.isNull()) throw RuntimeError(kErrOutOfMemory);
      screen.fill(static_cast<uint>(fill));
      for (int y = 0; y < h; ++y)
        std::memcpy(screen.scanLine(desc.Top + y) + desc.Left, image.constScanLine(y), w);
      image = std::move(screen);
    }
    image.setColorTable(colors);
    CoverIndicesWithBlack(image);
    return image;
  }
}

}  // namespace platform
