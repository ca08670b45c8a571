#include "giflib/object/picture_bridge.h"

#include <QImage>
#include <cstring>

#include "giflib/engine/error_record.h"
#include "giflib/engine/gif_writer.h"
#include "giflib/engine/temp_bitmap.h"
#include "platform/kernel/err.h"
#include "platform/kernel/files.h"
#include "platform/kernel/large_pages.h"

namespace pellory::engine {

namespace {

// Deletes the temporary file on every way out; failures are ignored.
class TempFileGuard {
 public:
  explicit TempFileGuard(std::string& path) : path_(path) {}
  ~TempFileGuard() {
    try {
      if (!path_.empty()) platform::RemoveFileIfExists(path_);
    } catch (...) {
    }
  }

 private:
  std::string& path_;
};

// The indices of `picture` as an image's own rows, without a copy when they are laid out as one
// (rows a multiple of four bytes long) and `take` allows: the picture is then left without them.
QImage IndexedImageOf(Vesk_GifPictureType& picture, bool take) {
  const int w = picture.GifSetting.biWidth, h = picture.GifSetting.biHeight;
  if (take && w % 4 == 0 &&
      picture.BitmapData.size() == static_cast<size_t>(w) * static_cast<size_t>(h)) {
    auto* held = new std::vector<uint8_t>(std::move(picture.BitmapData));
    QImage image(
        held->data(), w, h, w, QImage::Format_Indexed8,
        [](void* p) { delete static_cast<std::vector<uint8_t>*>(p); }, held);
    if (image.isNull()) {
      picture.BitmapData = std::move(*held);
      delete held;
      throw platform::RuntimeError(platform::kErrOutOfMemory);
    }
    return image;
  }
  QImage image(w, h, QImage::Format_Indexed8);
  if (image.isNull()) throw platform::RuntimeError(platform::kErrOutOfMemory);
  platform::AdviseLargePages(image.bits(), static_cast<size_t>(image.sizeInBytes()));
  for (int y = 0; y < h; ++y)
    std::memcpy(image.scanLine(y), picture.BitmapData.data() + static_cast<size_t>(y) * w, w);
  return image;
}

// The picture that decoding the file just written gives: its whole colour table (padded with
// black to the size the header announces), the transparent entry of its graphic control and the
// indices as written. Decoding the file again would only spend time reproducing them.
platform::Picture PictureOfWrittenGif(const GifHeaderRecord& header, Vesk_GifPictureType& picture,
                                      bool takePixels) {
  const int entries = ColorTableEntries(header.ScreenFlags);
  const int transparent = (header.ControlFlags & 0x01) ? header.TransColorIndex : -1;
  QList<QRgb> colors(entries, qRgb(0, 0, 0));
  for (int i = 0; i < entries && i < static_cast<int>(picture.ColorTable.size()); ++i) {
    const Vesk_GIFRGBTRIPLE& e = picture.ColorTable[i];
    colors[i] = qRgb(e.gRed, e.gGreen, e.gBlue);
  }
  if (transparent >= 0 && transparent < entries) colors[transparent] &= 0x00FFFFFF;
  QImage image = IndexedImageOf(picture, takePixels);
  image.setColorTable(colors);
  return std::make_shared<platform::StdPicture>(std::move(image));
}

}  // namespace

bool MakeTempBMP(const platform::Picture& picture, const std::string& path) {
  return RunProcedure("MakeTempBMP", [&] {
    // The platform writes every picture as an uncompressed bitmap (transparent areas drawn over
    // the flattening grey), which is what GetTempBMP reads: nothing to check by reading it back.
    platform::SavePicture(picture, path);
    return true;
  });
}

bool Actual_SetPicture(Vesk_GifPictureType& picture, const platform::Picture& source,
                       const ExactColourRequest& exact) {
  SetProcName("Actual_SetPicture");
  std::string path;
  TempFileGuard guard(path);
  try {
    if (!GetTempFilePathClass(picture, path)) return false;
    if (!MakeTempBMP(source, path)) return false;
    return GetTempBMP(picture, path, exact);
  } catch (...) {
    RecordModuleUnexpected();
    return false;
  }
}

bool LoadTempGifFile(Vesk_GifPictureType& picture, platform::Picture& result, bool takePixels) {
  SetProcName("LoadTempGifFile");
  std::string path;
  TempFileGuard guard(path);
  try {
    GifHeaderRecord header{};
    // No pixels fail as the coding of them does, before anything else is tried.
    if (picture.BitmapData.empty()) {
      std::vector<uint8_t> none;
      return ChangeLZW(picture.BitmapData, none);
    }
    if (!SetGifFormatParm(picture, header)) return false;
    if (!GetTempFilePathClass(picture, path)) return false;
    // The codes are made as the file is written: a whole set of them would be as large again as
    // the indices.
    if (!MakeLiteralGifFile(header, picture.ColorTable, picture.BitmapData, path)) return false;
    if (!platform::FileExists(path)) {
      RecordModuleError(kErrTempFileMissing, kStyleStop);
      return false;
    }
    result = PictureOfWrittenGif(header, picture, takePixels);
    return true;
  } catch (...) {
    RecordModuleUnexpected();
    return false;
  }
}

}  // namespace pellory::engine
