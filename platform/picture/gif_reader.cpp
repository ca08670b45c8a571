#include "platform/picture/gif_reader.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

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

// Rows of indices that grow as the file delivers them, so that a header claiming a huge image
// costs memory only in proportion to the rows its data really holds. The buffer ends up owned by
// the QImage that wraps it.
class GrowingRows {
 public:
  GrowingRows(int width, int height)
      : stride_((static_cast<size_t>(width) + 3) & ~size_t{3}),
        limit_(static_cast<size_t>(height) * stride_) {}
  ~GrowingRows() { std::free(data_); }
  GrowingRows(const GrowingRows&) = delete;
  GrowingRows& operator=(const GrowingRows&) = delete;

  // Row y, `width` indices for the decoder to fill, with every row before it allocated (an
  // interlaced file fills them later; a file that ends before every row is filled is refused).
  // The padding that rounds a row up to its stride is zeroed here.
  uint8_t* Row(int y, int width) {
    const size_t needed = (static_cast<size_t>(y) + 1) * stride_;
    if (needed > size_) {
      size_t grown = std::max(needed, size_ + size_ / 2);
      grown = std::min(grown, limit_);
      grown = std::max(grown, needed);
      auto* more = static_cast<uint8_t*>(std::realloc(data_, grown));
      if (!more) throw RuntimeError(kErrOutOfMemory);
      data_ = more;
      size_ = grown;
    }
    uint8_t* row = data_ + static_cast<size_t>(y) * stride_;
    std::memset(row + width, 0, stride_ - static_cast<size_t>(width));
    return row;
  }

  // Hands the buffer to an image of `height` rows; the image frees it.
  QImage Release(int width, int height) {
    Row(height - 1, width);
    uint8_t* data = data_;
    data_ = nullptr;
    QImage image(
        data, width, height, static_cast<qsizetype>(stride_), QImage::Format_Indexed8,
        [](void* p) { std::free(p); }, data);
    if (image.isNull()) {
      std::free(data);
      throw RuntimeError(kErrOutOfMemory);
    }
    return image;
  }

 private:
  size_t stride_;
  size_t limit_;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

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
    GrowingRows rows(w, h);
    auto readRow = [&](int y) {
      if (DGifGetLine(gif.get(), rows.Row(y, w), w) == GIF_ERROR) Malformed();
    };
    if (desc.Interlace) {
      static constexpr int kStart[] = {0, 4, 2, 1};
      static constexpr int kStep[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < h; y += kStep[pass]) readRow(y);
    } else {
      for (int y = 0; y < h; ++y) readRow(y);
    }
    QImage image = rows.Release(w, h);
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
