// A client of the installed Pellory and Tessaly: writes a GIF and checks it with giflib, composes
// through an overlay, converts a bitmap to JPEG and checks the result, and creates Fennick's
// control by ProgID. Exits 1 at the first check that fails.
#include <dlfcn.h>
#include <gif_lib.h>

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "giflib/object/vesk_gif_animation.h"
#include "giflib/object/vesk_gif_object.h"
#include "giflib/overlay/vesk_overlay.h"
#include "jpegconvert/convert.h"
#include "platform/com/registry.h"
#include "platform/picture/picture.h"

namespace {

int failures = 0;

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "kestrin_consumer: FAILED: %s\n", what);
    ++failures;
  }
}

// Six colours in 16-pixel squares that differ across and down, so a mirrored, turned or
// channel-swapped result cannot pass. The squares are the JPEG writer's 16 x 16 blocks, so the
// JPEG has no edges to blur inside a block.
QImage Squares(int w, int h) {
  const QRgb colours[6] = {qRgb(200, 30, 30),  qRgb(30, 160, 60),   qRgb(20, 40, 210),
                           qRgb(240, 220, 40), qRgb(250, 250, 250), qRgb(10, 10, 10)};
  QImage image(w, h, QImage::Format_RGB32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, colours[(x / 16 + 2 * (y / 16)) % 6]);
  return image;
}

void CheckGif(const QImage& source, const std::string& path) {
  pellory::Vesk_GifObject gif;
  gif.TempPathMode(pellory::TempSystem);
  Check(gif.SetPicture(std::make_shared<platform::StdPicture>(source)), "SetPicture");
  gif.Transparent(pellory::TransOff);
  Check(gif.SaveGifPicture(path), "SaveGifPicture");
  if (failures) {
    std::fprintf(stderr, "%s\n", gif.GetErrorMsg(gif.ErrorNumber()).c_str());
    return;
  }
  const pellory::Vesk_GifPictureType& held = gif.CurrentPictureData();

  int error = 0;
  const auto close = [](GifFileType* f) {
    int ignored = 0;
    DGifCloseFile(f, &ignored);
  };
  std::unique_ptr<GifFileType, decltype(close)> opened(DGifOpenFileName(path.c_str(), &error),
                                                       close);
  GifFileType* file = opened.get();
  Check(file && DGifSlurp(file) == GIF_OK, "giflib decodes the GIF");
  if (failures) return;
  const ColorMapObject* map = file->SColorMap;
  Check(file->ImageCount == 1 && file->SWidth == source.width() &&
            file->SHeight == source.height() &&
            file->SavedImages[0].ImageDesc.Width == source.width() &&
            file->SavedImages[0].ImageDesc.Height == source.height(),
        "the GIF's screen and image are the picture's size");
  Check(map && map->ColorCount == held.GifSetting.PaletteSize &&
            static_cast<size_t>(map->ColorCount) == held.ColorTable.size(),
        "the GIF's colour map has the object's palette size");
  if (failures) return;
  for (int i = 0; i < map->ColorCount; ++i) {
    const GifColorType& c = map->Colors[i];
    const pellory::Vesk_GIFRGBTRIPLE& e = held.ColorTable[i];
    Check(c.Red == e.gRed && c.Green == e.gGreen && c.Blue == e.gBlue,
          "colour map entry equals the object's palette entry");
  }
  const GifByteType* indices = file->SavedImages[0].RasterBits;
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x) {
      const int i = y * source.width() + x;
      Check(indices[i] == held.BitmapData[i], "pixel index equals the object's index");
      const GifColorType& c = map->Colors[indices[i]];
      Check(qRgb(c.Red, c.Green, c.Blue) == (source.pixel(x, y) | 0xFF000000u),
            "pixel colour equals the source picture's");
      if (failures) return;
    }
}

