// Writes a small GIF through the library and says where it went.
#include <QCoreApplication>
#include <QImage>
#include <cstdio>
#include <string>

#include "giflib/object/vesk_gif_object.h"
#include "platform/kernel/files.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);  // no window: runs without a display
  QImage image(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb((x / 8) * 36, (y / 8) * 50, ((x + y) % 2) * 255));

  pellory::Vesk_GifObject gif;
  gif.TempPathMode(pellory::TempSystem);
  if (!gif.SetPicture(std::make_shared<platform::StdPicture>(image))) {
    std::fprintf(stderr, "%s\n", gif.GetErrorMsg(gif.ErrorNumber()).c_str());
    return 1;
  }
  gif.Transparent(pellory::TransOff);
  const std::string path = platform::GetTempFolder() + "kestrin-demo.gif";
  platform::RemoveFileIfExists(path);
  if (!gif.SaveGifPicture(path)) {
    std::fprintf(stderr, "%s\n", gif.GetErrorMsg(gif.ErrorNumber()).c_str());
    return 1;
  }
  std::printf("Wrote %s (%d colours)\n", path.c_str(), gif.PaletteSize());
  return 0;
}
