#include "platform/picture/gif_reader.h"

#include <gif_lib.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/kernel/err.h"
#include "platform/picture/color_table.h"

namespace platform {

namespace {

// A lying header must not make us allocate gigabytes before the data runs out.
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

    QImage image(w, h, QImage::Format_Indexed8);
    if (image.isNull()) throw RuntimeError(kErrOutOfMemory);
    QList<QRgb> colors;
    for (int i = 0; i < map->ColorCount; ++i) {
      const GifColorType& c = map->Colors[i];
      colors.push_back(i == transparent ? qRgba(c.Red, c.Green, c.Blue, 0)
                                        : qRgb(c.Red, c.Green, c.Blue));
    }
    auto readRow = [&](int y) {
      if (DGifGetLine(gif.get(), image.scanLine(y), w) == GIF_ERROR) Malformed();
    };
    if (desc.Interlace) {
      static constexpr int kStart[] = {0, 4, 2, 1};
      static constexpr int kStep[] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = kStart[pass]; y < h; y += kStep[pass]) readRow(y);
    } else {
      for (int y = 0; y < h; ++y) readRow(y);
    }
    image.setColorTable(colors);
    CoverIndicesWithBlack(image);
    return image;
  }
}

}  // namespace platform