void CheckOverlay(const QImage& source) {
  pellory::Vesk_OverLay overlay;
  overlay.Transparent(pellory::TransOff);
  Check(overlay.SetBasePicture(std::make_shared<platform::StdPicture>(source)), "SetBasePicture");
  const platform::Picture composed = overlay.GetOLPicture();
  Check(composed && composed->Image().size() == source.size(), "the overlay returns the base");
  if (failures) return;
  bool same = true;
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x)
      same =
          same && qRgb(qRed(composed->Image().pixel(x, y)), qGreen(composed->Image().pixel(x, y)),
                       qBlue(composed->Image().pixel(x, y))) == (source.pixel(x, y) | 0xFF000000u);
  Check(same, "the overlay's picture has the base's pixels");
}

void CheckJpeg(const QImage& source, const std::string& bmp, const std::string& jpg) {
  platform::SavePicture(std::make_shared<platform::StdPicture>(source), bmp);
  tessaly::Convert convert;
  tessaly::Variant progress = false;
  Check(convert.BMPtoJPG(bmp, jpg, 90, progress) == tessaly::kConvertOk, "BMPtoJPG");
  QImage decoded(QString::fromStdString(jpg), "JPEG");
  Check(decoded.size() == source.size(), "the JPEG decodes to the picture's size");
  if (failures) return;
  // Lossy: the colour planes are stored at half size and smoothed back, which blurs the edges
  // between squares, but away from them a square comes back within a few levels.
  int worst = 0;
  for (int y = 0; y < source.height(); ++y)
    for (int x = 0; x < source.width(); ++x) {
      if (x % 16 < 2 || x % 16 > 13 || y % 16 < 2 || y % 16 > 13) continue;
      const QRgb a = source.pixel(x, y), b = decoded.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                        std::abs(qBlue(a) - qBlue(b))});
    }
  if (worst > 3) std::fprintf(stderr, "worst difference inside the squares: %d\n", worst);
  Check(worst <= 3, "the JPEG's squares have the bitmap's colours");
}

void CheckFennick() {
  Check(platform::CreateComObject("Fennick.DummyUC") != nullptr, "Fennick.DummyUC is created");
  const std::string installed = std::string(INSTALLED_LIBRARY_DIR) + "/libfennick.so";
  Check(::dlopen(installed.c_str(), RTLD_NOW | RTLD_NOLOAD) != nullptr,
        "libfennick.so was loaded from the installed library folder");
}

// Two frames of different sizes in one animated file: giflib reads both, the second centred.
void CheckAnimation(const QImage& source, const std::string& path) {
  pellory::Vesk_GifAnimation animation;
  Check(animation.OptimizeFrames(), "frames are optimised unless told otherwise");
  animation.OptimizeFrames(false);  // each frame whole, where the reader can find it
  Check(animation.AddFrame(std::make_shared<platform::StdPicture>(source), 10), "AddFrame");
  Check(animation.AddFrame(std::make_shared<platform::StdPicture>(source.copy(0, 0, 32, 16)), 20),
        "AddFrame of a smaller frame");
  Check(animation.SaveAnimatedGif(path), "SaveAnimatedGif");
  if (failures) return;
  int error = 0;
  GifFileType* file = DGifOpenFileName(path.c_str(), &error);
  Check(file && DGifSlurp(file) == GIF_OK && file->ImageCount == 2 &&
            file->SWidth == source.width() && file->SavedImages[1].ImageDesc.Left == 16 &&
            file->SavedImages[1].ImageDesc.Top == 16,
        "giflib reads both frames, the second centred");
  if (file) DGifCloseFile(file, &error);
}

}  // namespace

int main() {
  QTemporaryDir dir;
  if (!dir.isValid()) return std::fprintf(stderr, "no temporary folder\n"), 1;
  const std::string folder = dir.path().toStdString();
  const QImage source = Squares(64, 48);

  CheckGif(source, folder + "/squares.gif");
  CheckAnimation(source, folder + "/squares-animated.gif");
  CheckOverlay(source);
  CheckJpeg(source, folder + "/squares.bmp", folder + "/squares.jpg");
  CheckFennick();
  if (failures) return 1;
  std::printf("kestrin_consumer: GIF, animation, overlay, JPEG and Fennick checks passed\n");
  return 0;
}
