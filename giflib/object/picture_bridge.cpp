#include "giflib/object/picture_bridge.h"

#include <QPainter>
#include <cstdio>

#include "giflib/engine/error_record.h"
#include "giflib/engine/gif_writer.h"
#include "giflib/engine/temp_bitmap.h"
#include "platform/kernel/err.h"
#include "platform/kernel/files.h"

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

uint32_t CompressionOf(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw platform::RuntimeError(platform::kErrFileNotFound);
  unsigned char h[54] = {};
  size_t n = std::fread(h, 1, sizeof h, f);
  std::fclose(f);
  if (n != sizeof h)
    throw platform::RuntimeError(platform::kErrPathFileAccess, "Input past end of file");
  return h[30] | (h[31] << 8) | (h[32] << 16) | (uint32_t{h[33]} << 24);
}

}  // namespace

bool MakeTempBMP(const platform::Picture& picture, const std::string& path) {
  SetProcName("MakeTempBMP");
  try {
    platform::SavePicture(picture, path);
    if (CompressionOf(path) != 0) {
      // Draw the picture over the flattening grey and keep that instead: always uncompressed.
      QImage flat(picture->Image().size(), QImage::Format_RGB32);
      flat.fill(qRgb(254, 254, 254));
      QPainter painter(&flat);
      painter.drawImage(0, 0, picture->Image());
      painter.end();
      platform::SavePicture(std::make_shared<platform::StdPicture>(flat), path);
    }
    return true;
  } catch (...) {
    RecordModuleUnexpected();
    return false;
  }
}

bool Actual_SetPicture(Vesk_GifPictureType& picture, const platform::Picture& source) {
  SetProcName("Actual_SetPicture");
  std::string path;
  TempFileGuard guard(path);
  try {
    if (!GetTempFilePathClass(picture, path)) return false;
    if (!MakeTempBMP(source, path)) return false;
    return GetTempBMP(picture, path);
  } catch (...) {
    RecordModuleUnexpected();
    return false;
  }
}

bool LoadTempGifFile(const Vesk_GifPictureType& picture, platform::Picture& result) {
  SetProcName("LoadTempGifFile");
  std::string path;
  TempFileGuard guard(path);
  try {
    std::vector<uint8_t> codes;
    GifHeaderRecord header{};
    if (!ChangeLZW(picture.BitmapData, codes)) return false;
    if (!SetGifFormatParm(picture, header)) return false;
    if (!GetTempFilePathClass(picture, path)) return false;
    if (!MakeGifFile(header, picture.ColorTable, codes, path)) return false;
    if (!platform::FileExists(path)) {
      RecordModuleError(1005, kStyleStop);
      return false;
    }
    result = platform::LoadPicture(path);
    return true;
  } catch (...) {
    RecordModuleUnexpected();
    return false;
  }
}

}  // namespace pellory::engine
