// Any picture file a client may load, on the road a picture takes through the library: loaded,
// captured by SetPicture, saved as GIF and returned as a picture. giflib is the judge of every
// GIF written.
#include <QImageReader>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <string>

#include "fuzz/checks.h"
#include "fuzz/scratch.h"
#include "fuzz/targets.h"
#include "giflib/engine/error_record.h"
#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/err.h"
#include "platform/picture/picture.h"

namespace kestrin::fuzz {

namespace {

void Quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

// A few bytes of header may claim a picture of millions of pixels. Such pictures take the same
// paths as small ones, only slower, so runs skip them to stay fast.
constexpr int64_t kMaxPixels = int64_t{1} << 18;

bool TooLarge(const QSize& size) {
  return size.isValid() && int64_t{size.width()} * size.height() > kMaxPixels;
}

void SetUpOnce() {
  static const bool done = [] {
    // For formats whose size is known only once read: Qt refuses pictures beyond this many
    // megabytes.
    QImageReader::setAllocationLimit(4);
    // Qt warns about every malformed file; millions of runs make that noise only.
    qInstallMessageHandler(Quiet);
    return true;
  }();
  (void)done;
}

std::string Number(const pellory::Vesk_GifObject& gif) {
  return std::to_string(gif.ErrorNumber());
}

}  // namespace

std::string LoadSaveTarget(const uint8_t* data, size_t size) {
  SetUpOnce();
  Scratch& scratch = Scratch::Get();
  const std::string path = scratch.Write("input", data, size);
  const std::string gifPath = scratch.File("saved.gif");
  std::remove(gifPath.c_str());
  pellory::engine::PendingError() = {};

  if (TooLarge(QImageReader(QString::fromStdString(path)).size())) return {};
  platform::Picture picture;
  try {
    picture = platform::LoadPicture(path);
  } catch (const platform::RuntimeError&) {
    return {};  // not a picture: refused the documented way
  } catch (const std::exception& e) {
    return std::string("LoadPicture threw ") + e.what();
  }
  if (!picture || picture->Handle() == 0) return "LoadPicture gave no picture for a file";
  const QImage& image = picture->Image();
  if (TooLarge(image.size())) return {};
  if (image.format() == QImage::Format_Indexed8) {
    for (int y = 0; y < image.height(); ++y) {
      const uchar* row = image.constScanLine(y);
      for (int x = 0; x < image.width(); ++x)
        if (row[x] >= image.colorCount())
          return "loaded pixel " + std::to_string(x) + "," + std::to_string(y) +
                 " has an index past its colour table";
    }
  }

  pellory::Vesk_GifObject gif;
  gif.TempPathMode(pellory::UserCustom);
  gif.TempPath(scratch.TempFolder());
  const bool set = gif.SetPicture(picture);
  if (scratch.TempEntries() != 0) return "SetPicture left a temporary file behind";
  if (!set) {
    if (gif.HasPicture()) return "SetPicture failed (" + Number(gif) + ") but holds a picture";
    gif.ResetError();
    if (gif.SaveGifPicture(gifPath) || gif.ErrorNumber() != 3002)
      return "SaveGifPicture after a failed SetPicture gave " + Number(gif) + " instead of 3002";
    return {};
  }

  const pellory::Vesk_GifPictureType& held = gif.SourcePictureData();
  if (std::string fault = HeldPictureFault(held); !fault.empty())
    return "SetPicture accepted the picture: " + fault;
  if (held.GifSetting.biWidth != image.width() || held.GifSetting.biHeight != image.height())
    return "held size differs from the loaded picture's";

  if (!gif.SaveGifPicture(gifPath)) return "SaveGifPicture failed with " + Number(gif);
  if (std::string fault = DecodedGifFault(pellory::testing::DecodeGif(gifPath), held);
      !fault.empty())
    return "saved " + fault;

  // A returned picture travels through a temporary GIF and the platform's GIF reader.
  const platform::Picture mirrored = gif.GetReversePicture(pellory::TopBottom);
  if (scratch.TempEntries() != 0) return "a returned picture left a temporary file behind";
  if (!mirrored || mirrored->Handle() == 0) return "GetReversePicture failed with " + Number(gif);
  const QImage& back = mirrored->Image();
  if (back.format() != QImage::Format_Indexed8 || back.size() != image.size())
    return "returned picture lost its format or size";
  const int w = held.GifSetting.biWidth, h = held.GifSetting.biHeight;
  if (back.colorCount() < static_cast<int>(held.ColorTable.size()))
    return "returned picture lost palette entries";
  for (size_t i = 0; i < held.ColorTable.size(); ++i) {
    const QRgb c = back.color(static_cast<int>(i));
    const auto& e = held.ColorTable[i];
    if (qRed(c) != e.gRed || qGreen(c) != e.gGreen || qBlue(c) != e.gBlue)
      return "returned palette entry " + std::to_string(i) + " differs from the held one";
  }
  for (int y = 0; y < h; ++y)
    if (!std::equal(back.constScanLine(y), back.constScanLine(y) + w,
                    held.BitmapData.begin() + static_cast<ptrdiff_t>(h - 1 - y) * w))
      return "returned picture is not the held one upside down";
  return {};
}

}  // namespace kestrin::fuzz
